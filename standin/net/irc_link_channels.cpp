// Joining and leaving channels: every join ends, in the channel, in the one the server sends
// the room on to, or in a line that says why not; nothing waits for a join for ever.
#include <string>

#include "platform/text/visible_name.h"
#include "standin/net/irc_channel.h"
#include "standin/net/irc_link.h"
#include "standin/net/irc_text.h"

namespace rv::standin::net {

namespace {

constexpr std::size_t kMaxChannelName = 200;

bool usable_channel(std::string_view name) {
    return is_channel_name(name) && name.size() <= kMaxChannelName &&
           name.find_first_of(" ,\a") == std::string_view::npos;
}

std::string plain(const std::string& irc_text) {
    return strip_irc_codes(repair_utf8(irc_text));
}

// Errors that name a channel without being an answer to joining it.
bool about_something_else(const std::string& numeric) {
    static const char* const kOthers[] = {"404", "441", "442", "443", "467", "472", "478", "482"};
    for (const char* other : kOthers)
        if (numeric == other) return true;
    return false;
}

}  // namespace

void IrcLink::join(const std::string& channel, const std::string& key) {
    if (!usable_channel(channel)) return;
    Channel& ch = add_channel(channel);
    ch.forwarded_to.clear();  // asked for by name again: the room wants this channel itself
    if (!key.empty()) ch.key = key;
    if (m_state == State::Online && !ch.joined && !ch.join_pending) send_join(ch);
}

void IrcLink::send_join(Channel& ch) {
    ch.join_pending = true;
    ch.join_sent = m_loop.now();
    send_now(ch.key.empty() ? irc_line("JOIN", {ch.name}) : irc_line("JOIN", {ch.name, ch.key}));
}

void IrcLink::join_all() {
    std::string list;
    auto send_list = [&] {
        if (!list.empty()) send_now(irc_line("JOIN", {list}));
        list.clear();
    };
    for (auto& ch : m_channels) {
        // A room the server sent on is in the channel it was sent to, which is in the list.
        if (ch->joined || !ch->forwarded_to.empty()) continue;
        if (!ch->key.empty()) {
            send_join(*ch);
            continue;
        }
        ch->join_pending = true;
        ch->join_sent = m_loop.now();
        if (list.size() + ch->name.size() > 400) send_list();
        list += (list.empty() ? "" : ",") + ch->name;
    }
    send_list();
}

void IrcLink::part(const std::string& channel, const std::string& reason) {
    for (auto it = m_channels.begin(); it != m_channels.end(); ++it) {
        if ((*it)->folded != irc_fold(channel)) continue;
        if (m_state == State::Online && ((*it)->joined || (*it)->join_pending))
            send_now(reason.empty() ? irc_line("PART", {(*it)->name})
                                    : irc_line("PART", {(*it)->name, reason}));
        std::string folded = (*it)->folded;
        m_channels.erase(it);
        drop_lines(folded);
        return;
    }
}

void IrcLink::join_failed(Channel& ch, const std::string& why) {
    ch.join_pending = false;
    // What waited for the channel would only meet another refusal, or land where nobody
    // in the room can answer: it is not sent, and the room is told.
    const std::size_t dropped = drop_lines(ch.folded);
    std::string text = "Cannot join " + ch.name + ": " + why;
    if (dropped > 0)
        text += " (" + std::to_string(dropped) + (dropped == 1 ? " line" : " lines") + " not sent)";
    m_sink.system_line(ch.name, text);
    flush();
}

void IrcLink::follow_forward(Channel& from, const std::string& to, const std::string& why) {
    Channel* target = find(to);
    std::string refusal;
    if (!usable_channel(to))
        refusal = "it sends you to " + plain(to) + ", which is not a channel name";
    else if (irc_equal(to, from.name) || (target && !target->forwarded_to.empty()))
        refusal = "it sends you to " + to + ", which sends you back";
    if (!refusal.empty()) {
        join_failed(from, why + "; " + refusal);
        return;
    }
    Channel& ch = target ? *target : add_channel(to);
    forwarded(from, ch);
    // Servers join the user to the new channel themselves; a JOIN of ours is the same
    // request again where they do not, and is ignored where they already have.
    if (!ch.joined && !ch.join_pending) send_join(ch);
    flush();
}

void IrcLink::forwarded(Channel& from, Channel& to) {
    from.join_pending = false;
    from.joined = false;
    from.forwarded_to = to.name;
    for (Outgoing& o : m_queue) {
        if (o.channel != from.folded) continue;
        o.channel = to.folded;
        if (!o.params.empty()) o.params[0] = to.name;
    }
    m_sink.system_line(from.name, from.name + " sends you to " + to.name);
    m_sink.channel_opened(to.name, from.name);
}

IrcLink::Channel* IrcLink::first_pending() {
    Channel* first = nullptr;
    for (auto& ch : m_channels)
        if (ch->join_pending && (!first || ch->join_sent < first->join_sent)) first = ch.get();
    return first;
}

void IrcLink::check_joins() {
    const double now = m_loop.now();
    std::vector<std::string> late;
    for (auto& ch : m_channels)
        if (ch->join_pending && now - ch->join_sent >= m_settings.join_timeout_s)
            late.push_back(ch->folded);
    for (const std::string& folded : late)
        if (Channel* ch = find(folded); ch && ch->join_pending)
            join_failed(*ch, "no answer from the server within " +
                                 std::to_string(m_settings.join_timeout_s) + " s");
}

std::size_t IrcLink::drop_lines(const std::string& folded) {
    return std::erase_if(m_queue, [&](const Outgoing& o) { return o.channel == folded; });
}

void IrcLink::on_failure(const IrcMessage& m) {
    if (m.params.size() < 2) return;
    const std::string text = plain(m.params.back());
    if (m.params.size() >= 3 && is_channel_name(m.params[1])) {
        Channel* ch = find(m.params[1]);
        if (ch && ch->join_pending && !about_something_else(m.command)) {
            if (m.command == "470" && m.params.size() >= 4)
                follow_forward(*ch, m.params[2], text);
            else
                join_failed(*ch, text);
            return;
        }
        m_sink.system_line(ch ? ch->name : "", plain(m.params[1]) + ": " + text);
        return;
    }
    // Other errors answer what the user typed (a message to nobody, an unknown command);
    // before signing on they are the server's sign-on chatter ("no MOTD").
    if (m_state != State::Online || m.command == "422") return;
    std::string subject;
    for (std::size_t i = 1; i + 1 < m.params.size(); ++i)
        subject += (subject.empty() ? "" : " ") + text::visible_name(plain(m.params[i]));
    m_sink.system_line("", subject.empty() ? text : subject + ": " + text);
}

}  // namespace rv::standin::net
