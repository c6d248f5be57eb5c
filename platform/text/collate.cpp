#include "platform/text/collate.h"

#include "platform/text/utf8.h"

namespace rv::text {

namespace {

// Decodes one UTF-8 sequence; malformed bytes come back as themselves (Latin-1 reading).
char32_t next_code_point(const std::string& s, std::size_t& i) {
    auto b = static_cast<unsigned char>(s[i]);
    int len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (len <= 1 || i + len > s.size()) {
        ++i;
        return b;
    }
    char32_t cp = b & (0x7F >> len);
    for (int k = 1; k < len; ++k) {
        auto c = static_cast<unsigned char>(s[i + k]);
        if (!is_continuation(static_cast<char>(c))) {
            ++i;
            return b;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    i += len;
    return cp;
}

char32_t fold(char32_t c) {
    if (c >= 'A' && c <= 'Z') return c + 32;
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 32;  // Latin-1
    if (c == 0x178) return 0xFF;  // Ÿ is the capital of ÿ, outside the pairs below
    if (c >= 0x100 && c <= 0x17F && c != 0x130 && c != 0x131 && c != 0x138) {  // Latin Ext-A
        bool odd_pairs = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (odd_pairs) return (c % 2 == 1) ? c + 1 : c;
        return (c % 2 == 0) ? c + 1 : c;
    }
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;  // Greek
    if (c >= 0x410 && c <= 0x42F) return c + 32;                // Cyrillic
    if (c >= 0x400 && c <= 0x40F) return c + 80;
    return c;
}

// The letter an accented Latin letter sorts with, as the desktop's collation does.
char32_t base_letter(char32_t c) {
    c = fold(c);
    if (c < 0xC0) return c;
    if (c <= 0xFF) {
        static const char latin1[] =
            "aaaaaaaceeeeiiiidnooooo/ouuuuyty"   // 0xE0-0xFF, and
            "aaaaaaaceeeeiiiidnooooo/ouuuuyty";  // folded capitals
        return c >= 0xE0 ? static_cast<char32_t>(latin1[c - 0xE0])
                         : (c == 0xDF ? U's' : static_cast<char32_t>(latin1[c - 0xC0]));
    }
    if (c <= 0x17F) {
        static const struct {
            char32_t last;
            char base;
        } ext_a[] = {{0x105, 'a'}, {0x10D, 'c'}, {0x111, 'd'}, {0x11B, 'e'}, {0x123, 'g'},
                     {0x127, 'h'}, {0x133, 'i'}, {0x135, 'j'}, {0x138, 'k'}, {0x142, 'l'},
                     {0x14B, 'n'}, {0x153, 'o'}, {0x159, 'r'}, {0x161, 's'}, {0x167, 't'},
                     {0x173, 'u'}, {0x175, 'w'}, {0x178, 'y'}, {0x17E, 'z'}, {0x17F, 's'}};
        for (const auto& r : ext_a)
            if (c <= r.last) return static_cast<char32_t>(r.base);
    }
    return c;
}

// -1, 0, 1 comparing a and b letter by letter through `key`.
template <class Key>
int compare_by(const std::string& a, const std::string& b, Key key) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        char32_t x = key(next_code_point(a, i)), y = key(next_code_point(b, j));
        if (x != y) return x < y ? -1 : 1;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

}  // namespace

std::string fold_case(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();)
        text::append_utf8(out, fold(next_code_point(utf8, i)));
    return out;
}

bool less_without_case(const std::string& a, const std::string& b) {
    // Accented letters sort with their base letter, then accents tell, then case; the bytes
    // settle what is left, so the order is total and stable.
    if (int c = compare_by(a, b, base_letter)) return c < 0;
    if (int c = compare_by(a, b, fold)) return c < 0;
    return a < b;
}

}  // namespace rv::text
