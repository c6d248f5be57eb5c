#pragma once
// What every window of the stand-in client shares: the client it belongs to, the Desktop it
// lives on, the loop on which it may change over time, and one way to create and close its
// windows.
#include <optional>
#include <string>

#include "platform/loop/event_loop.h"
#include "platform/winapi/desktop.h"

namespace rv::standin {

using winapi::HWND;
using winapi::LPARAM;
using winapi::LRESULT;
using winapi::UINT;
using winapi::WPARAM;

class Client;

class Window {
  public:
    explicit Window(Client& client);
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // The window's own handle; 0 once it is closed.
    HWND window() const { return m_window; }
    bool is_open() const;
    // Destroys the window and everything in it; the object is freed later, never inside one
    // of its own window procedures.
    virtual void close();

  protected:
    winapi::Desktop& desktop() const;
    EventLoop& loop() const;
    // A window of the client; `proc` of null gives the default handling.
    HWND create(const std::string& cls, const std::string& title, HWND parent,
                winapi::WndProc proc = {});
    // A window whose messages go to this object's `handle`.
    HWND create_handled(const std::string& cls, const std::string& title, HWND parent);
    // Messages to windows made by `create_handled`; the default handling unless overridden.
    virtual LRESULT handle(HWND h, UINT msg, WPARAM w, LPARAM l);
    // Tells the view that something it shows changed.
    void changed() const;

    Client& m_client;
    HWND m_window = 0;
};

// A push button's click as the window manager makes it: a left button press then release on
// it, or the space bar pressed and released on it (a press may come from the mouse), or
// Enter. Returns true when `msg` completes a click.
bool button_clicked(bool& pressed, UINT msg, WPARAM w);

// A one-line text box kept in `text`: WM_SETTEXT, WM_GETTEXT, WM_GETTEXTLENGTH, and WM_CHAR
// typing printable characters (8 erases the last character). The caller handles Enter first.
// Empty when `msg` is none of these.
std::optional<LRESULT> edit_message(std::string& text, UINT msg, WPARAM w, LPARAM l);
// Whether a line shows nothing but blanks once its markup is gone.
bool is_blank(const std::string& html);

}  // namespace rv::standin
