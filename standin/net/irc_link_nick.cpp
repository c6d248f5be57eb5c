// The user's own nick: a nick the server will not give at sign-on is told with the one it
// gave instead, every change is told in the rooms, and a wanted nick that was taken is taken
// back once it frees. The server tells when it frees where it watches nicks for us
// (MONITOR); elsewhere its holder leaving a channel we share tells, and a rare ISON asks.
#include "platform/text/visible_name.h"
#include "standin/net/irc_channel.h"
#include "standin/net/irc_link.h"
#include "standin/net/irc_text.h"
#include "standin/net/nick.h"

namespace rv::standin::net {

namespace {

std::string shown(const std::string& nick) {
    return text::visible_name(nick);
}

std::vector<std::string> nicks_in(const std::string& list, char sep) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < list.size()) {
        std::size_t end = list.find(sep, start);
        if (end == std::string::npos) end = list.size();
        if (end > start) out.push_back(nick_of(list.substr(start, end - start)));
        start = end + 1;
    }
    return out;
}

}  // namespace

void IrcLink::nick_refused(const IrcMessage& m) {
    if (m_state == State::Registering) {
        if (m_wanted_refusal.empty() && irc_equal(m_nick, m_wanted_nick))
            m_wanted_refusal =
                m.command == "432" ? "is not allowed on " + m_server.host : "is taken";
        next_nick(m.command == "432");
        return;
    }
    if (m_taking_back) {
        m_taking_back = false;  // somebody was quicker: go on waiting, quietly
        return;
    }
    // The user asked for it: the refusal is said, and the nick the user has is kept.
    m_wanted_nick = m_nick;
    stop_watching();
    on_failure(m);
}

void IrcLink::nick_settled() {
    if (irc_equal(m_nick, m_wanted_nick)) return;
    const std::string why = m_wanted_refusal.empty() ? "is not free" : m_wanted_refusal;
    tell_rooms(shown(m_wanted_nick) + " " + why + ": you are " + shown(m_nick));
    // A nick that is not allowed here will not become so by waiting.
    if (m_wanted_refusal != "is taken") return;
    m_watching = true;
    m_nick_polled = m_loop.now();
    if (m_monitor_offered) watch_wanted_nick();
}

void IrcLink::own_nick_set(const std::string& from, const std::string& to) {
    m_nick = to;
    m_taking_back = false;
    if (m_nick != m_reported_nick) {
        m_reported_nick = m_nick;
        m_sink.own_nick_changed(m_nick);
    }
    if (irc_equal(to, m_wanted_nick)) stop_watching();
    if (from != to) tell_rooms("You are now known as " + shown(to));
}

void IrcLink::watch_wanted_nick() {
    if (m_monitoring || m_state != State::Online) return;
    m_monitoring = true;
    send_now(irc_line("MONITOR +", {m_wanted_nick}));
}

void IrcLink::stop_watching() {
    if (m_monitoring && m_state == State::Online) send_now("MONITOR C");
    m_watching = m_monitoring = false;
}

void IrcLink::take_back_nick() {
    if (!m_watching || m_taking_back || m_state != State::Online) return;
    m_taking_back = true;
    send_now(irc_line("NICK", {m_wanted_nick}));
}

void IrcLink::poll_wanted_nick() {
    if (!m_watching || m_monitoring || m_taking_back) return;
    const double now = m_loop.now();
    if (now - m_nick_polled < m_settings.nick_poll_s) return;
    m_nick_polled = now;
    send_now(irc_line("ISON", {m_wanted_nick}));
}

void IrcLink::on_monitor(const IrcMessage& m) {
    // 731: nicks that went offline ("DJ,DJ!u@h"); 730: online, nothing to do.
    if (m.command != "731" || m.params.size() < 2) return;
    for (const std::string& nick : nicks_in(m.params.back(), ','))
        if (irc_equal(nick, m_wanted_nick)) take_back_nick();
}

void IrcLink::on_ison(const IrcMessage& m) {
    if (!m_watching || m.params.size() < 2) return;
    for (const std::string& nick : nicks_in(m.params.back(), ' '))
        if (irc_equal(nick, m_wanted_nick)) return;  // still somebody's
    take_back_nick();
}

void IrcLink::someone_left_nick(const std::string& nick) {
    if (m_watching && irc_equal(nick, m_wanted_nick)) take_back_nick();
}

}  // namespace rv::standin::net
