// What a person types into a room on a network: commands go to the network as IRC clients
// send them, never into the channel as text; anything else that looks like a command is
// refused where it was typed.
#include <gtest/gtest.h>

#include "standin/net/typed_command.h"
#include "tests/network_fixture.h"

namespace rv::standin {
namespace {

using net::TypedCommand;
using K = TypedCommand::Kind;

struct Parsed {
    const char* line;
    K kind;
    const char* target;
    const char* text;
};

TEST(IrcTypedCommand, ReadsWhatIrcClientsRead) {
    const Parsed table[] = {
        {"hello", K::Text, "", ""},
        {"/ hello", K::Text, "", ""},
        {"//msg bob hi", K::Text, "", ""},
        {"/1 two", K::Text, "", ""},
        {"/me waves", K::Me, "", ""},
        {"/ME waves", K::Me, "", ""},
        {"/msg NickServ IDENTIFY s3cret  pass ", K::Message, "NickServ", "IDENTIFY s3cret  pass"},
        {"/MSG #jazz hi", K::Message, "#jazz", "hi"},
        {"/query bob how are you", K::Message, "bob", "how are you"},
        {"/query bob", K::Message, "bob", ""},
        {"/join #jazz", K::Join, "#jazz", ""},
        {"/join jazz k3y", K::Join, "#jazz", "k3y"},
        {"/part", K::Part, "", ""},
        {"/part bye now", K::Part, "", "bye now"},
        {"/part #jazz bye", K::Part, "#jazz", "bye"},
        {"/nick DJ_2", K::Nick, "DJ_2", ""},
        {"/topic", K::Topic, "", ""},
        {"/topic new <b>tunes</b>", K::Topic, "", "new <b>tunes</b>"},
        {"/topic #jazz cool", K::Topic, "#jazz", "cool"},
        {"/quit", K::Quit, "", ""},
        {"/quit gone fishing", K::Quit, "", "gone fishing"},
        {"/quote MODE DJ +i", K::Quote, "", "MODE DJ +i"},
        // Refused: said where typed, never sent.
        {"/msg", K::Refused, "", "Not sent. Usage: /msg NICK TEXT"},
        {"/msg NickServ", K::Refused, "", "Not sent. Usage: /msg NICK TEXT"},
        {"/msg bad!nick hi", K::Refused, "", "Not sent. Usage: /msg NICK TEXT"},
        {"/query", K::Refused, "", "Not sent. Usage: /query NICK [TEXT]"},
        {"/me", K::Refused, "", "Not sent. Usage: /me TEXT"},
        {"/join", K::Refused, "", "Not sent. Usage: /join #CHANNEL [KEY]"},
        {"/join #a,#b", K::Refused, "", "Not sent. Usage: /join #CHANNEL [KEY]"},
        {"/nick", K::Refused, "", "Not sent. Usage: /nick NEWNICK"},
        {"/nick two words", K::Refused, "", "Not sent. Usage: /nick NEWNICK"},
        {"/quote", K::Refused, "", "Not sent. Usage: /quote LINE"},
        {"/whois bob", K::Refused, "",
         "Not sent: /whois is not a command here. Commands: /msg, /query, /join, /part, /nick, "
         "/me, /topic, /quit, /quote."},
    };
    for (const Parsed& p : table) {
        SCOPED_TRACE(p.line);
        TypedCommand c = net::parse_typed_command(p.line);
        EXPECT_EQ(c.kind, p.kind);
        EXPECT_EQ(c.target, p.target);
        EXPECT_EQ(c.text, p.text);
    }
}

struct IrcTyped : test::ClientOnNetwork {
    void SetUp() override {
        connect();
        welcome("DJ", "bob");
        transport.lines();
    }
    Room& room() { return *w.program->client.room_named("#music"); }
    std::string last_line() { return room().plain_line(room().lines().size() - 1); }
};

struct Sent {
    const char* typed;
    std::vector<std::string> sent;  // what the server receives
    const char* said;               // the room's last line afterwards
};

TEST_F(IrcTyped, CommandsGoToTheNetworkAndNeverIntoTheChannel) {
    const Sent table[] = {
        {"/msg #jazz <b>hi</b>", {"PRIVMSG #jazz :\x02hi"}, "-> #jazz <b>hi</b>"},
        {"/join jazz", {"JOIN #jazz"}, "-> #jazz <b>hi</b>"},
        {"/topic new tunes", {"TOPIC #music :new tunes"}, "-> #jazz <b>hi</b>"},
        {"/topic", {"TOPIC #music"}, "-> #jazz <b>hi</b>"},
        {"/nick DJ_2", {"NICK DJ_2"}, "-> #jazz <b>hi</b>"},
        {"/quote MODE DJ +i", {"MODE DJ +i"}, "-> #jazz <b>hi</b>"},
        {"/whois bob",
         {},
         "Not sent: /whois is not a command here. Commands: /msg, /query, /join, /part, /nick, "
         "/me, /topic, /quit, /quote."},
        {"/msg NickServ", {}, "Not sent. Usage: /msg NICK TEXT"},
        {"/me waves",
         {"PRIVMSG #music :\x01"
          "ACTION waves\x01"},
         "DJ:\t/me waves"},
        {"//not a command", {"PRIVMSG #music ://not a command"}, "DJ:\t//not a command"},
        {"/part see you", {"PART #music :see you"}, "You have left #music."},
    };
    for (const Sent& s : table) {
        SCOPED_TRACE(s.typed);
        w.program->client.user_send(room(), s.typed);
        w.loop.advance(2);
        EXPECT_EQ(transport.lines(), s.sent);
        EXPECT_EQ(last_line(), s.said);
    }
    // The command itself was never the user's line in the room, and so never chat.
    for (const auto& l : w.lines) {
        if (l.name != "DJ") continue;
        EXPECT_TRUE(l.html == "/me waves" || l.html == "//not a command") << l.html;
    }
    // The network's answers are said: the nick taken, the person not there.
    transport.say(":srv 401 DJ NickServ :No such nick/channel\r\n");
    EXPECT_EQ(
        w.program->client.top_room()->plain_line(w.program->client.top_room()->lines().size() - 1),
        "NickServ: No such nick/channel");
}

TEST_F(IrcTyped, QuitSignsOffAndLaterLinesStayInTheRoom) {
    w.program->client.user_send(room(), "/quit gone fishing");
    EXPECT_EQ(transport.lines(), std::vector<std::string>{"QUIT :gone fishing"});
    EXPECT_EQ(last_line(), "You have signed off from irc.test.");
    transport.say("ERROR :Closing link\r\n");
    EXPECT_EQ(network.status(), "Offline");
    w.program->client.user_send(room(), "/msg bob still here?");
    w.program->client.user_send(room(), "only here");
    w.loop.advance(5);
    EXPECT_TRUE(transport.lines().empty());
    EXPECT_EQ(last_line(), "DJ:\tonly here");
}

}  // namespace
}  // namespace rv::standin
