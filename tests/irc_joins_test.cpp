// Every join ends: in the channel, in the one the server forwards the room to, or in a
// system line that says why not; and nothing waits behind a join that never ends.
#include <gtest/gtest.h>

#include "tests/irc_link_fixture.h"

namespace rv::standin::net {
namespace {

struct IrcJoins : LinkTest {};

struct Answer {
    const char* line;  // the server's answer to "JOIN #vip"
    const char* said;  // the system line in #vip
    bool ends_join;
};

// Refusals by number, as servers send them; a number no list knows that names the channel
// refuses too. Errors about something else leave the join waiting.
const Answer kAnswers[] = {
    {"403 DJ #vip :No such channel", "Cannot join #vip: No such channel", true},
    {"405 DJ #vip :You have joined too many channels",
     "Cannot join #vip: You have joined too many channels", true},
    {"437 DJ #vip :Channel is temporarily unavailable",
     "Cannot join #vip: Channel is temporarily unavailable", true},
    {"470 DJ #vip :Cannot join channel (forwarding is off)",
     "Cannot join #vip: Cannot join channel (forwarding is off)", true},
    {"471 DJ #vip :Cannot join channel (+l)", "Cannot join #vip: Cannot join channel (+l)", true},
    {"473 DJ #vip :Cannot join channel (+i)", "Cannot join #vip: Cannot join channel (+i)", true},
    {"474 DJ #vip :Cannot join channel (+b)", "Cannot join #vip: Cannot join channel (+b)", true},
    {"475 DJ #vip :Cannot join channel (+k)", "Cannot join #vip: Cannot join channel (+k)", true},
    {"477 DJ #vip :You need to be identified to a registered account to join this channel",
     "Cannot join #vip: You need to be identified to a registered account to join this channel",
     true},
    {"489 DJ #vip :Cannot join channel; SSL users only",
     "Cannot join #vip: Cannot join channel; SSL users only", true},
    {"520 DJ #vip :Cannot join channel (+O) - you are not an IRC operator",
     "Cannot join #vip: Cannot join channel (+O) - you are not an IRC operator", true},
    {"479 DJ #VIP :Illegal channel name", "Cannot join #vip: Illegal channel name", true},
    {"599 DJ #vip some more :\x02New\x02 refusal", "Cannot join #vip: New refusal", true},
    {"404 DJ #vip :Cannot send to channel", "#vip: Cannot send to channel", false},
    {"442 DJ #vip :You're not on that channel", "#vip: You're not on that channel", false},
    {"482 DJ #vip :You're not channel operator", "#vip: You're not channel operator", false},
};

TEST_F(IrcJoins, EveryRefusalEndsTheJoinWithTheServersWords) {
    for (const Answer& a : kAnswers) {
        SCOPED_TRACE(a.line);
        reset();
        sign_on();
        link->join("#vip");
        EXPECT_EQ(transport.lines(), Strings{"JOIN #vip"});
        link->say("#vip", "hello");
        link->say("#music", "meanwhile");  // another channel's line does not wait for #vip
        EXPECT_EQ(privmsgs(), Strings{"PRIVMSG #music :meanwhile"});
        transport.say(std::string(":srv ") + a.line + "\r\n");
        EXPECT_EQ(sink.system.back(), (Line{"#vip", "",
                                            a.ends_join ? std::string(a.said) + " (1 line not sent)"
                                                        : std::string(a.said)}));
        if (a.ends_join) {
            EXPECT_EQ(link->queued(), 0u);
            EXPECT_TRUE(privmsgs().empty());  // the line is not sent where nobody listens
            link->say("#vip", "again");
            EXPECT_EQ(sink.system.back(), (Line{"#vip", "", "Not sent: you are not in #vip."}));
            EXPECT_EQ(link->queued(), 0u);
        } else {
            EXPECT_EQ(link->queued(), 1u);
            transport.say(":DJ!u@h JOIN #vip\r\n");
            EXPECT_EQ(privmsgs(), Strings{"PRIVMSG #vip :hello"});
        }
    }
}

TEST_F(IrcJoins, AJoinWithNoAnswerEndsAfterThirtySeconds) {
    sign_on();
    link->join("#slow");
    link->say("#slow", "one");
    link->say("#slow", "two");
    loop.advance(settings.join_timeout_s - 1);
    EXPECT_EQ(link->queued(), 2u);
    loop.advance(1 + settings.watchdog_ms / 1000.0);
    EXPECT_EQ(link->queued(), 0u);
    EXPECT_EQ(sink.system.back(), (Line{"#slow", "",
                                        "Cannot join #slow: no answer from the server within 30 s "
                                        "(2 lines not sent)"}));
    // Asked again, it is tried again.
    transport.lines();
    link->join("#slow");
    EXPECT_EQ(transport.lines(), Strings{"JOIN #slow"});
}

TEST_F(IrcJoins, AForwardIsFollowedSaidAndTheRoomsLinesGoWithIt) {
    sign_on();
    link->join("#vip");
    link->say("#vip", "waiting");
    transport.lines();
    transport.say(":srv 470 DJ #vip #overflow :Forwarding to another channel\r\n");
    EXPECT_EQ(sink.system.back(), (Line{"#vip", "", "#vip sends you to #overflow"}));
    EXPECT_EQ(sink.opened, (std::vector<Line>{{"#overflow", "", "#vip"}}));
    EXPECT_EQ(transport.lines(), Strings{"JOIN #overflow"});
    transport.say(":DJ!u@h JOIN #overflow\r\n");
    EXPECT_TRUE(link->joined("#overflow"));
    EXPECT_EQ(privmsgs(), Strings{"PRIVMSG #overflow :waiting"});
    // What the #vip room says later goes to #overflow too.
    link->say("#vip", "later");
    EXPECT_EQ(privmsgs(), Strings{"PRIVMSG #overflow :later"});
    EXPECT_EQ(sink.opened.size(), 1u);
}

TEST_F(IrcJoins, AJoinAnsweredWithAnotherChannelIsAForwardOfTheFirstWaiting) {
    sign_on();
    link->join("#a");
    link->join("#b");
    link->say("#a", "for a");
    transport.say(":DJ!u@h JOIN #a-overflow\r\n");
    EXPECT_EQ(sink.system[sink.system.size() - 2], (Line{"#a", "", "#a sends you to #a-overflow"}));
    EXPECT_EQ(sink.opened, (std::vector<Line>{{"#a-overflow", "", "#a"}}));
    EXPECT_EQ(privmsgs(), Strings{"PRIVMSG #a-overflow :for a"});
    transport.say(":DJ!u@h JOIN #b\r\n");
    EXPECT_TRUE(link->joined("#b"));
    // With no join waiting, a channel the server puts the user in is opened as it is.
    transport.say(":DJ!u@h JOIN #surprise\r\n");
    EXPECT_EQ(sink.opened.back(), (Line{"#surprise", "", ""}));
}

TEST_F(IrcJoins, AForwardThatCannotBeFollowedIsARefusalSaid) {
    const std::pair<const char*, const char*> cases[] = {
        {"470 DJ #vip nowhere :Forwarding",
         "Cannot join #vip: Forwarding; it sends you to nowhere, which is not a channel name"},
        {"470 DJ #vip #VIP :Forwarding",
         "Cannot join #vip: Forwarding; it sends you to #VIP, which sends you back"},
    };
    for (const auto& [answer, said] : cases) {
        SCOPED_TRACE(answer);
        reset();
        sign_on();
        link->join("#vip");
        link->say("#vip", "x");
        transport.say(std::string(":srv ") + answer + "\r\n");
        EXPECT_EQ(sink.system.back(), (Line{"#vip", "", std::string(said) + " (1 line not sent)"}));
        EXPECT_TRUE(sink.opened.empty());
        EXPECT_EQ(link->queued(), 0u);
    }
    // A channel that forwards back to one that forwarded here is not followed either.
    link->join("#a");
    transport.say(":srv 470 DJ #a #b :Forwarding\r\n");
    transport.say(":srv 470 DJ #b #a :Forwarding\r\n");
    EXPECT_EQ(
        sink.system.back(),
        (Line{"#b", "", "Cannot join #b: Forwarding; it sends you to #a, which sends you back"}));
}

TEST_F(IrcJoins, ErrorsAboutNoChannelAreSaidInTheRoomInFront) {
    sign_on();
    sink.system.clear();
    transport.say(":srv 401 DJ NickServ :No such nick/channel\r\n");
    transport.say(":srv 421 DJ FOO :Unknown command\r\n");
    transport.say(":srv 433 DJ DJ2 :Nickname is already in use\r\n");
    EXPECT_EQ(sink.system, (std::vector<Line>{{"", "", "NickServ: No such nick/channel"},
                                              {"", "", "FOO: Unknown command"},
                                              {"", "", "DJ2: Nickname is already in use"}}));
}

struct IrcSmallOnlineQueue : LinkTest {
    static LinkSettings small() {
        LinkSettings s;
        s.queue_limit = 3;
        return s;
    }
    IrcSmallOnlineQueue() : LinkTest(small()) {}
};

TEST_F(IrcSmallOnlineQueue, OnlineTooTheOldestLinesAreDroppedWithOneLogLine) {
    sign_on();
    for (int i = 0; i < 10; ++i) link->say("#music", std::to_string(i));
    EXPECT_EQ(privmsgs().size(), 5u);  // the burst
    EXPECT_EQ(link->queued(), 3u);
    EXPECT_EQ(logged.size(), 1u);
    loop.advance(10);
    EXPECT_EQ(privmsgs(), (Strings{"PRIVMSG #music :7", "PRIVMSG #music :8", "PRIVMSG #music :9"}));
}

}  // namespace
}  // namespace rv::standin::net
