#pragma once
// An in-process window manager with the semantics of the real one that the program relies
// on: handles, classes, titles, a parent and children in z-order, visibility, and window
// procedures reached by SendMessageA and PostMessageA. Texts are UTF-8 (the code page here).
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace rv::winapi {

using HWND = std::uint32_t;
using UINT = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

constexpr UINT WM_SETTEXT = 0x000C;
constexpr UINT WM_GETTEXT = 0x000D;
constexpr UINT WM_GETTEXTLENGTH = 0x000E;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT EM_GETLINECOUNT = 0x00BA;
constexpr UINT EM_LINEINDEX = 0x00BB;
constexpr UINT EM_LINELENGTH = 0x00C1;
constexpr UINT EM_GETLINE = 0x00C4;
constexpr UINT LB_SETCURSEL = 0x0186;
constexpr UINT LB_GETCURSEL = 0x0188;
constexpr UINT LB_GETTEXT = 0x0189;
constexpr UINT LB_GETTEXTLEN = 0x018A;
constexpr UINT LB_GETCOUNT = 0x018B;
constexpr UINT TCM_GETCURSEL = 0x130B;
constexpr UINT TCM_SETCURSEL = 0x130C;

constexpr WPARAM VK_BACK = 0x08;
constexpr WPARAM VK_RETURN = 0x0D;
constexpr WPARAM VK_ESCAPE = 0x1B;
constexpr WPARAM VK_SPACE = 0x20;
constexpr WPARAM VK_LEFT = 0x25;
constexpr WPARAM VK_UP = 0x26;
constexpr WPARAM VK_RIGHT = 0x27;
constexpr WPARAM VK_DOWN = 0x28;

constexpr UINT GW_HWNDFIRST = 0;
constexpr UINT GW_HWNDLAST = 1;
constexpr UINT GW_HWNDNEXT = 2;
constexpr UINT GW_HWNDPREV = 3;
constexpr UINT GW_CHILD = 5;

inline LPARAM text_param(const char* s) {
    return reinterpret_cast<LPARAM>(s);
}

class Desktop;
using WndProc = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

// One message a logged window received.
struct LogEntry {
    bool posted;
    HWND hwnd;
    UINT msg;
    WPARAM wparam;
    LPARAM lparam;
    std::string text;  // the text of a WM_SETTEXT, else empty
    bool operator==(const LogEntry&) const = default;
};

class Desktop {
  public:
    // A new child goes to the bottom of its siblings, a new top-level window to the top.
    // `logged` marks a window whose messages the log records once a test switches it on.
    HWND CreateWindowA(const std::string& cls, const std::string& title, HWND parent,
                       WndProc proc = {}, bool logged = false);
    void DestroyWindow(HWND h);
    bool IsWindow(HWND h) const { return m_windows.count(h) != 0; }

    HWND FindWindowA(const char* cls, const char* title) const;
    HWND FindWindowExA(HWND parent, HWND after, const char* cls, const char* title) const;
    HWND GetWindow(HWND h, UINT cmd) const;
    HWND GetParent(HWND h) const;
    bool IsWindowVisible(HWND h) const;
    void ShowWindow(HWND h, bool visible);
    // Raises a window to the top of its siblings.
    void BringWindowToTop(HWND h);

    LRESULT SendMessageA(HWND h, UINT msg, WPARAM w, LPARAM l);
    // Queued for the window's owner, which handles posted messages in order by itself: the
    // sender need not pump.
    bool PostMessageA(HWND h, UINT msg, WPARAM w, LPARAM l);
    // The default handling: titles for WM_SETTEXT, WM_GETTEXT, WM_GETTEXTLENGTH.
    LRESULT DefWindowProcA(HWND h, UINT msg, WPARAM w, LPARAM l);

    std::string class_name(HWND h) const;
    std::string title(HWND h) const;
    void set_title(HWND h, std::string t);
    std::vector<HWND> children(HWND parent) const;
    // Moves on whenever a window is created, destroyed, shown, hidden or raised: a finding
    // made by classes and order holds while it stays the same.
    std::uint64_t generation() const { return m_generation; }

    // The message log is for tests: off unless switched on, so that a running program,
    // whose scanner alone sends messages every 50 ms, does not grow with time.
    void set_logging(bool on) { m_logging = on; }
    const std::vector<LogEntry>& log() const { return m_log; }
    void clear_log() { m_log.clear(); }

    // Called after every message delivered to a window: lets views follow the windows.
    std::function<void(HWND)> on_window_changed;

  private:
    struct Window {
        HWND handle;
        std::string cls, title;
        HWND parent;
        std::vector<HWND> children;  // top of the z-order first
        bool visible = true;
        bool logged = false;
        std::shared_ptr<WndProc> proc;
    };
    std::vector<HWND>& siblings_of(HWND parent);
    const std::vector<HWND>& siblings_of(HWND parent) const;
    bool matches(const Window& w, const char* cls, const char* title) const;
    LRESULT deliver(HWND h, UINT msg, WPARAM w, LPARAM l, bool posted);

    std::map<HWND, Window> m_windows;
    std::vector<HWND> m_top_level;
    HWND m_next = 0x10010;
    std::uint64_t m_generation = 0;
    bool m_logging = false;
    std::vector<LogEntry> m_log;
    struct Posted {
        HWND h;
        UINT msg;
        WPARAM w;
        LPARAM l;
    };
    std::deque<Posted> m_posted;
    bool m_draining = false;
};

// Copies `text` into a WM_GETTEXT style buffer of `size` bytes (with the terminating 0);
// returns the bytes copied. Never cuts a UTF-8 sequence in half.
std::size_t copy_text(const std::string& text, char* buffer, std::size_t size);
// The longest prefix of at most `max_bytes` bytes that ends on a UTF-8 boundary.
std::size_t utf8_prefix(const std::string& s, std::size_t max_bytes);

}  // namespace rv::winapi
