// The stand-in chat client's rooms: what reaches the transcript, and who may speak.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "app/script.h"
#include "helpers.h"
#include "platform/chatscan/chat_scanner.h"
#include "platform/loop/virtual_loop.h"
#include "standin/client.h"

namespace rv {
namespace {

using namespace winapi;

struct StandInRoom : ::testing::Test {
    VirtualLoop loop;
    Desktop desktop;
    standin::Client client{desktop, loop, "Me"};
    standin::Room& room = client.open_room("Lobby");

    void type_and_enter(const std::string& text) {
        desktop.SendMessageA(room.input(), WM_SETTEXT, 0, text_param(text.c_str()));
        desktop.SendMessageA(room.input(), WM_CHAR, VK_RETURN, 0);
    }
};

TEST_F(StandInRoom, EnterOnBlankInputSendsNothing) {
    const struct {
        const char* text;
        bool sent;
    } cases[] = {
        {"", false},         {" ", false},      {"\t  ", false}, {"&nbsp;", false},
        {"<b> </b>", false}, {"\u00A0", false}, {" x ", true},   {"5 < 6 > 4", true},
        {"<br>", false},     {"&lt;", true},
    };
    for (const auto& c : cases) {
        const std::size_t before = room.lines().size();
        type_and_enter(c.text);
        EXPECT_EQ(room.lines().size() - before, c.sent ? 1u : 0u) << '"' << c.text << '"';
        EXPECT_EQ(room.input_text(), "") << "the box is cleared either way";
    }
    ASSERT_EQ(room.lines().size(), 3u);
    EXPECT_EQ(room.lines()[0].html, " x ");  // sent as typed
    EXPECT_EQ(room.plain_line(1), "Me:\t5 < 6 > 4");
}

}  // namespace
}  // namespace rv

namespace rv {
namespace {

using namespace winapi;

TEST_F(StandInRoom, NoOtherChatterMayGoByTheUsersNameOrNone) {
    const struct {
        const char* name;
        bool allowed;
    } cases[] = {
        {"M:e", false},
        {"M\te", false},
        {" Me", false},
        {"Me ", false},
        {"", false},
        {"  ", false},
        {":\t", false},
        {"M\re", false},
        {"M\ne", false},
        {"ME", false},
        {"me:", false},
        {"M\x01"
         "e",
         false},
        {"Mel", true},
        {"M e", true},
        {"Ann", true},
        {"Me2", true},
    };
    for (const auto& c : cases) {
        const std::size_t before = room.lines().size();
        EXPECT_EQ(client.say_as(room, c.name, ".p"), c.allowed) << '"' << c.name << '"';
        EXPECT_EQ(room.lines().size() - before, c.allowed ? 1u : 0u) << '"' << c.name << '"';
    }
    for (const auto& line : room.lines()) {
        EXPECT_FALSE(line.from_user);
        EXPECT_NE(line.screen_name, "Me");
    }
    client.user_send(room, ".p");
    EXPECT_TRUE(room.lines().back().from_user);
    EXPECT_EQ(room.lines().back().screen_name, "Me");
}

TEST_F(StandInRoom, DecodedControlCharactersBecomeBlanks) {
    const struct {
        const char* html;
        const char* plain;
    } cases[] = {
        {"hi&#10;Me:&#9;.p", "hi Me: .p"},
        {"a&#13;&#10;b", "a  b"},
        {"a&#x0A;b&#X9;c", "a b c"},
        {"a&#133;b&#8232;c&#8233;d&#127;e", "a b c d e"},
        {"a\x0b"
         "b\x0c"
         "c\xc2\x85"
         "d\xe2\x80\xa8"
         "e",
         "a b c d e"},
        {"typed\ttab", "typed\ttab"},
        {"caf\xc3\xa9 \xff", "caf\xc3\xa9 \xff"},  // text and stray bytes stay as they are
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(client.say_as(room, "Ann", c.html));
        const std::string& line = room.plain_line(room.lines().size() - 1);
        EXPECT_EQ(line, std::string("Ann:\t") + c.plain) << c.html;
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << c.html;
    }
    // The transcript window holds one line per line said.
    EXPECT_EQ(desktop.SendMessageA(room.transcript(), EM_GETLINECOUNT, 0, 0),
              static_cast<LRESULT>(std::size(cases)));
}

}  // namespace
}  // namespace rv

namespace rv {
namespace {

// The people list as a network tells it, up to as many as a channel keeps; the user stays.
TEST_F(StandInRoom, ThePeopleListFollowsJoinsLeavesAndRenamesUpToItsLimit) {
    using People = std::set<std::string>;
    client.set_people(room, {"bob", "carol", "bob"});
    EXPECT_EQ(room.people(), (People{"Me", "bob", "carol"}));
    client.person_left(room, "bob");
    client.person_left(room, "Me");  // the user is not taken off
    client.set_screen_name("DJ");
    EXPECT_EQ(room.people(), (People{"DJ", "carol"}));
    for (std::size_t i = 0; i < standin::Room::kMaxPeople + 50; ++i)
        client.person_joined(room, "p" + std::to_string(i));
    EXPECT_EQ(room.people().size(), standin::Room::kMaxPeople);
    EXPECT_EQ(room.people().count("DJ"), 1u);
    client.say_as(room, "latecomer", "hi");  // heard, though not listed
    EXPECT_EQ(room.lines().back().screen_name, "latecomer");
    EXPECT_EQ(room.people().count("latecomer"), 0u);
}

TEST_F(StandInRoom, TheScannerHearsTheUserOnlyWhenTheUserSpoke) {
    chatscan::ChatScanner scan(desktop, loop);
    std::vector<std::pair<std::string, std::string>> heard;
    scan.ChatMessage = [&](const std::string& n, const std::string& t) {
        heard.emplace_back(n, t);
    };
    scan.ScanOn();
    for (const char* name : {"M:e", "M\te", " Me", "Me ", "", "me"})
        client.say_as(room, name, ".p");
    client.say_as(room, "Mallory", "x&#10;Me:&#9;.p");
    client.say_as(room, "Mallory", "x&#13;Me:\t.exit");
    client.user_send(room, ".next");
    loop.advance(0.2);
    ASSERT_EQ(heard.size(), 3u);
    EXPECT_EQ(heard[0], (std::pair<std::string, std::string>{"Mallory", "x Me: .p"}));
    EXPECT_EQ(heard[1], (std::pair<std::string, std::string>{"Mallory", "x Me:\t.exit"}));
    EXPECT_EQ(heard[2], (std::pair<std::string, std::string>{"Me", ".next"}));
}

}  // namespace
}  // namespace rv

namespace rv {
namespace {

TEST(StandInScript, SayAsReportsARefusedName) {
    test::World world("Tester");
    std::vector<app::ScriptAction> actions;
    std::string error;
    ASSERT_TRUE(app::parse_script("say-as \" Tester\" .exit\nsay-as Ann hi\n", actions, error));
    std::ostringstream out, err;
    app::ScriptRunner runner(*world.program, std::move(actions), out, err);
    while (!runner.done()) runner.step();
    EXPECT_EQ(out.str(), "ROOM Ann: hi\n");
    EXPECT_EQ(err.str(), "line 1: the client refused the name \" Tester\"\n");
}

}  // namespace
}  // namespace rv
