#include "app/script.h"

namespace rv::app {

namespace {

void append_escape(std::string& out, const char* form, unsigned value) {
    static const char hex[] = "0123456789abcdef";
    out += form;
    for (int shift = form[1] == 'x' ? 4 : 12; shift >= 0; shift -= 4)
        out += hex[(value >> shift) & 15];
}

}  // namespace

std::string escape_controls(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0u;
        const auto third = i + 2 < text.size() ? static_cast<unsigned char>(text[i + 2]) : 0u;
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            append_escape(out, "\\x", c);
        } else if (c == 0xC2 && next >= 0x80 && next <= 0x9F) {  // U+0080 .. U+009F
            append_escape(out, "\\u", next);
            ++i;
        } else if (c == 0xE2 && next == 0x80 && (third == 0xA8 || third == 0xA9)) {
            append_escape(out, "\\u", 0x2000u + third - 0x80u);  // U+2028, U+2029
            i += 2;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

}  // namespace rv::app
