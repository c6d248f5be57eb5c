// Media keys and the desktop's media applet: each request does what its label does.
#include <gtest/gtest.h>

#include <cmath>

#include "app/remote_bridge.h"
#include "helpers.h"

namespace rv {
namespace {

TEST(RemoteVolume, MapsOntoTheChatCommandsScale) {
    struct Case {
        double remote;
        long hundredths;
    } const cases[] = {{1.0, 0}, {0.5, -1250}, {0.1, -2250},  {0.0, -10000},
                       {2.0, 0}, {-1, -10000}, {NAN, -10000}, {0.4212, -1447}};
    for (const auto& c : cases)
        EXPECT_EQ(media::remote_to_hundredths(c.remote), c.hundredths) << c.remote;
    struct Back {
        long hundredths;
        double remote;
    } const backs[] = {{0, 1.0}, {-1250, 0.5}, {-2500, 0.0}, {-10000, 0.0}, {-625, 0.75}};
    for (const auto& b : backs)
        EXPECT_DOUBLE_EQ(media::hundredths_to_remote(b.hundredths), b.remote) << b.hundredths;
}

class Remote : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* n : {"a.mp3", "b.mp3", "c.mp3"}) w.durations[n] = 100;
        w.store_folder(w.music({"a.mp3", "b.mp3", "c.mp3"}));
        w.start();
        w.lines.clear();
    }
    int state() const { return w.media.PlayState(); }
    test::World w;
    int raised = 0;
    app::RemoteBridge remote{w.form1(), [this] { ++raised; }};
};

TEST_F(Remote, PlayPauseFollowsTheLabels) {
    auto& f = w.form1();
    remote.play_pause();  // nothing selected: the play label does nothing either
    EXPECT_EQ(state(), media::kStopped);
    EXPECT_TRUE(w.lines.empty());

    f.File1->user_select_row(1);
    remote.play_pause();
    EXPECT_EQ(state(), media::kPlaying);
    ASSERT_EQ(w.lines.size(), 1u);
    EXPECT_NE(w.lines[0].html.find("playing:-</b><FONT COLOR=#3366FF>b.mp3"), std::string::npos);

    remote.play_pause();
    EXPECT_EQ(state(), media::kPaused);
    EXPECT_FALSE(f.lbplay->enabled());  // as the pause label leaves it
    remote.play();                      // resumes, through the pause label: no line
    EXPECT_EQ(state(), media::kPlaying);
    EXPECT_EQ(w.lines.size(), 1u);
    remote.play();  // already playing: not restarted
    EXPECT_EQ(w.lines.size(), 1u);
    w.loop.advance(3);
    remote.play();
    EXPECT_GT(w.media.CurrentPosition(), 2.9);
}

TEST_F(Remote, NextPreviousStopAndTrack) {
    auto& f = w.form1();
    EXPECT_EQ(remote.track().index, -1);
    f.File1->user_select_row(0);
    remote.play();
    remote.next();
    EXPECT_EQ(f.File1->list_index(), 1);
    media::RemoteTrack t = remote.track();
    EXPECT_EQ(t.index, 1);
    EXPECT_EQ(t.title, "b.mp3");
    EXPECT_EQ(t.path, w.music_dir.path() + "/b.mp3");
    EXPECT_DOUBLE_EQ(t.length_s, 100);
    remote.previous();
    EXPECT_EQ(f.File1->list_index(), 0);
    remote.pause();
    remote.stop();  // the stop label leaves a paused track alone
    EXPECT_EQ(state(), media::kPaused);
    remote.play();
    w.lines.clear();
    remote.stop();
    EXPECT_EQ(state(), media::kStopped);
    ASSERT_EQ(w.lines.size(), 1u);
    EXPECT_NE(w.lines[0].html.find("Stoped..."), std::string::npos);
    EXPECT_EQ(remote.track().index, -1);
}

TEST_F(Remote, VolumeLeavesTheBarAndQuitAnswersFirst) {
    auto& f = w.form1();
    const int bar = f.hscroll1->value();
    remote.set_volume(0.5);
    EXPECT_EQ(w.media.Volume(), -1250);
    EXPECT_DOUBLE_EQ(remote.volume(), 0.5);
    EXPECT_EQ(f.hscroll1->value(), bar);

    remote.raise();
    EXPECT_EQ(raised, 1);

    remote.quit();
    EXPECT_FALSE(w.ended);  // the controller's call returns before the program ends
    w.loop.advance(1);
    EXPECT_TRUE(w.ended);
    EXPECT_FALSE(w.lines.empty());
}

}  // namespace
}  // namespace rv
