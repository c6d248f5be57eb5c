// The chat commands on the real main window, the stand-in client and a recording stand-in
// for the other windows and the mailboxes.
#include "chat/commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "helpers.h"

namespace rv {
namespace {

const std::string kOpening =
    "<FONT COLOR=#3366FF><font  face=\"Arial Narrow\"><b>··› <FONT COLOR=#222222>";
std::string playing(const std::string& name) {
    return " " + kOpening + "playing:-</b><FONT COLOR=#3366FF>" + name + "¤";
}
std::string volume_line(const std::string& argument) {
    return kOpening + "Volume Set</b><FONT COLOR=#3366FF> ··› " + argument + " ‹··";
}
const std::string kNew =
    kOpening + "</b>Checkin <b><FONT COLOR=#3366FF> New </b> <FONT COLOR=#222222>Mail</b> ";
const std::string kOld =
    kOpening + "</b>Checkin <b><FONT COLOR=#3366FF> Old </b> <FONT COLOR=#222222>Mail</b> ";
const std::string kSent =
    "<font face=tahoma><font color=#009933><b>-º<font color=#CCCCCC></b>Checkin <b>Sent</b> "
    "Mail</b> ";
const std::string kDeleted =
    kOpening + "</b>Checkin <b><FONT COLOR=#3366FF> Deleted </b> <FONT COLOR=#222222>Mail</b> ";
const std::string kEq =
    "<FONT COLOR=#3366FF><font  face=\"Arial Narrow\"><b>•._.·· ·÷</b><FONT COLOR=#222222>"
    "Equalizer</b><FONT COLOR=#3366FF><b>÷· ·._.•</b> ";

enum class Road { ChatSend, SendChatText };

struct Recorder : chat::CommandTargets {
    explicit Recorder(test::World& world) : w(world) {}
    void show_afk() override { record("afk"); }
    void show_equalizer() override { record("eq"); }
    void open_mailbox(const std::string& name) override { record("mailbox " + name); }
    void record(const std::string& call) {
        calls.push_back(call);
        lines_before.push_back(w.lines.size());
    }
    test::World& w;
    std::vector<std::string> calls;
    std::vector<std::size_t> lines_before;  // room lines when each call came
};

class Commands : public ::testing::Test {
  protected:
    void SetUp() override {
        w.program->desktop.set_logging(true);  // the roads are told apart by the input's messages
        w.durations = {{"a.mp3", 100}, {"b.mp3", 100}, {"c.mp3", 100}};
        w.store_folder(w.music({"a.mp3", "b.mp3", "c.mp3"}));
        w.start();
        w.form1().Chat1.ChatMessage = [this](const std::string& n, const std::string& t) {
            commands.Chat1_ChatMessage(n, t);
        };
        w.form1().File1->set_list_index(1);
        mark();
    }
    // Forget what came before: lines, calls and the input window's messages.
    void mark() {
        w.lines.clear();
        w.program->desktop.clear_log();
        targets.calls.clear();
        targets.lines_before.clear();
    }
    void play_b() {
        w.form1().lbplay_Click();
        mark();
    }
    standin::Room& room() { return *w.program->client.top_room(); }
    // The signed-on user types `text`; the scanner reports it within its poll interval.
    void say(const std::string& text) {
        said_at = w.loop.now();
        said.push_back(text);
        w.program->client.user_send(room(), text);
        w.loop.advance(0.2);
    }
    // The lines the program sent since the last mark: the user's, without what was typed.
    std::vector<std::string> sent() const {
        std::vector<std::string> out;
        for (const auto& l : w.lines)
            if (l.name == "Tester" && std::find(said.begin(), said.end(), l.html) == said.end())
                out.push_back(l.html);
        return out;
    }
    // Which road a line took: ChatSend empties the input before it types the line.
    std::optional<Road> road_of(const std::string& line) const {
        const auto& log = w.program->desktop.log();
        for (std::size_t i = 0; i < log.size(); ++i) {
            if (log[i].hwnd != w.program->client.top_room()->input() ||
                log[i].msg != winapi::WM_SETTEXT || log[i].text != line)
                continue;
            bool emptied = i > 0 && log[i - 1].msg == winapi::WM_SETTEXT && log[i - 1].text.empty();
            return emptied ? Road::ChatSend : Road::SendChatText;
        }
        return std::nullopt;
    }
    std::string open_file() const {
        return std::filesystem::path(w.media.open_path()).filename().string();
    }

