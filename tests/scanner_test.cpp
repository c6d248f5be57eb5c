// The chat scanner when handlers wait, when lines are too long to read in one message, and
// when the client's windows say less than they promise.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "chat_world.h"
#include "platform/chatscan/chat_scanner.h"
#include "platform/loop/virtual_loop.h"
#include "platform/winapi/inner_windows.h"
#include "standin/client.h"

namespace rv {
namespace {

using namespace winapi;

struct Scanned : test::ChatWorld {
    standin::Room& room = client.open_room("Lobby");
    chatscan::ChatScanner scan{desktop, loop};
    std::vector<std::string> events;

    // Says `text` as `name` once `seconds` of virtual time have passed.
    void say_at(double seconds, std::string name, std::string text) {
        auto id = std::make_shared<TimerId>();
        *id = loop.start_timer(static_cast<int>(seconds * 1000), [this, id, name, text] {
            loop.stop_timer(*id);
            client.say_as(room, name, text);
        });
    }
};

TEST(ScannerNesting, ALineSaidDuringAHandlersWaitIsHandledInsideIt) {
    Scanned s;
    s.scan.ChatMessage = [&](const std::string& name, const std::string& text) {
        s.events.push_back("begin " + name + " " + text);
        if (text == "first") s.aol.WaitSeconds(0.5);
        s.events.push_back("end " + text);
    };
    s.scan.ScanOn();
    s.client.say_as(s.room, "Ann", "first");  // raised at 0.05 s, waits until 0.55 s
    s.say_at(0.25, "Bo", "second");
    s.say_at(0.35, "Cy", "third");
    s.loop.advance(2.0);
    EXPECT_EQ(s.events,
              (std::vector<std::string>{"begin Ann first", "begin Bo second", "end second",
                                        "begin Cy third", "end third", "end first"}));
}

TEST(ScannerNesting, EachInstanceGoesOnByItselfWhileAHandlerWaits) {
    Scanned s;
    chatscan::ChatScanner other(s.desktop, s.loop);
    std::vector<std::string> other_got;
    other.ChatMessage = [&](const std::string&, const std::string& t) { other_got.push_back(t); };
    s.scan.ChatMessage = [&](const std::string&, const std::string& t) {
        s.events.push_back(t);
        if (t == "wait") s.aol.WaitSeconds(0.5);
    };
    s.scan.ScanOn();
    other.ScanOn();
    s.client.say_as(s.room, "Ann", "wait");
    // The other instance is stopped while a handler of this one waits.
    auto stop = std::make_shared<TimerId>();
    *stop = s.loop.start_timer(200, [&, stop] {
        s.loop.stop_timer(*stop);
        other.ScanOff();
    });
    s.say_at(0.3, "Ann", "during");
    s.loop.advance(1.0);
    EXPECT_EQ(s.events, (std::vector<std::string>{"wait", "during"}));
    EXPECT_EQ(other_got, (std::vector<std::string>{"wait"}));
    other.ScanOn();
    s.scan.ScanOff();
    s.client.say_as(s.room, "Ann", "after");
    s.loop.advance(0.1);
    EXPECT_EQ(s.events.size(), 2u);
    EXPECT_EQ(other_got, (std::vector<std::string>{"wait", "after"}));
}

// Every handler of both scanners waits, so lines would nest without end; past the bound
// they wait their turn. Spread out or in one burst, each line is raised once, in order.
TEST(ScannerNesting, ManyLinesDuringNestedWaitsAreNeitherLostNorDoubledNorNestedDeep) {
    for (const double spacing : {0.02, 0.0}) {
        Scanned s;
        chatscan::ChatScanner other(s.desktop, s.loop);
        std::vector<std::string> got, other_got;
        int depth = 0, deepest = 0;
        auto waiting = [&](std::vector<std::string>& into) {
            return [&](const std::string&, const std::string& t) {
                into.push_back(t);
                deepest = std::max(deepest, ++depth);
                s.aol.WaitSeconds(0.12);
                --depth;
            };
        };
        s.scan.ChatMessage = waiting(got);
        other.ChatMessage = waiting(other_got);
        s.scan.ScanOn();
        other.ScanOn();
        const int n = spacing > 0 ? 40 : 2000;
        for (int i = 0; i < n; ++i) {
            if (spacing > 0)
                s.say_at(spacing * (i + 1), "Ann", std::to_string(i));
            else
                s.client.say_as(s.room, "Ann", std::to_string(i));
        }
        s.loop.advance(n * 0.12 * 2 + 10.0);
        ASSERT_EQ(got.size(), static_cast<std::size_t>(n)) << spacing;
        EXPECT_EQ(got, other_got);
        for (int i = 0; i < n; ++i) EXPECT_EQ(got[static_cast<std::size_t>(i)], std::to_string(i));
        EXPECT_EQ(deepest, chatscan::ChatScanner::kMaxNesting) << spacing;
        EXPECT_EQ(s.scan.pending() + other.pending(), 0u);
    }
}

TEST(ScannerNesting, ALineFoundBeforeScanOffOrDestructionIsNotRaised) {
    Scanned s;
    int raised = 0;
    s.scan.ChatMessage = [&](const std::string&, const std::string&) { ++raised; };
    s.scan.ScanOn();
    s.client.say_as(s.room, "Ann", "one");
    s.scan.poll();
    s.scan.ScanOff();
    s.scan.ScanOn();  // a new scan does not raise what the old one found
    s.loop.pump();
    EXPECT_EQ(raised, 0);
    auto gone = std::make_unique<chatscan::ChatScanner>(s.desktop, s.loop);
    gone->ChatMessage = [&](const std::string&, const std::string&) { ++raised; };
    gone->ScanOn();
    s.client.say_as(s.room, "Ann", "two");
    gone->poll();
    gone.reset();
    s.loop.pump();
    EXPECT_EQ(raised, 0);
}

TEST(ScannerReads, LongNamesAndLinesComeBackWhole) {
    VirtualLoop loop;
    Desktop desktop;
    const std::string user(300, 'u');
    standin::Client client(desktop, loop, user);
    standin::Room& room = client.open_room("Lobby");
    chatscan::ChatScanner scan(desktop, loop);
    EXPECT_EQ(scan.UserScreenName(), user);
    std::vector<std::pair<std::string, std::string>> got;
    scan.ChatMessage = [&](const std::string& n, const std::string& t) { got.emplace_back(n, t); };
    scan.ScanOn();
    const std::string huge = std::string(70000, 'x') + "end";
    client.say_as(room, "Ann", huge);
    client.user_send(room, ".p");
    loop.advance(0.05);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].first, "Ann");
    EXPECT_EQ(got[0].second, huge);
    EXPECT_EQ(got[1], std::make_pair(user, std::string(".p")));
}

