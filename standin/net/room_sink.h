#pragma once
// Where the link delivers what happens in its channels: the client's rooms. A channel is
// named as the server names it ("#music"); an empty channel means the room in front.
#include <string>
#include <vector>

namespace rv::standin::net {

class RoomSink {
  public:
    virtual ~RoomSink() = default;
    // A chatter's line, as chat HTML.
    virtual void chat_line(const std::string& channel, const std::string& nick,
                           const std::string& html) = 0;
    // What the network says about the room (joins, quits, errors): plain text, not chat.
    virtual void system_line(const std::string& channel, const std::string& text) = 0;
    virtual void people_reset(const std::string& channel,
                              const std::vector<std::string>& nicks) = 0;
    virtual void person_joined(const std::string& channel, const std::string& nick) = 0;
    virtual void person_left(const std::string& channel, const std::string& nick) = 0;
    virtual void person_renamed(const std::string& channel, const std::string& from,
                                const std::string& to) = 0;
    // The link is in a channel that no room asked for: the server sent a room's channel
    // (`from`) on to it, or put the user there itself (`from` empty).
    virtual void channel_opened(const std::string& channel, const std::string& from) = 0;
    // The nick the network knows the user by, whenever it is not the one asked for.
    virtual void own_nick_changed(const std::string& nick) = 0;
    // A line sent to the user alone, as chat HTML: the conversation with `nick`. False when
    // the user does not take it (instant messages are off), which the sender is told.
    virtual bool private_line(const std::string& nick, const std::string& html) = 0;
};

}  // namespace rv::standin::net