    test::World w;
    Recorder targets{w};
    chat::CommandInterpreter commands{w.form1(), w.program->aol, targets};
    double said_at = 0;
    std::vector<std::string> said;
};

TEST_F(Commands, EveryTriggerActsAndSendsItsLineOnItsRoad) {
    struct Case {
        const char* text;
        bool playing_before;
        std::vector<std::string> lines;
        Road road;
        std::vector<std::string> calls;
        int state_after;
        const char* file_after;
    };
    using media::kPlaying;
    using media::kStopped;
    const Case cases[] = {
        {".p", false, {playing("b.mp3")}, Road::SendChatText, {}, kPlaying, "b.mp3"},
        {".stop", true, {kOpening + "Stoped..."}, Road::SendChatText, {}, kStopped, "b.mp3"},
        {".next", true, {playing("c.mp3")}, Road::SendChatText, {}, kPlaying, "c.mp3"},
        {".back", true, {playing("a.mp3")}, Road::SendChatText, {}, kPlaying, "a.mp3"},
        {".afk", false, {}, Road::ChatSend, {"afk"}, kStopped, ""},
        {".eq", false, {kEq}, Road::ChatSend, {"eq"}, kStopped, ""},
        {".new", false, {kNew}, Road::ChatSend, {"mailbox new"}, kStopped, ""},
        {".old", false, {kOld}, Road::ChatSend, {"mailbox old"}, kStopped, ""},
        {".sent", false, {kSent}, Road::ChatSend, {"mailbox sent"}, kStopped, ""},
        {".delmail", false, {kDeleted}, Road::ChatSend, {"mailbox del"}, kStopped, ""},
        {".vol 50", false, {volume_line(" 50")}, Road::SendChatText, {}, kStopped, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        w.form1().lbstop_Click();
        w.form1().File1->set_list_index(1);
        if (c.playing_before) w.form1().lbplay_Click();
        const std::string before = open_file();
        mark();
        say(c.text);
        EXPECT_EQ(sent(), c.lines);
        for (const auto& l : c.lines) EXPECT_EQ(road_of(l), c.road);
        EXPECT_EQ(targets.calls, c.calls);
        EXPECT_EQ(w.media.PlayState(), c.state_after);
        EXPECT_EQ(open_file(), *c.file_after ? std::string(c.file_after) : before);
        EXPECT_FALSE(w.ended);
    }
}

TEST_F(Commands, RandomPlaysAnEntryAndSaysSoThroughTheRoomInput) {
    say(".r");
    ASSERT_EQ(sent().size(), 1u);
    const std::string prefix = kOpening + "Random:-</b><FONT COLOR=#3366FF>";
    EXPECT_EQ(sent()[0], prefix + open_file());
    EXPECT_EQ(road_of(sent()[0]), Road::ChatSend);
    EXPECT_EQ(w.media.PlayState(), media::kPlaying);
}

TEST_F(Commands, ExitClosesTheProgramThere) {
    say(".exit");
    EXPECT_TRUE(w.ended);
    ASSERT_EQ(sent().size(), 2u);
    EXPECT_NE(sent()[0].find("PowerOff"), std::string::npos);
    EXPECT_EQ(road_of(sent()[0]), Road::ChatSend);
    EXPECT_TRUE(targets.calls.empty());
}

TEST_F(Commands, MailboxAndEqualizerLinesGoOutBeforeTheWindowIsReachedOrAfter) {
    say(".new");  // even with no mailbox to open, the line comes first
    say(".eq");   // the equalizer shows first, then the line
    ASSERT_EQ(targets.calls, (std::vector<std::string>{"mailbox new", "eq"}));
    auto index_of = [&](const std::string& html) {
        for (std::size_t i = 0; i < w.lines.size(); ++i)
            if (w.lines[i].html == html) return i;
        return w.lines.size();
    };
    EXPECT_EQ(targets.lines_before[0], index_of(kNew) + 1);
    EXPECT_EQ(targets.lines_before[1], index_of(kEq));
}

TEST_F(Commands, OnlyTheExactTriggersOfTheUserAct) {
    play_b();
    const char* lines[] = {".P",      ".Stop",  ".p ",    " .p",  ".stop ", ".NEXT",
                           ".back ",  ".exit ", ".Exit",  ".EQ",  ".new ",  ".afk.",
                           ".VOL 50", ".vo",    ".mute ", ".r\t", "p",      ""};
    for (const char* l : lines) say(l);
    w.program->client.say_as(room(), "Ann", ".p");
    w.program->client.say_as(room(), "Ann", ".vol 10");
    w.program->client.say_as(room(), "tester", ".exit");  // the name's case counts
    w.loop.advance(0.5);
    EXPECT_TRUE(sent().empty());
    EXPECT_TRUE(targets.calls.empty());
    EXPECT_FALSE(w.ended);
    EXPECT_EQ(w.media.Volume(), 0);
    EXPECT_EQ(w.media.PlayState(), media::kPlaying);
    EXPECT_EQ(open_file(), "b.mp3");
}

TEST_F(Commands, BackWaitsAThirdOfASecondFirst) {
    play_b();
    say(".back");
    ASSERT_EQ(sent(), std::vector<std::string>{playing("a.mp3")});
    EXPECT_GE(w.lines.back().at - said_at, 0.3);
    EXPECT_LT(w.lines.back().at - said_at, 0.3 + 0.1);  // one poll interval at most besides
}

TEST_F(Commands, CommandsWorkOnDisabledLabels) {
    play_b();
    w.form1().lbpause_Click();  // disables play, stop, next and back
    ASSERT_FALSE(w.form1().lbplay->enabled());
    say(".p");
    EXPECT_EQ(w.media.PlayState(), media::kPlaying);
    EXPECT_EQ(sent(), std::vector<std::string>{playing("b.mp3")});
}

TEST_F(Commands, VolumeTakesADecimalNumberAndAnnouncesTheArgumentAsTyped) {
    struct Case {
        const char* text;
        std::optional<long> volume;  // nothing: unchanged and no line
    };
    const Case cases[] = {
        {".vol50", -1250},   {".vol 50", -1250},   {".vol 10.5", -2238}, {".vol100", 0},
        {".vol 0", -2500},   {".vol 12.5", -2188}, {".vol 13.5", -2162}, {".vol .5", -2488},
        {".vol 7 ", -2325},  {".vol\t+20", -2000}, {".vol 1e9", 0},      {".vol -1e9", -10000},
        {".vol 2E1", -2000}, {".vol 1e999", 0},    {".vol -50", -3750},  {".vol abc", {}},
        {".vol", {}},        {".vol ", {}},        {".vol 5,5", {}},     {".vol 0x10", {}},
        {".vol inf", {}},    {".vol nan", {}},     {".vol 1e", {}},      {".vol -", {}},
        {".vol .", {}},      {".vol 5 5", {}},     {".vol 50%", {}},     {".vol 1..2", {}},
    };
    const int bar_before = w.form1().hscroll1->value();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        w.media.set_Volume(-777);
        mark();
        say(c.text);
        const std::string text = c.text;
        if (c.volume) {
            EXPECT_EQ(w.media.Volume(), *c.volume);
            EXPECT_EQ(sent(), std::vector<std::string>{volume_line(text.substr(4))});
        } else {
            EXPECT_EQ(w.media.Volume(), -777);
            EXPECT_TRUE(sent().empty());
        }
        // The hidden volume bar keeps its position.
        EXPECT_EQ(w.form1().hscroll1->value(), bar_before);
    }
}

TEST_F(Commands, MuteSilencesAndMuteOffRestoresWithoutAWord) {
    say(".vol 60");
    mark();
    say(".muteoff");  // not muted: nothing
    EXPECT_EQ(w.media.Volume(), -1000);
    say(".mute");
    EXPECT_EQ(w.media.Volume(), media::kSilentVolume);
    say(".mute");  // still the volume before the first mute to come back to
    say(".muteoff");
    EXPECT_EQ(w.media.Volume(), -1000);
    say(".muteoff");
    EXPECT_EQ(w.media.Volume(), -1000);
    EXPECT_TRUE(sent().empty());
    // A volume while muted ends the mute.
    say(".mute");
    say(".vol 20");
    EXPECT_EQ(w.media.Volume(), -2000);
    EXPECT_FALSE(commands.muted());
    say(".muteoff");
    EXPECT_EQ(w.media.Volume(), -2000);
}

TEST(VolumeFor, OnlyNumbersGiveAVolume) {
    EXPECT_EQ(chat::VolumeFor(" 100 "), 0);
    EXPECT_EQ(chat::VolumeFor("99.98"), 0);      // -0.5: halves go to the even neighbour
    EXPECT_EQ(chat::VolumeFor("99.94"), -2);     // -1.5
    EXPECT_EQ(chat::VolumeFor("-300"), -10000);  // below silence: clamped
    EXPECT_EQ(chat::VolumeFor("200"), 0);        // above the loudest: clamped
    EXPECT_EQ(chat::VolumeFor("1e-999"), -2500);
    EXPECT_EQ(chat::VolumeFor(""), std::nullopt);
    EXPECT_EQ(chat::VolumeFor(std::string("5\0", 2)), std::nullopt);
}

}  // namespace
}  // namespace rv
