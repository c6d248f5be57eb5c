#pragma once
// The client's message box: a top-level "#32770" titled "America Online" holding an OK
// "Button" and the message ("Static"). Pressing the button (a click, or the space bar down
// and up on it, or Enter), Escape or WM_CLOSE closes the box.
#include <string>

#include "standin/window.h"

namespace rv::standin {

class MessageBox : public Window {
  public:
    MessageBox(Client& client, const std::string& text);

    const std::string& text() const { return m_text; }
    HWND button() const { return m_button; }

    static const char* const kTitle;

  protected:
    LRESULT handle(HWND h, UINT msg, WPARAM w, LPARAM l) override;

  private:
    std::string m_text;
    HWND m_button = 0;
    bool m_pressed = false;
};

}  // namespace rv::standin
