// The help window and the equalizer in the whole program on virtual time.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "helpers.h"

namespace rv {
namespace {

// The help text, line by line: the blanks at the ends of lines 3, 4, 10, 13, 14 and 15 and
// the one inside ".new " belong to it.
const char* const kHelpLines[] = {"\".p\" -Play Song",
                                  "\".r\"-Mix it up",
                                  "\".stop\" ",
                                  "\".next\" ",
                                  "\".back\"",
                                  "\".vol\"- 0_100",
                                  "\".mute\"",
                                  "\".muteoff\"",
                                  "\".afk\"- Loads Afk Bot",
                                  "\".new \" -Opens New ",
                                  "Mail",
                                  "\".old\" -Opens Old Mail",
                                  "\".sent\" -Opens Sent ",
                                  "Mail ",
                                  "\".delmail\" -Opens ",
                                  "Deleted Mail",
                                  "\".exit\"- Closes Prog",
                                  "\".eq\" -Open Eq"};

class Windows : public ::testing::Test {
  protected:
    void SetUp() override {
        w.start();
        w.loop.advance(0.1);
    }
    ui::Form3& help() { return w.program->form3; }
    ui::frmeq& eq() { return w.program->equalizer; }
    void say(const std::string& text) {
        w.program->client.user_send(*w.program->client.top_room(), text);
        w.loop.advance(0.1);
    }
    std::vector<int> levels() {
        std::vector<int> out;
        for (auto* bar : eq().DogBar) out.push_back(bar->value());
        return out;
    }
    // The levels one tick gives from `g`, bar 1 first.
    static std::vector<int> tick_from(aol::Random& g) {
        std::vector<int> out;
        for (const auto& f : ui::frmeq::kFactors)
            out.push_back(ui::frmeq::level(g.next_single(), f));
        return out;
    }
    test::World w;
};

TEST_F(Windows, CmdsOpensTheHelpWindowWithItsTextByteForByte) {
    EXPECT_FALSE(help().loaded());
    w.form1().Label12->user_click();
    ASSERT_TRUE(help().loaded());
    EXPECT_TRUE(help().visible());
    EXPECT_TRUE(help().topmost());
    EXPECT_EQ(help().width(), 2445);
    EXPECT_EQ(help().height(), 1800);
    EXPECT_EQ(help().back_color(), forms::kBlack);
    std::string expected;
    for (const char* line : kHelpLines) expected += std::string(line) + "\r\n";
    ASSERT_EQ(expected.size(), 273u);
    EXPECT_EQ(help().Text1->text(), expected);
    EXPECT_TRUE(help().Text1->multi_line());
    EXPECT_EQ(help().Text1->scroll_bars(), 2);
    EXPECT_FALSE(help().Text1->locked());
    EXPECT_EQ(help().active_control(), help().Text1);
    EXPECT_EQ(help().Label1->caption(), "Ravelin Commands");
}

TEST_F(Windows, TheHelpWindowComesBackAsItWasLeft) {
    w.form1().Label12->user_click();
    help().Text1->set_text("edited");  // edits last while the program runs
    help().Label2->user_click();
    EXPECT_TRUE(help().loaded());
    w.form1().Label12->user_click();
    EXPECT_TRUE(help().visible());
    EXPECT_EQ(help().Text1->text(), "edited");
}

// Both closes of both windows that stay loaded: the slide as ever, 300 twips a step with the
// window in view, then the window is hidden; opened again, it stands where it stood.
TEST_F(Windows, AClosedWindowSlidesOffHidesAndComesBackWhereItStood) {
    struct Case {
        const char* what;
        forms::Form& window;
        std::function<void()> open;
        std::function<void()> close;
    };
    const auto cmds = [&] { w.form1().Label12->user_click(); };
    const auto eq_command = [&] { say(".eq"); };
    const Case cases[] = {
        {"help, x", help(), cmds, [&] { help().Label2->user_click(); }},
        {"help, the window manager's close", help(), cmds, [&] { help().user_close(); }},
        {"equalizer, x", eq(), eq_command, [&] { eq().Label2->user_click(); }},
        {"equalizer, the window manager's close", eq(), eq_command, [&] { eq().user_close(); }},
    };
    const float screen = w.program->env.screen_width_twips();
    for (const auto& c : cases) {
        c.open();
        ASSERT_TRUE(c.window.visible()) << c.what;
        c.window.set_left(1000.5f);  // dragged somewhere
        const float top = c.window.top();
        std::vector<float> seen;
        bool watching = true, hidden_while_sliding = false;
        std::function<void()> watch = [&] {
            if (!watching) return;
            seen.push_back(c.window.left());
            hidden_while_sliding |= !c.window.visible();
            w.loop.post(watch);
        };
        w.loop.post(watch);
        c.close();
        watching = false;
        const int steps = static_cast<int>(std::floor((screen - 1000) / 300)) + 1;
        ASSERT_EQ(seen.size(), static_cast<std::size_t>(steps)) << c.what;
        for (int i = 0; i < steps; ++i) EXPECT_EQ(seen[i], i == 0 ? 1000.5f : 1000 + 300 * i);
        EXPECT_FALSE(hidden_while_sliding) << c.what;
        EXPECT_FALSE(c.window.visible()) << c.what;
        EXPECT_TRUE(c.window.loaded()) << c.what;
        EXPECT_EQ(c.window.left(), 1000.5f) << c.what;
        EXPECT_EQ(c.window.top(), top) << c.what;
        c.open();
        EXPECT_TRUE(c.window.visible()) << c.what;
        EXPECT_EQ(c.window.left(), 1000.5f) << c.what;
        w.loop.advance(0.1);
    }
}

TEST_F(Windows, TheHelpTitleReentersAtItsOwnWidthLessSix) {
    w.form1().Label12->user_click();
    help().Label1->set_left(-1816);
    help().Timer1_Timer();
    EXPECT_EQ(help().Label1->left(), 1809);
}

TEST_F(Windows, EqOpensTheEqualizerCentredNeverTopmostAndStill) {
    say(".eq");
    ASSERT_TRUE(eq().visible());
    EXPECT_FALSE(eq().topmost());
    EXPECT_EQ(eq().width(), 3360);
    EXPECT_EQ(eq().height(), 3030);
    EXPECT_EQ(eq().left(), (w.program->env.screen_width_twips() - 3360) / 2);
    EXPECT_EQ(eq().top(), (w.program->env.screen_height_twips() - 3030) / 2);
    EXPECT_EQ(eq().Label1->caption(), "•._.··  · ···÷Equalizer····  · ·._.•");
    // Before the first "Start" no level changes.
    w.loop.advance(1.0);
    EXPECT_EQ(levels(), std::vector<int>(10, 0));
    // Shown again after a move, it stays where it is.
    eq().set_left(15);
    say(".eq");
    EXPECT_EQ(eq().left(), 15);
}

TEST_F(Windows, TheBarsKeepTheirColours) {
    say(".eq");
    const forms::Color green = 0x00FF00;
    for (int i = 0; i < 10; ++i) {
        SCOPED_TRACE(i + 1);
        const auto* bar = eq().DogBar[static_cast<std::size_t>(i)];
        const bool even = (i + 1) % 2 == 0;
        EXPECT_EQ(bar->bar_color1() == green, even);
        EXPECT_EQ(bar->back_color(), i + 1 == 6 ? 0x404040u : 0u);
        EXPECT_EQ(bar->top(), 360 + 240 * i);
        EXPECT_GE(bar->max(), 294);  // the highest level still reads as a level
    }
}

TEST_F(Windows, LevelsFollowTheSharedGeneratorBarByBarAndStopKeepsThem) {
    say(".eq");
    w.program->random.reseed(1234);
    aol::Random same(1234);
    eq().Label3->user_click();  // Start
    w.loop.advance(0.025);
    EXPECT_EQ(levels(), tick_from(same));
    w.loop.advance(0.025);
    const std::vector<int> last = tick_from(same);
    EXPECT_EQ(levels(), last);
    eq().Label4->user_click();  // Stop
    w.loop.advance(1.0);
    EXPECT_EQ(levels(), last);
    eq().Label3->user_click();  // Start continues the sequence
    w.loop.advance(0.025);
    EXPECT_EQ(levels(), tick_from(same));
}

TEST_F(Windows, LevelsStayWithinTheirFactorsAndReachThem) {
    say(".eq");
    eq().Label3->user_click();
    std::vector<int> highest(10, 0), lowest(10, 1000);
    for (int tick = 0; tick < 4000; ++tick) {
        w.loop.advance(0.025);
        const std::vector<int> now = levels();
        for (std::size_t i = 0; i < 10; ++i) {
            highest[i] = std::max(highest[i], now[i]);
            lowest[i] = std::min(lowest[i], now[i]);
        }
    }
    const int factors[] = {80, 190, 98, 180, 225, 80, 80, 294, 81, 250};
    for (std::size_t i = 0; i < 10; ++i) {
        SCOPED_TRACE(i + 1);
        EXPECT_EQ(lowest[i], 0);
        EXPECT_LE(highest[i], factors[i]);
        EXPECT_GE(highest[i], factors[i] - 2);
    }
    EXPECT_EQ(highest[7], 294);  // bar 8 reaches its factor over 40 000 draws
}

TEST(EqualizerLevel, RoundsHalvesToTheEvenNeighbourInSinglePrecision) {
    struct Case {
        float r;
        ui::frmeq::Factor factor;
        int level;
    };
    const float below_one = 1.0f - 1.0f / 16777216.0f;
    const Case cases[] = {
        {0.0f, {80, 1}, 0},        {below_one, {80, 1}, 80},  {below_one, {294, 1}, 294},
        {0.5f, {81, 1}, 40},       {0.5f, {9, 25}, 112},      {0.75f, {98, 1}, 74},
        {0.5f, {10, 25}, 125},     {0.25f, {190, 1}, 48},     {0.0625f, {180, 1}, 11},
        {below_one, {9, 25}, 225}, {below_one, {10, 25}, 250}};
    for (const auto& c : cases)
        EXPECT_EQ(ui::frmeq::level(c.r, c.factor), c.level) << c.r << " x " << c.factor.first;
}

TEST(EqualizerLevel, TheUnseededSequenceRepeatsFromRunToRun) {
    std::vector<std::vector<int>> runs;
    for (int run = 0; run < 2; ++run) {
        test::World w;
        w.start();
        w.program->show_equalizer();
        w.program->equalizer.Label3_Click();
        w.loop.advance(0.05);
        std::vector<int> got;
        for (auto* bar : w.program->equalizer.DogBar) got.push_back(bar->value());
        runs.push_back(got);
    }
    EXPECT_EQ(runs[0], runs[1]);
    EXPECT_NE(runs[0], std::vector<int>(10, 0));
}

TEST_F(Windows, ARandomTrackChoiceReseedsTheSharedGenerator) {
    aol::Random unseeded;
    const std::vector<int> first = tick_from(unseeded);
    w.store_folder(w.music({"a.mp3"}));
    w.form1().File1->set_path(w.music_dir.path());
    w.form1().Label1_Click();  // random: reseeds from the clock
    say(".eq");
    eq().Label3_Click();
    w.loop.advance(0.025);
    EXPECT_NE(levels(), first);
}

TEST_F(Windows, TheEqualizerSlidesAwayStillAnimating) {
    say(".eq");
    eq().Label3->user_click();
    int changes = 0;
    std::vector<int> seen = levels();
    eq().Timer1->on_timer = [&, tick = eq().Timer1->on_timer] {
        tick();
        if (levels() != seen) ++changes;
        seen = levels();
    };
    eq().Label2->user_click();
    EXPECT_FALSE(eq().visible());
    const int during_slide = changes;
    w.loop.advance(0.5);
    EXPECT_GT(changes, during_slide);
    EXPECT_TRUE(eq().Timer1->timer_enabled());
}

TEST_F(Windows, TheEqualizerTitleWrapsPastTheStartLabelsWidth) {
    say(".eq");
    eq().Label1->set_left(-1456);
    eq().Timer2_Timer();
    EXPECT_EQ(eq().Label1->left(), 2289);
}

TEST_F(Windows, TheEqualizerIsDraggedByItsBackground) {
    say(".eq");
    const float left = eq().left(), top = eq().top();
    eq().on_mouse_down(forms::kRightButton, 0, 100, 100);
    eq().on_mouse_move(forms::kRightButton, 0, 400, 50);
    eq().on_mouse_up(forms::kRightButton, 0, 400, 50);
    EXPECT_EQ(eq().left(), left + 300);
    EXPECT_EQ(eq().top(), top - 50);
}

}  // namespace
}  // namespace rv
