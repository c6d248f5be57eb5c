#include "standin/send_im.h"

#include "standin/client.h"

namespace rv::standin {

using namespace winapi;

const char* const SendImWindow::kTitle = "Send Instant Message";

SendImWindow::SendImWindow(Client& client, HWND area, const std::string& to)
    : Window(client), m_to(to) {
    m_window = create_handled("AOL Child", kTitle, area);
    create("_AOL_Static", "To:", m_window);
    m_to_box = create_handled("_AOL_Edit", "", m_window);
    m_clear = create_handled("_AOL_Icon", "Clear", m_window);
    m_text_box = create_handled("RICHCNTL", "", m_window);
    m_send = create_handled("_AOL_Icon", "Send", m_window);
    m_cancel = create_handled("_AOL_Icon", "Cancel", m_window);
}

LRESULT SendImWindow::handle(HWND h, UINT msg, WPARAM w, LPARAM l) {
    if (h == m_window && msg == WM_CLOSE) {
        close();
        return 0;
    }
    if (h == m_to_box || h == m_text_box) {
        std::string& text = h == m_to_box ? m_to : m_text;
        if (msg == WM_CHAR && w == VK_RETURN) {
            if (h == m_text_box) m_client.send_im(*this);
            return 0;
        }
        if (auto r = edit_message(text, msg, w, l)) {
            changed();
            return *r;
        }
    }
    if (h == m_clear && button_clicked(m_clear_pressed, msg, w)) {
        m_text.clear();
        changed();
    }
    if (h == m_send && button_clicked(m_send_pressed, msg, w)) m_client.send_im(*this);
    if (h == m_cancel && button_clicked(m_cancel_pressed, msg, w)) close();
    return desktop().DefWindowProcA(h, msg, w, l);
}

}  // namespace rv::standin
