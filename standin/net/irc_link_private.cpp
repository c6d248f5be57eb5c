// Lines to the user alone: private messages for the conversation with their sender, and the
// client-to-client requests (CTCP) that IRC clients answer by themselves. Answers are kept
// few: one a second for each nick, and only a handful waiting at once, so that nobody can
// make the link flood itself off the server or push the room's own lines out of the queue.
#include <algorithm>
#include <ctime>

#include "platform/text/case.h"
#include "platform/text/visible_name.h"
#include "standin/net/irc_channel.h"
#include "standin/net/irc_link.h"
#include "standin/net/irc_text.h"
#include "standin/net/nick.h"

namespace rv::standin::net {

namespace {

constexpr double kAnswerGap_s = 1.0;        // per nick
constexpr std::size_t kAnswersWaiting = 4;  // in the queue at once
constexpr std::size_t kNicksRemembered = 64;
constexpr std::size_t kShownRequest = 200;  // bytes of a request that is only shown
constexpr std::size_t kPingEcho = 100;

std::string plain(const std::string& irc_text) {
    return strip_irc_codes(repair_utf8(irc_text));
}

// At most `limit` bytes, cut between characters.
std::string cut(std::string s, std::size_t limit) {
    if (s.size() <= limit) return s;
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80) --end;
    s.resize(end);
    return s + "...";
}

// "Sun, 06 Dec 2026 22:54:09 +0000": the same in every locale.
std::string time_text(std::int64_t seconds) {
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    if (!gmtime_r(&t, &tm)) return "unknown";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s, %02d %s %04d %02d:%02d:%02d +0000", kDays[tm.tm_wday % 7],
                  tm.tm_mday, kMonths[tm.tm_mon % 12], tm.tm_year + 1900, tm.tm_hour, tm.tm_min,
                  tm.tm_sec);
    return buf;
}

}  // namespace

void IrcLink::on_private(const std::string& nick, const std::string& html) {
    if (!m_sink.private_line(nick, html))
        answer(nick, m_nick + " is not taking instant messages just now.");
}

void IrcLink::on_ctcp(const std::string& nick, const std::string& room, const std::string& body) {
    const std::size_t blank = body.find(' ');
    const std::string word = text::ascii_upper(body.substr(0, blank));
    const std::string arg = blank == std::string::npos ? "" : body.substr(blank + 1);
    std::string reply;
    if (word == "VERSION")
        reply = "VERSION Ravelin " RAVELIN_VERSION;
    else if (word == "PING")
        reply = arg.empty() ? "PING" : "PING " + cut(arg, kPingEcho);
    else if (word == "TIME")
        reply = "TIME " + time_text(wall_clock());
    else if (word == "CLIENTINFO")
        reply = "CLIENTINFO ACTION CLIENTINFO PING TIME VERSION";
    if (reply.empty()) {
        m_sink.system_line(room, text::visible_name(nick) + " sent CTCP " +
                                     cut(plain(body), kShownRequest) + " (not answered)");
        return;
    }
    answer(nick, std::string(1, kCtcp) + reply + kCtcp);
}

void IrcLink::answer(const std::string& nick, const std::string& text) {
    const double now = m_loop.now();
    const std::string key = irc_fold(nick);
    auto last = m_answered.find(key);
    if (last != m_answered.end() && now - last->second < kAnswerGap_s) return;
    if (m_answered.size() >= kNicksRemembered)
        std::erase_if(m_answered, [now](const auto& e) { return now - e.second >= kAnswerGap_s; });
    if (m_answered.size() >= kNicksRemembered) return;  // that many asking at once: a flood
    const auto waiting =
        std::count_if(m_queue.begin(), m_queue.end(), [](const Outgoing& o) { return o.answer; });
    if (static_cast<std::size_t>(waiting) >= kAnswersWaiting) return;
    m_answered[key] = now;
    Outgoing line{"", "NOTICE", {nick, text}};
    line.answer = true;
    enqueue(std::move(line));
    flush();
}

}  // namespace rv::standin::net
