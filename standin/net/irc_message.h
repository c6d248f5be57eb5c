#pragma once
// One line of the IRC protocol, read and written. Reading is tolerant (IRCv3 tags are
// accepted and set aside, extra blanks are skipped) but bounded: a line that does not have
// the shape of a message is refused as a whole rather than guessed at.
#include <string>
#include <string_view>
#include <vector>

namespace rv::standin::net {

struct IrcMessage {
    std::string tags;     // the raw IRCv3 tags, without '@'; the link reads none of them
    std::string prefix;   // "nick!user@host" or a server name, without ':'
    std::string command;  // upper case letters or three digits
    std::vector<std::string> params;  // the trailing parameter, if any, is the last
};

// False for a line that is not a message: empty, no command, a command of other characters,
// a NUL anywhere, or more parameters than any message carries.
bool parse_irc_line(std::string_view line, IrcMessage& out);

// "COMMAND a b :last". Line breaks and NULs in any parameter become blanks, so nothing a
// chatter or the program writes can start a second command; the last of several parameters
// is always written as trailing, a lone one only when it must be (empty, blanks, a ':').
std::string irc_line(std::string_view command, const std::vector<std::string>& params);

// The nick of a "nick!user@host" prefix (the whole prefix when it has neither '!' nor '@').
std::string nick_of(std::string_view prefix);

// Nicks and channels compare under the classic IRC case mapping: A-Z and []\~ fold to
// a-z and {}|^.
std::string irc_fold(std::string_view name);
bool irc_equal(std::string_view a, std::string_view b);
bool is_channel_name(std::string_view name);

}  // namespace rv::standin::net
