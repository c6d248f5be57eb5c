#include <gtest/gtest.h>

#include "helpers.h"
#include "platform/winapi/desktop.h"

namespace rv::winapi {
namespace {

TEST(Desktop, LookupsFollowTheWindowManagersRules) {
    Desktop d;
    HWND a = d.CreateWindowA("Frame", "Alpha", 0);
    HWND b = d.CreateWindowA("frame", "", 0);  // new top-level windows go on top
    HWND c1 = d.CreateWindowA("Child", "one", a);
    HWND c2 = d.CreateWindowA("Other", "two", a);
    HWND c3 = d.CreateWindowA("CHILD", "three", a);  // new children go to the bottom

    struct Case {
        const char* what;
        HWND got, want;
    };
    const Case cases[] = {
        {"class without case, topmost first", d.FindWindowA("FRAME", nullptr), b},
        {"title compared without case", d.FindWindowA(nullptr, "alpha"), a},
        {"an empty title matches only an empty title", d.FindWindowA("frame", ""), b},
        {"no match", d.FindWindowA("none", nullptr), 0},
        {"first child of a class", d.FindWindowExA(a, 0, "child", nullptr), c1},
        {"resumes after `after`", d.FindWindowExA(a, c1, "child", nullptr), c3},
        {"`after` must be a child of parent", d.FindWindowExA(a, b, "child", nullptr), 0},
        {"parent 0 searches top-level windows", d.FindWindowExA(0, b, "frame", nullptr), a},
        {"dead parent", d.FindWindowExA(0xDEAD, 0, nullptr, nullptr), 0},
        {"GW_HWNDFIRST", d.GetWindow(c3, GW_HWNDFIRST), c1},
        {"GW_HWNDNEXT", d.GetWindow(c1, GW_HWNDNEXT), c2},
        {"GW_HWNDNEXT at the bottom", d.GetWindow(c3, GW_HWNDNEXT), 0},
        {"GW_CHILD", d.GetWindow(a, GW_CHILD), c1},
        {"GetWindow of 0", d.GetWindow(0, GW_HWNDFIRST), 0},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.want) << c.what;

    d.BringWindowToTop(c3);
    EXPECT_EQ(d.GetWindow(c1, GW_HWNDFIRST), c3);
    d.ShowWindow(a, false);
    EXPECT_FALSE(d.IsWindowVisible(c1));  // a hidden parent hides its children
    d.DestroyWindow(a);
    EXPECT_FALSE(d.IsWindow(c2));
    EXPECT_EQ(d.FindWindowA(nullptr, "Alpha"), 0u);
}

TEST(Desktop, MessagesToDeadWindowsDoNothingAndPostedOnesKeepTheirOrder) {
    Desktop d;
    EXPECT_EQ(d.SendMessageA(0, WM_SETTEXT, 0, text_param("x")), 0);
    EXPECT_FALSE(d.PostMessageA(12345, WM_CLOSE, 0, 0));
    std::vector<UINT> got;
    HWND w = 0;
    w = d.CreateWindowA(
        "box", "", 0,
        [&](HWND h, UINT m, WPARAM, LPARAM) -> LRESULT {
            got.push_back(m);
            // A message posted while handling one waits for it to finish.
            if (m == WM_KEYDOWN) d.PostMessageA(h, WM_KEYUP, 0, 0);
            return 0;
        },
        true);
    d.PostMessageA(w, WM_KEYDOWN, 0, 0);
    d.PostMessageA(w, WM_CHAR, 13, 0);
    EXPECT_EQ(got, (std::vector<UINT>{WM_KEYDOWN, WM_KEYUP, WM_CHAR}));
    EXPECT_TRUE(d.log().empty());  // a log is kept only once switched on
    d.set_logging(true);
    d.PostMessageA(w, WM_KEYDOWN, 0, 0);
    d.PostMessageA(w, WM_CHAR, 13, 0);
    ASSERT_EQ(d.log().size(), 3u);
    EXPECT_TRUE(d.log()[0].posted);
}

TEST(Desktop, TextMessagesUseTheTitleAndNeverCutACharacter) {
    Desktop d;
    HWND w = d.CreateWindowA("box", "", 0);
    d.SendMessageA(w, WM_SETTEXT, 0, text_param("h\u00E9llo"));  // é is two bytes
    EXPECT_EQ(d.SendMessageA(w, WM_GETTEXTLENGTH, 0, 0), 6);
    char buf[3] = {};
    EXPECT_EQ(d.SendMessageA(w, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf)), 1);
    EXPECT_STREQ(buf, "h");
}

TEST(Desktop, AnIdleProgramKeepsNoMessageLog) {
    // The scanner sends messages to the room every poll: a log kept by default would grow
    // for as long as the program runs.
    test::World w;
    w.start();
    w.loop.advance(600);
    EXPECT_TRUE(w.program->desktop.log().empty());
}

}  // namespace
}  // namespace rv::winapi
