#pragma once
// A stand-in client on virtual time, and the window searches the automation makes, for the
// tests of the client's windows.
#include <initializer_list>
#include <string>

#include "platform/loop/virtual_loop.h"
#include "standin/client.h"

namespace rv::test {

using namespace winapi;

struct ClientWorld {
    explicit ClientWorld(std::string mail_folder = {})
        : client(desktop, loop, "Me", std::move(mail_folder)) {
        desktop.set_logging(true);  // the tests read what each window received
    }

    VirtualLoop loop;
    Desktop desktop;
    standin::Client client;

    HWND area() {
        return desktop.FindWindowExA(desktop.FindWindowA("aol frame25", nullptr), 0, "mdiclient",
                                     nullptr);
    }
    HWND toolbar_icon(int position) {
        HWND bar = desktop.FindWindowExA(desktop.FindWindowA("aol frame25", nullptr), 0,
                                         "aol toolbar", nullptr);
        bar = desktop.FindWindowExA(bar, 0, "_aol_toolbar", nullptr);
        HWND icon = 0;
        for (int i = 0; i <= position; ++i)
            icon = desktop.FindWindowExA(bar, icon, "_aol_icon", nullptr);
        return icon;
    }
    HWND address_box() {
        HWND h = desktop.FindWindowA("AOL Frame25", nullptr);
        for (const char* cls : {"AOL Toolbar", "_AOL_Toolbar", "_AOL_Combobox", "Edit"})
            h = desktop.FindWindowExA(h, 0, cls, nullptr);
        return h;
    }
    HWND menu() { return desktop.FindWindowA("#32768", nullptr); }
    void post_keys(HWND window, WPARAM key, int times = 1) {
        for (int i = 0; i < times; ++i) {
            desktop.PostMessageA(window, WM_KEYDOWN, key, 0);
            desktop.PostMessageA(window, WM_KEYUP, key, 0);
        }
    }
    void click(HWND button) {
        desktop.SendMessageA(button, WM_LBUTTONDOWN, 0, 0);
        desktop.SendMessageA(button, WM_LBUTTONUP, 0, 0);
    }
    // The highest inner window that has direct children of all these classes.
    HWND inner_with(std::initializer_list<const char*> classes) {
        for (HWND c = desktop.GetWindow(desktop.FindWindowExA(area(), 0, "aol child", nullptr),
                                        GW_HWNDFIRST);
             c; c = desktop.GetWindow(c, GW_HWNDNEXT)) {
            bool all = true;
            for (const char* cls : classes) all = all && desktop.FindWindowExA(c, 0, cls, nullptr);
            if (all) return c;
        }
        return 0;
    }
    HWND mailbox() {
        return inner_with({"_aol_glyph", "_aol_icon", "_aol_image", "_aol_tabcontrol"});
    }
    HWND deleted() {
        return inner_with({"_aol_glyph", "_aol_image", "_aol_static", "_aol_tree", "_aol_icon"});
    }
    HWND mail_list(int page_number) {
        HWND tabs = desktop.FindWindowExA(mailbox(), 0, "_aol_tabcontrol", nullptr);
        HWND page = 0;
        for (int i = 0; i <= page_number; ++i)
            page = desktop.FindWindowExA(tabs, page, "_aol_tabpage", nullptr);
        return desktop.FindWindowExA(page, 0, "_aol_tree", nullptr);
    }
    HWND deleted_list() { return desktop.FindWindowExA(deleted(), 0, "_AOL_Tree", nullptr); }
    LRESULT count(HWND list) { return desktop.SendMessageA(list, LB_GETCOUNT, 0, 0); }
    // Lets time pass until the list stops growing, at most `limit` seconds.
    LRESULT settled_count(HWND list, double limit = 10) {
        const double end = loop.now() + limit;
        LRESULT n = -1;
        while (loop.now() < end && count(list) != n) {
            n = count(list);
            loop.advance(0.5);
        }
        return count(list);
    }
};

}  // namespace rv::test
