#include "standin/net/irc_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "standin/chat_html.h"
#include "standin/net/html_to_irc.h"
#include "standin/net/irc_message.h"
#include "standin/net/nick.h"
#include "standin/net/transport.h"

namespace rv::standin::net {
namespace {

TEST(IrcMessage, ParsesTheShapesServersSend) {
    struct Case {
        const char* line;
        const char* tags;
        const char* prefix;
        const char* command;
        std::vector<std::string> params;
    } cases[] = {
        {"PING :irc.example", "", "", "PING", {"irc.example"}},
        {":dj!u@h PRIVMSG #music :hello there", "", "dj!u@h", "PRIVMSG", {"#music", "hello there"}},
        {"@time=2024-01-01T00:00:00Z;id=1 :n!u@h JOIN #music",
         "time=2024-01-01T00:00:00Z;id=1",
         "n!u@h",
         "JOIN",
         {"#music"}},
        {":srv 353 DJ = #music :@DJ +bob carol",
         "",
         "srv",
         "353",
         {"DJ", "=", "#music", "@DJ +bob carol"}},
        {":srv 001 DJ :Welcome", "", "srv", "001", {"DJ", "Welcome"}},
        {"privmsg   #a   :x :y", "", "", "PRIVMSG", {"#a", "x :y"}},
        {":n!u@h PRIVMSG #a :", "", "n!u@h", "PRIVMSG", {"#a", ""}},
        {":n QUIT", "", "n", "QUIT", {}},
    };
    for (const auto& c : cases) {
        IrcMessage m;
        ASSERT_TRUE(parse_irc_line(c.line, m)) << c.line;
        EXPECT_EQ(m.tags, c.tags) << c.line;
        EXPECT_EQ(m.prefix, c.prefix) << c.line;
        EXPECT_EQ(m.command, c.command) << c.line;
        EXPECT_EQ(m.params, c.params) << c.line;
    }
}

TEST(IrcMessage, RefusesWhatIsNoMessage) {
    const std::string many(40, 'x');
    std::string forty = "CMD";
    for (int i = 0; i < 40; ++i) forty += " p";
    for (std::string line :
         {std::string(""), std::string("   "), std::string(":prefix"), std::string("@tags"),
          std::string("12 x"), std::string("PR1V x"), std::string("PING\0x", 6), forty}) {
        IrcMessage m;
        EXPECT_FALSE(parse_irc_line(line, m)) << line;
    }
}

TEST(IrcMessage, WritesLinesThatCannotCarryASecondCommand) {
    EXPECT_EQ(irc_line("PRIVMSG", {"#music", "hi\r\nQUIT :x"}), "PRIVMSG #music :hi  QUIT :x");
    EXPECT_EQ(irc_line("NICK", {"DJ"}), "NICK DJ");
    EXPECT_EQ(irc_line("PONG", {""}), "PONG :");
    EXPECT_EQ(irc_line("PONG", {":x"}), "PONG ::x");
    EXPECT_EQ(irc_line("PRIVMSG", {"#a b", "x"}), "PRIVMSG #a :x");
}

TEST(IrcMessage, CaseMappingAndNicks) {
    EXPECT_TRUE(irc_equal("#Music[1]", "#music{1}"));
    EXPECT_FALSE(irc_equal("#music", "#musics"));
    EXPECT_EQ(nick_of("dj!user@host"), "dj");
    EXPECT_EQ(nick_of("irc.example.org"), "irc.example.org");
    EXPECT_TRUE(is_channel_name("#music"));
    EXPECT_FALSE(is_channel_name("#"));
    EXPECT_FALSE(is_channel_name("DJ"));
}

TEST(IrcText, FormattingBecomesTheChatHtmlSubset) {
    struct Case {
        std::string irc, html;
    } cases[] = {
        {"plain <b> & \"q\"", "plain &lt;b&gt; &amp; &quot;q&quot;"},
        {"\x02"
         "bold\x02 not",
         "<b>bold</b> not"},
        {"\x1Dit\x1F"
         "both\x1D"
         "u\x0F"
         "x",
         "<i>it</i><i><u>both</u></i><u>u</u>x"},
        {"\x03"
         "04red\x03 plain",
         "<font color=\"#FF0000\">red</font> plain"},
        {"\x03"
         "4,12red on blue",
         "<font color=\"#FF0000\">red on blue</font>"},
        {"\x03"
         "12,5",
         ""},
        {"\x03"
         "99x\x03"
         "55y",
         "xy"},
        {"\x04"
         "3366FFhex\x04 no",
         "<font color=\"#3366FF\">hex</font> no"},
        {"\x04"
         "12z",
         "12z"},
        {"a\x16"
         "b\x1E"
         "c\x11"
         "d\x07"
         "e\x01"
         "f\x7F",
         "abcdef"},
        {"\xC2\x85next", "next"},
        {"caf\xC3\xA9 \xE2\x80\xA2", "caf\xC3\xA9 \xE2\x80\xA2"},
        {"\x02\x02\x02", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(irc_to_html(c.irc), c.html) << c.irc;
}

TEST(IrcText, InvalidUtf8IsReadAsWindows1252) {
    struct Case {
        std::string in, out;
    } cases[] = {
        {"ok \xC3\xA9", "ok \xC3\xA9"},
        {"caf\xE9", "caf\xC3\xA9"},
        {"\x80", "\xE2\x82\xAC"},
        {"\x81", "\xEF\xBF\xBD"},
        {"\xC0\xAF", "\xC3\x80\xC2\xAF"},                  // an overlong '/'
        {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},  // a surrogate
        {"\xE2\x82", "\xC3\xA2\xE2\x80\x9A"},              // cut short
        {"\xF4\x90\x80\x80", "\xC3\xB4\xEF\xBF\xBD\xE2\x82\xAC\xE2\x82\xAC"},
        {"\xF0\x9F\x8E\xB5", "\xF0\x9F\x8E\xB5"},
    };
    for (const auto& c : cases) EXPECT_EQ(repair_utf8(c.in), c.out);
}

TEST(IrcText, NearestStandardColour) {
    struct Case {
        std::uint32_t rgb;
        int code;
    } cases[] = {{0x3366FF, 12}, {0x222222, 1},  {0x0033CC, 12}, {0xFFFFFF, 0},  {0xFF0000, 4},
                 {0x009933, 3},  {0xCCCCCC, 15}, {0x808080, 14}, {0x00FFFF, 11}, {0x800000, 5}};
    for (const auto& c : cases) EXPECT_EQ(nearest_irc_colour(c.rgb), c.code) << std::hex << c.rgb;
}

TEST(HtmlToIrc, TheProgramsLinesBecomeIrcText) {
    struct Case {
        std::string html, irc;
    } cases[] = {
        {"<FONT COLOR=#3366FF><font  face=\"Arial Narrow\"><b>\xC2\xB7\xC2\xB7\xE2\x80\xBA "
         "<FONT COLOR=#222222>Ravelin</B><FONT COLOR=#3366FF> on",
         "\x03"
         "12\x02\xC2\xB7\xC2\xB7\xE2\x80\xBA \x03"
         "01Ravelin\x03"
         "12\x02 on"},
        {"</html><html><b>hi</b>", "\x02hi"},
        {"<i>a</i><u>b</u><strong>c</strong>",
         "\x1D"
         "a\x1D\x1F"
         "b\x02\x1F"
         "c"},
        {"<font color=red>r</font>p",
         "\x03"
         "04r\x0Fp"},
        {"<b><font color=\"#00f\">x</font>y</b>",
         "\x03"
         "12\x02x\x0F\x02y"},
        {"<font color=#FF0000>1,2</font>",
         "\x03"
         "041,2"},
        {"<font color=#FF0000>,2</font>",
         "\x03"
         "04\x02\x02,2"},
        {"&lt;3 &amp; &#65;&#x42; &nbsp;&bogus; &", "<3 & AB \u00A0&bogus; &"},
        {"a<br>b<p>c\r\nd\te", "a b c  d e"},
        {"<img src=x>x<script>y</script>", "xy"},
        {"no\x01"
         "ctcp\x03"
         "here\x00",
         std::string("noctcphere")},
        {"<b>", ""},
        {"<unclosed", "<unclosed"},
        {"&#2;&#1;x", "  x"},  // an entity never forges a code
    };
    for (const auto& c : cases) EXPECT_EQ(html_to_irc(c.html), c.irc) << c.html;
}

// The chat window and IRC read a line with one reader: where the line has no styling, both
// show the same text. These are the lines they once read two ways.
TEST(HtmlToIrc, ReadsALineAsTheChatWindowDoes) {
    const char* cases[] = {
        "I <3 you > all",
        "a < b and c > d",
        "x <= y",
        "caf&eacute; &nbsp;&NBSP;&#160;",
        "&#10;&#9;&#x85;x",
        "&AMP; &#X41; &#;&;",
        "<!-- note -->seen",
        "< b>not a tag</ b>",
        "</>left",
        "<a href=\"x\">link</a> <unclosed",
    };
    for (const char* html : cases) EXPECT_EQ(html_to_irc(html), html_to_plain(html)) << html;
}

TEST(HtmlToIrc, Colours) {
    std::uint32_t rgb = 0;
    EXPECT_TRUE(parse_html_colour("#3366ff", rgb));
    EXPECT_EQ(rgb, 0x3366FFu);
    EXPECT_TRUE(parse_html_colour("Navy", rgb));
    EXPECT_EQ(rgb, 0x000080u);
    EXPECT_TRUE(parse_html_colour("#abc", rgb));
    EXPECT_EQ(rgb, 0xAABBCCu);
    for (const char* bad : {"", "#12345", "#GGGGGG", "salmon", "#1234567"})
        EXPECT_FALSE(parse_html_colour(bad, rgb)) << bad;
}

bool valid_utf8(const std::string& s) {
    return repair_utf8(s) == s;
}

TEST(IrcSplit, PiecesFitAndNeverCutACharacterOrACode) {
    std::string text;
    for (int i = 0; i < 200; ++i)
        text += i % 7 == 0 ? "\x03"
                             "04\xE2\x80\xA2"
                           : "\xC3\xA9x";
    for (std::size_t max : {20u, 33u, 64u, 100u}) {
        auto pieces = split_irc_text(text, max);
        ASSERT_GT(pieces.size(), 1u);
        std::string visible;
        for (const auto& p : pieces) {
            EXPECT_LE(p.size(), max);
            EXPECT_TRUE(valid_utf8(p));
            visible += strip_irc_codes(p);
        }
        EXPECT_EQ(visible, strip_irc_codes(text)) << max;
    }
}

TEST(IrcSplit, ContinuationsCarryTheStyle) {
    auto pieces = split_irc_text(
        "\x03"
        "12\x02"
        "abcdefghij",
        10);
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[0],
              "\x03"
              "12\x02"
              "abcdef");
    EXPECT_EQ(pieces[1],
              "\x03"
              "12\x02"
              "ghij");
    EXPECT_EQ(split_irc_text("\x02\x02", 10).size(), 0u);
    EXPECT_EQ(split_irc_text("short", 10), std::vector<std::string>{"short"});
    // A comma after a carried colour must not become its background.
    auto comma = split_irc_text(
        "\x03"
        "04abcdef,1",
        9);
    ASSERT_EQ(comma.size(), 2u);
    EXPECT_EQ(comma[1],
              "\x03"
              "04\x02\x02,1");
}

TEST(Nick, FromScreenNamesAndAttempts) {
    EXPECT_EQ(nick_from_screen_name("DJ"), "DJ");
    EXPECT_EQ(nick_from_screen_name("Bob Smith"), "Bob_Smith");
    EXPECT_EQ(nick_from_screen_name("9lives"), "_9lives");
    EXPECT_EQ(nick_from_screen_name("J\xC3\xBCrgen!"), "Jrgen");
    EXPECT_EQ(nick_from_screen_name("\xC3\xBC\xC3\xBC"), "Guest");
    EXPECT_EQ(nick_attempt("DJ", 0, 9), "DJ");
    EXPECT_EQ(nick_attempt("DJ", 1, 9), "DJ2");
    EXPECT_EQ(nick_attempt("Christopher", 0, 9), "Christoph");
    EXPECT_EQ(nick_attempt("Christopher", 11, 9), "Christo12");
    EXPECT_TRUE(plausible_nick("DJ[away]"));
    for (const char* bad : {"", "a b", "a:b", "a\x01", "x!y"}) EXPECT_FALSE(plausible_nick(bad));
}

TEST(ChatUrl, Parses) {
    struct Case {
        const char* url;
        const char* host;
        int port;
        bool tls;
        const char* channel;
    } good[] = {
        {"irc://127.0.0.1:6668/#music", "127.0.0.1", 6668, false, "#music"},
        {"irc://irc.example.org/music", "irc.example.org", 6667, false, "#music"},
        {"ircs://irc.example.org/#a", "irc.example.org", 6697, true, "#a"},
        {"irc://[::1]:7000/#x", "::1", 7000, false, "#x"},
        {"irc://[::1]", "::1", 6667, false, ""},
        {"irc://host", "host", 6667, false, ""},
    };
    for (const auto& c : good) {
        Endpoint e;
        std::string error;
        ASSERT_TRUE(parse_chat_url(c.url, e, error)) << c.url << ": " << error;
        EXPECT_EQ(e.host, c.host);
        EXPECT_EQ(e.port, c.port);
        EXPECT_EQ(e.tls, c.tls);
        EXPECT_EQ(e.channel, c.channel);
    }
    for (const char* bad :
         {"http://x/#a", "irc://", "irc://:6667/#a", "irc://h:0/#a", "irc://h:70000/#a",
          "irc://h:x/#a", "irc://h:/#a", "irc://[::1/#a", "irc://h/#a b", "irc://h/#a,#b"}) {
        Endpoint e;
        std::string error;
        EXPECT_FALSE(parse_chat_url(bad, e, error)) << bad;
        EXPECT_FALSE(error.empty());
    }
}

}  // namespace
}  // namespace rv::standin::net
