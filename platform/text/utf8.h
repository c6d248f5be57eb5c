#pragma once
// UTF-8 encoding shared by the layers that build text from code points.
#include <string>

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

}  // namespace rv::text
