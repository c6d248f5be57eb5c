#include "standin/net/typed_command.h"

#include <cctype>

#include "platform/text/case.h"
#include "standin/net/irc_message.h"
#include "standin/net/nick.h"

namespace rv::standin::net {

namespace {

using Kind = TypedCommand::Kind;

bool blank(char c) {
    return c == ' ' || c == '\t';
}

// The next blank-separated word of `rest`, which loses it and the blanks after it.
std::string next_word(std::string_view& rest) {
    std::size_t end = 0;
    while (end < rest.size() && !blank(rest[end])) ++end;
    std::string word(rest.substr(0, end));
    while (end < rest.size() && blank(rest[end])) ++end;
    rest.remove_prefix(end);
    return word;
}

std::string trimmed(std::string_view s) {
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return std::string(s);
}

TypedCommand refused(std::string word, std::string why) {
    return {Kind::Refused, std::move(word), {}, std::move(why)};
}

TypedCommand usage(std::string word, const char* how) {
    return refused(word, "Not sent. Usage: /" + word + " " + how);
}

}  // namespace

TypedCommand parse_typed_command(std::string_view line) {
    if (line.size() < 2 || line[0] != '/' || !std::isalpha(static_cast<unsigned char>(line[1])))
        return {};
    std::string_view rest = line.substr(1);
    const std::string word = text::ascii_lower(next_word(rest));
    if (word == "me") {
        if (trimmed(rest).empty()) return usage(word, "TEXT");
        return {Kind::Me, word, {}, {}};
    }
    if (word == "msg" || word == "query") {
        std::string target = next_word(rest);
        std::string text = trimmed(rest);
        // "/query NICK" alone opens the conversation; "/msg" has something to say.
        if (target.empty() || (text.empty() && word == "msg") ||
            (!is_channel_name(target) && !plausible_nick(target)))
            return usage(word, word == "msg" ? "NICK TEXT" : "NICK [TEXT]");
        return {Kind::Message, word, target, text};
    }
    if (word == "join" || word == "j") {
        std::string channel = next_word(rest);
        if (!channel.empty() && !is_channel_name(channel)) channel = "#" + channel;
        if (channel.size() < 2 || channel.find_first_of(",\a") != std::string::npos)
            return usage(word, "#CHANNEL [KEY]");
        return {Kind::Join, word, channel, next_word(rest)};
    }
    if (word == "part" || word == "topic") {
        std::string channel;
        if (!rest.empty() && is_channel_name(rest.substr(0, rest.find(' '))))
            channel = next_word(rest);
        return {word == "part" ? Kind::Part : Kind::Topic, word, channel, trimmed(rest)};
    }
    if (word == "nick") {
        std::string nick = next_word(rest);
        if (!plausible_nick(nick) || !trimmed(rest).empty()) return usage(word, "NEWNICK");
        return {Kind::Nick, word, nick, {}};
    }
    if (word == "quit") return {Kind::Quit, word, {}, trimmed(rest)};
    if (word == "quote" || word == "raw") {
        if (trimmed(rest).empty()) return usage(word, "LINE");
        return {Kind::Quote, word, {}, trimmed(rest)};
    }
    return refused(word, "Not sent: /" + word +
                             " is not a command here. Commands: /msg, /query, /join, /part, "
                             "/nick, /me, /topic, /quit, /quote.");
}

}  // namespace rv::standin::net
