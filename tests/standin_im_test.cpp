// The stand-in client's address box, instant-message windows and message box, driven through
// window messages the way the instant-message toggles drive them.
#include <gtest/gtest.h>

#include "standin_world.h"

namespace rv {
namespace {

using namespace winapi;

void enter_keyword(test::ClientWorld& w, const std::string& keyword) {
    HWND box = w.address_box();
    w.desktop.SendMessageA(box, WM_SETTEXT, 0, text_param(keyword.c_str()));
    w.desktop.SendMessageA(box, WM_CHAR, 32, 0);
    w.desktop.SendMessageA(box, WM_CHAR, 13, 0);
}

HWND send_window(test::ClientWorld& w) {
    return w.desktop.FindWindowExA(w.area(), 0, "AOL Child", "Send Instant Message");
}

TEST(StandInIm, TheToggleLinksSwitchInstantMessagesAndTheBoxAnswers) {
    const struct {
        const char* keyword;
        bool on_after;
    } cases[] = {
        {"aol://9293:$IM_OFF", false},
        {"aol://9293:$IM_ON", true},
        {"  AOL://9293:$im_off", false},
        {"aol://9293: $IM_ON ", true},
    };
    test::ClientWorld w;
    EXPECT_TRUE(w.client.ims_on());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keyword);
        enter_keyword(w, c.keyword);
        HWND im = send_window(w);
        ASSERT_NE(im, 0u);
        HWND box = w.desktop.FindWindowExA(im, 0, "RICHCNTL", nullptr);
        ASSERT_NE(box, 0u);
        EXPECT_NE(w.desktop.FindWindowExA(im, 0, "_AOL_Icon", nullptr), 0u);
        HWND send = w.desktop.FindWindowExA(im, box, "_AOL_Icon", nullptr);
        ASSERT_NE(send, 0u);
        EXPECT_EQ(w.desktop.title(send), "Send");
        EXPECT_NE(w.desktop.FindWindowExA(im, 0, "_AOL_Icon", nullptr), send)
            << "a button comes before the text box";
        w.desktop.SendMessageA(box, WM_SETTEXT, 0, text_param(" "));
        w.desktop.SendMessageA(send, WM_LBUTTONDOWN, 0, 0);
        w.desktop.SendMessageA(send, WM_LBUTTONUP, 0, 0);
        EXPECT_EQ(w.client.ims_on(), c.on_after);
        HWND dialog = w.desktop.FindWindowA("#32770", "America Online");
        ASSERT_NE(dialog, 0u);
        HWND ok = w.desktop.FindWindowExA(dialog, 0, "Button", nullptr);
        ASSERT_NE(ok, 0u);
        w.desktop.PostMessageA(ok, WM_KEYDOWN, VK_SPACE, 0);
        EXPECT_TRUE(w.desktop.IsWindow(dialog)) << "space down alone does not press it";
        w.desktop.PostMessageA(ok, WM_KEYUP, VK_SPACE, 0);
        EXPECT_FALSE(w.desktop.IsWindow(dialog));
        EXPECT_EQ(send_window(w), im) << "the window stays for its writer to close";
        w.desktop.PostMessageA(im, WM_CLOSE, 0, 0);
        EXPECT_EQ(send_window(w), 0u);
        EXPECT_TRUE(w.client.windows().empty());
        w.loop.pump();
    }
}

TEST(StandInIm, AMessageToSomebodyGoesIntoTheirConversation) {
    test::ClientWorld w;
    enter_keyword(w, "aol://9293:Ann");
    auto* im = w.client.find<standin::SendImWindow>(send_window(w));
    ASSERT_NE(im, nullptr);
    EXPECT_EQ(im->to(), "Ann");
    w.desktop.SendMessageA(im->text_box(), WM_SETTEXT, 0, text_param("hi <b>Ann</b>"));
    w.click(im->send_button());
    EXPECT_EQ(send_window(w), 0u) << "sent: the window closes";
    HWND talk = w.desktop.FindWindowExA(w.area(), 0, "AOL Child", "Instant Message To: Ann");
    ASSERT_NE(talk, 0u);
    EXPECT_EQ(w.desktop.GetWindow(talk, GW_HWNDFIRST), talk);
    auto* conversation = w.client.find<standin::ImWindow>(talk);
    ASSERT_NE(conversation, nullptr);
    ASSERT_EQ(conversation->lines().size(), 1u);
    EXPECT_TRUE(conversation->lines()[0].from_user);
    // Ann answers; a second window to Ann finds the same conversation.
    EXPECT_TRUE(w.client.im_from("Ann", "hello&#10;Me:&#9;.p"));
    char text[64] = {};
    w.desktop.SendMessageA(conversation->transcript(), WM_GETTEXT, sizeof text,
                           reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, "Me:\thi Ann\r\nAnn:\thello Me: .p");
    EXPECT_EQ(w.desktop.FindWindowExA(w.area(), talk, "AOL Child", "Instant Message To: Ann"), 0u);
    // The user types in the conversation and presses Enter; blank input sends nothing.
    for (const char* typed : {"ok", "  "}) {
        w.desktop.SendMessageA(conversation->input(), WM_SETTEXT, 0, text_param(typed));
        w.desktop.SendMessageA(conversation->input(), WM_CHAR, VK_RETURN, 0);
    }
    EXPECT_EQ(conversation->lines().size(), 3u);
    // The room is still where chat goes: the conversation lacks a room's classes.
    w.client.open_room("Lobby");
    w.client.open_im("Ann");
    EXPECT_EQ(w.client.top_room()->name(), "Lobby");
}

