// The mailbox and instant-message routines against clients that never answer: each returns
// within its limit, silently, and the menu wait runs no events.
#include <gtest/gtest.h>

#include "aol/instant_message.h"
#include "aol/mailbox.h"
#include "platform/loop/virtual_loop.h"

namespace rv {
namespace {

using winapi::HWND;

// A client frame with a toolbar whose buttons take clicks and do nothing.
struct DeafClient {
    explicit DeafClient(winapi::Desktop& d) {
        HWND frame = d.CreateWindowA("aol frame25", "", 0);
        HWND bar = d.CreateWindowA("aol toolbar", "", frame);
        HWND buttons = d.CreateWindowA("_aol_toolbar", "", bar);
        for (int i = 0; i < 3; ++i) d.CreateWindowA("_aol_icon", "", buttons);
        HWND combo = d.CreateWindowA("_aol_combobox", "", buttons);
        d.CreateWindowA("Edit", "", combo);
        d.CreateWindowA("mdiclient", "", frame);
    }
};

struct Case {
    const char* name;
    bool client;
    double at_least, at_most;  // virtual seconds the routine may take
};

class Bounds : public ::testing::TestWithParam<Case> {
  protected:
    VirtualLoop loop;
    winapi::Desktop desktop;
    aol::Automation aol{desktop, loop};
};

TEST_P(Bounds, OpenMailboxGivesUpAtItsLimit) {
    const Case& c = GetParam();
    std::unique_ptr<DeafClient> client;
    if (c.client) client = std::make_unique<DeafClient>(desktop);
    int ticks = 0;
    loop.start_timer(100, [&] { ++ticks; });
    const double start = loop.now();
    aol::OpenMailbox(aol, c.name);
    const double took = loop.now() - start;
    EXPECT_GE(took, c.at_least) << c.name;
    EXPECT_LE(took, c.at_most) << c.name;
    // Only the wait for the mailbox runs events; the menu wait lets time pass without them.
    if (std::string(c.name) != "new" && std::string(c.name) != "NEW")
        EXPECT_EQ(ticks, 0) << c.name;
    else
        EXPECT_GE(ticks, 90) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Mailboxes, Bounds,
                         ::testing::Values(Case{"new", false, 10, 10.1},
                                           Case{"old", false, 2, 2.05},
                                           Case{"sent", false, 2, 2.05},
                                           Case{"del", false, 2, 2.05}, Case{"NEW", true, 10, 10.1},
                                           Case{"Old", true, 2, 2.05}, Case{"sent", true, 2, 2.05},
                                           Case{"del", true, 2, 2.05}, Case{"inbox", true, 0, 0}),
                         [](const auto& param_info) {
                             const Case& c = param_info.param;
                             return std::string(c.name) +
                                    (c.client ? "_deaf_client" : "_no_client");
                         });

TEST(ImBounds, InstantMessageGivesUpWhenNoWindowOpens) {
    for (bool with_client : {false, true}) {
        VirtualLoop loop;
        winapi::Desktop desktop;
        aol::Automation aol{desktop, loop};
        std::unique_ptr<DeafClient> client;
        if (with_client) client = std::make_unique<DeafClient>(desktop);
        desktop.set_logging(true);
        aol::SendInstantMessage(aol, "$IM_ON", " ");
        EXPECT_NEAR(loop.now(), 10, 0.06) << with_client;
        if (!with_client) continue;
        // The keyword went into the address box: the link, a blank, Enter.
        HWND edit = desktop.FindWindowExA(
            desktop.FindWindowExA(
                desktop.FindWindowExA(
                    desktop.FindWindowExA(desktop.FindWindowA("aol frame25", nullptr), 0,
                                          "aol toolbar", nullptr),
                    0, "_aol_toolbar", nullptr),
                0, "_aol_combobox", nullptr),
            0, "Edit", nullptr);
        ASSERT_NE(edit, 0u);
        EXPECT_EQ(desktop.title(edit), "aol://9293:$IM_ON");
    }
}

TEST(ListSettle, AMissingListCountsAsSettledAfterOnePass) {
    VirtualLoop loop;
    winapi::Desktop desktop;
    aol::Automation aol{desktop, loop};
    EXPECT_TRUE(aol::WaitForListToSettle(aol, 0));
    EXPECT_NEAR(loop.now(), 0.8, 0.01);
}

TEST(ListSettle, AGrowingListKeepsTheWaitGoingUntilTwoCountsAgree) {
    VirtualLoop loop;
    winapi::Desktop desktop;
    aol::Automation aol{desktop, loop};
    long count = 0;
    HWND list = desktop.CreateWindowA("_aol_tree", "", 0,
                                      [&](HWND, winapi::UINT msg, winapi::WPARAM, winapi::LPARAM) {
                                          return msg == winapi::LB_GETCOUNT ? count : 0;
                                      });
    // Grows by one every 0.3 s for 3 s, then stays.
    TimerId grow = loop.start_timer(300, [&] {
        if (++count == 10) loop.stop_timer(grow);
    });
    EXPECT_TRUE(aol::WaitForListToSettle(aol, list));
    EXPECT_EQ(count, 10);
    // Passes of 0.8 s: the first that sees no growth starts after the last entry.
    EXPECT_GE(loop.now(), 3.0);
    EXPECT_LE(loop.now(), 3.0 + 1.6 + 0.01);

    // One that never stops gives up at the limit.
    count = 0;
    loop.start_timer(300, [&] { ++count; });
    const double start = loop.now();
    EXPECT_FALSE(aol::WaitForListToSettle(aol, list, 30));
    EXPECT_GE(loop.now() - start, 30);
    EXPECT_LE(loop.now() - start, 30.81);
}

}  // namespace
}  // namespace rv
