#include "aol/automation.h"

#include "platform/winapi/inner_windows.h"

namespace rv::aol {

const char* const kCreditLine =
    "<FONT COLOR=#3366FF><font  face=\"Arial Narrow\"><b>\u00B7\u00B7\u00B7\u203A "
    "<FONT COLOR=#222222>Ravelin Mp3 Player By</B><FONT COLOR=#3366FF> V<u>o</U>sk "
    "<FONT COLOR=#0033CC><b>\u2039\u00B7\u00B7\u00B7</b>";

HWND Automation::FindChatRoom() {
    return winapi::FindChatRoomWindow(m_desktop, [this] { m_loop.pump(); });
}

void Automation::SetEditText(HWND window, const std::string& text) {
    m_desktop.SendMessageA(window, winapi::WM_SETTEXT, 0, winapi::text_param(""));
    m_desktop.SendMessageA(window, winapi::WM_SETTEXT, 0, winapi::text_param(text.c_str()));
}

void Automation::ChatSend(const std::string& line) {
    HWND room = FindChatRoom();
    HWND input = m_desktop.FindWindowExA(room, 0, "richcntl", nullptr);
    SetEditText(input, "");
    SetEditText(input, line);
    m_desktop.SendMessageA(input, winapi::WM_CHAR, 13, 0);
}

void Automation::WaitSeconds(double seconds) {
    const double start = m_loop.now();
    const double deadline = start + seconds;
    m_loop.pump();
    while (m_loop.now() < deadline) m_loop.wait_until(deadline);
}

}  // namespace rv::aol
