#pragma once
// A drop-down menu: a top-level "#32768" window, visible while open. The first entry is
// highlighted when it opens; Down and Up move the highlight (round the ends), Enter or Right
// on an entry with a submenu opens the submenu (its first entry highlighted), Enter on any
// other entry closes every menu and does what the entry does; Escape or Left closes the
// innermost submenu, Escape the menu itself. Keys sent to a menu whose submenu is open act
// on the submenu, as they do in a menu's modal loop. Keys act on WM_KEYDOWN.
#include <functional>
#include <string>
#include <vector>

#include "standin/window.h"

namespace rv::standin {

struct MenuItem {
    std::string text;
    std::function<void()> action;  // none: the entry does nothing
    std::vector<MenuItem> submenu;
};

class Menu : public Window {
  public:
    // `anchor` is the window the menu drops from: a toolbar button, or the parent menu.
    Menu(Client& client, std::vector<MenuItem> items, HWND anchor, Menu* parent = nullptr);

    const std::vector<MenuItem>& items() const { return m_items; }
    HWND anchor() const { return m_anchor; }
    Menu* parent() const { return m_parent; }
    Menu* submenu() const { return m_sub; }
    int highlighted() const { return m_highlight; }

    // The mouse: over an entry, and a click on it (as Enter on it).
    void highlight(int i);
    void choose(int i);
    // The pointer comes to rest on an entry: it is highlighted, and an entry with a submenu
    // opens it, as a person expects of a menu; nothing else is done.
    void hover(int i);
    void close() override;

  protected:
    LRESULT handle(HWND h, UINT msg, WPARAM w, LPARAM l) override;

  private:
    void key(WPARAM vk);
    void enter();

    std::vector<MenuItem> m_items;
    HWND m_anchor;
    Menu* m_parent;
    Menu* m_sub = nullptr;
    int m_highlight = 0;
};

}  // namespace rv::standin
