#include <gtest/gtest.h>

#include <set>

#include "afk/afk1.h"
#include "helpers.h"

namespace rv {
namespace {

// The opening of every line of the bot.
const std::string kOpen =
    "<FONT COLOR=#3366FF><font  face=\"Arial Narrow\"><b>\u00B7\u00B7\u203A</b>";

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class Afk : public ::testing::Test {
  protected:
    void SetUp() override {
        w.start("Bob");
        mark();
    }
    // Lines and prompts from here on.
    void mark() {
        m_mark = w.lines.size();
        w.prompts.clear();
    }
    std::vector<std::string> since() const {
        std::vector<std::string> out;
        for (std::size_t i = m_mark; i < w.lines.size(); ++i) out.push_back(w.lines[i].html);
        return out;
    }
    const test::SentLine& line_since(std::size_t i) const { return w.lines.at(m_mark + i); }
    void open(const std::string& handle) {
        w.answers.push_back(handle);
        w.form1().Label4->user_click();
    }
    void start(const std::string& reason) {
        w.answers.push_back(reason);
        a.Command1->user_click();
    }
    void say(const std::string& name, const std::string& text) {
        w.program->client.say_as(*w.program->client.top_room(), name, text);
    }
    std::string file() const { return slurp(w.home.file("MsgBox.txt")); }
    bool file_exists() const { return std::filesystem::exists(w.home.file("MsgBox.txt")); }
    std::vector<std::string> entries() const { return a.List1->items(); }

    test::World w;
    afk::afk1& a = w.program->afk1;
    std::size_t m_mark = 0;
};

TEST_F(Afk, TheWindowIsLaidOutAsDesigned) {
    w.program->env.set_screen_size_twips(19200, 12000);
    open("Bob");
    EXPECT_EQ(a.width(), 3795);
    EXPECT_EQ(a.height(), 1605);
    EXPECT_EQ(a.left(), (19200 - 3795) / 2.0f);
    EXPECT_EQ(a.top(), (12000 - 1605) / 2.0f);
    EXPECT_EQ(a.back_color(), forms::kBlack);
    struct Row {
        const char* name;
        const char* text;  // caption; "" for pictures and the list
        const char* tip;
        float left, top, width, height;
    };
    const Row rows[] = {
        {"Picture2", "", "", 0, 0, 3855, 135},
        {"Label1", "\"Zuzived Eruru Ruv\"_ AFK By Vosk", "", 0, 120, 3375, 255},
        {"Label8", "X", "Exit afk By Vosk", 3600, 120, 135, 255},
        {"Command1", "Start", "Starts afk Bot", 240, 480, 855, 240},
        {"Command2", "Stop", "Stops afk Bot", 2520, 480, 855, 255},
        {"Label4", "V", "", 1680, 360, 135, 255},
        {"Label5", "o", "", 1800, 480, 135, 255},
        {"Label6", "s", "", 1920, 600, 135, 255},
        {"Label7", "k", "", 2040, 720, 135, 255},
        {"Label2", "Minz=", "", 120, 720, 975, 255},
        {"Minz", "0", "", 720, 720, 255, 255},
        {"Label3", "Hrs=", "", 1200, 720, 855, 255},
        {"Hrs", "0", "", 1680, 720, 375, 255},
        {"List1", "", "", 120, 960, 3615, 540},
        {"Picture1", "", "", 0, 960, 3855, 615},
    };
    for (const auto& r : rows) {
        forms::Control* c = a.find(r.name);
        ASSERT_NE(c, nullptr) << r.name;
        EXPECT_EQ(c->left(), r.left) << r.name;
        EXPECT_EQ(c->top(), r.top) << r.name;
        EXPECT_EQ(c->width(), r.width) << r.name;
        EXPECT_EQ(c->height(), r.height) << r.name;
        EXPECT_EQ(c->tool_tip(), r.tip) << r.name;
        std::string caption;
        if (auto* l = dynamic_cast<forms::Label*>(c)) {
            caption = l->caption();
            EXPECT_EQ(l->fore_color(), 0xE0E0E0u) << r.name;
            EXPECT_EQ(l->transparent(), std::string(r.name) == "Label1") << r.name;
        }
        if (auto* b = dynamic_cast<forms::Button*>(c)) caption = b->caption();
        EXPECT_EQ(caption, r.text) << r.name;
        if (c->kind() != forms::Kind::PictureBox) {
            EXPECT_EQ(c->font().name, "Tahoma") << r.name;
            EXPECT_EQ(c->font().size, 9.75f) << r.name;
            EXPECT_TRUE(c->font().bold) << r.name;
        }
    }
    EXPECT_TRUE(a.List1->sorted());
    EXPECT_EQ(a.List1->fore_color(), 0xE0E0E0u);
    EXPECT_EQ(a.Timer1->interval_ms(), 60000);
    EXPECT_EQ(a.Timer2->interval_ms(), 1);
}

TEST_F(Afk, LoadPaintsAsksTheHandleGoesOnTopAndSaysSo) {
    std::vector<bool> visible_when_asked;
    w.program->env.set_input_box(
        [&](const std::string& prompt, const std::string& title, const std::string& def) {
            w.prompts.push_back(prompt + "|" + title + "|" + def);
            visible_when_asked.push_back(a.visible());
            return std::string("Bobby");
        });
    w.form1().Label4->user_click();
    EXPECT_EQ(w.prompts, std::vector<std::string>{"Enter You're Handle 1 More Time|Ravelin|"});
    EXPECT_EQ(visible_when_asked, std::vector<bool>{false});
    EXPECT_EQ(a.afkHandle, "Bobby");
    EXPECT_EQ(since(), std::vector<std::string>{kOpen + "afk _-by <B>Vosk\u2122</B>-_ Loaded"});
    EXPECT_TRUE(a.visible());
    EXPECT_TRUE(a.topmost());
    EXPECT_FALSE(a.Timer1->timer_enabled());
    EXPECT_TRUE(a.Timer2->timer_enabled());
    EXPECT_FALSE(a.Chat1.scanning());
    // Both strips: very dark red on the left (three steps in), pure blue on the right.
    for (forms::PictureBox* p : {a.Picture1, a.Picture2}) {
        ASSERT_FALSE(p->image().empty()) << p->name();
        EXPECT_EQ(p->image().front(), forms::rgb(22, 0, 3)) << p->name();
        EXPECT_EQ(p->image()[static_cast<std::size_t>(p->pixels_wide() - 1)], forms::rgb(0, 0, 255))
            << p->name();
    }
    // A minute with the bot idle: nothing counts, nothing is said.
    w.loop.advance(120);
    EXPECT_EQ(a.Minz->caption(), "0");
    EXPECT_EQ(since().size(), 1u);
}

TEST_F(Afk, ReopeningWhileLoadedOnlyShowsIt) {
    open("Bob");
    mark();
    a.Label1->user_dbl_click();
    EXPECT_FALSE(a.topmost());
    w.form1().Label4->user_click();
    EXPECT_TRUE(w.prompts.empty());
    EXPECT_TRUE(since().empty());
    EXPECT_FALSE(a.topmost());  // nothing puts it back on top but a new load
}

TEST_F(Afk, ExitSavesUnloadsAndAReopenStartsAfresh) {
    open("Bob");
    start("lunch");
    w.loop.advance(61);
    say("Ann", ".msg hi");
    w.loop.advance(1);
    mark();
    a.Label8->user_dbl_click();
    EXPECT_FALSE(a.loaded());
    EXPECT_FALSE(a.visible());
    EXPECT_EQ(since(), std::vector<std::string>{kOpen + "afk _-by Vosk\u2122-_ UnLoaded"});
    EXPECT_EQ(file(), "Ann:hi\r\n");
    // The timer and the scanner ended with the window.
    say("Ann", ".msg later");
    w.loop.advance(180);
    EXPECT_EQ(since().size(), 2u);  // the unloaded line and Ann's line
    EXPECT_EQ(file(), "Ann:hi\r\n");

    open("Robert");
    EXPECT_EQ(w.prompts, std::vector<std::string>{"Enter You're Handle 1 More Time"});
    EXPECT_EQ(a.afkHandle, "Robert");
    EXPECT_EQ(a.Minz->caption(), "0");
    EXPECT_EQ(a.Hrs->caption(), "0");
    EXPECT_EQ(a.List1->list_count(), 0);
    EXPECT_TRUE(a.topmost());
    EXPECT_EQ(since().back(), kOpen + "afk _-by <B>Vosk\u2122</B>-_ Loaded");
}

TEST_F(Afk, StartAsksTheReasonAndSaysThreeLinesAFifthOfASecondApart) {
    open("Bob");
    mark();
    const double t0 = w.loop.now();
    start("gone fishing");
    EXPECT_EQ(w.prompts, std::vector<std::string>{"Whats Ur Lie???"});
    EXPECT_EQ(since(), (std::vector<std::string>{kOpen + "afk On", kOpen + "Bob   Is afk",
                                                 kOpen + "Rsn:  gone fishing"}));
    EXPECT_GE(line_since(0).at, t0);
    EXPECT_GE(line_since(1).at - line_since(0).at, 0.2);
    EXPECT_LT(line_since(1).at - line_since(0).at, 0.25);
    EXPECT_GE(line_since(2).at - line_since(1).at, 0.2);
    EXPECT_LT(line_since(2).at - line_since(1).at, 0.25);
    EXPECT_TRUE(a.Chat1.scanning());
    EXPECT_TRUE(a.Timer1->timer_enabled());
}

TEST_F(Afk, EmptyAnswersAreSentLikeAnyOther) {
    open("");
    start("");
    w.loop.advance(60);
    const auto l = since();
    ASSERT_EQ(l.size(), 7u);
    EXPECT_EQ(l[2], kOpen + "   Is afk");
    EXPECT_EQ(l[3], kOpen + "Rsn:  ");
    EXPECT_EQ(l[4], kOpen + "  Been afk For ~> Minz  (1)  Hrs  (0)");
    EXPECT_EQ(l[6], kOpen + "Rsn: ");
}

TEST_F(Afk, EveryMinuteTheCountersMoveAndThreeLinesGoOut) {
    open("Bob");
    start("lunch");
    struct Case {
        int tick;
        const char* minz;
        const char* hrs;
    };
    const Case cases[] = {{1, "1", "0"},  {2, "2", "0"},    {59, "59", "0"}, {60, "0", "1"},
                          {61, "1", "1"}, {119, "59", "1"}, {120, "0", "2"}};
    // Two hours of virtual time: the marquees and the main window's scanner rest on the way.
    for (forms::Timer* t : {a.Timer2, w.form1().Timer2}) t->set_timer_enabled(false);
    w.form1().Chat1.ScanOff();
    // The timer went on before the two pauses of Start.
    const double started = w.loop.now() - 0.4;
    for (const Case& c : cases) {
        // Just before the tick the previous count; at the tick three lines.
        w.loop.wait_until(started + 60.0 * c.tick - 0.001);
        EXPECT_EQ(a.Minz->caption(), std::to_string((c.tick - 1) % 60)) << c.tick;
        mark();
        w.loop.wait_until(started + 60.0 * c.tick);
        const std::string minz = c.minz, hrs = c.hrs;
        EXPECT_EQ(since(),
                  (std::vector<std::string>{
                      kOpen + "Bob  Been afk For ~> Minz  (" + minz + ")  Hrs  (" + hrs + ")",
                      kOpen + "TYPE (.msg) to leave msg", kOpen + "Rsn: lunch"}))
            << c.tick;
        EXPECT_EQ(a.Minz->caption(), minz);
        EXPECT_EQ(a.Hrs->caption(), hrs);
    }
}

TEST_F(Afk, StopBeforeTheFirstTickReportsNothingAway) {
    open("Bob");
    start("lunch");
    w.loop.advance(30);
    mark();
    a.Command2->user_click();
    EXPECT_EQ(since(), (std::vector<std::string>{kOpen + "Bob Was afk for~> (0) Minz(0) Hrs",
                                                 kOpen + "You Have  (0)  messages"}));
    EXPECT_FALSE(a.Chat1.scanning());
    EXPECT_FALSE(a.Timer1->timer_enabled());
    EXPECT_TRUE(file_exists());
    EXPECT_EQ(file(), "");
    w.loop.advance(600);
    EXPECT_EQ(since().size(), 2u);
}

TEST_F(Afk, StopThenStartCountsOnAndAsksAgain) {
    open("Bob");
    start("lunch");
    w.loop.advance(150);  // two ticks
    a.Command2->user_click();
    w.loop.advance(500);  // idle: no ticks
    mark();
    start("coffee");
    EXPECT_EQ(w.prompts, std::vector<std::string>{"Whats Ur Lie???"});
    const double restarted = w.loop.now() - 0.4;
    w.loop.wait_until(restarted + 60 - 0.001);
    EXPECT_EQ(since().size(), 3u);
    w.loop.wait_until(restarted + 60);
    ASSERT_EQ(since().size(), 6u);
    EXPECT_EQ(since()[3], kOpen + "Bob  Been afk For ~> Minz  (3)  Hrs  (0)");
    EXPECT_EQ(since()[5], kOpen + "Rsn: coffee");
    mark();
    a.Command2->user_click();
    EXPECT_EQ(since()[0], kOpen + "Bob Was afk for~> (3) Minz(0) Hrs");
}

TEST_F(Afk, StartWhileRunningAsksAgainAndATickDuringThePromptUsesTheOldReason) {
    open("Bob");
    start("lunch");
    w.loop.advance(30);
    // The user takes a minute over the second prompt; the tick runs inside it.
    w.program->env.set_input_box(
        [&](const std::string& prompt, const std::string&, const std::string&) {
            w.prompts.push_back(prompt);
            w.loop.advance(40);
            return std::string("dinner");
        });
    mark();
    a.Command1->user_click();
    EXPECT_EQ(since(), (std::vector<std::string>{kOpen + "Bob  Been afk For ~> Minz  (1)  Hrs  (0)",
                                                 kOpen + "TYPE (.msg) to leave msg",
                                                 kOpen + "Rsn: lunch", kOpen + "afk On",
                                                 kOpen + "Bob   Is afk", kOpen + "Rsn:  dinner"}));
    EXPECT_EQ(a.afkReason, "dinner");
}

TEST_F(Afk, MessagesAreTakenOnlyWhenTheyBeginWithDotMsg) {
    open("Bob");
    start("lunch");
    struct Case {
        const char* text;
        const char* entry;  // null: nothing taken
    };
    const Case cases[] = {
        {".msg hello", "Bob:hello"}, {".msghello", "Bob:ello"}, {".msg", "Bob:"},
        {".MSG hello", nullptr},     {" .msg hello", nullptr},  {"hi .msg", nullptr}};
    for (const Case& c : cases) {
        a.List1->clear();
        mark();
        say("Bob", c.text);
        w.loop.advance(1);
        if (!c.entry) {
            EXPECT_EQ(since().size(), 1u) << c.text;
            EXPECT_EQ(a.List1->list_count(), 0) << c.text;
            continue;
        }
        EXPECT_EQ(entries(), std::vector<std::string>{c.entry}) << c.text;
        ASSERT_EQ(since().size(), 2u) << c.text;
        EXPECT_EQ(since()[1], kOpen + "Message Saved") << c.text;
        const double delay = line_since(1).at - line_since(0).at;
        EXPECT_GE(delay, 0.5) << c.text;
        EXPECT_LT(delay, 0.5 + 0.1) << c.text;
        const std::string line = std::string(c.entry) + "\r\n";  // added to the file's end
        EXPECT_EQ(file().substr(file().size() - line.size()), line) << c.text;
    }
}

TEST_F(Afk, MessageSavedIsSaidOnlyOnceTheMessageIsOnDisk) {
    open("Bob");
    start("lunch");
    std::vector<std::string> on_disk_when_said;
    auto seen =
        w.program->client.on_line.subscribe([&](const standin::Room&, const standin::ChatLine& l) {
            if (l.html == kOpen + "Message Saved") on_disk_when_said.push_back(file());
        });
    say("carol", ".msg one");
    w.loop.advance(1);
    say("Bob", ".msg two");
    w.loop.advance(1);
    // Each is added to the end as it is taken; Stop puts the file in order.
    EXPECT_EQ(on_disk_when_said,
              (std::vector<std::string>{"carol:one\r\n", "carol:one\r\nBob:two\r\n"}));
    a.Command2->user_click();
    EXPECT_EQ(file(), "Bob:two\r\ncarol:one\r\n");
}

// A message said while an earlier one waits its half second is taken inside that wait: it is
// added, saved and acknowledged first. Needs the scanner to raise lines inside a handler's wait.
TEST_F(Afk, ASecondMessageDuringTheWaitIsTakenInsideIt) {
    open("Bob");
    start("lunch");
    std::vector<std::string> on_disk_when_said;
    auto seen =
        w.program->client.on_line.subscribe([&](const standin::Room&, const standin::ChatLine& l) {
            if (l.html == kOpen + "Message Saved") on_disk_when_said.push_back(file());
        });
    say("carol", ".msg first");
    // Dave speaks 0.2 s later, while carol's message waits.
    TimerId later = 0;
    later = w.loop.start_timer(200, [&] {
        w.loop.stop_timer(later);
        say("dave", ".msg second");
    });
    w.loop.advance(2);
    EXPECT_EQ(on_disk_when_said,
              (std::vector<std::string>{"dave:second\r\n", "dave:second\r\ncarol:first\r\n"}));
}

// A flood of 20 000 lines a second (a thousand between two looks of the scanner; the room
// keeps its last 10 000): no handler nests without end, every message taken is on disk once
// and acknowledged once, and a load takes no more than it may hold, saying so once.
TEST_F(Afk, AFloodOfMessagesIsTakenInBoundedTimeEachOnce) {
    open("Bob");
    start("lunch");
    const int flood = afk::afk1::kMaxMessages * 2;
    w.lines.clear();
    mark();
    testing::internal::CaptureStderr();
    std::size_t acks = 0;
    double last_ack = 0;
    auto seen =
        w.program->client.on_line.subscribe([&](const standin::Room&, const standin::ChatLine& l) {
            if (l.html == kOpen + "Message Saved") ++acks, last_ack = w.loop.now();
        });
    for (int i = 0; i < flood; ++i) {
        say("Guest" + std::to_string(i % 7), ".msg " + std::to_string(i));
        if (i % 1000 == 999) w.loop.advance(0.05);
    }
    const double said = w.loop.now();
    w.loop.advance(30);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(acks, static_cast<std::size_t>(afk::afk1::kMaxMessages));
    EXPECT_LT(last_ack - said, 2.0);  // half a second, then as fast as the disk goes
    EXPECT_EQ(err, "ravelin: the away bot holds 10000 messages; it takes no more\n");
    EXPECT_EQ(a.Chat1.pending(), 0u);
    a.Command2->user_click();
    const std::string bytes = file();
    std::set<std::string> lines;
    for (std::size_t at = 0, end; (end = bytes.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.insert(bytes.substr(at, end - at));
    EXPECT_EQ(lines.size(), static_cast<std::size_t>(afk::afk1::kMaxMessages));  // each once
    EXPECT_EQ(test::count(bytes, "\r\n"), lines.size());
    EXPECT_EQ(a.List1->list_count(), afk::afk1::kMaxMessages);
}

TEST_F(Afk, EntriesAreSortedWithoutRegardToCaseInListAndFile) {
    open("Bob");
    start("lunch");
    for (const char* who : {"Bob", "alice", "Carl", "bob"}) {
        say(who, ".msg hi");
        w.loop.advance(1);
    }
    const std::vector<std::string> want = {"alice:hi", "Bob:hi", "bob:hi", "Carl:hi"};
    EXPECT_EQ(entries(), want);
    a.Command2->user_click();
    EXPECT_EQ(file(), "alice:hi\r\nBob:hi\r\nbob:hi\r\nCarl:hi\r\n");
    EXPECT_EQ(w.lines.back().html, kOpen + "You Have  (4)  messages");
}

// The file's messages are the user's, unread: a new load keeps them, and its own join them.
// The count line reports this load's messages only.
TEST_F(Afk, ALaterLoadKeepsTheEarlierMessages) {
    open("Bob");
    start("lunch");
    for (const char* who : {"carol", "alice", "Dave"}) {
        say(who, ".msg hi");
        w.loop.advance(1);
    }
    a.Label8->user_dbl_click();
    const std::string first = "alice:hi\r\ncarol:hi\r\nDave:hi\r\n";
    EXPECT_EQ(file(), first);
    open("Bob");
    a.Label8->user_dbl_click();  // opened and closed with no message
    EXPECT_EQ(file(), first);
    open("Bob");
    start("tea");
    say("bob", ".msg back");
    w.loop.advance(1);
    a.Command2->user_click();
    EXPECT_EQ(w.lines.back().html, kOpen + "You Have  (1)  messages");
    EXPECT_EQ(file(), "alice:hi\r\nbob:back\r\ncarol:hi\r\nDave:hi\r\n");
}

TEST_F(Afk, AMessageWhileIdleIsNotTakenAndEachSaveWritesEveryEntryOnce) {
    open("Bob");
    say("Ann", ".msg before start");
    w.loop.advance(1);
    start("lunch");
    say("Ann", ".msg first");
    w.loop.advance(1);
    a.Command2->user_click();
    say("Ann", ".msg while stopped");
    w.loop.advance(1);
    start("again");
    say("Bob", ".msg second");
    w.loop.advance(1);
    a.Command2->user_click();
    EXPECT_EQ(file(), "Ann:first\r\nBob:second\r\n");
    EXPECT_EQ(w.lines.back().html, kOpen + "You Have  (2)  messages");
}

TEST_F(Afk, AMessageThatCannotBeSavedIsKeptButNotReportedSaved) {
    test::TempDir dir;
    dir.touch("plain");
    forms::Environment& env = w.program->env;
    afk::afk1 other(env, w.program->aol, dir.file("plain/MsgBox.txt"));
    w.answers.push_back("Bob");
    other.Show();
    w.answers.push_back("lunch");
    other.Command1->user_click();
    mark();
    testing::internal::CaptureStderr();
    say("Ann", ".msg hello");
    w.loop.advance(1);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(other.List1->items(), std::vector<std::string>{"Ann:hello"});
    EXPECT_EQ(since(), std::vector<std::string>{".msg hello"});
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    // Stop goes on to its lines all the same.
    testing::internal::CaptureStderr();
    other.Command2->user_click();
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(w.lines.back().html, kOpen + "You Have  (1)  messages");
}

TEST_F(Afk, TheTitleDragsTheWindowScrollsAndLeavesTheTopOnDoubleClick) {
    open("Bob");
    const float left = a.left(), top = a.top();
    a.Label1->user_mouse_down(forms::kRightButton, 0, 100, 100);
    a.Label1->user_mouse_move(forms::kRightButton, 0, 400, 160);
    a.Label1->user_mouse_up(forms::kRightButton, 0, 400, 160);
    EXPECT_EQ(a.left(), left + 300);
    EXPECT_EQ(a.top(), top + 60);
    // The background does not drag.
    EXPECT_FALSE(a.on_mouse_down);
    // The marquee: 10 twips a tick, back in at Picture1's width - 6 once past -3375.
    a.Timer2->set_timer_enabled(false);
    a.Label1->set_left(0);
    a.Timer2_Timer();
    EXPECT_EQ(a.Label1->left(), -10);
    a.Label1->set_left(-3376);
    a.Timer2_Timer();
    EXPECT_EQ(a.Label1->left(), 3849);
    a.Label1->user_dbl_click();
    EXPECT_FALSE(a.topmost());
}

}  // namespace
}  // namespace rv
