#include "standin/mailbox.h"

#include "standin/client.h"

namespace rv::standin {

using namespace winapi;

const char* const MailboxWindow::kTabTitles[kTabs] = {"New", "Old", "Sent"};

Box box_of_tab(int tab) {
    return tab == MailboxWindow::kOld    ? Box::Old
           : tab == MailboxWindow::kSent ? Box::Sent
                                         : Box::New;
}

MailboxWindow::MailboxWindow(Client& client, HWND area, int tab) : Window(client) {
    m_window = create_handled("AOL Child", client.screen_name() + "'s Online Mailbox", area);
    create("_AOL_Glyph", "", m_window);
    create("_AOL_Image", "", m_window);
    m_tabs = create_handled("_AOL_TabControl", "", m_window);
    for (int t = 0; t < kTabs; ++t) {
        auto i = static_cast<std::size_t>(t);
        m_pages[i] = create("_AOL_TabPage", kTabTitles[t], m_tabs);
        m_lists[i] = std::make_unique<MailList>(loop(), [this] { changed(); });
        m_lists[i]->set_window(create_handled("_AOL_Tree", "", m_pages[i]));
    }
    m_read = create_handled("_AOL_Icon", "Read", m_window);
    m_delete = create_handled("_AOL_Icon", "Delete", m_window);
    select_tab(tab);
}

void MailboxWindow::select_tab(int tab) {
    if (tab < 0 || tab >= kTabs) return;
    m_tab = tab;
    for (int t = 0; t < kTabs; ++t) desktop().ShowWindow(page(t), t == tab);
    MailList& l = list(tab);
    if (!l.started()) l.load(m_client.mail().in(box_of_tab(tab)));
    changed();
}

void MailboxWindow::mail_changed() {
    for (int t = 0; t < kTabs; ++t)
        if (list(t).started()) list(t).update(m_client.mail().in(box_of_tab(t)));
}

void MailboxWindow::read_selected() {
    MailList& l = list(m_tab);
    if (l.selected() < 0) return;
    const Mail m = l.at(static_cast<std::size_t>(l.selected()));
    // A letter read is old mail from now on.
    if (m.box == Box::New) m_client.move_mail(m.id, Box::Old);
    m_client.message_box("From: " + m.from + "\nDate: " + m.date + "\nSubject: " + m.subject);
}

void MailboxWindow::delete_selected() {
    MailList& l = list(m_tab);
    if (l.selected() < 0) return;
    m_client.move_mail(l.at(static_cast<std::size_t>(l.selected())).id, Box::Deleted);
}

LRESULT MailboxWindow::handle(HWND h, UINT msg, WPARAM w, LPARAM l) {
    if (h == m_window && msg == WM_CLOSE) {
        close();
        return 0;
    }
    if (h == m_tabs && msg == TCM_GETCURSEL) return m_tab;
    if (h == m_tabs && msg == TCM_SETCURSEL) {
        const int before = m_tab;
        select_tab(static_cast<int>(w));
        return before;
    }
    if (h == m_read && button_clicked(m_read_pressed, msg, w)) read_selected();
    if (h == m_delete && button_clicked(m_delete_pressed, msg, w)) delete_selected();
    for (int t = 0; t < kTabs; ++t)
        if (h == list(t).window())
            if (auto r = list(t).handle(msg, w, l)) return *r;
    return desktop().DefWindowProcA(h, msg, w, l);
}

}  // namespace rv::standin
