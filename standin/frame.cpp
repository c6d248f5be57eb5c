#include "standin/frame.h"

namespace rv::standin {

using namespace winapi;

Frame::Frame(Client& client, const std::string& screen_name) : Window(client) {
    m_window = create_handled("AOL Frame25", "Chat Client", 0);
    m_area = create("MDIClient", "", m_window);
    m_welcome = create("AOL Child", "Welcome, " + screen_name + "!", m_area);
}

LRESULT Frame::handle(HWND h, UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_CLOSE) return 0;
    return desktop().DefWindowProcA(h, msg, w, l);
}

}  // namespace rv::standin
