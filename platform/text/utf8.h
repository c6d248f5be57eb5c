#pragma once
// UTF-8 shared by the layers that build text from code points or take in bytes from outside
// (file names, the network) that ought to be UTF-8 but need not be.
#include <string>
#include <string_view>

namespace rv::text {

// A byte that continues a UTF-8 sequence rather than starting one.
inline bool is_continuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Bytes in the UTF-8 sequence that `lead` starts: 1 to 4; a byte that starts none (a
// continuation byte, 0xC0, 0xC1, 0xF5 and above) counts as one.
inline std::size_t utf8_length(unsigned char lead) {
    if (lead < 0xC2) return 1;
    if (lead < 0xE0) return 2;
    if (lead < 0xF0) return 3;
    return lead <= 0xF4 ? 4 : 1;
}

// Appends `cp` as UTF-8; what is no character (0, a surrogate, past U+10FFFF) becomes
// U+FFFD, so the result is always valid UTF-8.
inline void append_utf8(std::string& out, char32_t cp) {
    if (cp == 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
        return;
    }
    const int tail = cp < 0x800 ? 1 : cp < 0x10000 ? 2 : 3;
    static const unsigned char kLead[] = {0, 0xC0, 0xE0, 0xF0};
    out += static_cast<char>(kLead[tail] | (cp >> (6 * tail)));
    for (int k = tail - 1; k >= 0; --k) out += static_cast<char>(0x80 | ((cp >> (6 * k)) & 0x3F));
}

// The well-formed UTF-8 sequence that starts at s[i]: how many bytes it needs (0 when s[i]
// starts none) and how many of them are there and fit.
struct Utf8Match {
    std::size_t needed = 0;
    std::size_t matched = 0;
    bool complete() const { return needed > 0 && matched == needed; }
};

inline Utf8Match match_utf8(std::string_view s, std::size_t i) {
    const auto lead = static_cast<unsigned char>(s[i]);
    Utf8Match m;
    m.needed = lead < 0x80                    ? 1
               : lead >= 0xC2 && lead <= 0xDF ? 2
               : lead >= 0xE0 && lead <= 0xEF ? 3
               : lead >= 0xF0 && lead <= 0xF4 ? 4
                                              : 0;
    if (m.needed == 0) return m;
    // The second byte's range rules out overlong forms, surrogates and code points past
    // U+10FFFF; the others are any continuation byte.
    unsigned char lo = 0x80, hi = 0xBF;
    if (lead == 0xE0) lo = 0xA0;
    if (lead == 0xED) hi = 0x9F;
    if (lead == 0xF0) lo = 0x90;
    if (lead == 0xF4) hi = 0x8F;
    for (m.matched = 1; m.matched < m.needed && i + m.matched < s.size(); ++m.matched) {
        const auto c = static_cast<unsigned char>(s[i + m.matched]);
        if (m.matched == 1 ? (c < lo || c > hi) : !is_continuation(static_cast<char>(c))) break;
    }
    return m;
}

// The bytes as valid UTF-8: every well-formed sequence kept byte for byte, and each piece
// that is not (a byte that starts nothing, or the start of a sequence cut short) one U+FFFD.
inline std::string to_valid_utf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const Utf8Match m = match_utf8(bytes, i);
        if (m.complete()) {
            out.append(bytes.substr(i, m.needed));
            i += m.needed;
        } else {
            out += "\xEF\xBF\xBD";
            i += m.matched > 0 ? m.matched : 1;
        }
    }
    return out;
}

}  // namespace rv::text
