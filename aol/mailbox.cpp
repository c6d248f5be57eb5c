#include "aol/mailbox.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "platform/loop/bounded_wait.h"
#include "platform/text/case.h"
#include "platform/winapi/inner_windows.h"

namespace rv::aol {

namespace {

using namespace winapi;

constexpr WPARAM kVkDown = 0x28;
constexpr WPARAM kVkReturn = 13;
constexpr WPARAM kVkSpace = 0x20;
// The menu wait runs no events; it looks again this often, sleeping in between.
constexpr double kMenuPollSeconds = 0.02;
constexpr double kWindowPollSeconds = 0.05;

constexpr const char* kMailboxClasses[] = {"_aol_glyph", "_aol_icon", "_aol_image",
                                           "_aol_tabcontrol"};
constexpr const char* kDeletedMailClasses[] = {"_aol_glyph", "_aol_image", "_aol_static",
                                               "_aol_tree", "_aol_icon"};

void give_up(const std::string& name, const char* what) {
    std::fprintf(stderr, "ravelin: mailbox \"%s\": %s; giving up\n", name.c_str(), what);
}

void press(Desktop& d, HWND menu, WPARAM key, int times) {
    for (int i = 0; i < times; ++i) {
        d.PostMessageA(menu, WM_KEYDOWN, key, 0);
        d.PostMessageA(menu, WM_KEYUP, key, 0);
    }
}

// Opens the button's menu and waits, without running events, until it shows. The menu or 0.
HWND open_menu(Automation& aol, int position, double menu_seconds) {
    Desktop& d = aol.desktop();
    HWND button = FindToolbarIcon(aol, position);
    d.PostMessageA(button, WM_LBUTTONDOWN, 0, 0);
    d.PostMessageA(button, WM_LBUTTONUP, 0, 0);
    HWND menu = 0;
    const bool shown = WaitFor(
        aol.loop(),
        [&] {
            menu = d.FindWindowA("#32768", nullptr);
            return d.IsWindowVisible(menu);
        },
        {menu_seconds, kMenuPollSeconds}, WaitPumping::NoPump);
    return shown ? menu : 0;
}

// The page-th "_aol_tabpage" (0: the first) of the mailbox's tab control.
HWND tab_page(Desktop& d, HWND mailbox, int page) {
    HWND tabs = d.FindWindowExA(mailbox, 0, "_aol_tabcontrol", nullptr);
    HWND p = 0;
    for (int i = 0; i <= page; ++i) {
        p = d.FindWindowExA(tabs, p, "_aol_tabpage", nullptr);
        if (!p) return 0;
    }
    return p;
}

}  // namespace

HWND FindToolbarIcon(Automation& aol, int position) {
    Desktop& d = aol.desktop();
    HWND bar = d.FindWindowExA(d.FindWindowA("aol frame25", nullptr), 0, "aol toolbar", nullptr);
    bar = d.FindWindowExA(bar, 0, "_aol_toolbar", nullptr);
    HWND icon = 0;
    for (int i = 0; i <= position; ++i) {
        icon = d.FindWindowExA(bar, icon, "_aol_icon", nullptr);
        if (!icon) return 0;
    }
    return icon;
}

void ClickIcon(Automation& aol, HWND icon) {
    aol.desktop().SendMessageA(icon, WM_LBUTTONDOWN, 0, 0);
    aol.desktop().SendMessageA(icon, WM_KEYUP, kVkSpace, 0);
}

bool PickMenuItem(Automation& aol, int position, int downs, double menu_seconds) {
    HWND menu = open_menu(aol, position, menu_seconds);
    if (!menu) return false;
    press(aol.desktop(), menu, kVkDown, downs);
    press(aol.desktop(), menu, kVkReturn, 1);
    return true;
}

bool PickSubmenuItem(Automation& aol, int position, int downs, int sub_downs, double menu_seconds) {
    HWND menu = open_menu(aol, position, menu_seconds);
    if (!menu) return false;
    press(aol.desktop(), menu, kVkDown, downs);
    press(aol.desktop(), menu, kVkReturn, 1);
    // The submenu's keys go to the same window: the client routes them to the open submenu.
    press(aol.desktop(), menu, kVkDown, sub_downs);
    press(aol.desktop(), menu, kVkReturn, 1);
    return true;
}

HWND FindMailboxWindow(Automation& aol) {
    return FindInnerWindow(aol.desktop(), kMailboxClasses, [&aol] { aol.loop().pump(); });
}

HWND FindDeletedMailWindow(Automation& aol) {
    return FindInnerWindow(aol.desktop(), kDeletedMailClasses, [&aol] { aol.loop().pump(); });
}

HWND FindMailList(Automation& aol, const std::string& mailbox) {
    Desktop& d = aol.desktop();
    const std::string name = text::ascii_lower(mailbox);
    if (name == "del") return d.FindWindowExA(FindDeletedMailWindow(aol), 0, "_AOL_Tree", nullptr);
    const int page = name == "new" ? 0 : name == "old" ? 1 : name == "sent" ? 2 : -1;
    if (page < 0) return 0;
    return d.FindWindowExA(tab_page(d, FindMailboxWindow(aol), page), 0, "_aol_tree", nullptr);
}

bool WaitForListToSettle(Automation& aol, HWND list, double limit_seconds) {
    Desktop& d = aol.desktop();
    const double deadline = aol.loop().now() + limit_seconds;
    for (;;) {
        aol.loop().pump();
        const LRESULT a = d.SendMessageA(list, LB_GETCOUNT, 0, 0);
        aol.WaitSeconds(0.4);
        aol.WaitSeconds(0.4);
        const LRESULT b = d.SendMessageA(list, LB_GETCOUNT, 0, 0);
        if (a == b) return true;
        if (aol.loop().now() >= deadline) return false;
    }
}

void OpenMailbox(Automation& aol, const std::string& mailbox, const MailboxLimits& limits) {
    const std::string name = text::ascii_lower(mailbox);
    const bool del = name == "del";
    if (name == "new") {
        ClickIcon(aol, FindToolbarIcon(aol, 1));
    } else if (name == "old" || name == "sent") {
        if (!PickSubmenuItem(aol, 0, 1, name == "old" ? 1 : 2, limits.menu_seconds))
            return give_up(name, "the mail menu did not open");
    } else if (del) {
        if (!PickMenuItem(aol, 0, 6, limits.menu_seconds))
            return give_up(name, "the mail menu did not open");
    } else {
        return give_up(name, "no such mailbox");
    }
    const bool opened = WaitFor(
        aol.loop(),
        [&] {
            aol.loop().pump();
            return (del ? FindDeletedMailWindow(aol) : FindMailboxWindow(aol)) != 0;
        },
        {limits.window_seconds, kWindowPollSeconds}, WaitPumping::Pump);
    if (!opened) return give_up(name, "the mailbox did not open");
    if (!WaitForListToSettle(aol, FindMailList(aol, name), limits.settle_seconds))
        give_up(name, "its list did not stop growing");
}

}  // namespace rv::aol
