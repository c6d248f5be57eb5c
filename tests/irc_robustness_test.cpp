// Whatever a server sends: the link neither crashes nor grows without bound.
#include <gtest/gtest.h>

#include <random>

#include "platform/loop/virtual_loop.h"
#include "standin/net/html_to_irc.h"
#include "standin/net/irc_link.h"
#include "standin/net/irc_text.h"
#include "standin/net/line_reader.h"
#include "tests/irc_fakes.h"

namespace rv::standin::net {
namespace {

TEST(LineReader, EndsLinesAtLfCrOrBothAndSkipsEmptyOnes) {
    LineReader reader;
    std::vector<std::string> lines;
    auto keep = [&](std::string_view l) { lines.emplace_back(l); };
    reader.feed("a\r\nb\nc\rd", keep);
    reader.feed("e\r\n\r\n\n", keep);
    EXPECT_EQ(lines, (std::vector<std::string>{"a", "b", "c", "de"}));
}

TEST(LineReader, AnOverLongLineIsSkippedWithinItsBound) {
    LineReader reader(100);
    std::vector<std::string> lines;
    auto keep = [&](std::string_view l) { lines.emplace_back(l); };
    for (int i = 0; i < 1000; ++i) {
        reader.feed(std::string(1000, 'x'), keep);
        EXPECT_LE(reader.pending_bytes(), 100u);
    }
    reader.feed("tail\nnext\n", keep);
    EXPECT_EQ(lines, std::vector<std::string>{"next"});
    EXPECT_EQ(reader.skipped(), 1u);
}

struct Flooded : ::testing::Test {
    static LinkSettings settings() {
        LinkSettings s;
        s.max_members = 500;
        return s;
    }
    void SetUp() override {
        link.log = [](const std::string&) {};
        Endpoint e;
        e.host = "fake";
        e.channel = "#music";
        link.start(e, "DJ", "");
        transport.accept();
        transport.say(":srv 001 DJ :hi\r\n:DJ!u@h JOIN #music\r\n");
    }
    VirtualLoop loop;
    test::FakeTransport transport;
    test::RecordingSink sink;
    IrcLink link{loop, transport, sink, settings()};
};

TEST_F(Flooded, TenThousandJoinsKeepPeopleAndNoticesBounded) {
    std::string burst;
    for (int i = 0; i < 10000; ++i) burst += ":n" + std::to_string(i) + "!u@h JOIN #music\r\n";
    const std::size_t before = sink.system.size();
    transport.say(burst);
    EXPECT_EQ(link.members("#music"), 500u);
    EXPECT_EQ(sink.people["#music"].size(), 500u);
    EXPECT_LE(sink.system.size() - before, 10u);  // the rest are counted, not shown
    loop.advance(11);
    transport.say(":late!u@h JOIN #music\r\n");
    EXPECT_EQ(sink.system[sink.system.size() - 2].text,
              "9990 more joins, parts and quits were not shown.");
    EXPECT_EQ(link.state(), IrcLink::State::Online);
}

TEST_F(Flooded, MalformedLinesAreHarmless) {
    const std::string cases[] = {
        std::string(20000, 'A') + "\r\n",
        ":bob!u@h PRIVMSG #music :\xFF\xFE\xC0\x80 bad utf-8\r\n",
        ":bob!u@h PRIVMSG #music :bare\rCR\r\n",
        std::string(":bob!u@h PRIVMSG #music :nul\0here\r\n", 36),
        ":bob!u@h PRIVMSG #music\r\n",
        ":bob!u@h PRIVMSG\r\n",
        "PRIVMSG #music :no prefix\r\n",
        ":!@ PRIVMSG #music :empty nick\r\n",
        ":srv 353\r\n:srv 366\r\n:srv 332\r\n:srv 473\r\n:srv KICK\r\n:x NICK\r\n",
        ":bob!u@h PRIVMSG #music :\x01"
        "ACTION\r\n",
        ":bob!u@h PRIVMSG #music :\x01\r\n",
        ":srv 005 DJ PREFIX=(" + std::string(100, 'o') + ")" + std::string(100, '@') + " :x\r\n",
        "@" + std::string(9000, 't') + " PING :x\r\n",
    };
    for (const auto& c : cases) transport.say(c);
    EXPECT_EQ(link.state(), IrcLink::State::Online);
    ASSERT_EQ(sink.chat.size(), 3u);
    EXPECT_EQ(sink.chat[0].text, "\xC3\xBF\xC3\xBE\xC3\x80\xE2\x82\xAC bad utf-8");
    EXPECT_EQ(sink.chat[1].text, "bare");
    EXPECT_EQ(sink.chat[2].text, "* bob ");
}

TEST_F(Flooded, RandomBytesNeverCrashTheLink) {
    std::mt19937 random(1459);
    const std::string alphabet =
        ":!@# \r\n\x01\x02\x03\x04,0123456789PRIVMSGJOINPARTKICKQUIT\xC3\xFF";
    for (int round = 0; round < 2000; ++round) {
        std::string bytes;
        int n = static_cast<int>(random() % 300);
        for (int i = 0; i < n; ++i)
            bytes +=
                random() % 4 ? alphabet[random() % alphabet.size()] : static_cast<char>(random());
        transport.say(bytes);
        if (round % 100 == 0) loop.advance(1);
    }
    transport.say("\r\n:bob!u@h PRIVMSG #music :still here\r\n");
    ASSERT_FALSE(sink.chat.empty());
    EXPECT_EQ(sink.chat.back().text, "still here");
}

TEST(IrcTextRobustness, RandomTextConvertsToBalancedHtmlAndBack) {
    std::mt19937 random(2812);
    for (int round = 0; round < 2000; ++round) {
        std::string bytes;
        int n = static_cast<int>(random() % 200);
        for (int i = 0; i < n; ++i) bytes += static_cast<char>(random());
        std::string html = irc_to_html(repair_utf8(bytes));
        // Every tag opened is closed, in order.
        std::vector<std::string> open;
        for (std::size_t at = html.find('<'); at != std::string::npos;
             at = html.find('<', at + 1)) {
            std::size_t end = html.find('>', at);
            ASSERT_NE(end, std::string::npos);
            std::string tag = html.substr(at + 1, end - at - 1);
            std::string name = tag.substr(tag[0] == '/' ? 1 : 0, tag.find(' ') - (tag[0] == '/'));
            if (tag[0] == '/') {
                ASSERT_FALSE(open.empty());
                EXPECT_EQ(open.back(), name);
                open.pop_back();
            } else {
                open.push_back(name);
            }
        }
        EXPECT_TRUE(open.empty());
        std::string irc = html_to_irc(bytes);
        EXPECT_EQ(irc.find_first_of(std::string("\r\n\0\x01", 4)), std::string::npos);
        for (const auto& piece : split_irc_text(repair_utf8(irc), 50)) EXPECT_LE(piece.size(), 50u);
    }
}

}  // namespace
}  // namespace rv::standin::net
