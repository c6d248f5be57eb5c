#pragma once
// The window for writing an instant message: an inner window titled "Send Instant Message"
// with, in this order, a "To:" label, the recipient box ("_AOL_Edit"), a button that clears
// the text, the text box ("RICHCNTL"), the Send button and the Cancel button.
#include <string>

#include "standin/window.h"

namespace rv::standin {

class SendImWindow : public Window {
  public:
    SendImWindow(Client& client, HWND area, const std::string& to);

    HWND to_box() const { return m_to_box; }
    HWND clear_button() const { return m_clear; }
    HWND text_box() const { return m_text_box; }
    HWND send_button() const { return m_send; }
    HWND cancel_button() const { return m_cancel; }
    const std::string& to() const { return m_to; }
    const std::string& text() const { return m_text; }

    static const char* const kTitle;

  protected:
    LRESULT handle(HWND h, UINT msg, WPARAM w, LPARAM l) override;

  private:
    HWND m_to_box = 0, m_clear = 0, m_text_box = 0, m_send = 0, m_cancel = 0;
    std::string m_to, m_text;
    bool m_clear_pressed = false, m_send_pressed = false, m_cancel_pressed = false;
};

}  // namespace rv::standin
