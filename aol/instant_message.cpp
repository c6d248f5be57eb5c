#include "aol/instant_message.h"

#include <cstdio>

#include "platform/loop/bounded_wait.h"

namespace rv::aol {

namespace {

using namespace winapi;

constexpr WPARAM kVkSpace = 0x20;
constexpr double kPollSeconds = 0.05;
const char* const kImTitle = "Send Instant Message";

void give_up(const std::string& recipient, const char* what) {
    std::fprintf(stderr, "ravelin: instant message to \"%s\": %s; giving up\n", recipient.c_str(),
                 what);
}

}  // namespace

void EnterKeyword(Automation& aol, const std::string& keyword) {
    Desktop& d = aol.desktop();
    HWND box = d.FindWindowA("AOL Frame25", nullptr);
    for (const char* cls : {"AOL Toolbar", "_AOL_Toolbar", "_AOL_Combobox", "Edit"})
        box = d.FindWindowExA(box, 0, cls, nullptr);
    d.SendMessageA(box, WM_SETTEXT, 0, text_param(keyword.c_str()));
    d.SendMessageA(box, WM_CHAR, 32, 0);
    d.SendMessageA(box, WM_CHAR, 13, 0);
}

void ClickButton(Automation& aol, HWND window) {
    aol.desktop().SendMessageA(window, WM_LBUTTONDOWN, 0, 0);
    aol.desktop().SendMessageA(window, WM_LBUTTONUP, 0, 0);
}

void SendInstantMessage(Automation& aol, const std::string& recipient, const std::string& text,
                        const InstantMessageLimits& limits) {
    Desktop& d = aol.desktop();
    const HWND area =
        d.FindWindowExA(d.FindWindowA("AOL Frame25", nullptr), 0, "MDIClient", nullptr);
    EnterKeyword(aol, "aol://9293:" + recipient);

    HWND im = 0, box = 0, send = 0;
    const bool opened = WaitFor(
        aol.loop(),
        [&] {
            aol.loop().pump();
            im = d.FindWindowExA(area, 0, "AOL Child", kImTitle);
            box = d.FindWindowExA(im, 0, "RICHCNTL", nullptr);
            // The send button is the first one after the text box, never one before it.
            send = d.FindWindowExA(im, box, "_AOL_Icon", nullptr);
            return im && box && send;
        },
        {limits.window_seconds, kPollSeconds}, WaitPumping::Pump);
    if (!opened) return give_up(recipient, "no instant-message window opened");

    d.SendMessageA(box, WM_SETTEXT, 0, text_param(text.c_str()));
    ClickButton(aol, send);

    HWND dialog = 0;
    bool closed = false;
    const bool answered = WaitFor(
        aol.loop(),
        [&] {
            aol.loop().pump();
            dialog = d.FindWindowA("#32770", "America Online");
            if (dialog) return true;
            HWND now = d.FindWindowExA(area, 0, "AOL Child", kImTitle);
            if (!now)
                closed = true;
            else
                im = now;
            return closed;
        },
        {limits.answer_seconds, kPollSeconds}, WaitPumping::Pump);
    if (!answered) return give_up(recipient, "the client did not answer");
    if (!dialog) return;  // the window closed by itself: nothing to confirm

    HWND ok = d.FindWindowExA(dialog, 0, "Button", nullptr);
    d.PostMessageA(ok, WM_KEYDOWN, kVkSpace, 0);
    d.PostMessageA(ok, WM_KEYUP, kVkSpace, 0);
    d.PostMessageA(im, WM_CLOSE, 0, 0);
}

}  // namespace rv::aol
