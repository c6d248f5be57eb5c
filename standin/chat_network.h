#pragma once
// The stand-in client on a real chat network: each room named as a channel ("#music") is
// that IRC channel. What the channel says arrives as the lines of other chatters; joins,
// quits and the like as system lines; what the user (or the program, through the input box)
// sends in the room goes to the channel. Without start() the client stays offline.
#include <memory>
#include <string>

#include "platform/loop/event_loop.h"
#include "platform/loop/subscription.h"
#include "standin/client.h"
#include "standin/net/irc_link.h"
#include "standin/net/room_sink.h"

namespace rv::standin {

class ChatNetwork final : public net::RoomSink {
  public:
    // Conversations the network opens at most; private lines from others beyond them are
    // said in the room in front.
    static constexpr std::size_t kMaxConversations = 20;

    ChatNetwork(Client& client, EventLoop& loop, net::Transport& transport,
                net::LinkSettings settings = {});
    ~ChatNetwork() override;
    ChatNetwork(const ChatNetwork&) = delete;
    ChatNetwork& operator=(const ChatNetwork&) = delete;

    // Signs on as the client's screen name; the endpoint's channel becomes a room (the room
    // of that name when one is open, else a new one on top).
    void start(const net::Endpoint& server, const std::string& password,
               const std::string& account = {});
    // Another channel as a new room (or the open room of that name), joined on the network.
    Room* join(const std::string& channel, const std::string& key = {});
    // A line typed into a room or a conversation: true when it was a command to the network
    // ("/msg NICK TEXT", "/query NICK", "/join", "/part", "/nick", "/topic", "/quit",
    // "/quote"; any other "/word" is refused with a system line), which is then carried out
    // and never said where it was typed. "/me" and plain lines are the window's own (false);
    // so is everything while the client is offline. A message to a nick goes into the
    // conversation with them, opened when it is not.
    bool command(Window& where, const std::string& line);
    // Leaves the network as a person does, for the program's end: the rooms' last lines and
    // QUIT go out, and the connection closes once the server answers or `limit_s` has
    // passed. Runs events meanwhile.
    void leave(double limit_s = 2.0);
    bool started() const { return m_started; }
    // One line for the client's status bar.
    std::string status() const;
    net::IrcLink& link() { return *m_link; }

    // RoomSink
    void chat_line(const std::string& channel, const std::string& nick,
                   const std::string& html) override;
    void system_line(const std::string& channel, const std::string& text) override;
    void people_reset(const std::string& channel, const std::vector<std::string>& nicks) override;
    void person_joined(const std::string& channel, const std::string& nick) override;
    void person_left(const std::string& channel, const std::string& nick) override;
    void person_renamed(const std::string& channel, const std::string& from,
                        const std::string& to) override;
    void channel_opened(const std::string& channel, const std::string& from) override;
    void own_nick_changed(const std::string& nick) override;
    bool private_line(const std::string& nick, const std::string& html) override;

  private:
    // The open room of a channel; "" is the room in front.
    Room* room_for(const std::string& channel);
    void user_line(const Room& room, const ChatLine& line);
    void user_im_line(const ImWindow& im, const ChatLine& line);
    void tell(Window& where, const std::string& text);
    // One line for stderr, through the link's log.
    void log(const std::string& line);
    void message(Window& where, const std::string& target, const std::string& text);

    Client& m_client;
    EventLoop& m_loop;
    std::unique_ptr<net::IrcLink> m_link;
    net::Endpoint m_server;
    bool m_started = false;
    bool m_delivering = false;       // a line from the network is being put into a room
    std::size_t m_ims_off_told = 0;  // the spell of "off" already told, plus one; 0: none
    double m_impostor_told = -1;     // when a private line under the user's name was told
    Subscription m_lines;            // ends with the network, before the link
    Subscription m_im_lines;
};

}  // namespace rv::standin
