#pragma once
// The window of recently deleted mail: an inner window with a glyph, a banner image, a line
// of text, one mail list that fills over time, and buttons to restore or remove a letter.
#include <memory>

#include "standin/mail_list.h"
#include "standin/window.h"

namespace rv::standin {

class DeletedMailWindow : public Window {
  public:
    DeletedMailWindow(Client& client, HWND area);

    MailList& list() { return *m_list; }
    const MailList& list() const { return *m_list; }
    HWND restore_button() const { return m_restore; }
    HWND remove_button() const { return m_remove; }
    void mail_changed();

  protected:
    LRESULT handle(HWND h, UINT msg, WPARAM w, LPARAM l) override;

  private:
    std::unique_ptr<MailList> m_list;
    HWND m_restore = 0, m_remove = 0;
    bool m_restore_pressed = false, m_remove_pressed = false;
};

}  // namespace rv::standin
