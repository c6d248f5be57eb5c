#include "standin/net/irc_link.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <iostream>

#include "platform/text/case.h"
#include "standin/net/html_to_irc.h"
#include "standin/net/irc_channel.h"
#include "standin/net/irc_text.h"
#include "standin/net/nick.h"

namespace rv::standin::net {

namespace {

// The longest prefix a server puts before a relayed line: ":nick!user@host ".
constexpr std::size_t kUserHostRoom = 1 + 1 + 10 + 1 + 63 + 1;
constexpr std::size_t kMaxLine = 510;  // 512 with CR LF
constexpr int kMaxNickAttempts = 50;
// Lines sent unpaced when leaving: the room's last words, not a backlog that would get the
// link thrown off for flooding before its QUIT.
constexpr std::size_t kLeavingLines = 10;

bool starts_with_me(const std::string& html) {
    if (html.size() < 4) return false;
    return text::ascii_lower(std::string_view(html).substr(0, 4)) == "/me ";
}

}  // namespace

IrcLink::IrcLink(EventLoop& loop, Transport& transport, RoomSink& sink, LinkSettings settings)
    : m_loop(loop),
      m_transport(transport),
      m_sink(sink),
      m_settings(settings),
      m_pacer(settings.pacing),
      m_backoff(settings.reconnect),
      m_retry(loop),
      m_pace(loop),
      m_leave(loop) {
    log = [](const std::string& line) { std::cerr << line << "\n"; };
    wall_clock = [] { return static_cast<std::int64_t>(std::time(nullptr)); };
    m_transport.on_open = [this] { opened(); };
    m_transport.on_data = [this](std::string_view bytes) { received(bytes); };
    m_transport.on_closed = [this](const std::string& reason) { closed(reason); };
}

IrcLink::~IrcLink() {
    m_transport.on_open = nullptr;
    m_transport.on_data = nullptr;
    m_transport.on_closed = nullptr;
    if (m_watchdog) m_loop.stop_timer(m_watchdog);
    m_transport.close();
}

void IrcLink::start(const Endpoint& server, const std::string& nick, const std::string& password,
                    const std::string& account) {
    m_server = server;
    m_password = password;
    m_account = account.empty() ? nick : account;
    m_reported_nick = nick;
    m_wanted_nick = nick_from_screen_name(nick);
    if (!server.channel.empty()) add_channel(server.channel);
    if (!m_watchdog)
        m_watchdog = m_loop.start_timer(m_settings.watchdog_ms, [this] { watchdog(); });
    m_backoff.reset();
    connect();
}

void IrcLink::stop(const std::string& reason) {
    if (m_state == State::Offline) return;
    if (m_state == State::Registering || m_state == State::Online)
        send_now(irc_line("QUIT", {reason}));
    finish_leaving();
}

void IrcLink::leave(const std::string& reason, int limit_ms) {
    if (m_state != State::Registering && m_state != State::Online) {
        finish_leaving();
        return;
    }
    if (m_state == State::Online) {
        // Lines for a channel refused or left would only meet an error.
        std::erase_if(m_queue, [this](const Outgoing& o) {
            const Channel* ch = o.channel.empty() ? nullptr : find(o.channel);
            return ch && !ch->joined && !ch->join_pending;
        });
        if (m_queue.size() > kLeavingLines) {
            log("ravelin: chat: leaving with " + std::to_string(m_queue.size()) +
                " lines waiting; only the last " + std::to_string(kLeavingLines) + " are sent");
            m_queue.erase(m_queue.begin(), m_queue.end() - kLeavingLines);
        }
        for (const Outgoing& o : m_queue) send_now(irc_line(o.command, o.params));
    }
    m_queue.clear();
    send_now(irc_line("QUIT", {reason}));
    m_state = State::Leaving;
    m_retry.stop();
    m_pace.stop();
    m_leave.start(limit_ms, [this] { finish_leaving(); });
}

void IrcLink::finish_leaving() {
    m_transport.close();
    m_state = State::Offline;
    m_retry.stop();
    m_pace.stop();
    m_leave.stop();
    if (m_watchdog) m_loop.stop_timer(m_watchdog);
    m_watchdog = 0;
    for (auto& ch : m_channels) ch->joined = ch->join_pending = false;
}

void IrcLink::connect() {
    m_state = State::Connecting;
    m_reader.reset();
    m_pacer.reset();
    m_nick_attempt = 0;
    m_nick_max = 30;
    // Each sign-on asks for the nick the user wants, whatever the last one ended with.
    m_base_nick = m_wanted_nick;
    m_nick = nick_attempt(m_base_nick, 0, m_nick_max);
    m_wanted_refusal.clear();
    m_monitor_offered = m_watching = m_monitoring = m_taking_back = false;
    m_answered.clear();
    m_since = m_last_heard = m_loop.now();
    m_ping_sent = -1;
    m_transport.open(m_server);
}

void IrcLink::opened() {
    if (m_state != State::Connecting) return;
    m_state = State::Registering;
    m_last_heard = m_loop.now();
    // Extensions first: a server that knows them holds the sign-on until CAP END; one that
    // does not answers with an error and signs on as before.
    m_cap_offer.clear();
    m_caps.clear();
    m_caps_open = true;
    m_sasl_mechanism.clear();
    send_now("CAP LS 302");
    if (!m_password.empty()) send_now(irc_line("PASS", {m_password}));
    send_now(irc_line("NICK", {m_nick}));
    std::string user;
    for (char c : m_base_nick)
        if (std::isalnum(static_cast<unsigned char>(c)) && user.size() < 10)
            user += text::ascii_lower(c);
    send_now(irc_line("USER", {user.empty() ? "guest" : user, "0", "*", m_reported_nick}));
}

void IrcLink::closed(const std::string& reason) {
    if (m_state == State::Leaving) {
        finish_leaving();  // the server's answer to our QUIT
        return;
    }
    if (m_state == State::Offline || m_state == State::Waiting) return;
    const bool was_online = m_state == State::Online;
    if (was_online && (m_loop.now() - m_since) * 1000 >= m_backoff.settings().stable_ms)
        m_backoff.reset();
    m_state = State::Waiting;
    m_pace.stop();
    const int pause_ms = m_backoff.next_ms();
    char pause[32];
    std::snprintf(pause, sizeof pause, "%.0f", std::ceil(pause_ms / 1000.0));
    for (auto& ch : m_channels) {
        ch->joined = ch->join_pending = ch->names_open = false;
        ch->members.clear();
        if (was_online) m_sink.people_reset(ch->name, {});
        m_sink.system_line(ch->name, "Disconnected from " + m_server.host + " (" + reason +
                                         "); trying again in " + pause + " s.");
    }
    m_retry.start(pause_ms, [this] { connect(); });
}

void IrcLink::drop(const std::string& reason) {
    m_transport.close();
    closed(reason);
}

void IrcLink::received(std::string_view bytes) {
    m_last_heard = m_loop.now();
    m_ping_sent = -1;
    m_reader.feed(bytes, [this](std::string_view line) { dispatch(line); });
}

void IrcLink::watchdog() {
    const double now = m_loop.now();
    if ((m_state == State::Connecting || m_state == State::Registering) &&
        now - m_since >= m_settings.register_timeout_s) {
        drop("no sign-on within " + std::to_string(m_settings.register_timeout_s) + " s");
    } else if (m_state == State::Online && m_ping_sent < 0 &&
               now - m_last_heard >= m_settings.idle_ping_s) {
        send_now(irc_line("PING", {"ravelin"}));
        m_ping_sent = now;
    } else if (m_state == State::Online && m_ping_sent >= 0 &&
               now - m_ping_sent >= m_settings.ping_timeout_s) {
        drop("no answer to PING");
    } else if (m_state == State::Online) {
        check_joins();
        poll_wanted_nick();
    }
}

void IrcLink::send_now(const std::string& line) {
    m_transport.send(line + "\r\n");
}

void IrcLink::registered(const IrcMessage& m) {
    if (m_state != State::Registering) return;
    m_state = State::Online;
    m_caps_open = false;  // a server may sign us on without waiting for CAP END
    m_since = m_loop.now();
    m_dropping_logged = false;
    if (!m.params.empty() && plausible_nick(m.params[0])) m_nick = m.params[0];
    if (m_nick != m_reported_nick) {
        m_reported_nick = m_nick;
        m_sink.own_nick_changed(m_nick);
    }
    nick_settled();
    join_all();
    flush();
}

void IrcLink::next_nick(bool refused) {
    // A refused nick is most often too long for this server: the classic limit is 9.
    if (refused && m_nick_max > 9) {
        m_nick_max = 9;
    } else if (refused && m_base_nick != "Guest") {
        m_base_nick = "Guest";
        m_nick_attempt = 0;
    } else {
        ++m_nick_attempt;
    }
    if (m_nick_attempt > kMaxNickAttempts) {
        drop("no free nick");
        return;
    }
    m_nick = nick_attempt(m_base_nick, m_nick_attempt, m_nick_max);
    send_now(irc_line("NICK", {m_nick}));
}

void IrcLink::say(const std::string& channel, const std::string& html) {
    Channel* asked = find(channel);
    if (!asked) {
        join(channel);
        asked = find(channel);
        if (!asked) return;
    }
    // A room the server sent on speaks in the channel it was sent to.
    Channel* ch = asked->forwarded_to.empty() ? asked : find(asked->forwarded_to);
    if (!ch) ch = asked;
    if (m_state == State::Online && !ch->joined && !ch->join_pending) {
        m_sink.system_line(asked->name, "Not sent: you are not in " + ch->name + ".");
        return;
    }
    queue_text(ch->folded, ch->name, html);
    flush();
}

void IrcLink::message(const std::string& target, const std::string& html) {
    // The target is one word of the line: a blank would send the text to somebody else,
    // CR or LF would end the line there.
    if (target.empty() ||
        target.find_first_of(std::string_view(" \r\n\0", 4)) != std::string::npos) {
        log("ravelin: chat: a message not sent: its target is no nick or channel");
        return;
    }
    const Channel* ch = is_channel_name(target) ? find(target) : nullptr;
    queue_text(ch ? ch->folded : std::string(), target, html);
    flush();
}

void IrcLink::queue_text(const std::string& key, const std::string& target,
                         const std::string& html) {
    const bool action = starts_with_me(html);
    std::string text = html_to_irc(action ? std::string_view(html).substr(4) : html);
    std::size_t room = text_room(target) - (action ? 9 : 0);
    for (const std::string& piece : split_irc_text(text, room)) {
        std::string body = action ? "\x01"
                                    "ACTION " +
                                        piece + "\x01"
                                  : piece;
        enqueue({key, "PRIVMSG", {target, body}});
    }
}

void IrcLink::change_nick(const std::string& nick) {
    if (!plausible_nick(nick)) return;
    m_wanted_nick = nick;
    m_taking_back = false;
    if (m_state == State::Online || m_state == State::Registering) {
        send_now(irc_line("NICK", {nick}));
        return;
    }
    m_base_nick = m_nick = nick;
}

void IrcLink::topic(const std::string& channel, const std::string& html) {
    if (html.empty())
        enqueue({"", "TOPIC", {channel}});
    else
        enqueue({"", "TOPIC", {channel, html_to_irc(html)}});
    flush();
}

void IrcLink::send_raw(const std::string& line) {
    std::string raw = line.substr(0, kMaxLine);
    for (char& c : raw)
        if (c == '\r' || c == '\n' || c == '\0') c = ' ';
    enqueue({"", raw, {}});
    flush();
}

std::size_t IrcLink::text_room(const std::string& target) const {
    std::size_t used =
        std::string("PRIVMSG  :").size() + target.size() + m_nick.size() + kUserHostRoom;
    return used + 64 < kMaxLine ? kMaxLine - used : 64;
}

void IrcLink::enqueue(Outgoing line) {
    // Bounded online too: a server that holds every line back must not grow the queue.
    while (m_settings.queue_limit > 0 && m_queue.size() >= m_settings.queue_limit) {
        m_queue.pop_front();
        if (!m_dropping_logged)
            log("ravelin: chat: more than " + std::to_string(m_settings.queue_limit) +
                " lines waiting to be sent; the oldest are dropped");
        m_dropping_logged = true;
    }
    m_queue.push_back(std::move(line));
}

void IrcLink::flush() {
    if (m_flushing) return;  // a send that answers at once re-enters here
    m_flushing = true;
    while (m_state == State::Online) {
        // A line waits for its channel's join, or the server would refuse it; the lines of
        // other channels go on in their order.
        auto next = std::find_if(m_queue.begin(), m_queue.end(), [this](const Outgoing& o) {
            const Channel* ch = o.channel.empty() ? nullptr : find(o.channel);
            return !ch || !ch->join_pending;
        });
        if (next == m_queue.end()) break;
        const double now = m_loop.now();
        if (!m_pacer.may_send(now)) {
            double wait_s = m_pacer.next_allowed(now) - now;
            m_pace.start(static_cast<int>(std::ceil(wait_s * 1000)), [this] { flush(); });
            break;
        }
        std::string line = irc_line(next->command, next->params);
        m_queue.erase(next);
        m_pacer.sent(now);
        send_now(line);
    }
    if (m_queue.empty()) m_dropping_logged = false;
    m_flushing = false;
}

bool IrcLink::joined(const std::string& channel) const {
    const Channel* ch = find(channel);
    return ch && ch->joined;
}

std::vector<std::string> IrcLink::channels() const {
    std::vector<std::string> out;
    for (const auto& ch : m_channels) out.push_back(ch->name);
    return out;
}

std::size_t IrcLink::members(const std::string& channel) const {
    const Channel* ch = find(channel);
    return ch ? ch->members.size() : 0;
}

IrcLink::Channel* IrcLink::find(const std::string& channel) {
    std::string folded = irc_fold(channel);
    for (auto& ch : m_channels)
        if (ch->folded == folded) return ch.get();
    return nullptr;
}

const IrcLink::Channel* IrcLink::find(const std::string& channel) const {
    return const_cast<IrcLink*>(this)->find(channel);
}

IrcLink::Channel& IrcLink::add_channel(const std::string& channel) {
    if (Channel* ch = find(channel)) return *ch;
    auto ch = std::make_unique<Channel>();
    ch->name = channel;
    ch->folded = irc_fold(channel);
    m_channels.push_back(std::move(ch));
    return *m_channels.back();
}

}  // namespace rv::standin::net
