// Media keys and the desktop's media applet: each request does what its label does.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>

#include "app/cover_art.h"
#include "app/remote_bridge.h"
#include "helpers.h"
#include "tools/tone_mp3.h"

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

// What a controller is offered follows what the labels would do at that moment.
TEST_F(Remote, CanPlayPauseAndSeekFollowTheLabels) {
    auto& f = w.form1();
    struct Case {
        const char* what;
        std::function<void()> step;
        bool play, pause, seek;
    };
    const Case cases[] = {
        {"nothing selected, nothing playing", [] {}, false, false, false},
        {"an entry selected", [&] { f.File1->user_select_row(2); }, true, false, false},
        {"playing", [&] { remote.play(); }, true, true, true},
        {"paused", [&] { remote.pause(); }, true, true, true},
        {"resumed", [&] { remote.play(); }, true, true, true},
        {"stopped with the entry still selected", [&] { remote.stop(); }, true, false, false},
        {"played to its end",
         [&] {
             remote.play();
             w.loop.advance(101);
         },
         true, false, false},
    };
    for (const auto& c : cases) {
        c.step();
        EXPECT_EQ(remote.can_play(), c.play) << c.what;
        EXPECT_EQ(remote.can_pause(), c.pause) << c.what;
        EXPECT_EQ(remote.can_seek(), c.seek) << c.what;
    }
}

TEST_F(Remote, ASeekMovesTimeAndProgressAndTheRoomHearsNothing) {
    auto& f = w.form1();
    EXPECT_FALSE(remote.seek_to(10));  // nothing open
    f.File1->user_select_row(0);
    remote.play();
    w.loop.advance(1);
    w.lines.clear();
    ASSERT_TRUE(remote.seek_to(61.4));
    EXPECT_DOUBLE_EQ(remote.position_s(), 61.4);
    EXPECT_EQ(f.txttime->text(), "01:01");
    EXPECT_EQ(f.DogBar1->value(), 61);
    remote.pause();
    ASSERT_TRUE(remote.seek_to(5));
    EXPECT_EQ(state(), media::kPaused);
    EXPECT_EQ(f.txttime->text(), "00:05");
    EXPECT_EQ(f.DogBar1->value(), 5);
    EXPECT_TRUE(w.lines.empty());
}

// Off, as it always was: a track that ends stops. Each choice goes on the way its label does,
// with that label's line.
TEST_F(Remote, ContinuousPlayGoesOnAsItsLabelDoes) {
    auto& f = w.form1();
    struct Case {
        const char* what;
        media::LoopStatus loop;
        bool shuffle;
        int from;
        const char* line;  // the one line at the end; null: none
        int to;            // the entry playing then; -1: stopped where it was
    };
    const Case cases[] = {
        {"off", media::LoopStatus::None, false, 1, nullptr, -1},
        {"the playlist", media::LoopStatus::Playlist, false, 1,
         "playing:-</b><FONT COLOR=#3366FF>c.mp3", 2},
        {"the playlist, from the last", media::LoopStatus::Playlist, false, 2,
         "playing:-</b><FONT COLOR=#3366FF>a.mp3", 0},
        {"the track", media::LoopStatus::Track, false, 1, "playing:-</b><FONT COLOR=#3366FF>b.mp3",
         1},
        {"shuffle", media::LoopStatus::None, true, 0, "Random:-</b><FONT COLOR=#3366FF>", 3},
        {"shuffle over the playlist", media::LoopStatus::Playlist, true, 0, "Random:-", 3},
    };
    for (const auto& c : cases) {
        remote.set_loop_status(c.loop);
        remote.set_shuffle(c.shuffle);
        EXPECT_EQ(remote.loop_status(), c.loop) << c.what;
        EXPECT_EQ(remote.shuffle(), c.shuffle) << c.what;
        remote.stop();
        f.File1->set_list_index(c.from);
        remote.play();
        w.lines.clear();
        w.loop.advance(100.5);
        if (!c.line) {
            EXPECT_TRUE(w.lines.empty()) << c.what;
            EXPECT_EQ(state(), media::kStopped) << c.what;
            EXPECT_EQ(f.File1->list_index(), c.from) << c.what;
            continue;
        }
        ASSERT_EQ(w.lines.size(), 1u) << c.what;
        EXPECT_NE(w.lines[0].html.find(c.line), std::string::npos)
            << c.what << ": " << w.lines[0].html;
        EXPECT_EQ(state(), media::kPlaying) << c.what;
        if (c.to < 3) {
            EXPECT_EQ(f.File1->list_index(), c.to) << c.what;
        }
        EXPECT_TRUE(f.Timer1->timer_enabled()) << c.what;
        EXPECT_TRUE(f.lbstop->enabled()) << c.what;
        // And on, track after track.
        w.lines.clear();
        w.loop.advance(100);
        EXPECT_EQ(w.lines.size(), 1u) << c.what;
    }
}

