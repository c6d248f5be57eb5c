#include "standin/chat_network.h"

#include <strings.h>

#include "platform/loop/bounded_wait.h"
#include "standin/chat_html.h"
#include "standin/net/html_to_irc.h"
#include "standin/net/irc_message.h"
#include "standin/net/nick.h"
#include "standin/net/typed_command.h"

namespace rv::standin {

ChatNetwork::ChatNetwork(Client& client, EventLoop& loop, net::Transport& transport,
                         net::LinkSettings settings)
    : m_client(client),
      m_loop(loop),
      m_link(std::make_unique<net::IrcLink>(loop, transport, *this, settings)) {
    m_client.attach_network(this);
    m_lines = m_client.on_line.subscribe(
        [this](const Room& room, const ChatLine& line) { user_line(room, line); });
    m_im_lines = m_client.on_im_line.subscribe(
        [this](const ImWindow& im, const ChatLine& line) { user_im_line(im, line); });
}

ChatNetwork::~ChatNetwork() {
    m_client.attach_network(nullptr);
    m_link->stop();
}

void ChatNetwork::start(const net::Endpoint& server, const std::string& password,
                        const std::string& account) {
    if (m_started) m_link->stop();
    m_server = server;
    m_started = true;
    if (!server.channel.empty() && !m_client.room_named(server.channel))
        m_client.open_room(server.channel);
    // Rooms opened before signing on that are named as channels join too.
    for (const auto& r : m_client.rooms())
        if (r->window() && net::is_channel_name(r->name())) m_link->join(r->name());
    m_link->start(server, m_client.screen_name(), password, account);
    if (m_client.on_changed) m_client.on_changed();
}

Room* ChatNetwork::join(const std::string& channel, const std::string& key) {
    std::string name = channel;
    if (!name.empty() && !net::is_channel_name(name)) name = "#" + name;
    if (!net::is_channel_name(name) || name.find_first_of(" ,\a") != std::string::npos)
        return nullptr;
    Room* room = m_client.room_named(name);
    if (!room)
        room = &m_client.open_room(name);
    else
        m_client.desktop().BringWindowToTop(room->window());
    if (m_started) m_link->join(name, key);
    return room;
}

bool ChatNetwork::command(Window& where, const std::string& line) {
    if (!m_started) return false;
    using K = net::TypedCommand::Kind;
    const net::TypedCommand c = net::parse_typed_command(line);
    // The commands that act on a channel act on the room's own when none is named.
    auto* in_room = dynamic_cast<Room*>(&where);
    const std::string channel = !c.target.empty() ? c.target : in_room ? in_room->name() : "";
    const bool on_channel = net::is_channel_name(channel);
    switch (c.kind) {
        case K::Text:
        case K::Me:
            return false;
        case K::Refused:
            tell(where, c.text);
            break;
        case K::Message:
            message(where, c.target, c.text);
            break;
        case K::Join:
            if (!join(c.target, c.text))
                tell(where, "Not sent: " + c.target + " is no channel name.");
            break;
        case K::Part:
            if (!on_channel) {
                tell(where, "Not sent. Usage: /part #CHANNEL [REASON]");
                break;
            }
            m_link->part(channel, net::html_to_irc(c.text));
            if (Room* parted = m_client.room_named(channel))
                tell(*parted, "You have left " + channel + ".");
            break;
        case K::Nick:
            m_link->change_nick(c.target);
            break;
        case K::Topic:
            if (on_channel)
                m_link->topic(channel, c.text);
            else
                tell(where, "Not sent. Usage: /topic [#CHANNEL] [TEXT]");
            break;
        case K::Quit:
            m_link->leave(c.text.empty() ? "Leaving" : net::html_to_irc(c.text));
            m_started = false;  // what is typed from now on stays here
            tell(where, "You have signed off from " + m_server.host + ".");
            if (m_client.on_changed) m_client.on_changed();
            break;
        case K::Quote:
            m_link->send_raw(c.text);
            break;
    }
    return true;
}

void ChatNetwork::message(Window& where, const std::string& target, const std::string& text) {
    if (net::is_channel_name(target)) {
        m_link->message(target, text);
        tell(where, "-> " + target + " " + text);
        return;
    }
    // A conversation with the nick: the line goes out from there as any line typed in it.
    auto* im = m_client.find<ImWindow>(m_client.open_im(target, target));
    if (!im) {
        tell(where, "Not sent: " + target + " is no nick.");
        return;
    }
    if (!text.empty()) im->add_line(m_client.screen_name(), text, true);
}

void ChatNetwork::log(const std::string& line) {
    if (m_link->log) m_link->log(line);
}

void ChatNetwork::tell(Window& where, const std::string& text) {
    m_delivering = true;
    if (auto* room = dynamic_cast<Room*>(&where))
        m_client.system_line(*room, text);
    else if (auto* im = dynamic_cast<ImWindow*>(&where))
        m_client.system_line(*im, text);
    m_delivering = false;
}

void ChatNetwork::leave(double limit_s) {
    if (!m_started) return;
    using S = net::IrcLink::State;
    m_link->leave("Leaving", static_cast<int>(limit_s * 1000));
    // The link closes by itself at the limit; the wait's own limit only guards against a
    // loop that no longer runs its timers.
    WaitFor(
        m_loop, [this] { return m_link->state() == S::Offline; }, {limit_s + 0.5, 0.05},
        WaitPumping::Pump);
    m_link->stop();
    m_started = false;
    if (m_client.on_changed) m_client.on_changed();
}

std::string ChatNetwork::status() const {
    if (!m_started) return "Offline";
    using S = net::IrcLink::State;
    switch (m_link->state()) {
        case S::Online:
            return "On " + m_server.host + " as " + m_link->nick();
        case S::Connecting:
        case S::Registering:
            return "Signing on to " + m_server.host + "...";
        case S::Waiting:
            return "Disconnected from " + m_server.host + ", trying again";
        case S::Leaving:
            return "Signing off from " + m_server.host + "...";
        case S::Offline:
            break;
    }
    return "Offline";
}

void ChatNetwork::user_line(const Room& room, const ChatLine& line) {
    // Only what the user typed here: not lines from the network, not system lines.
    if (!m_started || m_delivering || !line.from_user || !net::is_channel_name(room.name())) return;
    m_link->say(room.name(), line.html);
}

void ChatNetwork::user_im_line(const ImWindow& im, const ChatLine& line) {
    if (!m_started || m_delivering || !line.from_user) return;
    // Only a conversation opened by a nick the network gave, or one that could be a nick,
    // speaks there: a name shown with markers, or with a blank, would reach somebody else.
    const std::string& to = im.address();
    if (net::plausible_nick(to) && !net::is_channel_name(to)) {
        m_link->message(to, line.html);
        return;
    }
    if (auto* here = m_client.find<ImWindow>(im.window()))
        tell(*here, "Not sent: " + im.buddy() +
                        (net::is_channel_name(im.buddy()) ? " is a channel, not a nick."
                                                          : " is no nick on the network."));
}

bool ChatNetwork::private_line(const std::string& nick, const std::string& html) {
    // A crowd writing at once opens no more than so many windows; the rest is said in the
    // room in front, so nothing is lost.
    std::size_t open = 0;
    bool known = false;
    const std::string shown_as = Client::clean_name(nick);
    for (const auto& w : m_client.windows())
        if (auto* im = dynamic_cast<ImWindow*>(w.get()); im && im->is_open()) {
            ++open;
            known |= strcasecmp(im->buddy().c_str(), shown_as.c_str()) == 0;
        }
    if (!known && open >= kMaxConversations && m_client.ims_on() && m_client.name_allowed(nick)) {
        system_line("", "*" + shown_as + "* " + html_to_plain(html));
        return true;
    }
    m_delivering = true;
    const bool shown = m_client.im_from(nick, html, nick);
    m_delivering = false;
    if (shown) return shown;
    // Said once for each spell of instant messages being off, and at most once a second for
    // names that pass for the user's: a stranger's flood writes no flood of its own.
    if (!m_client.ims_on()) {
        if (m_ims_off_told == m_client.ims_off_spells() + 1) return false;
        m_ims_off_told = m_client.ims_off_spells() + 1;
        log("ravelin: private messages not shown: instant messages are off");
    } else {
        if (m_impostor_told >= 0 && m_loop.now() - m_impostor_told < 1.0) return false;
        m_impostor_told = m_loop.now();
        log("ravelin: a private message from " + shown_as +
            " not shown: that name passes for the user's");
    }
    return false;
}

Room* ChatNetwork::room_for(const std::string& channel) {
    if (channel.empty()) return m_client.top_room();
    return m_client.room_named(channel);
}

void ChatNetwork::chat_line(const std::string& channel, const std::string& nick,
                            const std::string& html) {
    Room* room = room_for(channel);
    if (!room) return;
    // A chatter on the network named as the user here would pass for the user: the client
    // refuses such a name, and the line goes to stderr rather than into the room.
    m_delivering = true;
    const bool said = m_client.say_as(*room, nick, html);
    m_delivering = false;
    if (!said)
        log("ravelin: a line from " + Client::clean_name(nick) + " on " + room->name() +
            " refused: that name passes for the user's");
}

void ChatNetwork::system_line(const std::string& channel, const std::string& text) {
    if (Room* room = room_for(channel)) {
        m_delivering = true;
        m_client.system_line(*room, text);
        m_delivering = false;
    }
}

void ChatNetwork::people_reset(const std::string& channel, const std::vector<std::string>& nicks) {
    if (Room* room = room_for(channel)) m_client.set_people(*room, nicks);
}

void ChatNetwork::person_joined(const std::string& channel, const std::string& nick) {
    if (Room* room = room_for(channel)) m_client.person_joined(*room, nick);
}

void ChatNetwork::person_left(const std::string& channel, const std::string& nick) {
    if (Room* room = room_for(channel)) m_client.person_left(*room, nick);
}

void ChatNetwork::person_renamed(const std::string& channel, const std::string& from,
                                 const std::string& to) {
    if (Room* room = room_for(channel)) {
        m_client.person_left(*room, from);
        m_client.person_joined(*room, to);
    }
}

void ChatNetwork::channel_opened(const std::string& channel, const std::string&) {
    // A room of its own, on top: where the user now is, the program's lines go too.
    if (Room* room = m_client.room_named(channel))
        m_client.desktop().BringWindowToTop(room->window());
    else
        m_client.open_room(channel);
}

void ChatNetwork::own_nick_changed(const std::string& nick) {
    m_client.set_screen_name(nick);
}

}  // namespace rv::standin
