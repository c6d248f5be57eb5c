#include "standin/message_box.h"

namespace rv::standin {

using namespace winapi;

const char* const MessageBox::kTitle = "America Online";

MessageBox::MessageBox(Client& client, const std::string& text) : Window(client), m_text(text) {
    m_window = create_handled("#32770", kTitle, 0);
    m_button = create_handled("Button", "OK", m_window);
    create("Static", text, m_window);
}

LRESULT MessageBox::handle(HWND h, UINT msg, WPARAM w, LPARAM l) {
    if (h == m_button && button_clicked(m_pressed, msg, w)) {
        close();
        return 0;
    }
    if (h == m_window && (msg == WM_CLOSE || (msg == WM_KEYDOWN && w == VK_ESCAPE))) {
        close();
        return 0;
    }
    return desktop().DefWindowProcA(h, msg, w, l);
}

}  // namespace rv::standin
