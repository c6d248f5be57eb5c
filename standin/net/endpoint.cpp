#include <cctype>

#include "standin/net/transport.h"

namespace rv::standin::net {

bool parse_chat_url(const std::string& url, Endpoint& out, std::string& error) {
    out = {};
    std::string rest;
    if (url.rfind("irc://", 0) == 0) {
        rest = url.substr(6);
    } else if (url.rfind("ircs://", 0) == 0) {
        rest = url.substr(7);
        out.tls = true;
        out.port = 6697;
    } else {
        error = "the chat address must begin with irc:// or ircs://";
        return false;
    }
    std::size_t slash = rest.find('/');
    std::string authority = rest.substr(0, slash);
    std::string path = slash == std::string::npos ? "" : rest.substr(slash + 1);
    std::string port;
    bool has_port = false;
    if (!authority.empty() && authority[0] == '[') {  // [IPv6]:port
        std::size_t close = authority.find(']');
        if (close == std::string::npos) {
            error = "the chat address has an unclosed '['";
            return false;
        }
        out.host = authority.substr(1, close - 1);
        if (close + 1 < authority.size()) {
            if (authority[close + 1] != ':') {
                error = "the chat address has text after ']'";
                return false;
            }
            port = authority.substr(close + 2);
            has_port = true;
        }
    } else {
        std::size_t colon = authority.find(':');
        out.host = authority.substr(0, colon);
        if (colon != std::string::npos) {
            port = authority.substr(colon + 1);
            has_port = true;
        }
    }
    if (out.host.empty()) {
        error = "the chat address has no host";
        return false;
    }
    if (has_port) {
        bool digits = !port.empty() && port.size() <= 5;
        for (char c : port) digits = digits && std::isdigit(static_cast<unsigned char>(c));
        int value = digits ? std::stoi(port) : 0;
        if (value < 1 || value > 65535) {
            error = "the chat address has a bad port: " + port;
            return false;
        }
        out.port = value;
    }
    if (!path.empty() && path[0] != '#' && path[0] != '&') path = "#" + path;
    for (char c : path)
        if (c == ' ' || c == ',' || static_cast<unsigned char>(c) < 0x20) {
            error = "the channel name holds a character a channel cannot have";
            return false;
        }
    out.channel = path;
    return true;
}

}  // namespace rv::standin::net
