// Tracks that are not tracks, or are damaged: what the list, the player and the room do with
// each. The player is the real one, on a device the test plays by hand.
#include "malformed_mp3.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "helpers.h"
#include "manual_device.h"
#include "platform/media/mp3_file.h"
#include "platform/media/mp3_probe.h"
#include "platform/media/sdl_player.h"
#include "player/player_window.h"

namespace rv {
namespace {

using test::Malformed;

struct Case {
    Malformed kind;
    const char* what;
    bool plays;
    // Seconds that play; for the damaged ones, what `mpg123 --resync-limit -1` decodes.
    double seconds;
};

const Case kCases[] = {
    {Malformed::Text, "text named .mp3", false, 0},
    {Malformed::Empty, "empty", false, 0},
    {Malformed::Truncated, "truncated", true, 1.464},
    {Malformed::Garbage, "garbage", false, 0},
    {Malformed::Id3Only, "ID3 tag only", false, 0},
    {Malformed::DamagedBytes, "4 KB of noise in the middle", true, 2.744},
    {Malformed::DamagedZeros, "200 KB of zeros in the middle", true, 3.0},
    {Malformed::RateChange, "44.1 kHz then 8 kHz", true, 6.25},
    {Malformed::ZeroTail, "5 s then zeros to 2 GB", true, 5.042},
    {Malformed::Fifo, "FIFO in place of a listed track", false, 0},
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.what;
}

const std::string kOpen =
    "<FONT COLOR=#3366FF><font  face=\"Arial Narrow\"><b>\u00B7\u00B7\u203A <FONT COLOR=#222222>";
std::string playing(const std::string& name) {
    return " " + kOpen + "playing:-</b><FONT COLOR=#3366FF>" + name + "\u00A4";
}

// The whole program with the real player.
class RealProgram : public ::testing::Test {
  protected:
    RealProgram() {
        options.home = home.path();
        options.screen_name = "Tester";
        program = std::make_unique<app::Program>(loop, media, options);
        program->services.end_program = [] {};
        program->env.set_input_box(
            [](const std::string&, const std::string&, const std::string&) { return "Bob"; });
        lines_seen = program->client.on_line.subscribe(
            [this](const standin::Room&, const standin::ChatLine& l) { lines.push_back(l.html); });
        media.on_device_samples = [this](const std::int16_t*, std::size_t n) { handed += n; };
        media.EndOfStream = [this] {
            ++ends;
            program->form1.MediaPlayer1_EndOfStream();
        };
    }
    ~RealProgram() override { media.on_device_samples = nullptr; }
    void store_folder() {
        std::ofstream(home.file("mp3.oca")) << "[ravelin]\nDIRECTORY=" << music.path() << "\n";
    }

    // Plays the open track to its end by hand; returns the seconds that reached the device.
    double play_out() {
        for (int i = 0; i < 100000 && ends == 0; ++i) {
            const std::size_t before = handed;
            test::pull(*device, 4096);
            if (handed == before) std::this_thread::sleep_for(std::chrono::milliseconds(1));
            loop.pump();
        }
        return static_cast<double>(handed) / (static_cast<double>(device->rate) * device->channels);
    }

