#include "standin/net/irc_link.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/irc_link_fixture.h"

namespace rv::standin::net {
namespace {

TEST_F(LinkTest, SignsOnThenJoinsTheRoom) {
    link->start(music(), "DJ", "s3cret");
    EXPECT_EQ(transport.endpoint.host, "irc.test");
    EXPECT_EQ(link->state(), IrcLink::State::Connecting);
    transport.accept();
    EXPECT_EQ(transport.lines(),
              (Strings{"CAP LS 302", "PASS s3cret", "NICK DJ", "USER dj 0 * :DJ"}));
    transport.say(":srv NOTICE * :*** Looking up your hostname\r\n:srv 001 DJ :Welcome\r\n");
    EXPECT_EQ(link->state(), IrcLink::State::Online);
    EXPECT_EQ(transport.lines(), (Strings{"JOIN #music"}));
    EXPECT_TRUE(sink.nicks.empty());
    EXPECT_TRUE(sink.system.empty());
    transport.say(":DJ!u@h JOIN :#music\r\n:srv 353 DJ = #music :@DJ +bob\r\n");
    transport.say(":srv 366 DJ #music :End\r\n");
    EXPECT_TRUE(link->joined("#MUSIC"));
    EXPECT_EQ(sink.people["#music"], (std::set<std::string>{"DJ", "bob"}));
}

TEST_F(LinkTest, ATakenNickGetsASuffixAndTheScreenNameFollows) {
    link->start(music(), "DJ", "");
    transport.accept();
    transport.lines();
    transport.say(":srv 433 * DJ :Nickname already in use\r\n");
    transport.say(":srv 433 * DJ2 :Nickname already in use\r\n");
    EXPECT_EQ(transport.lines(), (Strings{"NICK DJ2", "NICK DJ3"}));
    transport.say(":srv 001 DJ3 :Welcome\r\n");
    EXPECT_EQ(sink.nicks, Strings{"DJ3"});
    EXPECT_EQ(link->nick(), "DJ3");
    // Later, a nick change the server makes follows too.
    transport.say(":DJ3!u@h NICK :DJ\r\n");
    EXPECT_EQ(sink.nicks, (Strings{"DJ3", "DJ"}));
}

TEST_F(LinkTest, ARefusedNickIsShortenedThenReplaced) {
    link->start(music(), "Christopher Robin", "");
    transport.accept();
    EXPECT_EQ(transport.lines()[1], "NICK Christopher_Robin");
    transport.say(":srv 432 * Christopher_Robin :Erroneous nickname\r\n");
    transport.say(":srv 432 * Christoph :Erroneous nickname\r\n");
    transport.say(":srv 433 * Guest :Nickname already in use\r\n");
    EXPECT_EQ(transport.lines(), (Strings{"NICK Christoph", "NICK Guest", "NICK Guest2"}));
    transport.say(":srv 001 Guest2 :Welcome\r\n");
    EXPECT_EQ(sink.nicks, Strings{"Guest2"});
}

TEST_F(LinkTest, ChannelLinesReachTheRoomAsChattersLines) {
    sign_on();
    transport.say(":bob!u@h PRIVMSG #music :.msg back at 5\r\n");
    transport.say(":bob!u@h PRIVMSG #Music :\x02hi\x02 <there> & \xE9\r\n");
    transport.say(
        ":bob!u@h PRIVMSG #music :\x01"
        "ACTION waves\x01\r\n");
    transport.say(":bob!u@h PRIVMSG @#music :ops only\r\n");
    transport.say(":DJ!u@h PRIVMSG #music :my own echo\r\n");
    transport.say(":bob!u@h PRIVMSG #elsewhere :not ours\r\n");
    EXPECT_EQ(sink.chat, (std::vector<Line>{
                             {"#music", "bob", ".msg back at 5"},
                             {"#music", "bob", "<b>hi</b> &lt;there&gt; &amp; \xC3\xA9"},
                             {"#music", "bob", "* bob waves"},
                             {"#music", "bob", "ops only"},
                         }));
    transport.say(":bob!u@h PRIVMSG DJ :psst\r\n:bob!u@h NOTICE #music :\x02note\r\n");
    EXPECT_EQ(sink.system.back(), (Line{"#music", "", "-bob- note"}));
    EXPECT_EQ(sink.privates, (std::vector<Line>{{"", "bob", "psst"}}));
}

TEST_F(LinkTest, PeopleFollowJoinsPartsKicksQuitsAndNickChanges) {
    sign_on();
    const std::size_t before = sink.system.size();
    transport.say(":carol!u@h JOIN #music\r\n");
    transport.say(":carol!u@h NICK caz\r\n");
    transport.say(":bob!u@h PART #music :later\r\n");
    transport.say(":DJ!u@h KICK #music caz :behave\r\n");
    transport.say(":dave!u@h JOIN #music\r\n:dave!u@h QUIT :gone\r\n");
    EXPECT_EQ(sink.people["#music"], std::set<std::string>{"DJ"});
    Strings texts;
    for (std::size_t i = before; i < sink.system.size(); ++i) texts.push_back(sink.system[i].text);
    EXPECT_EQ(texts, (Strings{"carol has joined #music", "carol is now known as caz",
                              "bob has left #music (later)", "caz was kicked by DJ (behave)",
                              "dave has joined #music", "dave has quit (gone)"}));
    EXPECT_TRUE(sink.chat.empty());
    transport.say(":op!u@h KICK #music DJ :out\r\n");
    EXPECT_FALSE(link->joined("#music"));
    EXPECT_EQ(sink.system.back().text, "You were kicked from #music by op (out)");
}

TEST_F(LinkTest, RoomLinesGoOutAsIrcText) {
    sign_on();
    link->say("#music", "<FONT COLOR=#3366FF><b>Power</b> on &amp; ready");
    link->say("#music", "/me dances");
    link->say("#music", "</html><html>");
    link->say("#music", "a\r\nQUIT :bye");
    EXPECT_EQ(privmsgs(), (Strings{"PRIVMSG #music :\x03"
                                   "12\x02Power\x02 on & ready",
                                   "PRIVMSG #music :\x01"
                                   "ACTION dances\x01",
                                   "PRIVMSG #music :a  QUIT :bye"}));
}

TEST_F(LinkTest, ABurstGoesOutPacedInOrderAndNothingIsDropped) {
    sign_on();
    for (int i = 0; i < 20; ++i) link->say("#music", "line " + std::to_string(i));
    Strings sent = privmsgs();
    EXPECT_EQ(sent.size(), 5u);  // the burst
    std::vector<double> times(5, loop.now());
    while (sent.size() < 20 && loop.now() < 60) {
        loop.advance(0.1);
        for (auto& l : privmsgs()) {
            sent.push_back(l);
            times.push_back(loop.now());
        }
    }
    ASSERT_EQ(sent.size(), 20u);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(sent[i], "PRIVMSG #music :line " + std::to_string(i));
    for (std::size_t i = 5; i < times.size(); ++i)
        EXPECT_NEAR(times[i] - times[i - 1], 1.0, 0.11) << i;
    EXPECT_EQ(link->queued(), 0u);
}

TEST_F(LinkTest, PongIsNotHeldBehindPacedLines) {
    sign_on();
    for (int i = 0; i < 10; ++i) link->say("#music", "x");
    transport.lines();
    transport.say("PING :srv\r\n");
    EXPECT_EQ(transport.lines(), Strings{"PONG srv"});
}

TEST_F(LinkTest, AnOverLongLineIsSplitAtCharacterBoundaries) {
    sign_on();
    std::string text;
    for (int i = 0; i < 400; ++i) text += "\xE2\x99\xAA";  // 1200 bytes of notes
    link->say("#music", "<b>" + text);
    loop.advance(5);
    Strings sent = privmsgs();
    ASSERT_EQ(sent.size(), 3u);
    std::string joined;
    for (auto& l : sent) {
        // Room is left for the prefix the server puts before a relayed line.
        EXPECT_LE(l.size() + std::string(":DJ!").size() + 10 + 1 + 63 + 1, 510u);
        std::string body = l.substr(std::string("PRIVMSG #music :").size());
        ASSERT_EQ(body[0], '\x02');  // every piece is bold
        joined += body.substr(1);
    }
    EXPECT_EQ(joined, text);
}

TEST_F(LinkTest, LinesWaitForTheJoinAndThenFlow) {
    link->start(music(), "DJ", "");
    link->say("#music", "early");
    transport.accept();
    transport.say(":srv 001 DJ :Welcome\r\n");
    EXPECT_TRUE(privmsgs().empty());
    transport.say(":DJ!u@h JOIN #music\r\n");
    EXPECT_EQ(privmsgs(), Strings{"PRIVMSG #music :early"});
}

TEST_F(LinkTest, ReconnectsWithGrowingPausesCappedAtAMinute) {
    sign_on();
    transport.lose();
    EXPECT_EQ(link->state(), IrcLink::State::Waiting);
    EXPECT_EQ(
        sink.system.back().text,
        "Disconnected from irc.test (Remote host closed the connection); trying again in 1 s.");
    EXPECT_TRUE(sink.people["#music"].empty());
    std::vector<double> attempts;
    int opens = transport.opens;
    while (attempts.size() < 9) {
        loop.advance(0.5);
        if (transport.opens != opens) {
            opens = transport.opens;
            attempts.push_back(loop.now());
            transport.refuse();
        }
    }
    std::vector<double> pauses;
    for (std::size_t i = 1; i < attempts.size(); ++i)
        pauses.push_back(attempts[i] - attempts[i - 1]);
    EXPECT_EQ(pauses, (std::vector<double>{2, 4, 8, 16, 32, 60, 60, 60}));
}

TEST_F(LinkTest, AfterReconnectingEveryRoomIsRejoinedAndQueuedLinesArriveInOrder) {
    sign_on();
    link->join("#second");
    transport.say(":DJ!u@h JOIN #second\r\n");
    transport.lines();
    transport.lose();
    for (int i = 0; i < 3; ++i) link->say("#music", "while away " + std::to_string(i));
    loop.advance(1.0);
    ASSERT_TRUE(transport.connecting);
    transport.accept();
    transport.say(":srv 001 DJ :Welcome\r\n");
    Strings sent = transport.lines();
    EXPECT_EQ(sent.back(), "JOIN #music,#second");
    transport.say(":DJ!u@h JOIN #music\r\n:DJ!u@h JOIN #second\r\n");
    EXPECT_EQ(privmsgs(), (Strings{"PRIVMSG #music :while away 0", "PRIVMSG #music :while away 1",
                                   "PRIVMSG #music :while away 2"}));
}

struct SmallQueue : LinkTest {
    static LinkSettings small() {
        LinkSettings s;
        s.queue_limit = 3;
        return s;
    }
    SmallQueue() : LinkTest(small()) {}
};

TEST_F(SmallQueue, WhileOfflineTheOldestLinesAreDroppedWithOneLogLine) {
    sign_on();
    transport.lose();
    for (int i = 0; i < 6; ++i) link->say("#music", std::to_string(i));
    EXPECT_EQ(link->queued(), 3u);
    EXPECT_EQ(logged.size(), 1u);
    loop.advance(1.0);
    transport.accept();
    transport.say(":srv 001 DJ :Welcome\r\n:DJ!u@h JOIN #music\r\n");
    EXPECT_EQ(privmsgs(), (Strings{"PRIVMSG #music :3", "PRIVMSG #music :4", "PRIVMSG #music :5"}));
}

TEST_F(LinkTest, ASilentServerIsPingedThenLeft) {
    sign_on();
    loop.advance(settings.idle_ping_s + settings.watchdog_ms / 1000.0);
    EXPECT_EQ(transport.lines(), Strings{"PING ravelin"});
    transport.say(":srv PONG srv :ravelin\r\n");
    EXPECT_EQ(link->state(), IrcLink::State::Online);
    loop.advance(settings.idle_ping_s + settings.watchdog_ms / 1000.0);
    EXPECT_EQ(transport.lines(), Strings{"PING ravelin"});
    loop.advance(settings.ping_timeout_s + settings.watchdog_ms / 1000.0);
    EXPECT_EQ(transport.closes, 1);
    EXPECT_EQ(transport.opens, 2);  // and tries again
}

TEST_F(LinkTest, AServerThatNeverSignsUsOnIsLeft) {
    link->start(music(), "DJ", "");
    transport.accept();
    loop.advance(settings.register_timeout_s + settings.watchdog_ms / 1000.0);
    EXPECT_EQ(transport.closes, 1);
    EXPECT_EQ(sink.system.back().text,
              "Disconnected from irc.test (no sign-on within 60 s); trying again in 1 s.");
}

TEST_F(LinkTest, AConnectionThatStayedUpStartsThePausesSmallAgain) {
    sign_on();
    for (int round = 0; round < 3; ++round) {
        transport.lose();
        EXPECT_EQ(sink.system.back().text.substr(sink.system.back().text.size() - 5), " 1 s.")
            << round;
        loop.advance(1.0);
        transport.accept();
        transport.say(":srv 001 DJ :Welcome\r\n");
        loop.advance(40);
    }
}

TEST_F(LinkTest, StopSaysGoodbyeAndStaysOff) {
    sign_on();
    link->stop("bye");
    EXPECT_EQ(transport.lines(), Strings{"QUIT bye"});
    int opens = transport.opens;
    loop.advance(600);
    EXPECT_EQ(transport.opens, opens);
    EXPECT_EQ(loop.active_timers(), 0u);
}

struct LeaveCase {
    const char* name;
    const char* answer;  // what the server says half a second after the QUIT; null: nothing
    bool hangs_up;       // and whether it then closes the connection
    double closed_at_s;  // when the link is off, after the QUIT
};

struct IrcLeaving : LinkTest, ::testing::WithParamInterface<LeaveCase> {};

// However the server answers, the link leaves the same way: the lines still waiting go out
// at once, then QUIT; it closes at the answer, or at the limit, and stays off, quietly.
TEST_P(IrcLeaving, QueuedLinesThenQuitThenCloseAtTheAnswerOrTheLimit) {
    const LeaveCase& c = GetParam();
    sign_on();
    for (int i = 0; i < 8; ++i) link->say("#music", "line " + std::to_string(i));
    EXPECT_EQ(privmsgs().size(), 5u);  // the burst; three wait for the pace
    const std::size_t system_lines = sink.system.size();
    link->leave("Powered off", 2000);
    EXPECT_EQ(transport.lines(), (Strings{"PRIVMSG #music :line 5", "PRIVMSG #music :line 6",
                                          "PRIVMSG #music :line 7", "QUIT :Powered off"}));
    EXPECT_EQ(link->state(), IrcLink::State::Leaving);
    loop.advance(0.5);
    EXPECT_EQ(transport.closes, 0);
    if (c.answer) transport.say(c.answer);
    if (c.hangs_up) transport.lose("the server closed the connection");
    loop.advance(c.closed_at_s - 0.5 - 0.01);
    EXPECT_EQ(transport.closes, c.closed_at_s > 0.5 ? 0 : 1);
    loop.advance(0.02);
    EXPECT_EQ(transport.closes, 1);
    EXPECT_EQ(link->state(), IrcLink::State::Offline);
    const int opens = transport.opens;
    loop.advance(600);
    EXPECT_EQ(transport.opens, opens);
    EXPECT_TRUE(transport.lines().empty());
    EXPECT_EQ(loop.active_timers(), 0u);
    EXPECT_EQ(sink.system.size(), system_lines);  // no "Disconnected ..., trying again"
    EXPECT_TRUE(logged.empty());
}

INSTANTIATE_TEST_SUITE_P(
    ServerAnswers, IrcLeaving,
    ::testing::Values(LeaveCase{"Error", "ERROR :Closing link (Powered off)\r\n", false, 0.5},
                      LeaveCase{"ErrorThenHangUp", "ERROR :Bye\r\n", true, 0.5},
                      LeaveCase{"HangUp", nullptr, true, 0.5},
                      LeaveCase{"Silence", nullptr, false, 2.0},
                      LeaveCase{"ChatterOnly", ":bob!u@h PRIVMSG #music :wait\r\n", false, 2.0}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(LinkTest, LeavingSendsOnlyTheLastWordsOfABacklogAndNothingForRefusedChannels) {
    sign_on();
    for (int i = 0; i < 30; ++i) link->say("#music", std::to_string(i));
    link->join("#vip");
    link->say("#vip", "never");
    transport.say(":srv 473 DJ #vip :Cannot join channel (+i)\r\n");
    transport.lines();
    link->leave("bye");
    Strings sent = transport.lines();
    ASSERT_EQ(sent.size(), 11u);
    EXPECT_EQ(sent.front(), "PRIVMSG #music :20");
    EXPECT_EQ(sent[9], "PRIVMSG #music :29");
    EXPECT_EQ(sent.back(), "QUIT bye");
    EXPECT_EQ(logged.size(), 1u);
}

TEST_F(LinkTest, LeavingBeforeSigningOnOrWhileAwayEndsAtOnce) {
    link->start(music(), "DJ", "");
    transport.accept();
    transport.lines();
    link->leave("bye");  // registering: the server hears the QUIT
    EXPECT_EQ(transport.lines(), Strings{"QUIT bye"});
    loop.advance(2);
    EXPECT_EQ(link->state(), IrcLink::State::Offline);
    sign_on();
    transport.lose();
    link->leave("bye");  // waiting to reconnect: nobody to tell
    EXPECT_EQ(link->state(), IrcLink::State::Offline);
    EXPECT_TRUE(transport.lines().empty());
    EXPECT_EQ(loop.active_timers(), 0u);
}

TEST_F(LinkTest, PartLeavesTheChannelAndForgetsItsLines) {
    sign_on();
    link->join("#b");
    transport.say(":DJ!u@h JOIN #b\r\n");
    for (int i = 0; i < 8; ++i) link->say("#b", "x");
    transport.lines();
    link->part("#B");
    EXPECT_EQ(transport.lines(), Strings{"PART #b"});
    EXPECT_EQ(link->queued(), 0u);
    EXPECT_EQ(link->channels(), Strings{"#music"});
}

}  // namespace
}  // namespace rv::standin::net