TEST(StandInIm, WhatCannotBeSentIsAnsweredAndTheWindowStays) {
    const struct {
        const char* to;
        const char* text;
        bool ims_on;
        bool box;  // a message box answers
    } cases[] = {
        {"", "hi", true, true},    {"me", "hi", true, true}, {"Ann", "hi", false, true},
        {"Ann", " ", true, false}, {"Ann", "", true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.to) + "/" + c.text);
        test::ClientWorld w;
        if (!c.ims_on) {
            auto& toggle = w.client.open_send_im("$IM_OFF");
            w.click(toggle.send_button());
            w.desktop.SendMessageA(w.desktop.FindWindowA("#32770", nullptr), WM_CLOSE, 0, 0);
            w.desktop.SendMessageA(toggle.window(), WM_CLOSE, 0, 0);
        }
        auto& im = w.client.open_send_im(c.to);
        w.desktop.SendMessageA(im.text_box(), WM_SETTEXT, 0, text_param(c.text));
        w.click(im.send_button());
        EXPECT_EQ(w.desktop.FindWindowA("#32770", "America Online") != 0, c.box);
        EXPECT_TRUE(im.is_open());
        EXPECT_EQ(w.desktop.FindWindowExA(w.area(), 0, "AOL Child", "Instant Message To: Ann"), 0u);
    }
}

TEST(StandInIm, NobodyMessagesTheUserUnderTheUsersNameOrWhileImsAreOff) {
    test::ClientWorld w;
    for (const char* name : {"M:e", " Me", "ME", "", "\t"})
        EXPECT_FALSE(w.client.im_from(name, "x"));
    EXPECT_TRUE(w.client.windows().empty());
    EXPECT_EQ(w.client.open_im(" :\t"), 0u);
    EXPECT_TRUE(w.client.windows().empty());
    enter_keyword(w, "aol://9293:$IM_OFF");
    auto* im = w.client.find<standin::SendImWindow>(send_window(w));
    ASSERT_NE(im, nullptr);
    w.click(im->send_button());
    EXPECT_FALSE(w.client.im_from("Ann", "knock knock"));
}

TEST(StandInIm, KeywordsItDoesNotKnowOpenNothing) {
    const struct {
        const char* keyword;
        const char* opens;  // the class list it opens, "" for nothing
    } cases[] = {
        {"frobnicate", ""},  {"aol://1234:Ann", ""},      {"", ""},       {"aol://9293", ""},
        {"Mail", "mailbox"}, {"deleted mail", "deleted"}, {"im", "send"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.keyword);
        test::ClientWorld w;
        enter_keyword(w, c.keyword);
        const std::string opens = c.opens;
        EXPECT_EQ(w.mailbox() != 0, opens == "mailbox");
        EXPECT_EQ(w.deleted() != 0, opens == "deleted");
        EXPECT_EQ(send_window(w) != 0, opens == "send");
        EXPECT_EQ(w.client.toolbar().address(), std::string(c.keyword) + " ") << "the box keeps it";
    }
}

TEST(StandInIm, TheMessageBoxClosesByClickEnterEscapeAndClose) {
    const struct {
        const char* how;
        UINT msg1, msg2;
        WPARAM key;
        bool to_button;
    } cases[] = {
        {"click", WM_LBUTTONDOWN, WM_LBUTTONUP, 0, true},
        {"enter", WM_KEYDOWN, 0, VK_RETURN, true},
        {"escape", WM_KEYDOWN, 0, VK_ESCAPE, false},
        {"close", WM_CLOSE, 0, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        test::ClientWorld w;
        auto& box = w.client.message_box("Hello");
        HWND target = c.to_button ? box.button() : box.window();
        HWND dialog = box.window();
        w.desktop.PostMessageA(target, c.msg1, c.key, 0);
        if (c.msg2) w.desktop.PostMessageA(target, c.msg2, c.key, 0);
        EXPECT_FALSE(w.desktop.IsWindow(dialog));
        w.loop.pump();
    }
    test::ClientWorld w;
    auto& box = w.client.message_box("Stays");
    w.desktop.SendMessageA(box.button(), WM_LBUTTONUP, 0, 0);  // a release without a press
    w.desktop.SendMessageA(box.button(), WM_KEYUP, VK_SPACE, 0);
    EXPECT_TRUE(box.is_open());
}

}  // namespace
}  // namespace rv
