#pragma once
// UTF-8 encoding shared by the layers that build text from code points.
#include <string>

namespace rv::text {

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
