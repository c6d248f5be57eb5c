// The stand-in client's toolbar, menus and mailboxes, driven through window messages the way
// the mailbox automation drives them; posted messages take effect without anybody pumping.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "helpers.h"
#include "standin_world.h"

namespace rv {
namespace {

using namespace winapi;

TEST(StandInMail, TheSecondToolbarButtonOpensNewMailThatArrivesOverTime) {
    test::ClientWorld w;
    HWND read = w.toolbar_icon(1);
    ASSERT_NE(read, 0u);
    EXPECT_EQ(w.desktop.title(read), "Read");
    w.desktop.SendMessageA(read, WM_LBUTTONDOWN, 0, 0);
    EXPECT_EQ(w.mailbox(), 0u);  // a press alone is no click
    w.desktop.SendMessageA(read, WM_KEYUP, VK_SPACE, 0);
    ASSERT_NE(w.mailbox(), 0u);
    EXPECT_EQ(w.deleted(), 0u);
    HWND list = w.mail_list(0);
    ASSERT_NE(list, 0u);
    // Nothing has arrived yet; then a few letters every 100 to 300 ms until all 8 are in.
    std::vector<std::pair<double, LRESULT>> arrivals;
    LRESULT last = w.count(list);
    EXPECT_EQ(last, 0);
    for (int step = 0; step < 300; ++step) {
        w.loop.advance(0.01);
        if (w.count(list) != last) arrivals.emplace_back(w.loop.now(), last = w.count(list));
    }
    ASSERT_GE(arrivals.size(), 3u);
    EXPECT_EQ(arrivals.back().second, 8);
    double before = 0;
    LRESULT had = 0;
    for (auto [at, n] : arrivals) {
        EXPECT_GE(at - before, 0.1 - 1e-6);
        EXPECT_LE(at - before, 0.3 + 1e-6);
        EXPECT_LE(n - had, 3);
        before = at;
        had = n;
    }
    EXPECT_EQ(w.loop.active_timers(), 0u) << "a full list stops its timer";
    // The other tabs' lists hold nothing until shown.
    EXPECT_EQ(w.count(w.mail_list(1)), 0);
    EXPECT_EQ(w.count(w.mail_list(2)), 0);
}

TEST(StandInMail, MenuKeysPostedToTheMenuOpenWhatTheyName) {
    const struct {
        const char* name;
        int downs;
        int sub_downs;  // -1: no second choice
        int tab;        // -1: the deleted mail window
        LRESULT letters;
    } cases[] = {
        {"old", 1, 1, 1, 14},       {"sent", 1, 2, 2, 9},
        {"del", 6, -1, -1, 5},      {"new mail in the submenu", 1, 0, 0, 8},
        {"read mail", 0, -1, 0, 8}, {"round the end to read mail", 7, -1, 0, 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::ClientWorld w;
        HWND mail = w.toolbar_icon(0);
        w.desktop.PostMessageA(mail, WM_LBUTTONDOWN, 0, 0);
        w.desktop.PostMessageA(mail, WM_LBUTTONUP, 0, 0);
        HWND menu = w.menu();
        ASSERT_NE(menu, 0u);
        EXPECT_TRUE(w.desktop.IsWindowVisible(menu));
        EXPECT_EQ(w.desktop.GetWindow(menu, GW_HWNDFIRST), menu) << "a menu opens on top";
        w.post_keys(menu, VK_DOWN, c.downs);
        w.post_keys(menu, VK_RETURN);
        if (c.sub_downs >= 0) {
            EXPECT_NE(w.menu(), menu) << "the submenu is a menu window of its own, on top";
            w.post_keys(menu, VK_DOWN, c.sub_downs);  // to the first menu window, as posted
            w.post_keys(menu, VK_RETURN);
        }
        EXPECT_EQ(w.menu(), 0u) << "a chosen entry closes every menu";
        if (c.tab < 0) {
            ASSERT_NE(w.deleted(), 0u);
            EXPECT_EQ(w.mailbox(), 0u);
            EXPECT_EQ(w.settled_count(w.deleted_list()), c.letters);
        } else {
            ASSERT_NE(w.mailbox(), 0u);
            EXPECT_EQ(w.deleted(), 0u);
            HWND tabs = w.desktop.FindWindowExA(w.mailbox(), 0, "_aol_tabcontrol", nullptr);
            EXPECT_EQ(w.desktop.SendMessageA(tabs, TCM_GETCURSEL, 0, 0), c.tab);
            EXPECT_TRUE(w.desktop.IsWindowVisible(w.mail_list(c.tab)));
            EXPECT_EQ(w.settled_count(w.mail_list(c.tab)), c.letters);
        }
        w.loop.pump();  // frees the closed menus
    }
}

TEST(StandInMail, TheLogShowsEachPostedMessageHandledInOrder) {
    test::ClientWorld w;
    HWND mail = w.toolbar_icon(0);
    w.desktop.clear_log();
    w.desktop.PostMessageA(mail, WM_LBUTTONDOWN, 0, 0);
    w.desktop.PostMessageA(mail, WM_LBUTTONUP, 0, 0);
    HWND menu = w.menu();
    w.post_keys(menu, VK_DOWN, 6);
    w.post_keys(menu, VK_RETURN);
    std::vector<LogEntry> expected = {{true, mail, WM_LBUTTONDOWN, 0, 0, ""},
                                      {true, mail, WM_LBUTTONUP, 0, 0, ""}};
    for (int i = 0; i < 6; ++i) {
        expected.push_back({true, menu, WM_KEYDOWN, VK_DOWN, 0, ""});
        expected.push_back({true, menu, WM_KEYUP, VK_DOWN, 0, ""});
    }
    // Enter closed the menu: its key-up finds no window.
    expected.push_back({true, menu, WM_KEYDOWN, VK_RETURN, 0, ""});
    EXPECT_EQ(w.desktop.log(), expected);
    EXPECT_NE(w.deleted(), 0u);
    EXPECT_EQ(w.loop.now(), 0.0) << "nobody pumped, no time passed";
}

TEST(StandInMail, EscapeLeftAndTheMouseInMenus) {
    test::ClientWorld w;
    standin::Menu& top = w.client.open_mail_menu();
    w.post_keys(top.window(), VK_DOWN);
    w.post_keys(top.window(), VK_RIGHT);  // opens the submenu
    ASSERT_NE(top.submenu(), nullptr);
    w.post_keys(top.window(), VK_LEFT);  // closes it again
    EXPECT_EQ(top.submenu(), nullptr);
    EXPECT_EQ(w.menu(), top.window());
    w.post_keys(top.window(), VK_UP, 3);  // round the top
    EXPECT_EQ(top.highlighted(), 5);
    w.post_keys(top.window(), VK_ESCAPE);
    EXPECT_EQ(w.menu(), 0u);
    // The mouse: a click on an entry with nothing behind it closes the menu and opens nothing.
    standin::Menu& again = w.client.open_mail_menu();
    again.choose(3);
    EXPECT_EQ(w.menu(), 0u);
    EXPECT_EQ(w.client.windows().size(), 0u);
    // Resting on an entry highlights it; on one with a submenu it opens the submenu, and
    // moving on closes it again. Nothing is chosen.
    standin::Menu& hovered = w.client.open_mail_menu();
    const HWND hovered_window = hovered.window();
    struct Hover {
        int entry;
        bool submenu_open;
    };
    for (const Hover h : {Hover{1, true}, Hover{1, true}, Hover{3, false}, Hover{1, true},
                          Hover{0, false}, Hover{9, false}}) {
        hovered.hover(h.entry);
        EXPECT_EQ(hovered.highlighted(), h.entry == 9 ? 0 : h.entry);
        EXPECT_EQ(hovered.submenu() != nullptr, h.submenu_open) << h.entry;
        EXPECT_EQ(w.menu(), h.submenu_open ? hovered.submenu()->window() : hovered_window)
            << h.entry;
    }
    EXPECT_EQ(w.mailbox(), 0u);
    w.post_keys(hovered_window, VK_ESCAPE);
    EXPECT_EQ(w.menu(), 0u);
    w.client.open_mail_menu().choose(2);  // check mail: the answer in a message box
    HWND box = w.desktop.FindWindowA("#32770", "America Online");
    ASSERT_NE(box, 0u);
    EXPECT_EQ(w.desktop.title(w.desktop.FindWindowExA(box, 0, "Static", nullptr)),
              "You have 8 new letters.");
    w.loop.pump();
}

TEST(StandInMail, OpeningAnOpenMailboxRaisesItAtTheTab) {
    test::ClientWorld w;
    w.click(w.toolbar_icon(1));
    HWND box = w.mailbox();
    w.settled_count(w.mail_list(0));
    w.client.open_room("Upstairs");
    EXPECT_NE(w.desktop.GetWindow(box, GW_HWNDFIRST), box);
    w.client.open_mailbox(standin::MailboxWindow::kSent);
    EXPECT_EQ(w.mailbox(), box);
    EXPECT_EQ(w.desktop.GetWindow(box, GW_HWNDFIRST), box);
    EXPECT_EQ(w.client.windows().size(), 1u);
    EXPECT_FALSE(w.desktop.IsWindowVisible(w.mail_list(0)));
    EXPECT_EQ(w.settled_count(w.mail_list(2)), 9);
    EXPECT_EQ(w.count(w.mail_list(0)), 8) << "a list once loaded stays";
    // A message to close it closes it, posted or sent.
    w.desktop.PostMessageA(box, WM_CLOSE, 0, 0);
    EXPECT_FALSE(w.desktop.IsWindow(box));
    w.loop.pump();
    EXPECT_EQ(w.loop.active_timers(), 0u);
}

TEST(StandInMail, ListsAnswerTheirEntriesAndTheButtonsMoveMail) {
    test::ClientWorld w;
    standin::MailboxWindow& box = w.client.open_mailbox(standin::MailboxWindow::kNew);
    HWND list = w.mail_list(0);
    EXPECT_EQ(w.settled_count(list), 8);
    EXPECT_EQ(w.desktop.SendMessageA(list, LB_GETTEXTLEN, 8, 0), -1);
    const LRESULT len = w.desktop.SendMessageA(list, LB_GETTEXTLEN, 1, 0);
    ASSERT_GT(len, 0);
    std::string text(static_cast<std::size_t>(len) + 1, '\0');
    EXPECT_EQ(w.desktop.SendMessageA(list, LB_GETTEXT, 1, reinterpret_cast<LPARAM>(text.data())),
              len);
    text.resize(static_cast<std::size_t>(len));
    const standin::Mail second = box.list(0).at(1);
    EXPECT_EQ(text, second.date + "\t" + second.from + "\t" + second.subject);
    // Delete the selected letter: it leaves new mail and shows among the deleted.
    EXPECT_EQ(w.desktop.SendMessageA(list, LB_SETCURSEL, 1, 0), 1);
    w.click(box.delete_button());
    EXPECT_EQ(w.count(list), 7);
    w.client.open_deleted_mail();
    EXPECT_EQ(w.settled_count(w.deleted_list()), 6);
    // Read the first: it becomes old mail, and a message box shows it.
    w.client.open_mailbox(standin::MailboxWindow::kNew);
    w.desktop.SendMessageA(list, LB_SETCURSEL, 0, 0);
    w.click(box.read_button());
    EXPECT_EQ(w.count(list), 6);
    EXPECT_NE(w.desktop.FindWindowA("#32770", "America Online"), 0u);
    box.select_tab(standin::MailboxWindow::kOld);
    EXPECT_EQ(w.settled_count(w.mail_list(1)), 15);
    // Nothing selected: the buttons do nothing.
    w.desktop.SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    w.client.open_mailbox(standin::MailboxWindow::kNew);
    w.click(box.delete_button());
    EXPECT_EQ(w.count(list), 6);
}

TEST(StandInMail, SampleMailIsMadeOnFirstUseAndKept) {
    test::TempDir home;
    const std::string file = home.file(standin::MailStore::kFileName);
    {
        test::ClientWorld w(home.path());
        EXPECT_FALSE(std::filesystem::exists(file)) << "made on first use, not at start";
        standin::MailboxWindow& box = w.client.open_mailbox(standin::MailboxWindow::kNew);
        ASSERT_TRUE(std::filesystem::exists(file));
        w.settled_count(w.mail_list(0));
        box.list(0).select(0);
        w.click(box.delete_button());
    }
    test::ClientWorld again(home.path());
    EXPECT_EQ(again.client.mail().in(standin::Box::New).size(), 7u);
    EXPECT_EQ(again.client.mail().in(standin::Box::Deleted).size(), 6u);
    EXPECT_FALSE(std::filesystem::exists(file + ".tmp"));
}

TEST(StandInMail, AStoreThatCannotBeReadIsNeverReplaced) {
    test::TempDir home;
    const std::string file = home.file(standin::MailStore::kFileName);
    std::filesystem::create_directory(file);  // cannot be read as a file
    test::ClientWorld w(home.path());
    std::stringstream err;
    auto* old = std::cerr.rdbuf(err.rdbuf());
    EXPECT_EQ(w.client.mail().in(standin::Box::New).size(), 8u) << "sample mail, in memory";
    w.client.move_mail(1, standin::Box::Old);
    std::cerr.rdbuf(old);
    EXPECT_TRUE(std::filesystem::is_directory(file));
    EXPECT_NE(err.str().find("cannot read"), std::string::npos);
    // A home that cannot hold the file: the mail lives in memory and says why, once a write.
    test::ClientWorld below(home.file("mp3.oca") + "/x");
    home.touch("mp3.oca");
    err.str("");
    old = std::cerr.rdbuf(err.rdbuf());
    EXPECT_EQ(below.client.mail().in(standin::Box::Sent).size(), 9u);
    std::cerr.rdbuf(old);
    EXPECT_NE(err.str().find("cannot write"), std::string::npos);
}

TEST(StandInMail, AnyFileOfLettersReadsAsWhatItHolds) {
    test::TempDir home;
    home.touch(standin::MailStore::kFileName,
               "new\t01/02/2003\tAnn\tHello\r\nold\tx\tBo\t\nbogus\ta\tb\tc\nnew\tonly three\tf\n"
               "\n\tnew\ta\tb\nsent\td\tCleo\tRe: hi\tthere\n");
    test::ClientWorld w(home.path());
    auto fresh = w.client.mail().in(standin::Box::New);
    ASSERT_EQ(fresh.size(), 1u);
    EXPECT_EQ(fresh[0].subject, "Hello");
    EXPECT_EQ(w.client.mail().in(standin::Box::Old).size(), 1u);
    EXPECT_EQ(w.client.mail().in(standin::Box::Sent).size(), 0u);
}

}  // namespace
}  // namespace rv
