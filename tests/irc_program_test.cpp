// The whole program in a room that is an IRC channel, on virtual time, the server played by
// the test through a fake transport.
#include <gtest/gtest.h>

#include <set>

#include "platform/chatscan/chat_scanner.h"
#include "tests/network_fixture.h"

namespace rv::standin {
namespace {

struct OnIrc : test::ClientOnNetwork {
    void SetUp() override {
        w.durations["a.mp3"] = 100;
        w.store_folder(w.music({"a.mp3"}));
        connect();
        scanner.ChatMessage = [this](const std::string& name, const std::string& text) {
            reported.push_back({name, text});
        };
        scanner.ScanOn();
    }
    void welcome(const std::string& nick) { ClientOnNetwork::welcome(nick, "@bob"); }
    std::vector<std::string> said() {
        std::vector<std::string> out;
        for (auto& l : transport.lines())
            if (l.rfind("PRIVMSG #music :", 0) == 0) out.push_back(l.substr(16));
        return out;
    }
    Room& room() { return *w.program->client.room_named("#music"); }

    chatscan::ChatScanner scanner{w.program->desktop, w.loop};
    std::vector<std::pair<std::string, std::string>> reported;
};

TEST_F(OnIrc, PowerOnAndHandleLinesReachTheChannelAsIrcText) {
    welcome("DJ");
    w.start("Bob");
    w.loop.advance(10);
    auto lines = said();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_NE(lines[0].find("Power"), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("Bob"), std::string::npos) << lines[1];
    for (const auto& l : lines) {
        EXPECT_EQ(l.find('<'), std::string::npos) << l;
        EXPECT_NE(l.find('\x02'), std::string::npos) << l;
    }
}

TEST_F(OnIrc, ChannelLinesAreOtherChattersLinesAndNetworkNewsIsNotChat) {
    welcome("DJ");
    w.loop.advance(1);
    reported.clear();
    transport.say(":bob!u@h PRIVMSG #music :\x02hello\x02 there\r\n");
    transport.say(":carol!u@h JOIN #music\r\n");
    transport.say(
        ":bob!u@h PRIVMSG #music :\x01"
        "ACTION waves\x01\r\n");
    w.loop.advance(1);
    EXPECT_EQ(reported, (std::vector<std::pair<std::string, std::string>>{{"bob", "hello there"},
                                                                          {"bob", "* bob waves"}}));
    const Room& r = room();
    EXPECT_EQ(r.plain_line(r.lines().size() - 2), "carol has joined #music");
    EXPECT_EQ(r.people(), (std::set<std::string>{"DJ", "bob", "carol"}));
    // A chatter on the network cannot pass for the user here.
    transport.say(":dj!u@h PRIVMSG #music :.exit\r\n");
    w.loop.advance(1);
    EXPECT_EQ(reported.size(), 2u);
}

TEST_F(OnIrc, ATakenNickRenamesTheUserAndTheUsersLinesStillReadAsTheUsers) {
    transport.say(":srv 433 * DJ :Nickname is already in use\r\n");
    welcome("DJ2");
    EXPECT_EQ(w.program->client.screen_name(), "DJ2");
    EXPECT_EQ(scanner.UserScreenName(), "DJ2");
    w.loop.advance(1);
    reported.clear();
    w.program->client.user_send(room(), ".p");
    w.loop.advance(1);
    // What the command interpreter relies on: the author is the signed-on user.
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0].first, scanner.UserScreenName());
    EXPECT_EQ(reported[0].second, ".p");
    EXPECT_EQ(said(), std::vector<std::string>{".p"});
}

// The close label's two lines are the room's last words: with the pace holding them back,
// they still reach the channel, and QUIT follows them; the connection stays until the
// server has had its time to answer.
TEST_F(OnIrc, ClosingSendsTheLastLinesThenQuitsAndWaitsForTheServer) {
    welcome("DJ");
    w.start("Bob");
    w.loop.advance(10);
    for (int i = 0; i < 6; ++i) w.program->client.user_send(room(), "chatter " + std::to_string(i));
    said();
    double left_at = -1;
    w.program->services.end_program = [&] {
        network.leave(2.0);
        left_at = w.loop.now();
    };
    const double closing = w.loop.now();
    w.program->form1.lbclose_Click();
    auto lines = transport.lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines.back(), "QUIT Leaving");
    EXPECT_NE(lines[lines.size() - 3].find("PowerOff"), std::string::npos) << lines.size();
    EXPECT_NE(lines[lines.size() - 2].find("Bob"), std::string::npos) << lines.size();
    EXPECT_EQ(transport.closes, 1);
    EXPECT_GE(left_at - closing, 2.0);
    EXPECT_EQ(network.status(), "Offline");
}

// A forward at sign-on: the room of the channel asked for says where the server sent the
// user, the channel sent to is a room of its own on top, and the program plays there.
TEST_F(OnIrc, AForwardedChannelIsARoomOnTopAndTheProgramPlaysThere) {
    transport.say(":srv 001 DJ :hi\r\n:srv 470 DJ #music #overflow :Forwarding\r\n");
    transport.say(":DJ!u@h JOIN #overflow\r\n");
    Room* overflow = w.program->client.room_named("#overflow");
    ASSERT_NE(overflow, nullptr);
    EXPECT_EQ(w.program->client.top_room(), overflow);
    bool said_so = false;
    for (std::size_t i = 0; i < room().lines().size(); ++i)
        said_so |= room().plain_line(i) == "#music sends you to #overflow";
    EXPECT_TRUE(said_so);
    transport.lines();
    w.start("Bob");
    w.loop.advance(10);
    auto lines = transport.lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("PRIVMSG #overflow :", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find("Power"), std::string::npos) << lines[0];
}

TEST_F(OnIrc, AnotherChannelIsANewRoomAndOfflineRoomsStayLocal) {
    welcome("DJ");
    transport.lines();
    Room* jazz = network.join("jazz");
    ASSERT_NE(jazz, nullptr);
    EXPECT_EQ(jazz->name(), "#jazz");
    EXPECT_EQ(transport.lines(), std::vector<std::string>{"JOIN #jazz"});
    EXPECT_EQ(network.join("#a b"), nullptr);
    Room* lobby = w.program->client.room_named("Lobby");
    ASSERT_NE(lobby, nullptr);
    w.program->client.user_send(*lobby, "only here");
    EXPECT_TRUE(said().empty());
}

}  // namespace
}  // namespace rv::standin
