#include "standin/deleted_mail.h"

#include "standin/client.h"

namespace rv::standin {

using namespace winapi;

DeletedMailWindow::DeletedMailWindow(Client& client, HWND area) : Window(client) {
    m_window = create_handled("AOL Child", "Recently Deleted Mail", area);
    create("_AOL_Glyph", "", m_window);
    create("_AOL_Image", "", m_window);
    create("_AOL_Static", "Mail you deleted lately. Restore a letter to keep it.", m_window);
    m_list = std::make_unique<MailList>(loop(), [this] { changed(); });
    m_list->set_window(create_handled("_AOL_Tree", "", m_window));
    m_restore = create_handled("_AOL_Icon", "Restore", m_window);
    m_remove = create_handled("_AOL_Icon", "Permanently Delete", m_window);
    m_list->load(client.mail().in(Box::Deleted));
}

void DeletedMailWindow::mail_changed() {
    m_list->update(m_client.mail().in(Box::Deleted));
}

LRESULT DeletedMailWindow::handle(HWND h, UINT msg, WPARAM w, LPARAM l) {
    if (h == m_window && msg == WM_CLOSE) {
        close();
        return 0;
    }
    const int sel = m_list->selected();
    if (h == m_restore && button_clicked(m_restore_pressed, msg, w) && sel >= 0)
        m_client.move_mail(m_list->at(static_cast<std::size_t>(sel)).id, Box::Old);
    if (h == m_remove && button_clicked(m_remove_pressed, msg, w) && sel >= 0)
        m_client.remove_mail(m_list->at(static_cast<std::size_t>(sel)).id);
    if (h == m_list->window())
        if (auto r = m_list->handle(msg, w, l)) return *r;
    return desktop().DefWindowProcA(h, msg, w, l);
}

}  // namespace rv::standin
