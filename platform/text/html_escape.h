#pragma once
// Text going into chat HTML: the four characters that would start markup or an entity.
#include <string>

namespace rv::text {

inline void append_html_escaped(std::string& out, char c) {
    switch (c) {
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '&':
            out += "&amp;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
    }
}

}  // namespace rv::text
