#include "standin/window.h"

#include "platform/text/utf8.h"
#include "standin/chat_html.h"
#include "standin/client.h"

namespace rv::standin {

using namespace winapi;

Window::Window(Client& client) : m_client(client) {}

Window::~Window() {
    if (m_window && desktop().IsWindow(m_window)) desktop().DestroyWindow(m_window);
}

bool Window::is_open() const {
    return m_window != 0 && desktop().IsWindow(m_window);
}

void Window::close() {
    HWND h = m_window;
    m_window = 0;
    if (h && desktop().IsWindow(h)) desktop().DestroyWindow(h);
    m_client.retire(this);
}

Desktop& Window::desktop() const {
    return m_client.desktop();
}

EventLoop& Window::loop() const {
    return m_client.loop();
}

HWND Window::create(const std::string& cls, const std::string& title, HWND parent, WndProc proc) {
    return m_client.create_window(cls, title, parent, std::move(proc));
}

HWND Window::create_handled(const std::string& cls, const std::string& title, HWND parent) {
    return create(cls, title, parent,
                  [this](HWND h, UINT m, WPARAM w, LPARAM l) { return handle(h, m, w, l); });
}

LRESULT Window::handle(HWND h, UINT msg, WPARAM w, LPARAM l) {
    return desktop().DefWindowProcA(h, msg, w, l);
}

void Window::changed() const {
    m_client.changed();
}

bool button_clicked(bool& pressed, UINT msg, WPARAM w) {
    switch (msg) {
        case WM_LBUTTONDOWN:
            pressed = true;
            return false;
        case WM_KEYDOWN:
            if (w == VK_SPACE) pressed = true;
            return w == VK_RETURN;
        case WM_LBUTTONUP:
        case WM_KEYUP:
            if (!pressed || (msg == WM_KEYUP && w != VK_SPACE)) return false;
            pressed = false;
            return true;
        default:
            return false;
    }
}

std::optional<LRESULT> edit_message(std::string& text, UINT msg, WPARAM w, LPARAM l) {
    switch (msg) {
        case WM_SETTEXT:
            text = l ? reinterpret_cast<const char*>(l) : "";
            return 1;
        case WM_GETTEXT:
            return static_cast<LRESULT>(copy_text(text, reinterpret_cast<char*>(l), w));
        case WM_GETTEXTLENGTH:
            return static_cast<LRESULT>(text.size());
        case WM_CHAR:
            if (w == VK_BACK) {
                // Erase a whole character, not one byte of it.
                while (!text.empty() && text::is_continuation(text.back())) text.pop_back();
                if (!text.empty()) text.pop_back();
            } else if (w >= 32 && w < 128) {
                text += static_cast<char>(w);
            }
            return 0;
        default:
            return std::nullopt;
    }
}

bool is_blank(const std::string& html) {
    const std::string plain = html_to_plain(html);
    for (std::size_t i = 0; i < plain.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(plain[i]);
        if (c == ' ' || c == '\t') continue;
        // U+00A0, the blank that does not break.
        if (c == 0xC2 && i + 1 < plain.size() && static_cast<unsigned char>(plain[i + 1]) == 0xA0) {
            ++i;
            continue;
        }
        return false;
    }
    return true;
}

}  // namespace rv::standin
