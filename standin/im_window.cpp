#include "standin/im_window.h"

#include "standin/chat_html.h"
#include "standin/client.h"

namespace rv::standin {

using namespace winapi;

ImWindow::ImWindow(Client& client, const std::string& buddy, HWND area)
    : Window(client), m_buddy(buddy) {
    m_window = create_handled("AOL Child", "Instant Message To: " + buddy, area);
    create("_AOL_Static", buddy, m_window);
    m_transcript = create_handled("RICHCNTLREADONLY", "", m_window);
    m_input = create_handled("RICHCNTL", "", m_window);
    m_send = create_handled("_AOL_Icon", "Send", m_window);
}

void ImWindow::add_line(const std::string& name, const std::string& html, bool from_user) {
    if (!is_open()) return;
    if (!m_text.empty()) m_text += "\r\n";
    m_text += name + ":\t" + html_to_plain(html);
    m_lines.push_back({name, html, from_user});
    changed();
}

void ImWindow::send_input() {
    std::string text;
    text.swap(m_input_text);
    if (!is_blank(text)) add_line(m_client.screen_name(), text, true);
    changed();
}

LRESULT ImWindow::handle(HWND h, UINT msg, WPARAM w, LPARAM l) {
    if (h == m_window && msg == WM_CLOSE) {
        close();
        return 0;
    }
    if (h == m_send) {
        if (button_clicked(m_send_pressed, msg, w)) send_input();
        return 0;
    }
    if (h == m_input) {
        if (msg == WM_CHAR && w == VK_RETURN) {
            send_input();
            return 0;
        }
        if (auto r = edit_message(m_input_text, msg, w, l)) {
            changed();
            return *r;
        }
    }
    if (h == m_transcript) {
        if (msg == WM_GETTEXTLENGTH) return static_cast<LRESULT>(m_text.size());
        if (msg == WM_GETTEXT)
            return static_cast<LRESULT>(copy_text(m_text, reinterpret_cast<char*>(l), w));
        if (msg == WM_SETTEXT) return 0;  // read-only
    }
    return desktop().DefWindowProcA(h, msg, w, l);
}

}  // namespace rv::standin
