#include "standin/net/nick.h"

#include <cctype>
#include <cstring>

namespace rv::standin::net {

std::string nick_from_screen_name(std::string_view screen_name) {
    std::string out;
    for (char c : screen_name) {
        if (c == ' ') c = '_';
        if (std::isalnum(static_cast<unsigned char>(c)) || std::strchr("[]\\`_^{|}-", c)) out += c;
    }
    if (!out.empty() && (std::isdigit(static_cast<unsigned char>(out[0])) || out[0] == '-'))
        out.insert(out.begin(), '_');
    if (out.size() > 30) out.resize(30);
    return out.empty() ? "Guest" : out;
}

std::string nick_attempt(const std::string& base, int attempt, std::size_t max_length) {
    std::string suffix = attempt > 0 ? std::to_string(attempt + 1) : "";
    std::size_t room = max_length > suffix.size() ? max_length - suffix.size() : 1;
    return base.substr(0, room) + suffix;
}

bool plausible_nick(std::string_view nick) {
    if (nick.empty() || nick.size() > 64) return false;
    for (char c : nick) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u == 0x7F || std::strchr(",:*?!@", c)) return false;
    }
    return true;
}

}  // namespace rv::standin::net