// Tracks that end as soon as they start go round once at most, not for ever.
TEST_F(Remote, ContinuousPlayOfTracksThatEndAtOnceStopsAfterARound) {
    for (const char* n : {"a.mp3", "b.mp3", "c.mp3"}) w.durations[n] = 0.2;
    struct Case {
        const char* what;
        media::LoopStatus loop;
        bool shuffle;
        std::size_t lines;  // after the first track's end
    } const cases[] = {
        {"the playlist", media::LoopStatus::Playlist, false, 2},
        {"the track", media::LoopStatus::Track, false, 0},
        {"shuffle", media::LoopStatus::None, true, 2},
    };
    for (const auto& c : cases) {
        remote.set_loop_status(c.loop);
        remote.set_shuffle(c.shuffle);
        remote.stop();
        w.form1().File1->set_list_index(0);
        remote.play();
        w.lines.clear();
        w.loop.advance(30);
        EXPECT_EQ(w.lines.size(), c.lines) << c.what;
        EXPECT_EQ(state(), media::kStopped) << c.what;
    }
}

TEST_F(Remote, ContinuousPlayIsKeptInTheSettingsFileUnderKeysOfItsOwn) {
    const std::string file = w.home.file("mp3.oca");
    const std::string before = test::slurp_file(file);
    remote.set_loop_status(media::LoopStatus::Playlist);
    remote.set_shuffle(true);
    const std::string after = test::slurp_file(file);
    EXPECT_EQ(after.find("DIRECTORY=" + w.music_dir.path()), before.find("DIRECTORY="));
    EXPECT_NE(after.find("LOOPSTATUS=Playlist"), std::string::npos) << after;
    EXPECT_NE(after.find("SHUFFLE=1"), std::string::npos) << after;
    // A program started afresh reads them back; what it cannot read leaves them off.
    struct Case {
        const char* text;
        media::LoopStatus loop;
        bool shuffle;
    } const cases[] = {
        {"LOOPSTATUS=Playlist\nSHUFFLE=1\n", media::LoopStatus::Playlist, true},
        {"loopstatus=Track\nshuffle=0\n", media::LoopStatus::Track, false},
        {"LOOPSTATUS=playlist\nSHUFFLE=yes\n", media::LoopStatus::None, false},
        {"", media::LoopStatus::None, false},
    };
    for (const auto& c : cases) {
        test::World again;
        again.durations["a.mp3"] = 10;
        std::ofstream(again.home.file("mp3.oca"))
            << "[ravelin]\nDIRECTORY=" << again.music({"a.mp3"}) << "\n"
            << c.text;
        again.start();
        app::RemoteBridge r(again.form1(), nullptr);
        EXPECT_EQ(r.loop_status(), c.loop) << c.text;
        EXPECT_EQ(r.shuffle(), c.shuffle) << c.text;
    }
}