    test::TempDir home;
    test::TempDir music;
    VirtualLoop loop;
    std::shared_ptr<test::ManualDevice::State> device =
        std::make_shared<test::ManualDevice::State>();
    media::SdlPlayer media{loop, std::make_unique<test::ManualDevice>(device)};
    app::Options options;
    std::unique_ptr<app::Program> program;
    std::vector<std::string> lines;
    Subscription lines_seen;
    std::atomic<std::size_t> handed{0};
    int ends = 0;
};

class MalformedTracks : public RealProgram, public ::testing::WithParamInterface<Case> {};

TEST_P(MalformedTracks, ListPlayerAndRoom) {
    const Case& c = GetParam();
    const std::string bad = music.file("bad.mp3");
    // The list is read while every entry is a regular file; a FIFO takes a track's place later.
    ASSERT_TRUE(test::make_malformed(c.kind == Malformed::Fifo ? Malformed::Text : c.kind, bad));
    ASSERT_TRUE(tools::write_tone_mp3(music.file("good.mp3"), {}));
    store_folder();
    program->start();
    auto& f = program->form1;
    lines.clear();

    // The list shows it like any track.
    ASSERT_EQ(f.File1->list_count(), 2);
    f.File1->user_select_row(0);
    EXPECT_EQ(f.File1->file_name(), "bad.mp3");
    if (c.kind == Malformed::Fifo) {
        ASSERT_TRUE(test::make_malformed(Malformed::Fifo, bad));
    }

    // The player opens it at once, or refuses it at once.
    const auto t0 = std::chrono::steady_clock::now();
    f.lbplay->user_click();
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), 1.0);
    const media::Mp3Info info = media::probe_mp3(bad);
    EXPECT_EQ(info.ok, c.plays);
    // However large the file, the probe reads the audio and a bounded stretch past it.
    EXPECT_LT(info.bytes_read, 3u * (media::kNoFrameBytes + (1u << 20)));
    if (!c.plays) {
        // Nothing plays and nothing says it does: no line, no progress, no Pause or Stop.
        EXPECT_EQ(media.PlayState(), 0);
        EXPECT_TRUE(lines.empty());
        EXPECT_FALSE(f.Timer1->timer_enabled());
        EXPECT_FALSE(f.lbpause->enabled());
        EXPECT_FALSE(f.lbstop->enabled());
        EXPECT_EQ(media.Duration(), 0);
        EXPECT_FALSE(media.open_error().empty());
        // Next while stopped with nothing selected opens the first entry: this one.
        f.File1->set_list_index(-1);
        f.lbfoward_Click();
        EXPECT_EQ(f.File1->list_index(), 0);
        EXPECT_EQ(media.PlayState(), 0);
        EXPECT_TRUE(lines.empty());
        // The good track beside it still plays and is announced.
        f.File1->user_select_row(1);
        f.lbplay->user_click();
        EXPECT_EQ(media.PlayState(), 2);
        EXPECT_EQ(lines, std::vector<std::string>{playing("good.mp3")});
        EXPECT_TRUE(f.Timer1->timer_enabled());
        // Play while playing switches to it: the good one stops, the bad one does not start.
        lines.clear();
        f.File1->user_select_row(0);
        f.lbplay->user_click();
        EXPECT_EQ(media.PlayState(), 0);
        EXPECT_TRUE(lines.empty());
        EXPECT_FALSE(f.Timer1->timer_enabled());
        EXPECT_FALSE(f.lbpause->enabled());
        EXPECT_FALSE(f.lbstop->enabled());
        return;
    }
    // It plays what it holds, to within 0.1 s of the reference decoder, and is announced.
    EXPECT_EQ(media.PlayState(), 2);
    EXPECT_EQ(lines, std::vector<std::string>{playing("bad.mp3")});
    EXPECT_NEAR(info.duration, c.seconds, 0.1);
    // The length is known long before the track has played: the scan beside playback takes
    // milliseconds, so ten seconds leave a loaded machine room and still catch one that reads
    // the whole file.
    const auto known = [&] { return std::abs(media.Duration() - c.seconds) <= 0.1; };
    for (int i = 0; i < 2000 && !known(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        loop.pump();
    }
    EXPECT_NEAR(media.Duration(), c.seconds, 0.1);
    // And it is what the room hears of it.
    loop.wait_until(loop.now() + 0.1);
    f.txttime->user_click();
    const std::string length = "/  " + player::FormatTime(std::llround(c.seconds));
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().substr(lines.back().size() - length.size()), length) << lines.back();
    EXPECT_NEAR(play_out(), c.seconds, 0.1);
    EXPECT_EQ(ends, 1);
    EXPECT_NEAR(media.Duration(), c.seconds, 0.1);
    EXPECT_FALSE(f.Timer1->timer_enabled());
}

// A name in another encoding, or cut short, is listed, shown and announced with U+FFFD for
// each broken piece, so the room gets valid text; the file still opens by its own bytes.
TEST_F(RealProgram, ANameThatIsNotUtf8IsAnnouncedWithReplacementsAndStillPlays) {
    const std::string name = "caf\xE9 \xF0\x9F.mp3";  // Latin-1, then a sequence cut short
    const std::string shown = "caf\uFFFD \uFFFD.mp3";
    const std::string folder = "disc\xFF 1";
    ASSERT_TRUE(tools::write_tone_mp3(music.file(name), {}));
    std::filesystem::create_directory(music.file(folder));
    store_folder();
    program->start();
    auto& f = program->form1;
    lines.clear();

    EXPECT_EQ(f.File1->items(), std::vector<std::string>{shown});
    f.File1->user_select_row(0);
    EXPECT_EQ(f.Label9->caption(), shown);
    f.lbplay->user_click();
    EXPECT_EQ(lines, std::vector<std::string>{playing(shown)});
    EXPECT_EQ(media.PlayState(), 2) << media.open_error();
    EXPECT_NEAR(play_out(), 2.0, 0.01);

    lines.clear();
    f.Label1->user_click();  // Random, among one
    EXPECT_EQ(lines, std::vector<std::string>{kOpen + "Random:-</b><FONT COLOR=#3366FF>" + shown});
    EXPECT_EQ(media.PlayState(), 2) << media.open_error();
    f.lbstop->user_click();

    // The folder chooser shows a folder's name the same way, and goes into it by its bytes.
    f.Label3->user_click();  // "Load"
    auto& dirs = *program->frmDir.Dir1;
    dirs.set_path(music.path());
    const auto& entries = dirs.items();
    const auto it = std::find(entries.begin(), entries.end(), "disc\uFFFD 1");
    ASSERT_NE(it, entries.end());
    dirs.set_list_index(static_cast<int>(it - entries.begin()));
    dirs.user_dbl_click();
    EXPECT_EQ(dirs.path(), music.file(folder));
}

INSTANTIATE_TEST_SUITE_P(Each, MalformedTracks, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& param) {
                             std::string name;
                             for (const char* p = param.param.what; *p; ++p)
                                 if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
                             return name;
                         });

}  // namespace
}  // namespace rv
