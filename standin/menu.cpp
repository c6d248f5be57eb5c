#include "standin/menu.h"

#include "standin/client.h"

namespace rv::standin {

using namespace winapi;

Menu::Menu(Client& client, std::vector<MenuItem> items, HWND anchor, Menu* parent)
    : Window(client), m_items(std::move(items)), m_anchor(anchor), m_parent(parent) {
    m_window = create_handled("#32768", "", 0);
}

void Menu::close() {
    if (m_sub) m_sub->close();
    if (m_parent && m_parent->m_sub == this) m_parent->m_sub = nullptr;
    Window::close();
}

void Menu::highlight(int i) {
    if (i < 0 || i >= static_cast<int>(m_items.size())) return;
    if (m_sub && i != m_highlight) m_sub->close();
    m_highlight = i;
    changed();
}

void Menu::choose(int i) {
    highlight(i);
    enter();
}

void Menu::hover(int i) {
    if (i < 0 || i >= static_cast<int>(m_items.size())) return;
    highlight(i);
    if (!m_items[static_cast<std::size_t>(i)].submenu.empty()) enter();
}

LRESULT Menu::handle(HWND h, UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_KEYDOWN) {
        Menu* target = this;
        while (target->m_sub) target = target->m_sub;
        target->key(w);
        return 0;
    }
    if (msg == WM_KEYUP) return 0;
    if (msg == WM_CLOSE) {
        m_client.close_menus();
        return 0;
    }
    return desktop().DefWindowProcA(h, msg, w, l);
}

void Menu::key(WPARAM vk) {
    const int n = static_cast<int>(m_items.size());
    if (n == 0) return;
    switch (vk) {
        case VK_DOWN:
            highlight((m_highlight + 1) % n);
            break;
        case VK_UP:
            highlight((m_highlight + n - 1) % n);
            break;
        case VK_RETURN:
            enter();
            break;
        case VK_RIGHT:
            if (!m_items[static_cast<std::size_t>(m_highlight)].submenu.empty()) enter();
            break;
        case VK_LEFT:
            if (m_parent) close();
            break;
        case VK_ESCAPE:
            if (m_parent)
                close();
            else
                m_client.close_menus();
            break;
        default:
            break;
    }
}

void Menu::enter() {
    const MenuItem& item = m_items[static_cast<std::size_t>(m_highlight)];
    if (!item.submenu.empty()) {
        if (!m_sub) m_sub = &m_client.open_submenu(item.submenu, *this);
        return;
    }
    // The menus go first, then the entry acts: what it opens comes up above them.
    auto action = item.action;
    m_client.close_menus();
    if (action) action();
}

}  // namespace rv::standin
