// The client on a network, on virtual time: conversations with one person are instant-message
// windows, names that could pass for others are shown for what they are, and a flood of lines
// keeps no more than the windows show.
#include <gtest/gtest.h>

#include <set>

#include "platform/chatscan/chat_scanner.h"
#include "tests/network_fixture.h"

namespace rv::standin {
namespace {

using namespace winapi;
using Strings = std::vector<std::string>;

struct ImOnIrc : test::ClientOnNetwork {
    void SetUp() override {
        connect();
        welcome("DJ", "@bob");
        transport.lines();
    }
    Client& client() { return w.program->client; }
    Room& room() { return *client().room_named("#music"); }
    ImWindow* im(const std::string& buddy) {
        return client().find<ImWindow>(w.program->desktop.FindWindowExA(
            client().mdi(), 0, "AOL Child", ("Instant Message To: " + buddy).c_str()));
    }
    std::string transcript(HWND h) {
        char text[512] = {};
        w.program->desktop.SendMessageA(h, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
        return text;
    }
    // The user's own Send IM window: a name typed in the To box, a first line, Send.
    void send_im(const std::string& to, const std::string& text) {
        auto& form = client().open_send_im(to);
        click_send(form, text);
    }
    void click_send(SendImWindow& form, const std::string& text) {
        w.program->desktop.SendMessageA(form.text_box(), WM_SETTEXT, 0, text_param(text.c_str()));
        w.program->desktop.SendMessageA(form.send_button(), WM_LBUTTONDOWN, 0, 0);
        w.program->desktop.SendMessageA(form.send_button(), WM_LBUTTONUP, 0, 0);
    }
    void type(HWND input, const std::string& text) {
        w.program->desktop.SendMessageA(input, WM_SETTEXT, 0, text_param(text.c_str()));
        w.program->desktop.SendMessageA(input, WM_CHAR, VK_RETURN, 0);
    }
    std::size_t room_lines() { return room().dropped() + room().lines().size(); }
};

TEST_F(ImOnIrc, APrivateMessageOpensTheConversationAndTheAnswerGoesToTheNickAlone) {
    const std::size_t before = room_lines();
    transport.say(":Bob!u@h PRIVMSG DJ :hi <there>\r\n");
    ImWindow* talk = im("Bob");
    ASSERT_NE(talk, nullptr);
    EXPECT_EQ(w.program->desktop.GetWindow(talk->window(), GW_HWNDFIRST), talk->window());
    type(talk->input(), "hello <b>Bob</b>");
    type(talk->input(), "/me waves");
    transport.say(
        ":bob!u@h PRIVMSG DJ :\x01"
        "ACTION waves back\x01\r\n");
    EXPECT_EQ(im("bob"), talk) << "one conversation, whatever the case";
    EXPECT_EQ(transcript(talk->transcript()),
              "Bob:\thi <there>\r\nDJ:\thello Bob\r\nDJ:\t/me waves\r\nbob:\t* bob waves back");
    w.loop.advance(5);
    EXPECT_EQ(transport.lines(), (Strings{"PRIVMSG Bob :hello \x02"
                                          "Bob",
                                          "PRIVMSG Bob :\x01"
                                          "ACTION waves\x01"}));
    EXPECT_EQ(room_lines(), before) << "nothing of it in the room";
    // The room is still where chat goes: a conversation lacks a room's windows.
    EXPECT_EQ(client().top_room(), &room());
}

TEST_F(ImOnIrc, MsgAndQueryOpenTheConversationAndNeverReachTheChannel) {
    const struct {
        const char* typed;
        const char* buddy;
        Strings sent;
        const char* conversation;
    } table[] = {
        {"/msg NickServ IDENTIFY s3cret",
         "NickServ",
         {"PRIVMSG NickServ :IDENTIFY s3cret"},
         "DJ:\tIDENTIFY s3cret"},
        {"/query carol", "carol", {}, ""},
        {"/query carol are you there?",
         "carol",
         {"PRIVMSG carol :are you there?"},
         "DJ:\tare you there?"},
        {"/msg #jazz over here", "", {"PRIVMSG #jazz :over here"}, ""},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.typed);
        const std::size_t before = room_lines();
        client().user_send(room(), row.typed);
        w.loop.advance(5);
        EXPECT_EQ(transport.lines(), row.sent);
        if (row.buddy[0]) {
            ImWindow* talk = im(row.buddy);
            ASSERT_NE(talk, nullptr);
            EXPECT_EQ(transcript(talk->transcript()), row.conversation);
            EXPECT_EQ(room_lines(), before);
            talk->close();
        } else {
            EXPECT_EQ(room().plain_line(room().lines().size() - 1), "-> #jazz over here");
        }
    }
    for (const auto& l : w.lines) EXPECT_EQ(l.html.find("s3cret"), std::string::npos) << l.html;
    // A command typed in a conversation is a command there too.
    client().open_im("Bob");
    type(im("Bob")->input(), "/frob");
    EXPECT_EQ(transcript(im("Bob")->transcript()).rfind("Not sent: /frob is not a command", 0), 0u);
    w.loop.advance(5);
    EXPECT_TRUE(transport.lines().empty());
}

TEST_F(ImOnIrc, WhileInstantMessagesAreOffTheSenderIsToldAndNothingOpens) {
    Strings logged;
    network.link().log = [&](const std::string& l) { logged.push_back(l); };
    // Each spell of "off" is told on stderr once, however many write meanwhile.
    const struct {
        const char* what;
        int messages;
        std::size_t told;
    } spells[] = {{"a flood", 200, 1}, {"one", 1, 1}, {"after on again", 50, 1}};
    for (const auto& spell : spells) {
        SCOPED_TRACE(spell.what);
        send_im("$IM_ON", " ");
        transport.say(":carol!u@h PRIVMSG DJ :while on\r\n");
        ASSERT_NE(im("carol"), nullptr);
        im("carol")->close();
        send_im("$IM_OFF", " ");
        ASSERT_FALSE(client().ims_on());
        logged.clear();
        for (int i = 0; i < spell.messages; ++i)
            transport.say(":bob!u@h PRIVMSG DJ :knock knock\r\n");
        EXPECT_EQ(im("bob"), nullptr);
        w.loop.advance(5);
        EXPECT_EQ(transport.lines(),
                  Strings{"NOTICE bob :DJ is not taking instant messages just now."});
        EXPECT_EQ(logged.size(), spell.told) << (logged.empty() ? "" : logged[0]);
    }
    EXPECT_EQ(logged, Strings{"ravelin: private messages not shown: instant messages are off"});
}

// A conversation speaks on the network only to a nick: a name from the user's own Send IM
// window that no nick can be, or that shows other than typed, gets a word in the window.
TEST_F(ImOnIrc, AConversationSendsOnlyToANickItCanReach) {
    const struct {
        std::string to;
        const char* buddy;
        Strings sent;
        const char* last_line;
    } table[] = {
        {"carol", "carol", {"PRIVMSG carol :hi", "PRIVMSG carol :again"}, "DJ:\tagain"},
        {"  carol  ", "carol", {"PRIVMSG carol :hi", "PRIVMSG carol :again"}, "DJ:\tagain"},
        {"Bob Smith", "Bob Smith", {}, "Not sent: Bob Smith is no nick on the network."},
        {"Bob\u200b", "Bob<U+200B>", {}, "Not sent: Bob<U+200B> is no nick on the network."},
        {"Bob<U+200B>",
         "Bob<U+003C>U+200B>",
         {},
         "Not sent: Bob<U+003C>U+200B> is no nick on the network."},
        {"#music", "#music", {}, "Not sent: #music is a channel, not a nick."},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.to);
        const std::size_t before = room_lines();
        send_im(row.to, "hi");
        ImWindow* talk = im(row.buddy);
        ASSERT_NE(talk, nullptr);
        type(talk->input(), "again");
        w.loop.advance(5);
        EXPECT_EQ(transport.lines(), row.sent);
        const std::string text = transcript(talk->transcript());
        EXPECT_EQ(text.substr(text.rfind('\n') + 1), row.last_line);
        EXPECT_EQ(room_lines(), before) << "nothing said in the channel";
        talk->close();
    }
    // The link itself sends no line whose target would be cut or would end the line.
    Strings logged;
    network.link().log = [&](const std::string& l) { logged.push_back(l); };
    const std::string bad[] = {"Bob Smith", "Bob\r\nQUIT", std::string("Bob\0x", 5), ""};
    for (const auto& target : bad) network.link().message(target, "hi");
    w.loop.advance(5);
    EXPECT_TRUE(transport.lines().empty());
    EXPECT_EQ(logged.size(), std::size(bad));
}

TEST_F(ImOnIrc, ACrowdWritingAtOnceOpensNoMoreThanSoManyConversations) {
    const std::size_t before = room_lines();
    for (std::size_t i = 0; i < ChatNetwork::kMaxConversations + 5; ++i)
        transport.say(":bot" + std::to_string(i) + "!u@h PRIVMSG DJ :buy now\r\n");
    transport.say(":bot0!u@h PRIVMSG DJ :again\r\n");
    EXPECT_EQ(client().windows().size(), ChatNetwork::kMaxConversations);
    EXPECT_EQ(im("bot0")->lines().size(), 2u);
    EXPECT_EQ(room_lines(), before + 5);
    EXPECT_EQ(room().plain_line(room().lines().size() - 1), "*bot24* buy now");
}

// "DJ" with a zero-width space, a no-break space or a Cyrillic letter is not the user: every
// place a person reads the name shows it, and the program still does not take it for the user.
TEST_F(ImOnIrc, NamesThatLookLikeOthersAreShownForWhatTheyAre) {
    chatscan::ChatScanner scanner{w.program->desktop, w.loop};
    std::vector<std::string> reported;
    scanner.ChatMessage = [&](const std::string& name, const std::string&) {
        reported.push_back(name);
    };
    scanner.ScanOn();
    w.start("Bob");
    w.loop.advance(10);
    const struct {
        const char* nick;
        const char* shown;
    } table[] = {
        {"DJ\u200b", "DJ<U+200B>"},
        {"DJ\u00a0", "DJ<U+00A0>"},
        {"D\u0408", "D<U+0408>"},
        {"\u202eJD", "<U+202E>JD"},
        // A nick that spells a marker shows apart from the one that holds the character.
        {"DJ<U+200B>", "DJ<U+003C>U+200B>"},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.shown);
        const std::string nick = row.nick;
        transport.say(":" + nick + "!u@h JOIN #music\r\n");
        EXPECT_EQ(room().plain_line(room().lines().size() - 1),
                  std::string(row.shown) + " has joined #music");
        EXPECT_EQ(room().people().count(row.shown), 1u);
        reported.clear();
        transport.say(":" + nick + "!u@h PRIVMSG #music :.exit\r\n");
        w.loop.advance(1);
        EXPECT_EQ(room().plain_line(room().lines().size() - 1),
                  std::string(row.shown) + ":\t.exit");
        EXPECT_EQ(reported, Strings{row.shown});
        EXPECT_FALSE(w.ended) << "never acted on";
        transport.say(":" + nick + "!u@h PRIVMSG DJ :it is me\r\n");
        ASSERT_NE(im(row.shown), nullptr);
        transport.lines();
        type(im(row.shown)->input(), "who?");
        w.loop.advance(5);
        EXPECT_EQ(transport.lines(), Strings{"PRIVMSG " + nick + " :who?"})
            << "answered under the network's own name";
        transport.say(":" + nick + "!u@h NICK :DJ_\r\n");
        EXPECT_EQ(room().plain_line(room().lines().size() - 1),
                  std::string(row.shown) + " is now known as DJ_");
        transport.say(":DJ_!u@h PART #music\r\n");
    }
}

