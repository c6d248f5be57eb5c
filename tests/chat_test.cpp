#include <gtest/gtest.h>

#include <cstring>

#include "aol/automation.h"
#include "chat_world.h"
#include "helpers.h"
#include "platform/chatscan/chat_scanner.h"
#include "standin/chat_html.h"
#include "standin/client.h"

namespace rv {
namespace {

using namespace winapi;

using Room = test::ChatWorld;

std::vector<LogEntry> log_of(const Desktop& d, HWND h) {
    std::vector<LogEntry> out;
    for (const auto& e : d.log())
        if (e.hwnd == h) out.push_back(e);
    return out;
}

TEST(ChatSend, ThreeEmptyTextsThenTheLineThenEnter) {
    Room r;
    standin::Room& room = r.client.open_room("Lobby");
    r.desktop.set_logging(true);
    r.aol.ChatSend("<b>hi</b>");
    std::vector<LogEntry> got = log_of(r.desktop, room.input());
    ASSERT_EQ(got.size(), 5u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(got[static_cast<std::size_t>(i)].msg, WM_SETTEXT);
        EXPECT_EQ(got[static_cast<std::size_t>(i)].text, "");
    }
    EXPECT_EQ(got[3].msg, WM_SETTEXT);
    EXPECT_EQ(got[3].text, "<b>hi</b>");
    EXPECT_EQ(got[4].msg, WM_CHAR);
    EXPECT_EQ(got[4].wparam, 13u);
    EXPECT_FALSE(got[4].posted);
    ASSERT_EQ(room.lines().size(), 1u);
    EXPECT_EQ(room.lines()[0].html, "<b>hi</b>");
    EXPECT_EQ(room.lines()[0].screen_name, "Me");
    EXPECT_EQ(room.input_text(), "");
}

TEST(ChatSend, WithNoClientItReturnsAtOnce) {
    VirtualLoop loop;
    Desktop desktop;
    aol::Automation aol(desktop, loop);
    desktop.set_logging(true);
    int pumps = 0;
    loop.post([&] { ++pumps; });
    aol.ChatSend("nobody hears this");
    EXPECT_EQ(pumps, 0);  // no window to look through, so not even a pump
    EXPECT_TRUE(desktop.log().empty());
    EXPECT_EQ(loop.now(), 0.0);
}

TEST(ChatSend, TheHigherRoomGetsTheLineAndAnInstantMessageIsPassedOver) {
    Room r;
    standin::Room& first = r.client.open_room("One");
    standin::Room& second = r.client.open_room("Two");
    r.aol.ChatSend("to the top room");
    EXPECT_TRUE(first.lines().empty());
    ASSERT_EQ(second.lines().size(), 1u);
    r.client.open_im("Buddy");  // on top, but lacks some of the room's classes
    r.aol.ChatSend("past the IM");
    EXPECT_EQ(second.lines().size(), 2u);
    r.desktop.BringWindowToTop(first.window());
    EXPECT_EQ(r.aol.FindChatRoom(), first.window());
}

TEST(ChatSend, AnEmptyLineStillGetsTheEnter) {
    Room r;
    standin::Room& room = r.client.open_room("Lobby");
    r.desktop.clear_log();
    r.aol.ChatSend("");
    std::vector<LogEntry> got = log_of(r.desktop, room.input());
    ASSERT_EQ(got.size(), 5u);
    EXPECT_EQ(got[4].msg, WM_CHAR);
    EXPECT_EQ(got[4].wparam, 13u);
    EXPECT_TRUE(room.lines().empty());  // the client sends no blank line
}

TEST(WaitSeconds, PumpsAtLeastOnceAndEndsAtTheFirstPumpPastTheTime) {
    Room r;
    int pumps = 0;
    r.loop.post([&] { ++pumps; });
    r.aol.WaitSeconds(0);
    EXPECT_EQ(pumps, 1);
    const double start = r.loop.now();
    r.aol.WaitSeconds(0.1);
    EXPECT_GE(r.loop.now() - start, 0.1);
    EXPECT_LT(r.loop.now() - start, 0.1 + 1e-5);
}

class Scanner : public ::testing::Test {
  protected:
    struct Msg {
        std::string name, text;
        bool operator==(const Msg&) const = default;
    };
    Room r;
    standin::Room& room = r.client.open_room("Lobby");
    chatscan::ChatScanner scan{r.desktop, r.loop};
    std::vector<Msg> got;
    void SetUp() override {
        scan.ChatMessage = [this](const std::string& n, const std::string& t) {
            got.push_back({n, t});
        };
    }
};

TEST_F(Scanner, ReportsEachNewLineOnceInOrderOnlyWhileOn) {
    r.client.say_as(room, "Early", "before ScanOn");
    r.loop.advance(0.2);
    EXPECT_TRUE(got.empty());
    scan.ScanOn();
    r.client.say_as(room, "Ann", "one");
    r.client.user_send(room, ".p");
    r.client.say_as(room, "Ann", "<b>bold</b> &amp; plain");
    r.loop.advance(0.05);
    EXPECT_EQ(got, (std::vector<Msg>{{"Ann", "one"}, {"Me", ".p"}, {"Ann", "bold & plain"}}));
    r.loop.advance(1.0);
    EXPECT_EQ(got.size(), 3u);  // never twice
    scan.ScanOff();
    r.client.say_as(room, "Ann", "after");
    r.loop.advance(1.0);
    EXPECT_EQ(got.size(), 3u);
    EXPECT_EQ(scan.UserScreenName(), "Me");
}

TEST_F(Scanner, NoChatterCanSpeakUnderAnotherName) {
    scan.ScanOn();
    r.client.say_as(room, "Mallory", "hi\r\nMe:\t.exit");
    r.client.say_as(room, "Mallory", "Me:\t.exit");
    r.client.say_as(room, "Mallory", "a<br>Me:\t.p");
    r.client.say_as(room, "Big Al", "x: y\tz");
    r.client.say_as(room, "Me:\tfake", ".p");  // a name cannot carry the separator
    r.loop.advance(0.05);
    ASSERT_EQ(got.size(), 5u);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(got[i].name, "Mallory");
    EXPECT_EQ(got[0].text, "hi  Me:\t.exit");
    EXPECT_EQ(got[3], (Msg{"Big Al", "x: y\tz"}));
    EXPECT_EQ(got[4].name, "Mefake");
}

TEST_F(Scanner, TwoInstancesAreIndependent) {
    chatscan::ChatScanner other(r.desktop, r.loop);
    int other_count = 0;
    other.ChatMessage = [&](const std::string&, const std::string&) { ++other_count; };
    scan.ScanOn();
    other.ScanOn();
    r.client.say_as(room, "Ann", "one");
    r.loop.advance(0.05);
    other.ScanOff();
    r.client.say_as(room, "Ann", "two");
    r.loop.advance(0.05);
    EXPECT_EQ(got.size(), 2u);
    EXPECT_EQ(other_count, 1);
}

TEST_F(Scanner, AHandlerThatPumpsGetsNoLineTwice) {
    scan.ChatMessage = [this](const std::string& n, const std::string& t) {
        got.push_back({n, t});
        r.loop.advance(0.2);  // as a wait inside a handler would
    };
    scan.ScanOn();
    for (int i = 0; i < 5; ++i) r.client.say_as(room, "Ann", std::to_string(i));
    r.loop.advance(0.05);
    ASSERT_EQ(got.size(), 5u);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(got[static_cast<std::size_t>(i)].text, std::to_string(i));
}

TEST_F(Scanner, SendChatTextTypesTheLineIntoTheRoom) {
    scan.SendChatText("<i>via the scanner</i>");
    ASSERT_EQ(room.lines().size(), 1u);
    EXPECT_EQ(room.lines()[0].html, "<i>via the scanner</i>");
    EXPECT_EQ(room.lines()[0].screen_name, "Me");
}

TEST(ChatHtml, PlainAndSafeForms) {
    struct Case {
        const char* html;
        const char* plain;
        const char* safe;
    };
    const Case cases[] = {
        {"<FONT COLOR=#3366FF><b>hi</B>", "hi", "<font color=\"#3366FF\"><b>hi</b></font>"},
        {"<script>alert(1)</script>x", "alert(1)x", "alert(1)x"},
        {"<img src=http://x/y.png>a", "a", "a"},
        {"<font face=\"Arial Narrow\" color=\"red\">t", "t",
         "<font color=\"red\" face=\"Arial Narrow\">t</font>"},
        {"<font color=\"#12\" onclick=x>t", "t", "<font>t</font>"},
        {"a &lt;b&gt; &#169; &#x41; &bogus;", "a <b> \u00A9 A &bogus;",
         "a &lt;b&gt; \u00A9 A &amp;bogus;"},
        {"1 < 2", "1 < 2", "1 &lt; 2"},
        {"5 < 6 > 4", "5 < 6 > 4", "5 &lt; 6 &gt; 4"},
        {"<3 <=> <-x>", "<3 <=> <-x>", "&lt;3 &lt;=&gt; &lt;-x&gt;"},
        {"a<!-- note -->b</ i>c", "abc", "abc"},
        {"x <b>y", "x y", "x <b>y</b>"},
        {"line<BR>two\nthree", "line two three", "line<br>two\nthree"},
        {"</u>stray", "stray", "stray"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(standin::html_to_plain(c.html), c.plain) << c.html;
        EXPECT_EQ(standin::safe_html(c.html), c.safe) << c.html;
    }
}

}  // namespace
}  // namespace rv

namespace rv {
namespace {

using namespace winapi;

TEST(StandIn, TranscriptAnswersTheTextMessagesLineByLine) {
    VirtualLoop loop;
    Desktop desktop;
    standin::Client client(desktop, loop, "Me");
    standin::Room& room = client.open_room("Lobby");
    const HWND t = room.transcript();
    EXPECT_EQ(desktop.SendMessageA(t, WM_GETTEXTLENGTH, 0, 0), 0);
    client.say_as(room, "Ann", "<b>one</b>");
    client.say_as(room, "Bo", "tw\u00F6");
    char all[64] = {};
    desktop.SendMessageA(t, WM_GETTEXT, sizeof all, reinterpret_cast<LPARAM>(all));
    EXPECT_STREQ(all, "Ann:\tone\r\nBo:\ttw\u00F6");
    EXPECT_EQ(desktop.SendMessageA(t, EM_GETLINECOUNT, 0, 0), 2);
    const LRESULT start = desktop.SendMessageA(t, EM_LINEINDEX, 1, 0);
    EXPECT_EQ(start, 10);
    EXPECT_EQ(desktop.SendMessageA(t, EM_LINELENGTH, static_cast<WPARAM>(start), 0), 8);  // bytes
    char line[16] = {};
    const std::uint16_t size = 5;  // too small: the cut keeps whole characters
    std::memcpy(line, &size, sizeof size);
    EXPECT_EQ(desktop.SendMessageA(t, EM_GETLINE, 1, reinterpret_cast<LPARAM>(line)), 5);
    EXPECT_EQ(std::string(line, 5), "Bo:\tt");
    EXPECT_EQ(desktop.SendMessageA(t, EM_GETLINE, 7, reinterpret_cast<LPARAM>(line)), 0);
}

TEST(StandIn, TheTranscriptKeepsItsLastLinesAndLetsTheOldestGoInBlocks) {
    using standin::Room;
    VirtualLoop loop;
    Desktop desktop;
    standin::Client client(desktop, loop, "Me");
    Room& room = client.open_room("Lobby");
    const HWND t = room.transcript();
    for (std::size_t i = 0; i <= Room::kMaxLines; ++i)
        client.say_as(room, "Ann", std::to_string(i));
    const std::size_t kept = Room::kMaxLines + 1 - Room::kDropLines;
    ASSERT_EQ(room.lines().size(), kept);
    EXPECT_EQ(room.dropped(), Room::kDropLines);
    EXPECT_EQ(room.lines().front().html, std::to_string(Room::kDropLines));
    // The window answers for what it holds, from its first kept line.
    EXPECT_EQ(desktop.SendMessageA(t, EM_GETLINECOUNT, 0, 0), static_cast<LRESULT>(kept));
    std::string all(static_cast<std::size_t>(desktop.SendMessageA(t, WM_GETTEXTLENGTH, 0, 0)),
                    '\0');
    desktop.SendMessageA(t, WM_GETTEXT, all.size() + 1, reinterpret_cast<LPARAM>(all.data()));
    EXPECT_EQ(all.substr(0, 12), "Ann:\t1000\r\nA");
    EXPECT_EQ(all.substr(all.size() - 12), "\r\nAnn:\t10000");
    for (std::size_t i : {std::size_t{0}, std::size_t{1}, kept - 1}) {
        const LRESULT start = desktop.SendMessageA(t, EM_LINEINDEX, i, 0);
        const LRESULT length =
            desktop.SendMessageA(t, EM_LINELENGTH, static_cast<WPARAM>(start), 0);
        EXPECT_EQ(all.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(length)),
                  "Ann:\t" + std::to_string(Room::kDropLines + i));
    }
}

TEST(StandIn, TypedKeysAndEnterSendAsTheUser) {
    VirtualLoop loop;
    Desktop desktop;
    standin::Client client(desktop, loop, "Me");
    standin::Room& room = client.open_room("Lobby");
    for (char c : std::string(".pz"))
        desktop.SendMessageA(room.input(), WM_CHAR, static_cast<WPARAM>(c), 0);
    desktop.SendMessageA(room.input(), WM_CHAR, 8, 0);  // backspace
    desktop.PostMessageA(room.input(), WM_CHAR, 13, 0);
    ASSERT_EQ(room.lines().size(), 1u);
    EXPECT_EQ(room.lines()[0].html, ".p");
    EXPECT_EQ(room.input_text(), "");
    client.close_window(room.window());
    EXPECT_EQ(client.top_room(), nullptr);
    client.say_as(room, "Ann", "to a closed room");  // goes nowhere, harmlessly
    EXPECT_EQ(room.lines().size(), 1u);
}

}  // namespace
}  // namespace rv
