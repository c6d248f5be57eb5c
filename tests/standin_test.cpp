// The stand-in chat client's rooms: what reaches the transcript, and who may speak.
#include <gtest/gtest.h>

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
        {"", false},       {" ", false},          {"\t  ", false},    {"&nbsp;", false},
        {"<b> </b>", false}, {"\u00A0", false}, {" x ", true},      {"5 < 6 > 4", true},
        {"<br>", false},   {"&lt;", true},
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
