#pragma once
// The toolbar of the main window: "AOL Toolbar" holding "_AOL_Toolbar", which holds the
// buttons ("_AOL_Icon", in this order: Mail, Read, IM, Chat) and the address box
// ("_AOL_Combobox" holding an "Edit"). Mail drops its menu down; Read opens the mailbox at
// its new mail; IM opens an instant message to write; Chat opens a room. Enter in the
// address box goes to what it names.
#include <string>
#include <vector>

#include "standin/window.h"

namespace rv::standin {

class Toolbar : public Window {
  public:
    enum Button { kMail = 0, kRead = 1, kIm = 2, kChat = 3 };
    static constexpr int kButtons = 4;
    static const char* const kCaptions[kButtons];

    Toolbar(Client& client, HWND frame);

    HWND bar() const { return m_bar; }
    HWND button(int i) const { return m_buttons[static_cast<std::size_t>(i)]; }
    HWND address_box() const { return m_edit; }
    const std::string& address() const { return m_address; }
    // Nothing else happens on a toolbar: closing it does nothing.
    void close() override {}

    // The link that opens an instant message to the name that follows it.
    static const char* const kImLink;

  protected:
    LRESULT handle(HWND h, UINT msg, WPARAM w, LPARAM l) override;

  private:
    void press(int i);
    void go();

    HWND m_bar = 0, m_combo = 0, m_edit = 0;
    std::vector<HWND> m_buttons;
    std::vector<bool> m_pressed;
    std::string m_address;
};

}  // namespace rv::standin