// Lines past the cap go a block at a time, and the transcript's text still holds exactly the
// kept lines, whatever a line held.
TEST_F(ImOnIrc, AConversationPastItsCapKeepsTextAndLinesTogether) {
    const char* const bodies[] = {"two\r\nhalves", "\r\n", "&#13;&#10;", "plain"};
    for (const char* body : bodies) {
        SCOPED_TRACE(body);
        ImWindow* talk = client().find<ImWindow>(client().open_im("Bob"));
        ASSERT_NE(talk, nullptr);
        for (std::size_t i = 0; i <= ImWindow::kMaxLines; ++i)
            talk->add_line("Bob", std::to_string(i) + body, false);
        EXPECT_EQ(talk->dropped(), ImWindow::kDropLines);
        const std::string text = talk->text();
        EXPECT_EQ(static_cast<LRESULT>(text.size()),
                  w.program->desktop.SendMessageA(talk->transcript(), WM_GETTEXTLENGTH, 0, 0));
        std::size_t rows = 1;
        for (std::size_t at = text.find("\r\n"); at != std::string::npos;
             at = text.find("\r\n", at + 2))
            ++rows;
        EXPECT_EQ(rows, talk->lines().size());
        EXPECT_EQ(text.rfind("Bob:\t" + std::to_string(ImWindow::kDropLines), 0), 0u)
            << text.substr(0, 40);
        talk->close();
    }
}

