#pragma once
// Case without a locale: protocol words, tag names, extensions, mailbox names.
#include <string>
#include <string_view>

namespace rv::text {

inline char ascii_lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

inline std::string ascii_lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = ascii_lower(c);
    return out;
}

inline std::string ascii_upper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - ('a' - 'A'));
    return out;
}

}  // namespace rv::text
