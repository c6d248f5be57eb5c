// The user's own nick on virtual time: a nick that was taken at sign-on is told and taken
// back once it frees, every change is told, and what the user asks for wins.
#include <gtest/gtest.h>

#include "tests/irc_link_fixture.h"

namespace rv::standin::net {
namespace {

struct IrcNick : LinkTest {
    // Signs on as DJ2 because DJ is taken; `support` is the server's 005 line, if any.
    void sign_on_taken(const std::string& support = "") {
        link->start(music(), "DJ", "");
        transport.accept();
        transport.say(":srv 433 * DJ :Nickname is already in use\r\n");
        transport.say(":srv 001 DJ2 :Welcome\r\n");
        if (!support.empty()) transport.say(":srv 005 DJ2 " + support + " :are supported\r\n");
        transport.say(
            ":DJ2!u@h JOIN #music\r\n:srv 353 DJ2 = #music :DJ2 DJ bob\r\n"
            ":srv 366 DJ2 #music :End\r\n");
    }
    Strings sent(const char* command) {
        Strings out;
        for (auto& l : transport.lines())
            if (l.rfind(command, 0) == 0) out.push_back(l);
        return out;
    }
    Strings said_since(std::size_t from) {
        Strings out;
        for (std::size_t i = from; i < sink.system.size(); ++i)
            out.push_back(sink.system[i].channel + " " + sink.system[i].text);
        return out;
    }
};

TEST_F(IrcNick, ATakenNickIsToldAndTakenBackWhenTheServerSaysItFreed) {
    sign_on_taken("MONITOR=100 PREFIX=(ov)@+");
    EXPECT_EQ(sink.system.front(), (Line{"#music", "", "DJ is taken: you are DJ2"}));
    EXPECT_EQ(sent("MONITOR"), Strings{"MONITOR + DJ"});
    transport.say(":srv 730 DJ2 :DJ!u@h\r\n");
    EXPECT_TRUE(sent("NICK").empty());
    const std::size_t before = sink.system.size();
    transport.say(":srv 731 DJ2 :someone,DJ\r\n");
    EXPECT_EQ(sent("NICK"), Strings{"NICK DJ"});
    transport.say(":srv 731 DJ2 :DJ\r\n");
    EXPECT_TRUE(sent("NICK").empty()) << "asked once";
    transport.say(":DJ2!u@h NICK :DJ\r\n");
    EXPECT_EQ(link->nick(), "DJ");
    EXPECT_EQ(sink.nicks, (Strings{"DJ2", "DJ"}));
    EXPECT_EQ(said_since(before), Strings{"#music You are now known as DJ"});
    EXPECT_EQ(sent("MONITOR"), Strings{"MONITOR C"});
    EXPECT_EQ(sink.people["#music"], (std::set<std::string>{"DJ", "bob"}));
}

TEST_F(IrcNick, WithoutMonitorTheHoldersLeavingOrARareAskFreesIt) {
    // The holder leaves a channel we share.
    sign_on_taken();
    transport.lines();
    transport.say(":DJ!u@h QUIT :bye\r\n");
    EXPECT_EQ(sent("NICK"), Strings{"NICK DJ"});
    // Somebody was quicker: no word, and waiting goes on, asking no more than every 2 min.
    const std::size_t before = sink.system.size();
    transport.say(":srv 433 DJ2 DJ :Nickname is already in use\r\n");
    EXPECT_EQ(sink.system.size(), before);
    loop.advance(60);
    EXPECT_TRUE(transport.lines().empty());
    loop.advance(65);
    EXPECT_EQ(sent("ISON"), Strings{"ISON DJ"});
    transport.say(":srv 303 DJ2 :dj\r\n");
    EXPECT_TRUE(sent("NICK").empty()) << "still somebody's";
    loop.advance(125);
    EXPECT_EQ(sent("ISON"), Strings{"ISON DJ"});
    transport.say(":srv 303 DJ2 :\r\n");
    EXPECT_EQ(sent("NICK"), Strings{"NICK DJ"});

    // The holder changes nick in a channel we share.
    reset();
    sign_on_taken();
    transport.lines();
    transport.say(":DJ!u@h NICK :DJ_away\r\n");
    EXPECT_EQ(sent("NICK"), Strings{"NICK DJ"});
}

TEST_F(IrcNick, WhatTheUserAsksForWinsAndARefusalIsSaid) {
    sign_on_taken("MONITOR=100");
    transport.lines();
    link->change_nick("Spinner");
    EXPECT_EQ(transport.lines(), Strings{"NICK Spinner"});
    const std::size_t before = sink.system.size();
    transport.say(":srv 433 DJ2 Spinner :Nickname is already in use\r\n");
    EXPECT_EQ(said_since(before), Strings{" Spinner: Nickname is already in use"});
    EXPECT_EQ(sent("MONITOR"), Strings{"MONITOR C"}) << "the user chose to stay DJ2";
    transport.say(":srv 731 DJ2 :DJ\r\n");
    EXPECT_TRUE(transport.lines().empty());
    link->change_nick("Spinner2");
    transport.say(":DJ2!u@h NICK :Spinner2\r\n");
    EXPECT_EQ(sink.system.back(), (Line{"#music", "", "You are now known as Spinner2"}));
    // The next sign-on asks for it first.
    transport.lines();
    transport.lose();
    loop.advance(30);
    transport.accept();
    EXPECT_EQ(sent("NICK"), Strings{"NICK Spinner2"});
}

TEST_F(IrcNick, ANickTheServerDoesNotAllowIsToldAndNotWaitedFor) {
    link->start(music(), "DJ", "");
    transport.accept();
    transport.say(":srv 432 * DJ :Erroneous nickname\r\n:srv 432 * DJ :Erroneous nickname\r\n");
    transport.say(":srv 001 Guest :Welcome\r\n:srv 005 Guest MONITOR=10 :ok\r\n");
    EXPECT_EQ(sink.system.back(),
              (Line{"#music", "", "DJ is not allowed on irc.test: you are Guest"}));
    loop.advance(600);
    for (const auto& l : transport.lines())
        EXPECT_TRUE(l.rfind("MONITOR", 0) != 0 && l.rfind("ISON", 0) != 0) << l;
}

}  // namespace
}  // namespace rv::standin::net
