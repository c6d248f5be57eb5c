#pragma once
// The mailbox window: an inner window with a glyph, a banner image, a tab control of three
// tab pages (New, Old, Sent), each holding a mail list, and buttons to read and delete. The
// selected tab's list fills over time when the tab is first shown.
#include <array>
#include <memory>
#include <string>

#include "standin/mail_list.h"
#include "standin/window.h"

namespace rv::standin {

class MailboxWindow : public Window {
  public:
    enum Tab { kNew = 0, kOld = 1, kSent = 2 };
    static constexpr int kTabs = 3;
    static const char* const kTabTitles[kTabs];

    MailboxWindow(Client& client, HWND area, int tab);

    int tab() const { return m_tab; }
    // Shows that tab's page; its list starts to fill if it never has.
    void select_tab(int tab);
    HWND tab_control() const { return m_tabs; }
    HWND page(int tab) const { return m_pages[static_cast<std::size_t>(tab)]; }
    MailList& list(int tab) { return *m_lists[static_cast<std::size_t>(tab)]; }
    const MailList& list(int tab) const { return *m_lists[static_cast<std::size_t>(tab)]; }
    HWND read_button() const { return m_read; }
    HWND delete_button() const { return m_delete; }
    // The mail store changed: every list follows.
    void mail_changed();

  protected:
    LRESULT handle(HWND h, UINT msg, WPARAM w, LPARAM l) override;

  private:
    void read_selected();
    void delete_selected();

    HWND m_tabs = 0, m_read = 0, m_delete = 0;
    std::array<HWND, kTabs> m_pages{};
    std::array<std::unique_ptr<MailList>, kTabs> m_lists;
    int m_tab = kNew;
    bool m_read_pressed = false, m_delete_pressed = false;
};

// The box a mailbox tab shows.
Box box_of_tab(int tab);

}  // namespace rv::standin
