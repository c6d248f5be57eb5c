#pragma once
// What a person types into a room on a network: "/word ..." is a command to the network, as
// in every IRC client, never a line for the room. Reading it is plain text work; the client
// carries it out.
#include <string>
#include <string_view>

namespace rv::standin::net {

struct TypedCommand {
    enum class Kind {
        Text,     // not a command: a line for the room ("/ x", "//x" and "/1" are text too)
        Me,       // "/me TEXT": a line for the room, sent as an action
        Message,  // "/msg" TARGET TEXT, or "/query" TARGET [TEXT]
        Join,     // target: the channel ("#" added when missing); text: its key
        Part,     // target: a channel, or empty for the room's own; text: a reason
        Nick,     // target: the nick asked for
        Topic,    // target: a channel, or empty for the room's; text: the new topic, if any
        Quit,     // text: a reason
        Quote,    // text: a raw protocol line
        Refused,  // not to be sent: `text` says why (how to use it, or no such command)
    };
    Kind kind = Kind::Text;
    std::string word;  // the command as typed, lower case, without '/'
    std::string target;
    std::string text;
};

TypedCommand parse_typed_command(std::string_view line);

}  // namespace rv::standin::net