// A flood longer than the window holds: the room lets its oldest lines go a block at a time,
// and the scanner reports every line it could still see, once and in order.
TEST(ScannerFlood, EachLineOnceWhileTheWindowLetsItsOldestGo) {
    using standin::Room;
    struct Case {
        const char* what;
        std::vector<std::size_t> bursts;  // lines said between two polls, in turn
        bool all;                         // every line reported: none went before a poll
    };
    const Case cases[] = {
        {"a line a poll", std::vector<std::size_t>(Room::kMaxLines + 2500, 1), true},
        {"bursts of all sizes", {1, 999, 1000, 1001, 2500, 7, 3000, 9000, 1, 4000, 8999}, true},
        {"a burst longer than the window", {500, 15000, 3, 12000}, false},
    };
    for (const auto& c : cases) {
        VirtualLoop loop;
        Desktop desktop;  // no message log: a flood would fill it
        standin::Client client(desktop, loop, "Me");
        Room& room = client.open_room("Lobby");
        chatscan::ChatScanner scan(desktop, loop);
        std::vector<std::string> got, expected;
        scan.ChatMessage = [&](const std::string&, const std::string& t) { got.push_back(t); };
        scan.ScanOn();
        std::size_t said = 0;
        for (std::size_t burst : c.bursts) {
            const std::size_t before = said;
            for (; said < before + burst; ++said)
                client.say_as(room, "Ann", "line " + std::to_string(said));
            // What the scanner can still see of this burst: what the room did not let go.
            for (std::size_t n = std::max(before, room.dropped()); n < said; ++n)
                expected.push_back("line " + std::to_string(n));
            scan.poll();
            loop.pump();
            ASSERT_LE(room.lines().size(), Room::kMaxLines) << c.what;
            ASSERT_LE(desktop.SendMessageA(room.transcript(), WM_GETTEXTLENGTH, 0, 0),
                      static_cast<LRESULT>(Room::kMaxLines * 20))
                << c.what;
        }
        EXPECT_EQ(got, expected) << c.what;
        EXPECT_EQ(got.size() == said, c.all) << c.what;
        EXPECT_GT(room.dropped(), 0u) << c.what;
    }
}

// Lines that read exactly alike: one new line a poll is found exactly when the window lets
// its oldest go; several can leave the place ambiguous, and the scanner may then miss some
// there, but never reports one twice.
TEST(ScannerFlood, AlikeLinesAreNeverReportedTwice) {
    for (std::size_t burst : {1, 5}) {
        VirtualLoop loop;
        Desktop desktop;
        standin::Client client(desktop, loop, "Me");
        standin::Room& room = client.open_room("Lobby");
        chatscan::ChatScanner scan(desktop, loop);
        std::size_t got = 0;
        scan.ChatMessage = [&](const std::string&, const std::string&) { ++got; };
        scan.ScanOn();
        const std::size_t said = standin::Room::kMaxLines * 2;
        for (std::size_t i = 0; i < said; ++i) {
            client.user_send(room, ".p");
            if ((i + 1) % burst) continue;
            scan.poll();
            loop.pump();
        }
        const std::size_t drops = room.dropped() / standin::Room::kDropLines;
        EXPECT_LE(got, said) << burst;
        EXPECT_GE(got + drops * (burst - 1), said) << burst;
    }
}