// A controller shows the tags; the room keeps hearing file names.
TEST(RemoteTags, TitleArtistAlbumNumberAndThePictureWrittenOnce) {
    test::World w;
    test::TempDir cache;
    w.music({});
    tools::ToneSpec spec;
    spec.seconds = 0.5;
    ASSERT_TRUE(tools::write_tone_mp3(w.music_dir.file("plain.mp3"), spec));
    spec.tags.title = "Blue Hour";
    spec.tags.artist = "Vosk";
    spec.tags.album = "Arps";
    spec.tags.track = "4/9";
    spec.tags.picture = tools::demo_cover_png();
    for (const char* n : {"tagged.mp3", "tagged again.mp3"})
        ASSERT_TRUE(tools::write_tone_mp3(w.music_dir.file(n), spec));
    for (const char* n : {"plain.mp3", "tagged.mp3", "tagged again.mp3"}) w.durations[n] = 10;
    w.store_folder(w.music_dir.path());
    w.start();
    app::RemoteBridge remote(w.form1(), nullptr, cache.file("covers"));
    auto& f = w.form1();
    auto play = [&](int i) {
        f.File1->set_list_index(i);
        f.lbplay_Click();
        return remote.track();
    };
    // The list is sorted: plain, tagged, tagged again.
    const media::RemoteTrack plain = play(0);
    EXPECT_EQ(plain.title, "plain.mp3");
    EXPECT_EQ(plain.artist, "");
    EXPECT_EQ(plain.track_number, 0);
    EXPECT_EQ(plain.art_path, "");
    const media::RemoteTrack tagged = play(1);
    EXPECT_EQ(tagged.title, "Blue Hour");
    EXPECT_EQ(tagged.artist, "Vosk");
    EXPECT_EQ(tagged.album, "Arps");
    EXPECT_EQ(tagged.track_number, 4);
    ASSERT_NE(tagged.art_path, "");
    EXPECT_EQ(tagged.art_path.rfind(cache.file("covers/"), 0), 0u) << tagged.art_path;
    EXPECT_EQ(tagged.art_path.substr(tagged.art_path.size() - 4), ".png");
    EXPECT_EQ(test::slurp_file(tagged.art_path), tools::demo_cover_png());
    struct stat first {};
    ASSERT_EQ(::stat(tagged.art_path.c_str(), &first), 0);
    // Another file with the same picture: the same file, not written again.
    EXPECT_EQ(play(2).art_path, tagged.art_path);
    struct stat second {};
    ASSERT_EQ(::stat(tagged.art_path.c_str(), &second), 0);
    EXPECT_EQ(second.st_ino, first.st_ino);
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(cache.file("covers")))
        ++files;
    EXPECT_EQ(files, 1u);
    for (const auto& l : w.htmls()) EXPECT_EQ(l.find("Blue Hour"), std::string::npos) << l;
}

TEST(CoverArt, AFolderOfItsOwnInTheUsersCache) {
    const char* saved_cache = std::getenv("XDG_CACHE_HOME");
    const char* saved_home = std::getenv("HOME");
    const std::string keep_cache = saved_cache ? saved_cache : "";
    const std::string keep_home = saved_home ? saved_home : "";
    struct Case {
        const char* cache;  // null: unset
        const char* home;
        const char* want;
    } const cases[] = {
        {"/c", "/h", "/c/ravelin"},
        {nullptr, "/h", "/h/.cache/ravelin"},
        {"relative", "/h", "/h/.cache/ravelin"},  // a relative one is not to be used
        {nullptr, nullptr, ""},
    };
    for (const auto& c : cases) {
        c.cache ? ::setenv("XDG_CACHE_HOME", c.cache, 1) : ::unsetenv("XDG_CACHE_HOME");
        c.home ? ::setenv("HOME", c.home, 1) : ::unsetenv("HOME");
        EXPECT_EQ(app::cover_art_folder(), c.want) << (c.cache ? c.cache : "-");
    }
    saved_cache ? ::setenv("XDG_CACHE_HOME", keep_cache.c_str(), 1) : ::unsetenv("XDG_CACHE_HOME");
    saved_home ? ::setenv("HOME", keep_home.c_str(), 1) : ::unsetenv("HOME");
}

TEST(CoverArt, NamedByItsBytesAndNothingWrittenWhereNothingCanBe) {
    test::TempDir dir;
    const std::string a = app::cover_art_file(dir.path(), "\x89PNG one", "image/png");
    const std::string b = app::cover_art_file(dir.path(), "\x89PNG two", "image/png");
    const std::string j = app::cover_art_file(dir.path(), "\xFF\xD8 jpeg", "image/jpeg");
    EXPECT_NE(a, b);
    EXPECT_EQ(a, app::cover_art_file(dir.path(), "\x89PNG one", "image/png"));
    EXPECT_EQ(j.substr(j.size() - 4), ".jpg");
    EXPECT_EQ(test::slurp_file(b), "\x89PNG two");
    EXPECT_EQ(app::cover_art_file(dir.path(), "", "image/png"), "");
    EXPECT_EQ(app::cover_art_file("", "bytes", "image/png"), "");
    // Below a regular file no folder can be made: no picture, and no harm.
    dir.touch("file");
    EXPECT_EQ(app::cover_art_file(dir.file("file/covers"), "bytes", "image/png"), "");
}

}  // namespace
}  // namespace rv
