// Lines to the user alone, on virtual time: private messages for the conversation with
// their sender, and the client-to-client requests an IRC client answers by itself.
#include <gtest/gtest.h>

#include "tests/irc_link_fixture.h"

namespace rv::standin::net {
namespace {

struct IrcPrivate : LinkTest {
    void SetUp() override {
        LinkTest::SetUp();
        link->wall_clock = [] { return std::int64_t{1796597649}; };  // 6 Dec 2026 22:54:09
    }
    Strings notices() {
        Strings out;
        for (auto& l : transport.lines())
            if (l.rfind("NOTICE", 0) == 0) out.push_back(l);
        return out;
    }
};

TEST_F(IrcPrivate, LinesToTheUserGoToTheConversationWithTheirSender) {
    sign_on();
    transport.say(":bob!u@h PRIVMSG DJ :\x02psst\x02 <b>\r\n");
    transport.say(
        ":bob!u@h PRIVMSG dj :\x01"
        "ACTION waves\x01\r\n");
    transport.say(":carol!u@h PRIVMSG #music :in the room\r\n");
    transport.say(":admin!u@h PRIVMSG $*.test :maintenance at noon\r\n");
    EXPECT_EQ(sink.privates, (std::vector<Line>{{"", "bob", "<b>psst</b> &lt;b&gt;"},
                                                {"", "bob", "* bob waves"}}));
    EXPECT_EQ(sink.chat, (std::vector<Line>{{"#music", "carol", "in the room"}}));
    EXPECT_EQ(sink.system.back(), (Line{"", "", "*admin* maintenance at noon"}));
    EXPECT_TRUE(notices().empty());
}

TEST_F(IrcPrivate, AMessageTheUserDoesNotTakeIsAnsweredOnceASecond) {
    sign_on();
    sink.takes_private = false;
    for (int i = 0; i < 3; ++i) transport.say(":bob!u@h PRIVMSG DJ :hello?\r\n");
    EXPECT_EQ(notices(), Strings{"NOTICE bob :DJ is not taking instant messages just now."});
    loop.advance(1);
    transport.say(":bob!u@h PRIVMSG DJ :hello?\r\n");
    EXPECT_EQ(notices().size(), 1u);
}

TEST_F(IrcPrivate, CtcpRequestsAreAnsweredOrShown) {
    const struct {
        const char* request;  // what bob sends, between the \x01s
        const char* to;
        const char* answer;  // the NOTICE to bob, "" for none
        Line shown;          // a system line, when one is due
    } table[] = {
        {"VERSION", "DJ", "NOTICE bob :\x01VERSION Ravelin " RAVELIN_VERSION "\x01", {}},
        {"version", "DJ", "NOTICE bob :\x01VERSION Ravelin " RAVELIN_VERSION "\x01", {}},
        {"VERSION", "#music", "NOTICE bob :\x01VERSION Ravelin " RAVELIN_VERSION "\x01", {}},
        {"PING 1733525649 123", "DJ", "NOTICE bob :\x01PING 1733525649 123\x01", {}},
        {"PING", "DJ", "NOTICE bob :\x01PING\x01", {}},
        {"TIME", "DJ", "NOTICE bob :\x01TIME Sun, 06 Dec 2026 22:54:09 +0000\x01", {}},
        {"CLIENTINFO",
         "DJ",
         "NOTICE bob :\x01"
         "CLIENTINFO ACTION CLIENTINFO PING TIME VERSION\x01",
         {}},
        {"FINGER", "DJ", "", {"", "", "bob sent CTCP FINGER (not answered)"}},
        {"DCC SEND a.mp3 2130706433 5000 10",
         "#music",
         "",
         {"#music", "", "bob sent CTCP DCC SEND a.mp3 2130706433 5000 10 (not answered)"}},
        {"ACTIONS", "DJ", "", {"", "", "bob sent CTCP ACTIONS (not answered)"}},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.request);
        reset();
        link->wall_clock = [] { return std::int64_t{1796597649}; };
        sign_on();
        const std::size_t said = sink.system.size();
        transport.say(std::string(":bob!u@h PRIVMSG ") + row.to + " :\x01" + row.request +
                      "\x01\r\n");
        EXPECT_EQ(notices(), row.answer[0] ? Strings{row.answer} : Strings{});
        if (row.shown.text.empty())
            EXPECT_EQ(sink.system.size(), said);
        else
            EXPECT_EQ(sink.system.back(), row.shown);
        EXPECT_TRUE(sink.chat.empty());
        EXPECT_TRUE(sink.privates.empty());
    }
}

// A crowd asking at once gets a few answers, and the room's own lines are never pushed out
// of the queue by them.
TEST_F(IrcPrivate, AnswersAreFewAndNeverCrowdOutTheRoomsLines) {
    sign_on();
    for (int i = 0; i < 5; ++i) transport.say(":bob!u@h PRIVMSG DJ :\x01PING x\x01\r\n");
    EXPECT_EQ(notices().size(), 1u) << "one answer a second for a nick";
    loop.advance(1);
    transport.say(":bob!u@h PRIVMSG DJ :\x01PING y\x01\r\n");
    EXPECT_EQ(notices(), Strings{"NOTICE bob :\x01PING y\x01"});
    loop.advance(10);
    for (int i = 0; i < 5; ++i) link->say("#music", "line " + std::to_string(i));
    transport.lines();
    for (int i = 0; i < 300; ++i)
        transport.say(":bot" + std::to_string(i) + "!u@h PRIVMSG DJ :\x01VERSION\x01\r\n");
    link->say("#music", "still here");
    loop.advance(30);
    Strings sent = transport.lines();
    std::size_t answers = 0;
    for (const auto& l : sent) answers += l.rfind("NOTICE", 0) == 0;
    EXPECT_LE(answers, 4u);
    EXPECT_EQ(sent.back(), "PRIVMSG #music :still here");
}

TEST_F(IrcPrivate, AnswersToOurRequestsAreShownAndNeverAnswered) {
    sign_on();
    transport.say(":bob!u@h NOTICE DJ :\x01VERSION OtherClient 2.0\x01\r\n");
    EXPECT_EQ(sink.system.back(), (Line{"", "", "bob answers CTCP VERSION OtherClient 2.0"}));
    EXPECT_TRUE(transport.lines().empty());
}

}  // namespace
}  // namespace rv::standin::net
