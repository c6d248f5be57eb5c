// The whole program with its client signed on as DJ in #music of each real server, and bob,
// a second IRC client of the test's own, in the same channel.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

#include "app/program.h"
#include "platform/media/virtual_player.h"
#include "platform/qt/qt_loop.h"
#include "standin/chat_network.h"
#include "standin/view/irc_socket.h"
#include "tests/helpers.h"
#include "tests/irc/irc_harness.h"
#include "tests/irc/server_fixture.h"

namespace rv::standin::net {
namespace {

using test::wait_until;

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class RavelinOnIrc : public test::ServerWithBob {
  protected:
    void SetUp() override {
        ServerWithBob::SetUp();
        if (!ready()) return;
        // One track, so that the player has something to play.
        music.touch("a.mp3");
        std::ofstream(home.file("mp3.oca")) << "[ravelin]\nDIRECTORY=" << music.path() << "\n";
    }

    // The program as it runs, its client signed on and in #music; the player is started.
    void start_ravelin() {
        app::Options options;
        options.home = home.path();
        options.screen_name = "DJ";
        options.chat = server->url("#music");
        program = std::make_unique<app::Program>(loop, media, options);
        program->env.set_input_box(
            [this](const std::string&, const std::string&, const std::string&) {
                if (answers.empty()) return std::string();
                std::string a = answers.front();
                answers.pop_front();
                return a;
            });
        LinkSettings quick;
        quick.pacing.burst = 5;
        quick.pacing.interval_ms = 50;
        network = std::make_unique<ChatNetwork>(program->client, loop, socket, quick);
        Endpoint e;
        std::string error;
        ASSERT_TRUE(parse_chat_url(options.chat, e, error));
        network->start(e, "");
        ASSERT_TRUE(wait_until([&] { return network->link().joined("#music"); }, 20));
        answers.push_back("Bob");  // the handle
        program->start();
        ASSERT_TRUE(bob_hears(2));  // power and handle
    }
    // Bob has received at least `n` lines in #music.
    bool bob_hears(std::size_t n) {
        return wait_until(
            [&] {
                bob.poll();
                return bob.said_in("#music").size() >= n;
            },
            20);
    }
    bool bob_hears_line_with(const std::string& a, const std::string& b = "") {
        return wait_until(
            [&] {
                bob.poll();
                for (const auto& l : bob.said_in("#music"))
                    if (l.find(a) != std::string::npos && l.find(b) != std::string::npos)
                        return true;
                return false;
            },
            20);
    }
    Room& room() { return *program->client.room_named("#music"); }

    test::TempDir home, music;
    qt::QtLoop loop;
    media::VirtualPlayer media{loop, [](const std::string&) { return 100.0; }};
    std::deque<std::string> answers;
    std::unique_ptr<app::Program> program;
    view::IrcSocket socket;
    std::unique_ptr<ChatNetwork> network;
};

TEST_P(RavelinOnIrc, SignsOnAsDjAndPlaysIntoTheChannel) {
    start_ravelin();
    EXPECT_EQ(network->link().nick(), "DJ");
    auto said = bob.said_in("#music");
    EXPECT_NE(said[0].find("Power"), std::string::npos) << said[0];
    EXPECT_NE(said[1].find("Bob"), std::string::npos) << said[1];
    for (const auto& l : said) {
        EXPECT_EQ(l.find('<'), std::string::npos) << l;
        EXPECT_NE(l.find('\x03'), std::string::npos) << l;
    }
    bob.say("#music", "hello DJ");
    ASSERT_TRUE(wait_until(
        [&] {
            return !room().lines().empty() &&
                   room().plain_line(room().lines().size() - 1) == "bob:\thello DJ";
        },
        10));
}

TEST_P(RavelinOnIrc, TheAwayBotSavesAChannelMessageAndSaysSoInTheChannel) {
    start_ravelin();
    answers.push_back("DJ");  // the away bot's handle
    program->form1.Label4->user_click();
    answers.push_back("lunch");
    program->afk1.Command1_Click();
    ASSERT_TRUE(bob_hears_line_with("Rsn:", "lunch"));
    bob.say("#music", ".msg back at 5");
    ASSERT_TRUE(bob_hears_line_with("Message Saved"));
    EXPECT_EQ(program->afk1.List1->items(), std::vector<std::string>{"bob:back at 5"});
    EXPECT_EQ(slurp(home.file("MsgBox.txt")), "bob:back at 5\r\n");
}

// Bob floods the channel with a thousand messages in one burst: the program stays up and
// takes every message at once, each on disk once. (The acknowledgements reach the channel
// at the pace the server allows.)
TEST_P(RavelinOnIrc, AFloodOfMessagesIsTakenWhole) {
    start_ravelin();
    answers.push_back("DJ");
    program->form1.Label4->user_click();
    answers.push_back("lunch");
    program->afk1.Command1_Click();
    ASSERT_TRUE(bob_hears_line_with("Rsn:", "lunch"));
    constexpr int kFlood = 1000;
    for (int i = 0; i < kFlood; ++i) bob.say("#music", ".msg note " + std::to_string(i));
    ASSERT_TRUE(wait_until([&] { return program->afk1.List1->list_count() >= kFlood; }, 10))
        << program->afk1.List1->list_count();
    const std::string added = slurp(home.file("MsgBox.txt"));
    program->afk1.Command2_Click();
    const std::string file = slurp(home.file("MsgBox.txt"));
    for (int i = 0; i < kFlood; ++i)
        EXPECT_EQ(test::count(file, "bob:note " + std::to_string(i) + "\r\n"), 1u) << i;
    EXPECT_EQ(test::count(file, "\r\n"), static_cast<std::size_t>(kFlood));
    EXPECT_EQ(added.size(), file.size());  // each was on disk as it was taken
}

// Closing the player: its last line and then its own QUIT reach the others, although the
// process ends (here: the link and its socket go) right after.
TEST_P(RavelinOnIrc, ClosingLeavesWithTheLastLineAndOurQuit) {
    start_ravelin();
    program->services.end_program = [this] { network->leave(2.0); };
    program->form1.lbclose_Click();
    network.reset();
    ASSERT_TRUE(wait_until(
        [&] {
            bob.poll();
            return bob.has_line_containing(" QUIT ");
        },
        10));
    std::string quit;
    for (const auto& l : bob.lines())
        if (l.find(" QUIT ") != std::string::npos) quit = l;
    EXPECT_EQ(quit.substr(0, 4), ":DJ!") << quit;
    // Our own reason (quoted by some servers); the server's words would be its own
    // ("Connection closed", "Client exited").
    EXPECT_NE(quit.find(" QUIT :"), std::string::npos) << quit;
    EXPECT_NE(quit.find("Leaving"), std::string::npos) << quit;
    auto said = bob.said_in("#music");
    ASSERT_EQ(said.size(), 4u);
    EXPECT_NE(said[2].find("PowerOff"), std::string::npos) << said[2];
    EXPECT_NE(said[3].find("Bob"), std::string::npos) << said[3];
}

// A private line typed as a command reaches its one reader and never the channel.
TEST_P(RavelinOnIrc, MsgTypedInTheRoomIsPrivate) {
    start_ravelin();
    program->client.user_send(room(), "/msg bob IDENTIFY s3cret");
    program->client.user_send(room(), "after");
    ASSERT_TRUE(bob_hears_line_with("after"));
    EXPECT_TRUE(bob.has_line_containing(" PRIVMSG bob :IDENTIFY s3cret"));
    for (const auto& l : bob.said_in("#music")) EXPECT_EQ(l.find("s3cret"), std::string::npos);
}

// Bob writes to DJ alone: a conversation opens in the client, DJ's answer typed there reaches
// bob alone, and bob's client-to-client VERSION request is answered.
TEST_P(RavelinOnIrc, APrivateLineOpensAConversationAndItsAnswerIsPrivate) {
    start_ravelin();
    bob.send("PRIVMSG DJ :psst, DJ");
    bob.send("PRIVMSG DJ :\x01VERSION\x01");
    ImWindow* talk = nullptr;
    ASSERT_TRUE(wait_until(
        [&] {
            for (const auto& w : program->client.windows())
                if (auto* im = dynamic_cast<ImWindow*>(w.get()); im && !im->lines().empty())
                    talk = im;
            return talk != nullptr;
        },
        10));
    EXPECT_EQ(talk->buddy(), "bob");
    EXPECT_EQ(talk->lines()[0].html, "psst, DJ");
    auto& desktop = program->desktop;
    desktop.SendMessageA(talk->input(), winapi::WM_SETTEXT, 0, winapi::text_param("hi bob"));
    desktop.SendMessageA(talk->input(), winapi::WM_CHAR, winapi::VK_RETURN, 0);
    ASSERT_TRUE(wait_until(
        [&] {
            bob.poll();
            return bob.has_line_containing(" PRIVMSG bob :hi bob") &&
                   bob.has_line_containing(" NOTICE bob :\x01VERSION Ravelin ");
        },
        10));
    for (const auto& l : bob.said_in("#music")) EXPECT_EQ(l.find("hi bob"), std::string::npos);
    EXPECT_EQ(program->client.top_room(), &room()) << "the program still plays into the room";
}

TEST_P(RavelinOnIrc, DotPTypedInTheRoomPlaysAndThePlayingLineReachesTheChannel) {
    start_ravelin();
    program->form1.File1->set_list_index(0);  // the user picks the track
    ASSERT_NE(media.PlayState(), media::kPlaying);
    program->client.user_send(room(), ".p");
    ASSERT_TRUE(bob_hears_line_with("playing:-", "a.mp3"));
    EXPECT_EQ(media.PlayState(), media::kPlaying);
    // The command itself went to the channel too, before the line it caused.
    auto said = bob.said_in("#music");
    auto dot_p = std::find(said.begin(), said.end(), ".p");
    ASSERT_NE(dot_p, said.end());
    EXPECT_NE(std::next(dot_p)->find("playing:-"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Servers, RavelinOnIrc,
                         ::testing::Values(test::ServerKind::Ngircd, test::ServerKind::Inspircd),
                         [](const auto& p) { return test::server_name(p.param); });

}  // namespace
}  // namespace rv::standin::net