// A flood: the room and a conversation keep their last lines and no more, however many come.
TEST_F(ImOnIrc, AFloodKeepsNoMoreThanTheWindowsShow) {
    w.lines_seen.reset();  // the test's own record would grow
    const std::size_t before = room_lines();
    constexpr int kLines = 100000;
    std::string batch;
    for (int i = 0; i < kLines; ++i) {
        batch += ":bob!u@h PRIVMSG " + std::string(i % 10 ? "#music" : "DJ") + " :line " +
                 std::to_string(i) + " with some words in it to make it about a line long\r\n";
        if (batch.size() > 64 * 1024) {
            transport.say(batch);
            batch.clear();
        }
    }
    transport.say(batch);
    EXPECT_LE(room().lines().size(), Room::kMaxLines);
    EXPECT_EQ(room_lines(), before + 90000u);
    ImWindow* talk = im("bob");
    ASSERT_NE(talk, nullptr);
    EXPECT_LE(talk->lines().size(), ImWindow::kMaxLines);
    EXPECT_EQ(talk->dropped() + talk->lines().size(), 10000u);
    char first[64] = {};
    w.program->desktop.SendMessageA(talk->transcript(), WM_GETTEXT, sizeof first,
                                    reinterpret_cast<LPARAM>(first));
    EXPECT_EQ(std::string(first).rfind("bob:\tline " + std::to_string(talk->dropped() * 10), 0), 0u)
        << first;
    EXPECT_EQ(network.link().queued(), 0u);
    EXPECT_EQ(network.link().members("#music"), 2u);
}

}  // namespace
}  // namespace rv::standin
