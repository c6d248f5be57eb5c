// The IRC link over its real Qt socket, against each real server and against a misbehaving
// one.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <memory>

#include "platform/qt/qt_loop.h"
#include "standin/net/irc_link.h"
#include "standin/view/irc_socket.h"
#include "tests/helpers.h"
#include "tests/irc/irc_harness.h"
#include "tests/irc/server_fixture.h"
#include "tests/irc_fakes.h"

namespace rv::standin::net {
namespace {

using test::Peer;
using test::wait_until;

double seconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// Pacing and pauses scaled down so that the suite stays fast; the shapes stay the same.
LinkSettings quick() {
    LinkSettings s;
    s.pacing.burst = 5;
    s.pacing.interval_ms = 50;
    s.reconnect.first_ms = 300;
    s.reconnect.cap_ms = 2000;
    s.watchdog_ms = 200;
    s.nick_poll_s = 1;
    return s;
}

struct RealServer : test::ServerWithBob {
    void SetUp() override {
        ServerWithBob::SetUp();
        if (!ready()) return;
        link->log = [this](const std::string& l) { logged.push_back(l); };
    }
    void sign_on(const std::string& nick = "DJ") {
        Endpoint e;
        std::string error;
        ASSERT_TRUE(parse_chat_url(server->url("#music"), e, error));
        link->start(e, nick, "");
        ASSERT_TRUE(wait_until(
            [&] {
                bob.poll();
                return link->joined("#music") && bob.has_line_containing(" JOIN ");
            },
            20));
    }

