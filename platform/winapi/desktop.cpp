#include "platform/winapi/desktop.h"

#include <strings.h>

#include <algorithm>
#include <cstring>

#include "platform/text/utf8.h"

namespace rv::winapi {

std::size_t utf8_prefix(const std::string& s, std::size_t max_bytes) {
    if (s.size() <= max_bytes) return s.size();
    std::size_t n = max_bytes;
    // Step back over continuation bytes so no sequence is cut.
    while (n > 0 && text::is_continuation(s[n])) --n;
    return n;
}

std::size_t copy_text(const std::string& text, char* buffer, std::size_t size) {
    if (!buffer || size == 0) return 0;
    std::size_t n = utf8_prefix(text, size - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = 0;
    return n;
}

HWND Desktop::CreateWindowA(const std::string& cls, const std::string& title, HWND parent,
                            WndProc proc, bool logged) {
    if (parent != 0 && !IsWindow(parent)) return 0;
    HWND h = m_next++;
    ++m_generation;
    Window w{h,  cls,  title,  parent,
             {}, true, logged, proc ? std::make_shared<WndProc>(std::move(proc)) : nullptr};
    m_windows.emplace(h, std::move(w));
    auto& sib = siblings_of(parent);
    if (parent == 0)
        sib.insert(sib.begin(), h);
    else
        sib.push_back(h);
    return h;
}

void Desktop::DestroyWindow(HWND h) {
    auto it = m_windows.find(h);
    if (it == m_windows.end()) return;
    for (HWND c : std::vector<HWND>(it->second.children)) DestroyWindow(c);
    auto& sib = siblings_of(it->second.parent);
    sib.erase(std::remove(sib.begin(), sib.end(), h), sib.end());
    m_windows.erase(h);
    ++m_generation;
    if (on_window_changed) on_window_changed(h);
}

std::vector<HWND>& Desktop::siblings_of(HWND parent) {
    return parent == 0 ? m_top_level : m_windows.at(parent).children;
}
const std::vector<HWND>& Desktop::siblings_of(HWND parent) const {
    return parent == 0 ? m_top_level : m_windows.at(parent).children;
}

bool Desktop::matches(const Window& w, const char* cls, const char* title) const {
    if (cls && strcasecmp(w.cls.c_str(), cls) != 0) return false;
    if (title && strcasecmp(w.title.c_str(), title) != 0) return false;
    return true;
}

HWND Desktop::FindWindowA(const char* cls, const char* title) const {
    for (HWND h : m_top_level)
        if (matches(m_windows.at(h), cls, title)) return h;
    return 0;
}

HWND Desktop::FindWindowExA(HWND parent, HWND after, const char* cls, const char* title) const {
    if (parent != 0 && !IsWindow(parent)) return 0;
    const auto& sib = siblings_of(parent);
    auto it = sib.begin();
    if (after != 0) {
        it = std::find(sib.begin(), sib.end(), after);
        if (it == sib.end()) return 0;  // `after` must be a child of `parent`
        ++it;
    }
    for (; it != sib.end(); ++it)
        if (matches(m_windows.at(*it), cls, title)) return *it;
    return 0;
}

HWND Desktop::GetWindow(HWND h, UINT cmd) const {
    auto it = m_windows.find(h);
    if (it == m_windows.end()) return 0;
    if (cmd == GW_CHILD) return it->second.children.empty() ? 0 : it->second.children.front();
    const auto& sib = siblings_of(it->second.parent);
    auto pos = std::find(sib.begin(), sib.end(), h);
    switch (cmd) {
        case GW_HWNDFIRST:
            return sib.front();
        case GW_HWNDLAST:
            return sib.back();
        case GW_HWNDNEXT:
            return (pos + 1) != sib.end() ? *(pos + 1) : 0;
        case GW_HWNDPREV:
            return pos != sib.begin() ? *(pos - 1) : 0;
        default:
            return 0;
    }
}

HWND Desktop::GetParent(HWND h) const {
    auto it = m_windows.find(h);
    return it == m_windows.end() ? 0 : it->second.parent;
}

bool Desktop::IsWindowVisible(HWND h) const {
    for (HWND cur = h; cur != 0;) {
        auto it = m_windows.find(cur);
        if (it == m_windows.end() || !it->second.visible) return false;
        cur = it->second.parent;
    }
    return h != 0;
}

void Desktop::ShowWindow(HWND h, bool visible) {
    auto it = m_windows.find(h);
    if (it == m_windows.end()) return;
    it->second.visible = visible;
    ++m_generation;
    if (on_window_changed) on_window_changed(h);
}

void Desktop::BringWindowToTop(HWND h) {
    auto it = m_windows.find(h);
    if (it == m_windows.end()) return;
    auto& sib = siblings_of(it->second.parent);
    sib.erase(std::remove(sib.begin(), sib.end(), h), sib.end());
    sib.insert(sib.begin(), h);
    ++m_generation;
    if (on_window_changed) on_window_changed(h);
}

LRESULT Desktop::deliver(HWND h, UINT msg, WPARAM w, LPARAM l, bool posted) {
    auto it = m_windows.find(h);
    if (it == m_windows.end()) return 0;  // handle 0 or a dead window: nothing happens
    if (m_logging && it->second.logged) {
        std::string text;
        if (msg == WM_SETTEXT && l) text = reinterpret_cast<const char*>(l);
        m_log.push_back({posted, h, msg, w, l, std::move(text)});
    }
    auto proc = it->second.proc;  // the window may be destroyed by its own procedure
    LRESULT r = proc ? (*proc)(h, msg, w, l) : DefWindowProcA(h, msg, w, l);
    if (on_window_changed) on_window_changed(h);
    return r;
}

LRESULT Desktop::SendMessageA(HWND h, UINT msg, WPARAM w, LPARAM l) {
    return deliver(h, msg, w, l, false);
}

bool Desktop::PostMessageA(HWND h, UINT msg, WPARAM w, LPARAM l) {
    if (!IsWindow(h)) return false;
    m_posted.push_back({h, msg, w, l});
    if (m_draining) return true;  // the outer drain takes it, in order
    m_draining = true;
    while (!m_posted.empty()) {
        Posted p = m_posted.front();
        m_posted.pop_front();
        deliver(p.h, p.msg, p.w, p.l, true);
    }
    m_draining = false;
    return true;
}

LRESULT Desktop::DefWindowProcA(HWND h, UINT msg, WPARAM w, LPARAM l) {
    auto it = m_windows.find(h);
    if (it == m_windows.end()) return 0;
    switch (msg) {
        case WM_SETTEXT:
            it->second.title = l ? reinterpret_cast<const char*>(l) : "";
            return 1;
        case WM_GETTEXT:
            return static_cast<LRESULT>(copy_text(it->second.title, reinterpret_cast<char*>(l), w));
        case WM_GETTEXTLENGTH:
            return static_cast<LRESULT>(it->second.title.size());
        default:
            return 0;
    }
}

std::string Desktop::class_name(HWND h) const {
    auto it = m_windows.find(h);
    return it == m_windows.end() ? "" : it->second.cls;
}

std::string Desktop::title(HWND h) const {
    auto it = m_windows.find(h);
    return it == m_windows.end() ? "" : it->second.title;
}

void Desktop::set_title(HWND h, std::string t) {
    auto it = m_windows.find(h);
    if (it != m_windows.end()) it->second.title = std::move(t);
}

std::vector<HWND> Desktop::children(HWND parent) const {
    if (parent != 0 && !IsWindow(parent)) return {};
    return siblings_of(parent);
}

}  // namespace rv::winapi
