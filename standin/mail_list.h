#pragma once
// A mail list ("_AOL_Tree") of a mailbox window. Like the old client's, it fills over time,
// a few letters every 100 to 300 ms, so that whoever waits for it to settle really waits;
// LB_GETCOUNT answers how many have arrived so far.
#include <functional>
#include <vector>

#include "platform/loop/event_loop.h"
#include "standin/mail_store.h"
#include "standin/window.h"

namespace rv::standin {

class MailList {
  public:
    MailList(EventLoop& loop, std::function<void()> changed);
    ~MailList();
    MailList(const MailList&) = delete;
    MailList& operator=(const MailList&) = delete;

    HWND window() const { return m_window; }
    void set_window(HWND h) { m_window = h; }

    // Empties the list and fills it with `mail` over time.
    void load(std::vector<Mail> mail);
    // The box changed: what had arrived stays, the rest keeps coming.
    void update(std::vector<Mail> mail);
    bool loaded() const { return m_timer == 0 && m_started; }
    bool started() const { return m_started; }
    // The letters that have arrived.
    std::size_t count() const { return m_count; }
    const Mail& at(std::size_t i) const { return m_mail[i]; }
    // The selected letter, or -1.
    int selected() const { return m_selected; }
    void select(int i);
    // The text of entry i: "date<tab>from<tab>subject".
    static std::string entry_text(const Mail& m);

    // LB_GETCOUNT, LB_GETTEXT, LB_GETTEXTLEN, LB_GETCURSEL, LB_SETCURSEL; empty otherwise.
    std::optional<LRESULT> handle(UINT msg, WPARAM w, LPARAM l);

  private:
    void tick();
    void stop();

    EventLoop& m_loop;
    std::function<void()> m_changed;
    HWND m_window = 0;
    std::vector<Mail> m_mail;
    std::size_t m_count = 0;
    int m_selected = -1;
    bool m_started = false;
    TimerId m_timer = 0;
    unsigned m_ticks = 0;  // 100 ms ticks since the fill began
    unsigned m_due = 0;    // the tick at which the next letters arrive
};

}  // namespace rv::standin
