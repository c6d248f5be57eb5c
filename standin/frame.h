#pragma once
// The client's main window: "AOL Frame25" holding the area of inner windows ("MDIClient")
// and, in it, the welcome window whose title names the signed-on user.
#include <string>

#include "standin/window.h"

namespace rv::standin {

class Frame : public Window {
  public:
    Frame(Client& client, const std::string& screen_name);

    HWND area() const { return m_area; }
    HWND welcome() const { return m_welcome; }
    // The main window lives as long as the client: closing it does nothing.
    void close() override {}

  protected:
    LRESULT handle(HWND h, UINT msg, WPARAM w, LPARAM l) override;

  private:
    HWND m_area = 0, m_welcome = 0;
};

}  // namespace rv::standin