    qt::QtLoop loop;
    view::IrcSocket socket;
    test::RecordingSink sink;
    std::unique_ptr<IrcLink> link = std::make_unique<IrcLink>(loop, socket, sink, quick());
    std::vector<std::string> logged;
};

TEST_P(RealServer, LinesGoBothWaysAsIrcTextAndChatHtml) {
    sign_on();
    EXPECT_TRUE(sink.people["#music"].count("bob"));
    link->say("#music",
              "<FONT COLOR=#3366FF><font  face=\"Arial Narrow\"><b>\xC2\xB7\xC2\xB7\xE2\x80\xBA "
              "<FONT COLOR=#222222>Power:-</B><FONT COLOR=#3366FF> On");
    link->say("#music", "</html><html><FONT COLOR=#3366FF><b>Handle:-</b> DJ");
    ASSERT_TRUE(wait_until(
        [&] {
            bob.poll();
            return bob.said_in("#music").size() == 2;
        },
        10));
    auto said = bob.said_in("#music");
    EXPECT_EQ(said[0],
              "\x03"
              "12\x02\xC2\xB7\xC2\xB7\xE2\x80\xBA \x03"
              "01Power:-\x03"
              "12\x02 On");
    EXPECT_EQ(said[1],
              "\x03"
              "12\x02Handle:-\x02 DJ");
    bob.say("#music", ".msg back at 5");
    ASSERT_TRUE(wait_until([&] { return !sink.chat.empty(); }, 10));
    EXPECT_EQ(sink.chat[0], (test::RecordingSink::Line{"#music", "bob", ".msg back at 5"}));
}

TEST_P(RealServer, NegotiatesTheExtensionsTheServerOffersBeforeSigningOn) {
    sign_on();
    const auto& caps = link->capabilities();
    EXPECT_NE(std::find(caps.begin(), caps.end(), "multi-prefix"), caps.end());
    EXPECT_TRUE(sink.system.size() == 1u) << sink.system.back().text;  // "You are in #music ..."
}

TEST_P(RealServer, ATakenNickGetsASuffix) {
    Peer other;
    ASSERT_TRUE(other.connect(server->port()));
    ASSERT_TRUE(other.sign_on("DJ"));
    sign_on("DJ");
    EXPECT_EQ(link->nick(), "DJ2");
    EXPECT_EQ(sink.nicks, std::vector<std::string>{"DJ2"});
    EXPECT_EQ(sink.system.front().text, "DJ is taken: you are DJ2");
    // Once its holder leaves, the nick is taken back and that is said too.
    other.close();
    ASSERT_TRUE(wait_until([&] { return link->nick() == "DJ"; }, 20));
    EXPECT_EQ(sink.nicks, (std::vector<std::string>{"DJ2", "DJ"}));
    EXPECT_EQ(sink.system.back().text, "You are now known as DJ");
}

TEST_P(RealServer, PrivateLinesAndCtcpRequestsAreTheUsersAlone) {
    sign_on();
    bob.send("PRIVMSG DJ :psst");
    bob.send("PRIVMSG DJ :\x01VERSION\x01");
    ASSERT_TRUE(wait_until(
        [&] {
            bob.poll();
            return bob.has_line_containing(" NOTICE bob :\x01VERSION Ravelin " RAVELIN_VERSION
                                           "\x01");
        },
        10));
    EXPECT_EQ(sink.privates, (std::vector<test::RecordingSink::Line>{{"", "bob", "psst"}}));
    EXPECT_TRUE(sink.chat.empty());
    link->message("bob", "hello back");
    ASSERT_TRUE(wait_until(
        [&] {
            bob.poll();
            return bob.has_line_containing(" PRIVMSG bob :hello back");
        },
        10));
}

TEST_P(RealServer, ThousandLinesInABurstAllArriveOnceInOrder) {
    sign_on();
    for (int i = 0; i < 1000; ++i) bob.say("#music", "line " + std::to_string(i));
    ASSERT_TRUE(wait_until([&] { return sink.chat.size() >= 1000; }, 30)) << sink.chat.size();
    ASSERT_EQ(sink.chat.size(), 1000u);
    for (int i = 0; i < 1000; ++i) EXPECT_EQ(sink.chat[i].text, "line " + std::to_string(i));
}

TEST_P(RealServer, TwentyAnnouncementsArriveInOrderPaced) {
    sign_on();
    const double start = seconds();
    for (int i = 0; i < 20; ++i) link->say("#music", "<b>announcement</b> " + std::to_string(i));
    ASSERT_TRUE(wait_until(
        [&] {
            bob.poll();
            return bob.said_in("#music").size() >= 20;
        },
        20));
    const double span = seconds() - start;
    auto said = bob.said_in("#music");
    ASSERT_EQ(said.size(), 20u);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(said[i],
                  "\x02"
                  "announcement\x02 " +
                      std::to_string(i));
    // Five at once, then one every 50 ms: the last cannot arrive before 15 intervals.
    EXPECT_GE(span, 15 * 0.050 * 0.9);
}

TEST_P(RealServer, AfterARestartTheRoomIsBackAndWaitingLinesArriveInOrder) {
    // Carol must be in the channel before the link is back in it: the link waits longer
    // before trying again than the server takes to start and carol to join.
    LinkSettings slower = quick();
    slower.reconnect.first_ms = 4000;
    slower.reconnect.cap_ms = 8000;
    link.reset();
    link = std::make_unique<IrcLink>(loop, socket, sink, slower);
    link->log = [this](const std::string& l) { logged.push_back(l); };
    sign_on();
    server->stop();
    ASSERT_TRUE(wait_until([&] { return link->state() != IrcLink::State::Online; }, 10));
    for (int i = 0; i < 3; ++i) link->say("#music", "meanwhile " + std::to_string(i));
    ASSERT_TRUE(server->start());
    const double restarted = seconds();
    Peer carol;  // bob's connection died with the server
    ASSERT_TRUE(carol.connect(server->port()));
    ASSERT_TRUE(carol.sign_on("carol"));
    ASSERT_TRUE(carol.join("#music"));
    ASSERT_TRUE(wait_until([&] { return link->joined("#music"); }, 30));
    EXPECT_LT(seconds() - restarted, 30);
    ASSERT_TRUE(wait_until(
        [&] {
            carol.poll();
            return carol.said_in("#music").size() >= 3;
        },
        10));
    EXPECT_EQ(carol.said_in("#music"),
              (std::vector<std::string>{"meanwhile 0", "meanwhile 1", "meanwhile 2"}));
}

TEST_P(RealServer, ARefusedJoinIsSaidAndHoldsNothingBack) {
    ASSERT_TRUE(bob.join("#vip"));
    bob.send("MODE #vip +i");
    sign_on();
    link->join("#vip");
    link->say("#vip", "for vip");
    link->say("#music", "for music");
    ASSERT_TRUE(wait_until(
        [&] {
            bob.poll();
            return !bob.said_in("#music").empty() && !sink.system.empty() &&
                   sink.system.back().channel == "#vip";
        },
        10));
    EXPECT_EQ(sink.system.back().text.rfind("Cannot join #vip: ", 0), 0u)
        << sink.system.back().text;
    EXPECT_NE(sink.system.back().text.find("(1 line not sent)"), std::string::npos);
    EXPECT_EQ(bob.said_in("#music"), std::vector<std::string>{"for music"});
    EXPECT_TRUE(bob.said_in("#vip").empty());
}

INSTANTIATE_TEST_SUITE_P(Servers, RealServer,
                         ::testing::Values(test::ServerKind::Ngircd, test::ServerKind::Inspircd),
                         [](const auto& p) { return test::server_name(p.param); });

// Refusals this server has of its own, which once left a join waiting for ever with every
// later line behind it.
struct InspircdModes : RealServer {};

TEST_P(InspircdModes, OperatorsOnlyAndOverflowChannelsAreSaidAndHoldNothingBack) {
    bob.send(std::string("OPER ") + test::Inspircd::kOperName + " " +
             test::Inspircd::kOperPassword);
    bob.send("JOIN #ops");
    bob.send("MODE #ops +O");
    bob.send("JOIN #overflow");
    bob.send("JOIN #full");
    bob.send("MODE #full +lL 1 #overflow");
    ASSERT_TRUE(wait_until(
        [&] {
            bob.poll();
            return bob.has_line_containing(" MODE #full +lL 1 ");
        },
        10));
    sign_on();
    link->join("#ops");
    link->say("#ops", "for ops");
    link->join("#full");
    link->say("#full", "for full");
    link->say("#music", "for music");
    ASSERT_TRUE(wait_until(
        [&] {
            bob.poll();
            return !bob.said_in("#overflow").empty() && !bob.said_in("#music").empty();
        },
        10));
    EXPECT_EQ(bob.said_in("#overflow"), std::vector<std::string>{"for full"});
    EXPECT_EQ(bob.said_in("#music"), std::vector<std::string>{"for music"});
    EXPECT_TRUE(bob.said_in("#ops").empty());
    EXPECT_TRUE(link->joined("#overflow"));
    std::vector<std::string> ops, full;
    for (const auto& l : sink.system) (l.channel == "#ops" ? ops : full).push_back(l.text);
    ASSERT_EQ(ops.size(), 1u);
    EXPECT_EQ(ops[0].rfind("Cannot join #ops: ", 0), 0u) << ops[0];
    EXPECT_NE(ops[0].find("(+O"), std::string::npos) << ops[0];
    EXPECT_NE(ops[0].find("(1 line not sent)"), std::string::npos) << ops[0];
    EXPECT_NE(std::find(full.begin(), full.end(), "#full sends you to #overflow"), full.end());
}

INSTANTIATE_TEST_SUITE_P(Servers, InspircdModes, ::testing::Values(test::ServerKind::Inspircd),
                         [](const auto& p) { return test::server_name(p.param); });

TEST(FakeIrcServer, MalformedInputIsHarmlessAndBounded) {
    test::FakeServer fake;
    qt::QtLoop loop;
    view::IrcSocket socket;
    test::RecordingSink sink;
    LinkSettings settings = quick();
    settings.max_members = 1000;
    IrcLink link(loop, socket, sink, settings);
    link.log = [](const std::string&) {};
    Endpoint e;
    e.host = "127.0.0.1";
    e.port = fake.port();
    e.channel = "#music";
    link.start(e, "DJ", "");
    ASSERT_TRUE(fake.accept_client(10));
    fake.send(":fake 001 DJ :hi\r\n:DJ!u@h JOIN #music\r\n");
    ASSERT_TRUE(wait_until([&] { return link.joined("#music"); }, 10));
    std::string junk = std::string(100000, 'x') + "\r\n";
    junk += ":bob!u@h PRIVMSG #music :\xFF\xFE invalid\r\n";
    junk += ":bob!u@h PRIVMSG #music :bare\rCR\r\n";
    junk += std::string(":bob!u@h PRIVMSG #music :nul\0x\r\n", 32);
    for (int i = 0; i < 10000; ++i) junk += ":n" + std::to_string(i) + "!u@h JOIN #music\r\n";
    junk += ":bob!u@h PRIVMSG #music :the end\r\n";
    fake.send(junk);
    ASSERT_TRUE(
        wait_until([&] { return !sink.chat.empty() && sink.chat.back().text == "the end"; }, 20));
    EXPECT_EQ(link.members("#music"), 1000u);
    EXPECT_LE(sink.system.size(), 20u);
    // A server that closes mid-line: the link tries again.
    fake.send(":bob!u@h PRIVMSG #music :cut sh");
    fake.drop_client();
    ASSERT_TRUE(fake.accept_client(10));
    EXPECT_NE(sink.chat.back().text, "cut sh");
}

TEST(FakeIrcServer, ASilentServerIsLeftAndTriedAgain) {
    test::FakeServer fake;
    qt::QtLoop loop;
    view::IrcSocket socket;
    test::RecordingSink sink;
    LinkSettings settings = quick();
    settings.register_timeout_s = 1;
    IrcLink link(loop, socket, sink, settings);
    link.log = [](const std::string&) {};
    Endpoint e;
    e.host = "127.0.0.1";
    e.port = fake.port();
    link.start(e, "DJ", "");
    ASSERT_TRUE(fake.accept_client(10));
    const double accepted = seconds();
    ASSERT_TRUE(wait_until(
        [&] {
            fake.poll();
            return fake.client_hung_up();
        },
        10));
    EXPECT_GE(seconds() - accepted, 0.9);  // it waited for the sign-on, not less
    EXPECT_NE(fake.received().find("NICK DJ\r\n"), std::string::npos);
    ASSERT_TRUE(fake.accept_client(10));  // and tries again
}

}  // namespace
}  // namespace rv::standin::net

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