// A room whose transcript promises more than it gives: a line cut short, lines without an
// author, and one good line.
struct LyingRoom {
    std::vector<std::string> lines = {"Me:\t.exit and more", "no separator", ":\tnameless",
                                      "Ann:\tok"};
    std::size_t start(std::size_t i) const {
        std::size_t at = 0;
        for (std::size_t k = 0; k < i; ++k) at += lines[k].size() + 2;
        return at;
    }
    LRESULT proc(UINT msg, WPARAM w, LPARAM l) {
        switch (msg) {
            case WM_GETTEXTLENGTH:
                return static_cast<LRESULT>(start(lines.size()) - 2);
            case EM_GETLINECOUNT:
                return static_cast<LRESULT>(lines.size());
            case EM_LINEINDEX:
                return w < lines.size() ? static_cast<LRESULT>(start(w)) : -1;
            case EM_LINELENGTH:
                for (std::size_t i = 0; i < lines.size(); ++i)
                    if (start(i) == w) return static_cast<LRESULT>(lines[i].size());
                return 0;
            case EM_GETLINE: {
                // The first line backs off to nothing, as a cut inside a character would.
                const std::size_t n = w == 0 ? 0 : lines[w].size();
                std::memcpy(reinterpret_cast<char*>(l), lines[w].data(), n);
                return static_cast<LRESULT>(n);
            }
            default:
                return 0;
        }
    }
};

TEST(ScannerReads, ALineWithoutAReadableAuthorIsNobodys) {
    VirtualLoop loop;
    Desktop desktop;
    HWND frame = desktop.CreateWindowA("AOL Frame25", "", 0);
    HWND mdi = desktop.CreateWindowA("MDIClient", "", frame);
    HWND room = desktop.CreateWindowA("AOL Child", "Lobby", mdi);
    LyingRoom lying;
    const std::vector<std::string> said = std::move(lying.lines);
    for (const char* cls : kChatRoomClasses) {
        WndProc proc;
        if (std::string(cls) == "richcntlreadonly")
            proc = [&](HWND, UINT m, WPARAM w, LPARAM l) { return lying.proc(m, w, l); };
        desktop.CreateWindowA(cls, "", room, proc);
    }
    chatscan::ChatScanner scan(desktop, loop);
    EXPECT_EQ(scan.UserScreenName(), "");  // no signed-on user shown
    std::vector<std::pair<std::string, std::string>> got;
    scan.ChatMessage = [&](const std::string& n, const std::string& t) { got.emplace_back(n, t); };
    scan.ScanOn();
    lying.lines = said;
    loop.advance(0.05);
    EXPECT_EQ(got, (std::vector<std::pair<std::string, std::string>>{{"Ann", "ok"}}));
}

// The scanner keeps the room it found until the client's windows change: each change of the
// window list sends it to the room then on top, and no line of it is missed.
TEST(ScannerRooms, EachChangeOfTheWindowsIsFollowedToTheRoomOnTop) {
    Scanned w;
    standin::Room& second = w.client.open_room("Second");
    w.scan.ChatMessage = [&](const std::string& name, const std::string& text) {
        w.events.push_back(name + ": " + text);
    };
    w.scan.ScanOn();
    struct Step {
        std::function<void()> change;
        standin::Room* speaker;
        std::string line;  // heard as "Ann: line", or nothing when empty
    };
    const Step steps[] = {
        {[] {}, &second, "on top from the start"},
        {[&] { w.desktop.BringWindowToTop(w.room.window()); }, &w.room, "raised"},
        {[&] { w.client.open_im("Buddy"); }, &w.room, "an IM on top is passed over"},
        {[&] { w.client.close_window(w.room.window()); }, &second, "the other once it closes"},
        {[&] { w.client.close_window(second.window()); }, nullptr, ""},
    };
    for (const auto& s : steps) {
        w.events.clear();
        s.change();
        w.loop.wait_until(w.loop.now() + 0.1);  // a room first seen holds only old lines
        if (s.speaker) w.client.say_as(*s.speaker, "Ann", s.line);
        w.loop.wait_until(w.loop.now() + 0.2);
        EXPECT_EQ(w.events, s.line.empty() ? std::vector<std::string>{}
                                           : std::vector<std::string>{"Ann: " + s.line})
            << s.line;
    }
}

}  // namespace
}  // namespace rv
