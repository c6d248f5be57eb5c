#include "platform/text/visible_name.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <vector>

#include "platform/text/utf8.h"

namespace rv::text {

namespace {

struct Range {
    char32_t first, last;
};

bool in(const Range* begin, const Range* end, char32_t cp) {
    // The tables are sorted and do not overlap.
    const Range* it =
        std::upper_bound(begin, end, cp, [](char32_t c, const Range& r) { return c < r.first; });
    return it != begin && cp <= std::prev(it)->last;
}

// What shows as nothing, as a blank, or as whatever a font likes: controls, format
// characters (bidi controls among them), default-ignorable characters, spaces other than
// U+0020, the Braille blank, private use and non-characters.
constexpr Range kHidden[] = {
    {0x0000, 0x001F},   {0x007F, 0x00A0},    {0x00AD, 0x00AD},   {0x034F, 0x034F},
    {0x0600, 0x0605},   {0x061C, 0x061C},    {0x06DD, 0x06DD},   {0x070F, 0x070F},
    {0x0890, 0x0891},   {0x08E2, 0x08E2},    {0x115F, 0x1160},   {0x1680, 0x1680},
    {0x17B4, 0x17B5},   {0x180B, 0x180F},    {0x2000, 0x200F},   {0x2028, 0x202F},
    {0x205F, 0x206F},   {0x2800, 0x2800},    {0x3000, 0x3000},   {0x3164, 0x3164},
    {0xE000, 0xF8FF},   {0xFDD0, 0xFDEF},    {0xFE00, 0xFE0F},   {0xFEFF, 0xFEFF},
    {0xFFA0, 0xFFA0},   {0xFFF0, 0xFFFB},    {0xFFFE, 0xFFFF},   {0x110BD, 0x110BD},
    {0x110CD, 0x110CD}, {0x13430, 0x1343F},  {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A},
    {0xE0000, 0xE0FFF}, {0xF0000, 0x10FFFF},
};

// Latin letters in other clothes: fullwidth, and the mathematical alphabets.
constexpr Range kLatinTwins[] = {
    {0xFF21, 0xFF3A},
    {0xFF41, 0xFF5A},
    {0x1D400, 0x1D6A5},
    {0x1D7CE, 0x1D7FF},
};

enum class Script { None, Latin, Lookalike, Other };

// The scripts whose letters pass for Latin ones.
constexpr Range kLookalikeScripts[] = {
    {0x0370, 0x03FF},  // Greek
    {0x0400, 0x052F},  // Cyrillic
    {0x0530, 0x058F},  // Armenian
    {0x13A0, 0x13FF},  // Cherokee
    {0x1C80, 0x1C8F},  // Cyrillic
    {0x1F00, 0x1FFF},  // Greek
    {0x2DE0, 0x2DFF},  // Cyrillic
    {0xA640, 0xA69F},  // Cyrillic
    {0xAB70, 0xABBF},  // Cherokee
};

// Greek and Cyrillic letters that most fonts draw exactly as a Latin letter.
constexpr char32_t kLatinLookalikes[] = {
    0x0391, 0x0392, 0x0395, 0x0396, 0x0397, 0x0399, 0x039A, 0x039C, 0x039D, 0x039F,
    0x03A1, 0x03A4, 0x03A5, 0x03A7, 0x03B1, 0x03B9, 0x03BD, 0x03BF, 0x03C1, 0x0405,
    0x0406, 0x0408, 0x0410, 0x0412, 0x0415, 0x041A, 0x041C, 0x041D, 0x041E, 0x0420,
    0x0421, 0x0422, 0x0423, 0x0425, 0x0430, 0x0435, 0x043E, 0x0440, 0x0441, 0x0443,
    0x0445, 0x0455, 0x0456, 0x0458, 0x04BB, 0x04C0, 0x0501, 0x051B, 0x051D,
};

Script script_of(char32_t cp) {
    if ((cp >= 'A' && cp <= 'Z') || (cp >= 'a' && cp <= 'z') ||
        (cp >= 0x00C0 && cp <= 0x024F && cp != 0x00D7 && cp != 0x00F7) ||
        (cp >= 0x1E00 && cp <= 0x1EFF))
        return Script::Latin;
    if (in(std::begin(kLookalikeScripts), std::end(kLookalikeScripts), cp))
        return Script::Lookalike;
    return cp < 0x80 ? Script::None : Script::Other;
}

bool latin_lookalike(char32_t cp) {
    return std::binary_search(std::begin(kLatinLookalikes), std::end(kLatinLookalikes), cp);
}

struct Piece {
    std::string_view bytes;
    char32_t cp = 0;
    bool valid = false;
    bool marker = false;  // a '<' that starts what reads as a marker: written out itself
};

bool is_hex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

// The length of the marker that starts at s[i], or 0.
std::size_t marker_at(std::string_view s, std::size_t i) {
    const std::string_view rest = s.substr(i);
    const bool code_point = rest.starts_with("<U+");
    if (!code_point && !rest.starts_with("<0x")) return 0;
    std::size_t k = 3;
    while (k < rest.size() && is_hex(rest[k])) ++k;
    const std::size_t digits = k - 3;
    const bool fits = code_point ? digits >= 4 && digits <= 6 : digits == 2;
    return fits && k < rest.size() && rest[k] == '>' ? k + 1 : 0;
}

std::vector<Piece> decode(std::string_view s) {
    std::vector<Piece> out;
    for (std::size_t i = 0; i < s.size();) {
        if (marker_at(s, i)) {
            // Written out, so that a name spelling "<U+200B>" never shows as one holding
            // U+200B; the rest of it is plain ASCII.
            out.push_back({s.substr(i, 1), '<', true, true});
            ++i;
            continue;
        }
        const Utf8Match m = match_utf8(s, i);
        if (!m.complete()) {
            out.push_back({s.substr(i, 1), 0, false});
            ++i;
            continue;
        }
        auto lead = static_cast<unsigned char>(s[i]);
        char32_t cp = m.needed == 1 ? lead : lead & (0x7F >> m.needed);
        for (std::size_t k = 1; k < m.needed; ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        out.push_back({s.substr(i, m.needed), cp, true});
        i += m.needed;
    }
    return out;
}

void write_out(std::string& out, const Piece& p) {
    char buf[16];
    if (p.valid)
        std::snprintf(buf, sizeof buf, "<U+%04X>", static_cast<unsigned>(p.cp));
    else
        std::snprintf(buf, sizeof buf, "<0x%02X>", static_cast<unsigned char>(p.bytes[0]));
    out += buf;
}

}  // namespace

std::string visible_name(std::string_view name) {
    const std::vector<Piece> pieces = decode(name);
    bool latin = false, lookalike = false, all_twins = true;
    for (const Piece& p : pieces) {
        if (!p.valid || p.marker) continue;
        const Script s = script_of(p.cp);
        latin |= s == Script::Latin;
        lookalike |= s == Script::Lookalike;
        if (s == Script::Lookalike && !latin_lookalike(p.cp)) all_twins = false;
        if (s == Script::Other) all_twins = false;
    }
    // A look-alike letter fools a reader beside Latin letters, or where every letter of the
    // name has a Latin twin.
    const bool mark_lookalikes = lookalike && (latin || all_twins);
    std::string out;
    out.reserve(name.size());
    for (const Piece& p : pieces) {
        const bool hazard = p.marker || !p.valid ||
                            in(std::begin(kHidden), std::end(kHidden), p.cp) ||
                            in(std::begin(kLatinTwins), std::end(kLatinTwins), p.cp) ||
                            (mark_lookalikes && script_of(p.cp) == Script::Lookalike);
        if (hazard)
            write_out(out, p);
        else
            out += p.bytes;
    }
    return out;
}

}  // namespace rv::text
