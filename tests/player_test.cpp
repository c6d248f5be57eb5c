#include <gtest/gtest.h>

#include "aol/settings.h"
#include "helpers.h"
#include "player/player_window.h"

namespace rv {
namespace {

const std::string kOpen =
    "<FONT COLOR=#3366FF><font  face=\"Arial Narrow\"><b>\u00B7\u00B7\u203A <FONT COLOR=#222222>";
std::string playing(const std::string& name) {
    return " " + kOpen + "playing:-</b><FONT COLOR=#3366FF>" + name + "\u00A4";
}

class Player : public ::testing::Test {
  protected:
    test::World w;
    app::Form1* f = nullptr;
    void start(const std::vector<std::string>& names, double seconds = 100) {
        for (const auto& n : names) w.durations[n] = seconds;
        w.store_folder(w.music(names));
        w.start();
        f = &w.form1();
        w.lines.clear();
    }
    int state() const { return w.media.PlayState(); }
    std::string opened() const {
        return std::filesystem::path(w.media.open_path()).filename().string();
    }
};

TEST_F(Player, PlayFromStoppedAnnouncesAndStartsTheTimers) {
    start({"a.mp3", "b.mp3"});
    f->lbplay->user_click();  // nothing selected: nothing
    EXPECT_EQ(state(), 0);
    EXPECT_TRUE(w.lines.empty());
    f->File1->user_select_row(1);
    EXPECT_EQ(f->Label9->caption(), "b.mp3");  // a single click only shows the name
    EXPECT_EQ(state(), 0);
    f->lbplay->user_click();
    EXPECT_EQ(state(), 2);
    EXPECT_EQ(opened(), "b.mp3");
    EXPECT_EQ(w.htmls(), std::vector<std::string>{playing("b.mp3")});
    for (auto* t : {f->Timer1, f->Timer3, f->Timer4}) EXPECT_TRUE(t->timer_enabled());
}

TEST_F(Player, PlayWhilePlayingRestartsWithoutALine) {
    start({"a.mp3", "b.mp3"});
    f->File1->user_select_row(0);
    f->lbplay->user_click();
    w.loop.advance(5);
    f->File1->user_select_row(1);
    w.lines.clear();
    f->lbplay->user_click();
    EXPECT_TRUE(w.lines.empty());
    EXPECT_EQ(opened(), "b.mp3");
    EXPECT_LT(w.media.CurrentPosition(), 0.01);
    EXPECT_TRUE(f->lbpause->enabled());
    EXPECT_TRUE(f->lbstop->enabled());
}

TEST_F(Player, NextAndBackFollowThePlayState) {
    start({"a.mp3", "b.mp3", "c.mp3"});
    // Next while stopped, nothing selected: the first entry plays, no line.
    f->lbfoward->user_click();
    EXPECT_EQ(opened(), "a.mp3");
    EXPECT_EQ(state(), 2);
    EXPECT_TRUE(w.lines.empty());
    // Next while playing announces.
    f->lbfoward->user_click();
    EXPECT_EQ(opened(), "b.mp3");
    EXPECT_EQ(w.htmls(), std::vector<std::string>{playing("b.mp3")});
    // Back while playing moves, opens and announces.
    w.lines.clear();
    f->lbback->user_click();
    EXPECT_EQ(opened(), "a.mp3");
    EXPECT_EQ(w.htmls(), std::vector<std::string>{playing("a.mp3")});
    // Back on the first entry: nothing.
    w.lines.clear();
    f->lbback_Click();
    EXPECT_TRUE(w.lines.empty());
    // Back while paused only announces; the track stays paused.
    f->lbfoward->user_click();
    f->lbpause->user_click();
    ASSERT_EQ(state(), 1);
    w.lines.clear();
    f->lbback_Click();  // the label is disabled while paused; the handler still runs
    EXPECT_EQ(w.htmls(), std::vector<std::string>{playing("b.mp3")});
    EXPECT_EQ(state(), 1);
    EXPECT_EQ(opened(), "b.mp3");
    EXPECT_EQ(f->File1->list_index(), 1);
}

TEST_F(Player, NextOnTheLastEntryAndDoubleClickWithNothingSelectedLeavePlaybackAlone) {
    start({"a.mp3", "b.mp3"});
    f->File1->user_dbl_click();  // nothing selected
    EXPECT_EQ(state(), 0);
    EXPECT_FALSE(f->Timer1->timer_enabled());
    f->File1->user_select_row(1);
    f->File1->user_dbl_click();
    EXPECT_EQ(state(), 2);
    EXPECT_TRUE(w.lines.empty());  // a double-click plays without a line
    w.loop.advance(3);
    f->lbfoward->user_click();  // past the end: nothing to open
    EXPECT_EQ(state(), 2);
    EXPECT_EQ(opened(), "b.mp3");
    EXPECT_NEAR(w.media.CurrentPosition(), 3, 1e-9);
    EXPECT_TRUE(w.lines.empty());
    // Back while playing with the selection gone (a new folder): nothing either.
    f->File1->set_path(f->File1->path());
    f->lbback->user_click();
    EXPECT_EQ(opened(), "b.mp3");
    EXPECT_EQ(state(), 2);
}

TEST_F(Player, PauseDisablesLabelsAndADisabledLabelIgnoresClicks) {
    start({"a.mp3", "b.mp3"});
    f->File1->user_select_row(0);
    f->lbplay->user_click();
    f->lbpause->user_click();
    EXPECT_EQ(state(), 1);
    for (auto* l : {f->lbplay, f->lbstop, f->lbfoward, f->lbback}) EXPECT_FALSE(l->enabled());
    EXPECT_TRUE(f->lbpause->enabled());
    EXPECT_FALSE(f->Timer3->timer_enabled());
    EXPECT_TRUE(f->Timer1->timer_enabled());
    w.lines.clear();
    f->lbplay->user_click();
    f->lbfoward->user_click();
    EXPECT_EQ(state(), 1);
    EXPECT_TRUE(w.lines.empty());
    f->lbstop_Click();  // a paused track is not stopped
    EXPECT_EQ(state(), 1);
    f->lbpause->user_click();  // resume
    EXPECT_EQ(state(), 2);
    for (auto* l : {f->lbplay, f->lbstop, f->lbfoward, f->lbback}) EXPECT_TRUE(l->enabled());
    EXPECT_TRUE(f->Timer3->timer_enabled());
}

TEST_F(Player, StopAnnouncesAndEmptiesTheBar) {
    start({"a.mp3"});
    f->File1->user_select_row(0);
    f->lbplay->user_click();
    w.loop.advance(10);
    EXPECT_EQ(f->DogBar1->value(), 10);
    EXPECT_EQ(f->DogBar1->max(), 100);
    w.lines.clear();
    f->lbstop->user_click();
    EXPECT_EQ(state(), 0);
    EXPECT_EQ(f->DogBar1->value(), 0);
    EXPECT_EQ(w.htmls(), std::vector<std::string>{kOpen + "Stoped..."});
    EXPECT_FALSE(f->Timer1->timer_enabled());
    EXPECT_FALSE(f->Timer3->timer_enabled());
    EXPECT_TRUE(f->Timer4->timer_enabled());  // never stopped once started
}

TEST_F(Player, RandomOnOneEntryAlwaysPicksIt) {
    start({"only.mp3"});
    for (int i = 0; i < 5; ++i) {
        w.lines.clear();
        f->Label1->user_click();
        EXPECT_EQ(f->File1->list_index(), 0);
        EXPECT_EQ(state(), 2);
        EXPECT_EQ(w.htmls(),
                  std::vector<std::string>{kOpen + "Random:-</b><FONT COLOR=#3366FF>only.mp3"});
    }
    for (auto* t : {f->Timer1, f->Timer3, f->Timer4}) EXPECT_TRUE(t->timer_enabled());
}

// A track that will not play is never announced, and leaves the player stopped with no
// progress and Pause/Stop off, whichever command opened it, from playing or from paused.
TEST_F(Player, ATrackThatWillNotPlayIsNeitherAnnouncedNorShownAsPlaying) {
    struct Step {
        const char* what;
        bool from_paused;
        void (app::Form1::*command)();
        int select;  // the entry selected before the command
    };
    const Step steps[] = {
        {"play while playing", false, &app::Form1::lbplay_Click, 1},
        {"play while paused", true, &app::Form1::lbplay_Click, 1},
        {"next while playing", false, &app::Form1::lbfoward_Click, 0},
        {"next while paused", true, &app::Form1::lbfoward_Click, 0},
        {"back while playing", false, &app::Form1::lbback_Click, 2},
        {"random", false, &app::Form1::Label1_Click, 1},
        {"double-click", false, &app::Form1::File1_DblClick, 1},
    };
    for (const auto& step : steps) {
        test::World world;
        // Only "a.mp3" and "c.mp3" play; "b.mp3" is not a track at all.
        world.durations = {{"a.mp3", 100}, {"c.mp3", 100}};
        world.store_folder(world.music({"a.mp3", "b.mp3", "c.mp3"}));
        world.start();
        auto& form = world.form1();
        form.File1->user_select_row(step.command == &app::Form1::lbback_Click ? 2 : 0);
        form.lbplay->user_click();
        ASSERT_EQ(world.media.PlayState(), 2) << step.what;
        if (step.from_paused) form.lbpause->user_click();
        form.File1->set_list_index(step.select);
        world.lines.clear();
        if (step.command == &app::Form1::Label1_Click) {
            // Random over the one entry that will not play.
            world.durations.erase("a.mp3");
            world.durations.erase("c.mp3");
        }
        (form.*step.command)();
        EXPECT_EQ(world.media.PlayState(), 0) << step.what;
        EXPECT_TRUE(world.lines.empty()) << step.what;
        EXPECT_FALSE(form.Timer1->timer_enabled()) << step.what;
        EXPECT_FALSE(form.lbpause->enabled()) << step.what;
        EXPECT_FALSE(form.lbstop->enabled()) << step.what;
        EXPECT_EQ(form.DogBar1->value(), 0) << step.what;
    }
}

TEST_F(Player, BackWhileStoppedWithNothingSelectedSaysNothing) {
    start({"a.mp3", "b.mp3"});
    f->lbback->user_click();
    EXPECT_TRUE(w.lines.empty());
    EXPECT_EQ(state(), 0);
}

TEST_F(Player, RandomOnAnEmptyListDoesNothing) {
    start({});
    f->Label1->user_click();
    EXPECT_EQ(state(), 0);
    EXPECT_TRUE(w.lines.empty());
}

TEST_F(Player, AtTheEndOfATrackTheBarIsEmptyAndNothingPlays) {
    start({"a.mp3", "b.mp3"}, 3.0);
    f->File1->user_select_row(0);
    f->lbplay->user_click();
    w.loop.advance(2);
    EXPECT_EQ(f->DogBar1->value(), 2);
    w.lines.clear();
    w.loop.advance(5);
    EXPECT_EQ(state(), 0);
    EXPECT_EQ(f->DogBar1->value(), 0);
    EXPECT_FALSE(f->Timer1->timer_enabled());
    EXPECT_EQ(opened(), "a.mp3");
    EXPECT_TRUE(w.lines.empty());
}

TEST_F(Player, TimeTextsRoundHalvesAwayFromZero) {
    start({"long.mp3", "short.mp3"}, 50000);
    w.durations["short.mp3"] = 42.0;
    f->File1->user_select_row(1);
    f->lbplay->user_click();
    w.loop.advance(0.025);
    EXPECT_EQ(f->Text2->text(), "  00:42");
    EXPECT_EQ(f->txttime->text(), "00:00");
    f->File1->user_select_row(0);
    f->lbplay->user_click();
    // Hours of virtual time: the ticks are run by hand, so the other timers need not tick
    // millions of times on the way.
    for (auto* t : {f->Timer1, f->Timer2, f->Timer3, f->Timer4}) t->set_timer_enabled(false);
    f->Chat1.ScanOff();
    struct Case {
        double at;
        const char* elapsed;
    };
    for (const Case c :
         {Case{59.4, "00:59"}, Case{59.5, "01:00"}, Case{3600, "60:00"}, Case{40000, "666:40"}}) {
        w.loop.wait_until(w.loop.now() + (c.at - w.media.CurrentPosition()));
        f->Timer4_Timer();
        f->Timer1_Timer();
        EXPECT_EQ(f->txttime->text(), c.elapsed) << c.at;
    }
    // Past the old 16-bit limit the bar keeps following too.
    EXPECT_EQ(f->DogBar1->value(), 40000);
    EXPECT_EQ(f->Text2->text(), "  833:20");
    w.lines.clear();
    f->txttime->user_click();
    EXPECT_EQ(w.htmls(),
              std::vector<std::string>{
                  "<FONT COLOR=#0033CC><font  face=\"Arial Narrow\"><b>\u00B7\u00B7\u203A "
                  "<FONT COLOR=#222222>Jam Time =</B><FONT COLOR=#3366FF> 666:40 /  833:20"});
}

TEST(FormatTime, MinutesAndSeconds) {
    struct Case {
        long long s;
        const char* text;
    };
    for (const Case c :
         {Case{0, "00:00"}, Case{5, "00:05"}, Case{59, "00:59"}, Case{60, "01:00"},
          Case{65, "01:05"}, Case{225, "03:45"}, Case{3600, "60:00"}, Case{7384, "123:04"}})
        EXPECT_EQ(player::FormatTime(c.s), c.text) << c.s;
}

TEST_F(Player, ProgressBarRoundsHalvesToEven) {
    start({"a.mp3"}, 2.5);
    f->File1->user_select_row(0);
    f->lbplay->user_click();
    w.loop.advance(0.5);
    EXPECT_EQ(f->DogBar1->max(), 2);    // 2.5 -> 2
    EXPECT_EQ(f->DogBar1->value(), 0);  // 0.5 -> 0
    w.loop.advance(1.0);
    EXPECT_EQ(f->DogBar1->value(), 2);  // 1.5 -> 2
}

TEST_F(Player, SongTitleMarqueeShowsTheSelectionAndWraps) {
    start({"a.mp3"});
    f->Timer3->set_timer_enabled(true);
    const float before = f->Label9->left();
    w.loop.advance(0.01);
    EXPECT_EQ(f->Label9->caption(), "");  // nothing selected: the empty label keeps moving
    EXPECT_EQ(f->Label9->left(), before - 10);
    f->File1->user_select_row(0);
    f->Label9->set_left(-3375);
    w.loop.advance(0.01);
    EXPECT_EQ(f->Label9->left(), -3385);
    w.loop.advance(0.01);
    EXPECT_EQ(f->Label9->left(), 3369);
    EXPECT_EQ(f->Label9->caption(), "a.mp3");
}

TEST_F(Player, RefreshCountsOrOpensTheChooserWhenTheFolderIsEmpty) {
    start({"a.mp3", "b.mp3"});
    w.music_dir.touch("c.mp3");
    f->lbref->user_dbl_click();
    EXPECT_EQ(f->lbmp3num->caption(), "3");
    w.lines.clear();
    f->lbmp3num->user_click();
    EXPECT_EQ(w.htmls(),
              std::vector<std::string>{" " + kOpen + "Number Of Jamz:-</b><FONT COLOR=#3366FF>3"});
    f->File1->user_select_row(0);
    f->lbplay->user_click();
    for (const char* n : {"a.mp3", "b.mp3", "c.mp3"}) std::remove(w.music_dir.file(n).c_str());
    f->lbref->user_dbl_click();
    EXPECT_EQ(f->lbmp3num->caption(), "3");  // keeps its old caption
    EXPECT_FALSE(f->visible());
    EXPECT_TRUE(w.program->frmDir.visible());
    EXPECT_EQ(state(), 2);  // still playing
    w.lines.clear();
    f->lbmp3num_Click();
    EXPECT_EQ(w.htmls().back().substr(w.htmls().back().size() - 1), "0");
}

TEST_F(Player, HiddenScrollBarNeverPushesTheVolumeAboveLoudest) {
    start({"a.mp3"});
    w.media.set_Volume(-1234);
    EXPECT_FALSE(f->hscroll1->set_value(0));  // outside its range: refused
    EXPECT_EQ(w.media.Volume(), -1234);
    for (int v : {-5000, -3700, -2500}) {
        ASSERT_TRUE(f->hscroll1->set_value(v));
        EXPECT_EQ(w.media.Volume(), v + 2500);
        EXPECT_LE(w.media.Volume(), 0);
    }
    EXPECT_TRUE(w.lines.empty());
}

TEST(Playlist, SortsWithoutCaseAndFoldsAccentedLetters) {
    test::World w;
    for (const char* n : {"zeta.mp3", "\u00C9dith.mp3", "alpha.MP3", "Beta.mp3", "delta.mp3",
                          "\u00E9clair.mp3", "ignore.txt", "dir.mp3x"})
        w.music_dir.touch(n);
    w.store_folder(w.music_dir.path());
    w.start();
    EXPECT_EQ(w.form1().File1->items(),
              (std::vector<std::string>{"alpha.MP3", "Beta.mp3", "delta.mp3", "\u00E9clair.mp3",
                                        "\u00C9dith.mp3", "zeta.mp3"}));
}

TEST(FolderChooser, OkStoresTheFolderCancelLeavesEverything) {
    test::World w;
    w.start();
    auto& f = w.form1();
    auto& chooser = w.program->frmDir;
    f.Label3->user_click();  // "Load"
    EXPECT_TRUE(chooser.visible());
    EXPECT_TRUE(f.visible());  // nothing stored: only the chooser opens
    EXPECT_TRUE(chooser.topmost());
    const std::string music = w.music({"one.mp3", "two.mp3", "x.txt"});
    chooser.Dir1->set_path(music);
    chooser.lbexit->user_click();
    EXPECT_FALSE(chooser.visible());
    EXPECT_FALSE(std::filesystem::exists(w.home.file("mp3.oca")));
    f.Label3->user_click();
    EXPECT_EQ(chooser.Dir1->path(), music);  // where the user left it
    chooser.lbok->user_click();
    EXPECT_FALSE(chooser.visible());
    EXPECT_TRUE(f.visible());
    EXPECT_EQ(f.File1->path(), music);
    EXPECT_EQ(f.lbmp3num->caption(), "2");
    EXPECT_EQ(aol::ReadSetting("ravelin", "directory", w.home.file("mp3.oca")), music);
}

TEST(FolderChooser, FirstLoadWithAStoredFolderShowsTheMainWindowToo) {
    test::World w;
    w.store_folder(w.music({"a.mp3"}));
    w.start();
    auto& f = w.form1();
    f.Hide();
    f.Label3->user_click();
    EXPECT_TRUE(f.visible());
    EXPECT_TRUE(w.program->frmDir.visible());
}

TEST(FolderChooser, TitleMarqueeReentersAtThePanelsWidth) {
    test::World w;
    w.start();
    auto& chooser = w.program->frmDir;
    chooser.Show();
    chooser.Label1->set_left(-1216);
    w.loop.advance(0.01);
    EXPECT_EQ(chooser.Label1->left(), 1989);
}

}  // namespace
}  // namespace rv

namespace rv {
namespace {

TEST(FolderChooser, AnEmptyStoredValueCountsAsNoFolder) {
    test::World w;
    std::ofstream(w.home.file("mp3.oca")) << "[ravelin]\nDIRECTORY=\n";
    w.start();
    auto& f = w.form1();
    f.Hide();
    f.Label3->user_click();
    EXPECT_TRUE(w.program->frmDir.visible());
    EXPECT_FALSE(f.visible());  // only the chooser opens
}

TEST(FolderChooser, OkOnTheStoredFolderWritesItAgainAndRecounts) {
    test::World w;
    const std::string music = w.music({"a.mp3"});
    w.store_folder(music);
    w.start();
    auto& f = w.form1();
    f.Label3->user_click();
    auto& chooser = w.program->frmDir;
    chooser.Dir1->set_path(music);
    w.music_dir.touch("b.mp3");
    chooser.lbok->user_click();
    EXPECT_EQ(f.lbmp3num->caption(), "2");
    EXPECT_EQ(aol::ReadSetting("ravelin", "directory", w.home.file("mp3.oca")), music);
    EXPECT_EQ(f.File1->list_index(), -1);
}

}  // namespace
}  // namespace rv
