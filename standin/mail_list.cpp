#include "standin/mail_list.h"

#include <algorithm>
#include <iterator>

namespace rv::standin {

using namespace winapi;

namespace {
// Waits between arrivals, in 100 ms ticks, and the letters each brings: uneven, as a network is.
constexpr unsigned kWaits[] = {1, 3, 2, 1, 2, 3};
constexpr unsigned kBatches[] = {2, 3, 1, 3, 2};
}  // namespace

MailList::MailList(EventLoop& loop, std::function<void()> changed)
    : m_loop(loop), m_changed(std::move(changed)) {}

MailList::~MailList() {
    stop();
}

void MailList::stop() {
    if (m_timer) m_loop.stop_timer(m_timer);
    m_timer = 0;
}

void MailList::load(std::vector<Mail> mail) {
    stop();
    m_mail = std::move(mail);
    m_count = 0;
    m_selected = -1;
    m_started = true;
    m_ticks = 0;
    m_due = kWaits[0];
    if (!m_mail.empty()) m_timer = m_loop.start_timer(100, [this] { tick(); });
    m_changed();
}

void MailList::update(std::vector<Mail> mail) {
    m_mail = std::move(mail);
    if (m_count > m_mail.size()) m_count = m_mail.size();
    if (m_selected >= static_cast<int>(m_count)) m_selected = static_cast<int>(m_count) - 1;
    if (m_timer == 0 && m_count < m_mail.size() && m_started) m_count = m_mail.size();
    m_changed();
}

void MailList::tick() {
    if (++m_ticks < m_due) return;
    const unsigned arrival = m_ticks;
    m_count = std::min(m_mail.size(), m_count + kBatches[arrival % std::size(kBatches)]);
    m_due = m_ticks + kWaits[arrival % std::size(kWaits)];
    if (m_count >= m_mail.size()) stop();
    m_changed();
}

void MailList::select(int i) {
    m_selected = i >= 0 && i < static_cast<int>(m_count) ? i : -1;
    m_changed();
}

std::string MailList::entry_text(const Mail& m) {
    return m.date + "\t" + m.from + "\t" + m.subject;
}

std::optional<LRESULT> MailList::handle(UINT msg, WPARAM w, LPARAM l) {
    switch (msg) {
        case LB_GETCOUNT:
            return static_cast<LRESULT>(m_count);
        case LB_GETCURSEL:
            return m_selected;
        case LB_SETCURSEL:
            select(static_cast<int>(static_cast<LPARAM>(w)));
            return m_selected;
        case LB_GETTEXTLEN:
        case LB_GETTEXT: {
            if (w >= m_count) return -1;  // LB_ERR
            const std::string text = entry_text(m_mail[w]);
            if (msg == LB_GETTEXTLEN) return static_cast<LRESULT>(text.size());
            // The caller's buffer is as long as LB_GETTEXTLEN said, plus the terminating 0.
            char* buf = reinterpret_cast<char*>(l);
            if (!buf) return -1;
            text.copy(buf, text.size());
            buf[text.size()] = 0;
            return static_cast<LRESULT>(text.size());
        }
        default:
            return std::nullopt;
    }
}

}  // namespace rv::standin
