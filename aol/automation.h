#pragma once
// Finding the chat client's room by window class and typing lines into it, as a user would.
#include <string>

#include "platform/loop/event_loop.h"
#include "platform/winapi/desktop.h"

namespace rv::aol {

using winapi::HWND;

class Automation {
  public:
    Automation(winapi::Desktop& desktop, EventLoop& loop) : m_desktop(desktop), m_loop(loop) {}

    // The highest inner window of the client that has all six chat-room child classes, or 0.
    // Pumps once per candidate.
    HWND FindChatRoom();
    void SetEditText(HWND window, const std::string& text);
    // Types `line` into the room's input and presses Enter there. Fire and forget.
    void ChatSend(const std::string& line);
    // Pumps at least once, then until `seconds` have passed on the monotonic clock.
    void WaitSeconds(double seconds);

    winapi::Desktop& desktop() const { return m_desktop; }
    EventLoop& loop() const { return m_loop; }

  private:
    winapi::Desktop& m_desktop;
    EventLoop& m_loop;
};

// The credit line sent on a double-click of the main window's title.
extern const char* const kCreditLine;

}  // namespace rv::aol
