#include "standin/net/irc_message.h"

#include <cctype>

namespace rv::standin::net {

namespace {

// RFC 2812 allows 15 parameters; servers in the wild add a few more to numerics.
constexpr std::size_t kMaxParams = 32;

bool valid_command(std::string_view c) {
    if (c.empty()) return false;
    bool digits = c.size() == 3;
    bool letters = true;
    for (char ch : c) {
        digits = digits && std::isdigit(static_cast<unsigned char>(ch));
        letters = letters && std::isalpha(static_cast<unsigned char>(ch));
    }
    return digits || letters;
}

std::string_view next_word(std::string_view& rest) {
    std::size_t end = rest.find(' ');
    std::string_view word = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end);
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    return word;
}

std::string flattened(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (c == '\r' || c == '\n' || c == '\0') c = ' ';
    return out;
}

}  // namespace

bool parse_irc_line(std::string_view line, IrcMessage& out) {
    out = {};
    if (line.find('\0') != std::string_view::npos) return false;
    while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
    if (!line.empty() && line.front() == '@') {
        line.remove_prefix(1);
        out.tags = next_word(line);
    }
    if (!line.empty() && line.front() == ':') {
        line.remove_prefix(1);
        out.prefix = next_word(line);
    }
    std::string_view command = next_word(line);
    if (!valid_command(command)) return false;
    for (char c : command)
        out.command += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    while (!line.empty()) {
        if (out.params.size() == kMaxParams) return false;
        if (line.front() == ':') {
            out.params.emplace_back(line.substr(1));
            break;
        }
        out.params.emplace_back(next_word(line));
    }
    return true;
}

std::string irc_line(std::string_view command, const std::vector<std::string>& params) {
    std::string out(command);
    for (std::size_t i = 0; i < params.size(); ++i) {
        std::string p = flattened(params[i]);
        bool last = i + 1 == params.size();
        if (!last) {
            // A middle parameter cannot hold a blank; what a caller passes here is a target
            // or a keyword, so a blank would be a fault: it is cut there.
            p = p.substr(0, p.find(' '));
            if (p.empty() || p.front() == ':') continue;
            out += ' ' + p;
        } else if (params.size() > 1 || p.empty() || p.front() == ':' ||
                   p.find(' ') != std::string::npos) {
            out += " :" + p;
        } else {
            out += ' ' + p;
        }
    }
    return out;
}

std::string nick_of(std::string_view prefix) {
    std::size_t end = prefix.find_first_of("!@");
    return std::string(prefix.substr(0, end));
}

std::string irc_fold(std::string_view name) {
    std::string out(name);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        else if (c == '[')
            c = '{';
        else if (c == ']')
            c = '}';
        else if (c == '\\')
            c = '|';
        else if (c == '~')
            c = '^';
    }
    return out;
}

bool irc_equal(std::string_view a, std::string_view b) {
    return a.size() == b.size() && irc_fold(a) == irc_fold(b);
}

bool is_channel_name(std::string_view name) {
    return name.size() > 1 &&
           (name[0] == '#' || name[0] == '&' || name[0] == '+' || name[0] == '!');
}

}  // namespace rv::standin::net
