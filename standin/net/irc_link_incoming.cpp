// What the server sends, turned into room events.
#include "platform/text/visible_name.h"
#include "standin/net/irc_channel.h"
#include "standin/net/irc_link.h"
#include "standin/net/irc_text.h"
#include "standin/net/nick.h"

namespace rv::standin::net {

namespace {

std::vector<std::string> split(const std::string& text, char sep) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(sep, start);
        if (end == std::string::npos) end = text.size();
        if (end > start) out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

std::string plain(const std::string& irc_text) {
    return strip_irc_codes(repair_utf8(irc_text));
}

std::string shown(const std::string& nick) {
    return text::visible_name(nick);
}

std::string with_reason(const std::string& text, const IrcMessage& m, std::size_t index) {
    if (m.params.size() <= index || m.params[index].empty()) return text;
    return text + " (" + plain(m.params[index]) + ")";
}

}  // namespace

const std::map<std::string, IrcLink::Handler>& IrcLink::handlers() {
    static const std::map<std::string, Handler> table = {
        {"PING", &IrcLink::on_ping},
        {"303", &IrcLink::on_ison},
        {"730", &IrcLink::on_monitor},
        {"731", &IrcLink::on_monitor},
        {"001", &IrcLink::on_welcome},
        {"005", &IrcLink::on_support},
        {"432", &IrcLink::on_nick_error},
        {"433", &IrcLink::on_nick_error},
        {"436", &IrcLink::on_nick_error},
        {"437", &IrcLink::on_nick_error},
        {"PRIVMSG", &IrcLink::on_privmsg},
        {"NOTICE", &IrcLink::on_notice},
        {"JOIN", &IrcLink::on_join},
        {"PART", &IrcLink::on_part},
        {"KICK", &IrcLink::on_kick},
        {"QUIT", &IrcLink::on_quit},
        {"NICK", &IrcLink::on_nick},
        {"353", &IrcLink::on_names},
        {"366", &IrcLink::on_names_end},
        {"332", &IrcLink::on_topic},
        {"TOPIC", &IrcLink::on_topic},
        {"ERROR", &IrcLink::on_error},
        {"CAP", &IrcLink::on_cap},
        {"AUTHENTICATE", &IrcLink::on_authenticate},
        {"902", &IrcLink::on_sasl_result},
        {"903", &IrcLink::on_sasl_result},
        {"904", &IrcLink::on_sasl_result},
        {"905", &IrcLink::on_sasl_result},
        {"906", &IrcLink::on_sasl_result},
        {"907", &IrcLink::on_sasl_result},
        {"464", &IrcLink::on_sign_on_refused},
        {"465", &IrcLink::on_sign_on_refused},
        {"FAIL", &IrcLink::on_fail},
    };
    return table;
}

void IrcLink::dispatch(std::string_view line) {
    IrcMessage m;
    if (!parse_irc_line(line, m)) return;  // not a message: nothing to act on
    auto it = handlers().find(m.command);
    if (it != handlers().end())
        (this->*it->second)(m);
    else if (m.command.size() == 3 && (m.command[0] == '4' || m.command[0] == '5'))
        on_failure(m);
}

void IrcLink::on_ping(const IrcMessage& m) {
    send_now(irc_line("PONG", {m.params.empty() ? std::string() : m.params[0]}));
}

void IrcLink::on_welcome(const IrcMessage& m) {
    registered(m);
}

void IrcLink::on_support(const IrcMessage& m) {
    for (const auto& token : m.params) {
        if (token == "MONITOR" || token.rfind("MONITOR=", 0) == 0) {
            m_monitor_offered = true;
            if (m_watching) watch_wanted_nick();
        }
        if (token.rfind("PREFIX=", 0) != 0) continue;
        std::size_t close = token.find(')');
        if (close != std::string::npos && token.size() - close <= 16)
            m_member_prefixes = token.substr(close + 1);
    }
}

void IrcLink::on_nick_error(const IrcMessage& m) {
    // 437 is also a channel that cannot be joined for now; and a nick asked for once signed
    // on is the user's to change: the refusal is said.
    if (m.params.size() >= 2 && is_channel_name(m.params[1]))
        on_failure(m);
    else
        nick_refused(m);
}

void IrcLink::on_privmsg(const IrcMessage& m) {
    if (m.params.size() < 2) return;
    const std::string nick = nick_of(m.prefix);
    if (!plausible_nick(nick) || is_me(nick)) return;  // our own lines are in the room already
    std::string target = m.params[0];
    while (target.size() > 1 && m_member_prefixes.find(target[0]) != std::string::npos)
        target.erase(0, 1);  // "@#music": a line for the channel's operators
    const bool to_channel = is_channel_name(target);
    Channel* ch = to_channel ? find(target) : nullptr;
    if (to_channel && !ch) return;
    const std::string room = ch ? ch->name : "";
    std::string text = repair_utf8(m.params[1]);
    std::string html;
    if (!text.empty() && text[0] == kCtcp) {
        std::string body = text.substr(1, text.find(kCtcp, 1) - 1);
        if (body != "ACTION" && body.rfind("ACTION ", 0) != 0) {
            on_ctcp(nick, room, body);
            return;
        }
        html = "* " + irc_to_html(shown(nick)) + " " +
               irc_to_html(body.size() > 7 ? body.substr(7) : "");
    } else {
        html = irc_to_html(text);
    }
    if (ch)
        m_sink.chat_line(ch->name, nick, html);
    else if (is_me(target))
        on_private(nick, html);
    else  // to a server mask: the network's word to everybody
        m_sink.system_line("", "*" + shown(nick) + "* " + plain(m.params[1]));
}

void IrcLink::on_notice(const IrcMessage& m) {
    // Only notices from people: the server's own are sign-on chatter.
    if (m.params.size() < 2 || m_state != State::Online || m.prefix.find('!') == std::string::npos)
        return;
    const std::string nick = nick_of(m.prefix);
    if (!plausible_nick(nick)) return;
    const std::string& body = m.params[1];
    // A CTCP answer (never answered back: two clients would answer each other for ever).
    std::string text =
        !body.empty() && body[0] == kCtcp
            ? shown(nick) + " answers CTCP " + plain(body.substr(1, body.find(kCtcp, 1) - 1))
            : "-" + shown(nick) + "- " + plain(body);
    Channel* ch = find(m.params[0]);
    m_sink.system_line(ch ? ch->name : "", text);
}

void IrcLink::on_join(const IrcMessage& m) {
    if (m.params.empty()) return;
    const std::string nick = nick_of(m.prefix);
    if (!plausible_nick(nick)) return;
    for (const std::string& name : split(m.params[0], ',')) {
        if (is_me(nick)) {
            if (!is_channel_name(name) || name.size() > 200) continue;
            if (!find(name)) {
                // Not asked for: the server answers joins in order, so this is where it sent
                // the first room still waiting; or, with none waiting, its own doing.
                Channel* from = first_pending();
                Channel& to = add_channel(name);
                if (from)
                    forwarded(*from, to);
                else
                    m_sink.channel_opened(to.name, "");
            }
            Channel& ch = add_channel(name);
            ch.joined = true;
            ch.join_pending = false;
            ch.members.clear();
            m_sink.system_line(ch.name, "You are in " + name + " on " + m_server.host + ".");
            continue;
        }
        Channel* ch = find(name);
        if (!ch || !ch->joined) continue;
        if (ch->members.size() < m_settings.max_members &&
            ch->members.emplace(irc_fold(nick), nick).second)
            m_sink.person_joined(ch->name, nick);
        presence_line(*ch, shown(nick) + " has joined " + ch->name);
    }
    flush();
}

void IrcLink::on_part(const IrcMessage& m) {
    if (m.params.empty()) return;
    const std::string nick = nick_of(m.prefix);
    for (const std::string& name : split(m.params[0], ',')) {
        Channel* ch = find(name);
        if (!ch) continue;
        if (is_me(nick)) {
            ch->joined = false;
            ch->members.clear();
            m_sink.people_reset(ch->name, {});
            m_sink.system_line(ch->name, "You have left " + ch->name + ".");
        } else if (remove_member(*ch, nick)) {
            presence_line(*ch, with_reason(shown(nick) + " has left " + ch->name, m, 1));
        }
    }
}

void IrcLink::on_kick(const IrcMessage& m) {
    if (m.params.size() < 2) return;
    Channel* ch = find(m.params[0]);
    if (!ch) return;
    const std::string by = nick_of(m.prefix);
    const std::string& victim = m.params[1];
    if (is_me(victim)) {
        ch->joined = false;
        ch->members.clear();
        drop_lines(ch->folded);
        m_sink.people_reset(ch->name, {});
        m_sink.system_line(
            ch->name, with_reason("You were kicked from " + ch->name + " by " + shown(by), m, 2));
        flush();
    } else if (remove_member(*ch, victim)) {
        presence_line(*ch, with_reason(shown(victim) + " was kicked by " + shown(by), m, 2));
    }
}

void IrcLink::on_quit(const IrcMessage& m) {
    const std::string nick = nick_of(m.prefix);
    if (is_me(nick)) return;  // the connection ends; closing says so
    for (auto& ch : m_channels)
        if (remove_member(*ch, nick))
            presence_line(*ch, with_reason(shown(nick) + " has quit", m, 0));
    someone_left_nick(nick);
}

void IrcLink::on_nick(const IrcMessage& m) {
    if (m.params.empty() || !plausible_nick(m.params[0])) return;
    const std::string from = nick_of(m.prefix), to = m.params[0];
    const bool mine = is_me(from);
    if (mine) own_nick_set(from, to);
    for (auto& ch : m_channels) {
        auto it = ch->members.find(irc_fold(from));
        if (it == ch->members.end()) continue;
        ch->members.erase(it);
        ch->members.emplace(irc_fold(to), to);
        m_sink.person_renamed(ch->name, from, to);
        // The user's own change is told in every room at once, never held back.
        if (!mine) presence_line(*ch, shown(from) + " is now known as " + shown(to));
    }
    if (!mine) someone_left_nick(from);
}

void IrcLink::on_names(const IrcMessage& m) {
    if (m.params.size() < 4) return;
    Channel* ch = find(m.params[2]);
    if (!ch || !ch->joined) return;
    if (!ch->names_open) ch->names.clear();
    ch->names_open = true;
    for (const std::string& entry : split(m.params[3], ' ')) {
        std::string nick = strip_member_prefix(entry);
        if (plausible_nick(nick) && ch->names.size() < m_settings.max_members)
            ch->names.push_back(nick);
    }
}

void IrcLink::on_names_end(const IrcMessage& m) {
    if (m.params.size() < 2) return;
    Channel* ch = find(m.params[1]);
    if (!ch || !ch->names_open) return;
    ch->names_open = false;
    ch->members.clear();
    std::vector<std::string> people;
    for (auto& nick : ch->names)
        if (ch->members.emplace(irc_fold(nick), nick).second) people.push_back(nick);
    ch->names.clear();
    ch->names.shrink_to_fit();
    m_sink.people_reset(ch->name, people);
}

void IrcLink::on_topic(const IrcMessage& m) {
    const bool reply = m.command == "332";
    if (m.params.size() < (reply ? 3u : 2u)) return;
    Channel* ch = find(m.params[reply ? 1 : 0]);
    if (!ch) return;
    const std::string& topic = m.params[reply ? 2 : 1];
    m_sink.system_line(ch->name,
                       reply ? "Topic: " + plain(topic)
                             : shown(nick_of(m.prefix)) + " set the topic: " + plain(topic));
}

void IrcLink::on_error(const IrcMessage& m) {
    if (m_state == State::Leaving) {
        finish_leaving();  // the server's goodbye: nothing for stderr
        return;
    }
    if (m_state == State::Offline) return;  // after a refusal said already
    // Before signing on, the server's last words are why it will not have us.
    if (m_state == State::Registering && !m.params.empty())
        tell_rooms(m_server.host + " says: " + plain(m.params[0]));
    log("ravelin: chat server: " + (m.params.empty() ? std::string("error") : plain(m.params[0])));
}

void IrcLink::presence_line(Channel& ch, const std::string& text) {
    const double now = m_loop.now();
    if (now - ch.window_start >= m_settings.notice_window_s) {
        if (ch.suppressed > 0)
            m_sink.system_line(ch.name, std::to_string(ch.suppressed) +
                                            " more joins, parts and quits were not shown.");
        ch.window_start = now;
        ch.window_count = 0;
        ch.suppressed = 0;
    }
    if (ch.window_count < m_settings.notices_per_window) {
        ++ch.window_count;
        m_sink.system_line(ch.name, text);
    } else {
        ++ch.suppressed;
    }
}

bool IrcLink::remove_member(Channel& ch, const std::string& nick) {
    if (ch.members.erase(irc_fold(nick)) == 0) return false;
    m_sink.person_left(ch.name, nick);
    return true;
}

std::string IrcLink::strip_member_prefix(const std::string& name) const {
    std::size_t k = 0;
    while (k < name.size() && m_member_prefixes.find(name[k]) != std::string::npos) ++k;
    return name.substr(k);
}

bool IrcLink::is_me(const std::string& nick) const {
    return irc_equal(nick, m_nick);
}

}  // namespace rv::standin::net
