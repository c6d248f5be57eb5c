// The mailbox and instant-message automation driving the stand-in client: exactly the
// messages, in order, sent or posted, with their parameters, that each window receives.
#include "aol/mailbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <tuple>

#include "aol/instant_message.h"
#include "helpers.h"
#include "platform/winapi/inner_windows.h"
#include "standin_world.h"

namespace rv {
namespace {

using namespace winapi;

// (posted, message, wParam, lParam or the WM_SETTEXT text)
using Msg = std::tuple<bool, UINT, WPARAM, std::string>;
constexpr bool P = true, S = false;

std::vector<Msg> log_of(const Desktop& d, const std::function<bool(const LogEntry&)>& which) {
    std::vector<Msg> out;
    for (const auto& e : d.log())
        if (which(e))
            out.emplace_back(e.posted, e.msg, e.wparam,
                             e.msg == WM_SETTEXT ? e.text : std::to_string(e.lparam));
    return out;
}

struct MailCase {
    const char* name;
    std::vector<Msg> toolbar;  // what the toolbar buttons receive
    std::vector<Msg> menu;     // what the drop-down menu receives
    const char* window;        // "mailbox" or "deleted"
    int tab;                   // the tab whose list is waited on (-1: the deleted list)
    int entries;               // the sample mail in that list
};

class Mailbox : public ::testing::TestWithParam<MailCase> {
  protected:
    test::TempDir home;
    test::ClientWorld w{home.path()};
    aol::Automation aol{w.desktop, w.loop};
};

TEST_P(Mailbox, OpensWithExactlyTheMessagesOfAPerson) {
    const MailCase& c = GetParam();
    const HWND icons[] = {w.toolbar_icon(0), w.toolbar_icon(1)};
    w.desktop.set_logging(true);
    aol::OpenMailbox(aol, c.name);
    EXPECT_EQ(log_of(w.desktop,
                     [&](const LogEntry& e) { return e.hwnd == icons[0] || e.hwnd == icons[1]; }),
              c.toolbar);
    const auto menu_key = [&](const LogEntry& e) {
        return (e.msg == WM_KEYDOWN || e.msg == WM_KEYUP) && e.hwnd != icons[0] &&
               e.hwnd != icons[1];
    };
    EXPECT_EQ(log_of(w.desktop, menu_key), c.menu);
    // Every key went to the one menu that the button opened.
    std::set<HWND> key_windows;
    for (const auto& e : w.desktop.log())
        if (menu_key(e)) key_windows.insert(e.hwnd);
    EXPECT_LE(key_windows.size(), 1u);

    const bool deleted = std::string(c.window) == "deleted";
    HWND box = deleted ? w.deleted() : w.mailbox();
    ASSERT_NE(box, 0u) << c.name;
    HWND list =
        deleted ? w.desktop.FindWindowExA(box, 0, "_AOL_Tree", nullptr) : w.mail_list(c.tab);
    ASSERT_NE(list, 0u);
    // It returned once the list had all its mail: counts asked in pairs, the last pair equal.
    const auto counts = log_of(w.desktop, [&](const LogEntry& e) { return e.msg == LB_GETCOUNT; });
    ASSERT_GE(counts.size(), 2u);
    EXPECT_EQ(counts.size() % 2, 0u);
    for (const auto& e : w.desktop.log())
        if (e.msg == LB_GETCOUNT) {
            EXPECT_EQ(e.hwnd, list);
        }
    EXPECT_EQ(w.count(list), c.entries);
    EXPECT_EQ(w.desktop.FindWindowA("#32768", nullptr), 0u);  // no menu left open
}

const std::vector<Msg> kClickIcon = {{S, WM_LBUTTONDOWN, 0, "0"}, {S, WM_KEYUP, 0x20, "0"}};
const std::vector<Msg> kPostedPress = {{P, WM_LBUTTONDOWN, 0, "0"}, {P, WM_LBUTTONUP, 0, "0"}};
std::vector<Msg> keys(std::initializer_list<WPARAM> presses, bool last_up_lost = true) {
    std::vector<Msg> out;
    for (WPARAM k : presses) {
        out.emplace_back(P, WM_KEYDOWN, k, "0");
        out.emplace_back(P, WM_KEYUP, k, "0");
    }
    // The last Enter closes the menus: its key-up goes to a window that is gone.
    if (last_up_lost) out.pop_back();
    return out;
}
constexpr WPARAM D = 0x28, E = 13;

INSTANTIATE_TEST_SUITE_P(
    Names, Mailbox,
    ::testing::Values(MailCase{"new", kClickIcon, {}, "mailbox", 0, 8},
                      MailCase{"old", kPostedPress, keys({D, E, D, E}), "mailbox", 1, 14},
                      MailCase{"sent", kPostedPress, keys({D, E, D, D, E}), "mailbox", 2, 9},
                      MailCase{"del", kPostedPress, keys({D, D, D, D, D, D, E}), "deleted", -1, 5},
                      MailCase{"SENT", kPostedPress, keys({D, E, D, D, E}), "mailbox", 2, 9}),
    [](const auto& param_info) { return std::string(param_info.param.name); });

TEST(MailboxFinders, TheHigherMailboxIsUsedAndOtherWindowsArePassedOver) {
    test::TempDir home;
    test::ClientWorld w{home.path()};
    aol::Automation aol{w.desktop, w.loop};
    aol::OpenMailbox(aol, "new");
    const HWND real = w.mailbox();
    ASSERT_NE(real, 0u);
    EXPECT_EQ(aol::FindMailboxWindow(aol), real);
    // An instant-message window on top is passed over.
    w.client.open_send_im("Ann");
    EXPECT_EQ(aol::FindMailboxWindow(aol), real);
    // A second mailbox-like window above it is taken instead.
    HWND other = w.desktop.CreateWindowA("aol child", "Other", w.area());
    for (const char* cls : {"_aol_glyph", "_aol_icon", "_aol_image", "_aol_tabcontrol"})
        w.desktop.CreateWindowA(cls, "", other);
    w.desktop.BringWindowToTop(other);
    EXPECT_EQ(aol::FindMailboxWindow(aol), other);
    EXPECT_EQ(aol::FindDeletedMailWindow(aol), 0u);
}

struct ImCase {
    const char* label;
    const char* recipient;
    bool on_after;
};

class Toggle : public ::testing::TestWithParam<ImCase> {};

TEST_P(Toggle, SwitchesInstantMessagesAndLeavesNoWindowOpen) {
    const ImCase& c = GetParam();
    test::World world;
    world.start();
    auto& d = world.program->desktop;
    auto& client = world.program->client;
    if (c.on_after) {
        // Start from off, so that switching on shows.
        aol::SendInstantMessage(world.program->aol, "$IM_OFF", " ");
        ASSERT_FALSE(client.ims_on());
    }
    d.set_logging(true);
    d.clear_log();
    auto* label = world.form1().find(c.label);
    ASSERT_NE(label, nullptr);
    label->user_click();
    EXPECT_EQ(client.ims_on(), c.on_after);

    std::vector<Msg> all = log_of(d, [](const LogEntry&) { return true; });
    const std::string link = std::string("aol://9293:") + c.recipient;
    const std::vector<Msg> expected = {
        {S, WM_SETTEXT, 0, link},     // the address box
        {S, WM_CHAR, 32, "0"},        // a blank
        {S, WM_CHAR, 13, "0"},        // Enter
        {S, WM_SETTEXT, 0, " "},      // the text box of the message window
        {S, WM_LBUTTONDOWN, 0, "0"},  // the send button
        {S, WM_LBUTTONUP, 0, "0"},
        {P, WM_KEYDOWN, 0x20, "0"},  // the message box's button, by the space bar
        {P, WM_KEYUP, 0x20, "0"},
        {P, WM_CLOSE, 0, "0"},  // the message window
    };
    // Only the automation's own messages: the client's windows also talk among themselves.
    std::vector<Msg> mine;
    for (const auto& m : all)
        if (std::find(expected.begin(), expected.end(), m) != expected.end()) mine.push_back(m);
    EXPECT_EQ(mine, expected);
    const HWND area =
        d.FindWindowExA(d.FindWindowA("aol frame25", nullptr), 0, "mdiclient", nullptr);
    EXPECT_EQ(d.FindWindowExA(area, 0, "AOL Child", "Send Instant Message"), 0u);
    EXPECT_EQ(d.FindWindowA("#32770", "America Online"), 0u);
}

INSTANTIATE_TEST_SUITE_P(Labels, Toggle,
                         ::testing::Values(ImCase{"Label11", "$IM_OFF", false},
                                           ImCase{"Label10", "$IM_ON", true}),
                         [](const auto& param_info) {
                             return std::string(param_info.param.label);
                         });

}  // namespace
}  // namespace rv
