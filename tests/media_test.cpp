// The real player on SDL's dummy driver, with MP3s the test makes itself. The device plays
// in real time, so these tests wait for it; they assert outcomes, not timings.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <random>
#include <thread>

#include "helpers.h"
#include "platform/media/mp3_probe.h"
#include "platform/media/sdl_player.h"
#include "tools/tone_mp3.h"

namespace rv {
namespace {

using Clock = std::chrono::steady_clock;

class RealPlayer : public ::testing::Test {
  protected:
    void SetUp() override { ::setenv("SDL_AUDIODRIVER", "dummy", 1); }
    std::string tone(const std::string& name, tools::ToneSpec spec = {}) {
        std::string path = dir.file(name);
        EXPECT_TRUE(tools::write_tone_mp3(path, spec));
        return path;
    }
    // Pumps the loop until `done` or `seconds` of wall time have passed.
    template <class Pred>
    bool pump_until(Pred done, double seconds) {
        auto end = Clock::now() + std::chrono::duration<double>(seconds);
        while (Clock::now() < end) {
            loop.pump();
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        loop.pump();
        return done();
    }
    void pump_for(double seconds) {
        pump_until([] { return false; }, seconds);
    }

    test::TempDir dir;
    VirtualLoop loop;  // only its posted tasks matter here
    media::SdlPlayer player{loop};
    int ends = 0;
};

TEST_F(RealPlayer, ATwoSecondFilePlaysOutAndEndsExactlyOnce) {
    player.EndOfStream = [this] { ++ends; };
    player.Open(tone("two.mp3"));
    EXPECT_EQ(player.PlayState(), 2);
    EXPECT_EQ(player.driver(), "dummy");
    // The position grows steadily with the device.
    std::vector<double> seen;
    const auto start = Clock::now();
    for (int i = 0; i < 5; ++i) {
        pump_for(0.2);
        seen.push_back(player.CurrentPosition());
    }
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    for (std::size_t i = 1; i < seen.size(); ++i) EXPECT_GT(seen[i], seen[i - 1]);
    EXPECT_NEAR(seen.back(), wall, 0.35);
    EXPECT_NEAR(player.Duration(), 2.0, 0.01);
    ASSERT_TRUE(pump_until([this] { return ends > 0; }, 4.0));
    pump_for(0.3);
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(player.PlayState(), 0);
    EXPECT_EQ(player.CurrentPosition(), 0);
    EXPECT_NEAR(player.Duration(), 2.0, 0.01);  // still the open file's exact length
}

TEST_F(RealPlayer, PauseHoldsThePositionAndStopRaisesNoEnd) {
    player.EndOfStream = [this] { ++ends; };
    player.Open(tone("two.mp3"));
    pump_for(0.4);
    player.Pause();
    EXPECT_EQ(player.PlayState(), 1);
    const double held = player.CurrentPosition();
    EXPECT_GT(held, 0.1);
    pump_for(0.4);
    EXPECT_EQ(player.CurrentPosition(), held);
    player.Play();
    pump_for(0.3);
    EXPECT_GT(player.CurrentPosition(), held);
    player.Stop();
    EXPECT_EQ(player.PlayState(), 0);
    pump_for(2.2);
    EXPECT_EQ(ends, 0);
}

TEST_F(RealPlayer, VolumeScalesTheSamplesAtOnce) {
    tools::ToneSpec spec;
    spec.seconds = 1.0;
    const std::string path = tone("steady.mp3", spec);
    auto capture = [&](long volume) {
        std::vector<std::int16_t> got;
        std::mutex m;
        player.set_Volume(volume);
        player.on_device_samples = [&](const std::int16_t* s, std::size_t n) {
            std::lock_guard<std::mutex> lock(m);
            got.insert(got.end(), s, s + n);
        };
        player.Open(path);
        pump_until(
            [&] {
                std::lock_guard<std::mutex> lock(m);
                return got.size() >= 44100;
            },
            3.0);
        player.Stop();
        player.on_device_samples = nullptr;
        std::lock_guard<std::mutex> lock(m);
        double sum = 0;
        for (std::size_t i = 4410; i < std::min<std::size_t>(got.size(), 44100); ++i)
            sum += double(got[i]) * got[i];
        return std::sqrt(sum);
    };
    const double loud = capture(0);
    const double quiet = capture(-600);
    ASSERT_GT(loud, 0);
    EXPECT_NEAR(quiet / loud, std::pow(10.0, -6.0 / 20.0), 0.01 * std::pow(10.0, -6.0 / 20.0));
    player.set_Volume(500);  // above the loudest: clamped
    EXPECT_EQ(player.Volume(), 0);
    player.set_Volume(-20000);
    EXPECT_EQ(player.Volume(), -10000);
}

TEST_F(RealPlayer, BadFilesLeaveItStoppedAndTrueLengthsAreScanned) {
    dir.touch("empty.mp3");
    dir.touch("text.mp3", "This is a text file with an .mp3 name.\n");
    {
        std::mt19937 gen(7);
        std::string noise(256 * 1024, '\0');
        for (char& c : noise) c = static_cast<char>(gen());
        dir.touch("noise.mp3", noise);
    }
    for (const char* name : {"empty.mp3", "text.mp3", "noise.mp3", "missing.mp3", ""}) {
        const auto t0 = Clock::now();
        player.Open(dir.file(name));
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        EXPECT_EQ(player.PlayState(), 0) << name;
        EXPECT_EQ(player.Duration(), 0) << name;
        EXPECT_LT(ms, 250) << name;  // the UI thread is not held up
        player.Play();               // nothing to play: no harm
        EXPECT_EQ(player.PlayState(), 0) << name;
    }

    tools::ToneSpec id3;
    id3.id3_padding = 2 * 1024 * 1024;
    tools::ToneSpec vbr;
    vbr.vbr = true;
    vbr.info_header = false;
    vbr.seconds = 6.0;
    vbr.silence_seconds = 3.0;  // quiet start: the first frames' bit rate says little
    vbr.notes = {220, 330, 440, 550, 660, 770};
    vbr.note_seconds = 0.1;
    tools::ToneSpec cut;
    cut.seconds = 3.0;
    const std::string cut_path = tone("cut.mp3", cut);
    std::filesystem::resize_file(cut_path, std::filesystem::file_size(cut_path) / 2);
    struct Good {
        std::string path;
        double seconds, tolerance;
    };
    const Good good[] = {
        {tone("id3.mp3", id3), 2.0, 0.06}, {tone("vbr.mp3", vbr), 6.0, 0.08}, {cut_path, 1.5, 0.1}};
    for (const auto& g : good) {
        player.EndOfStream = [this] { ++ends; };
        ends = 0;
        const auto t0 = Clock::now();
        player.Open(g.path);
        const double open_ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        EXPECT_LT(open_ms, 250);
        EXPECT_EQ(player.PlayState(), 2) << g.path;
        pump_until([&] { return std::fabs(player.Duration() - g.seconds) < g.tolerance; }, 2.0);
        EXPECT_NEAR(player.Duration(), g.seconds, g.tolerance) << g.path;
        EXPECT_NEAR(media::probe_mp3(g.path).duration, g.seconds, g.tolerance) << g.path;
        player.Stop();
    }
    // A damaged file plays what it holds and ends normally.
    player.Open(cut_path);
    EXPECT_TRUE(pump_until([this] { return ends == 1; }, 4.0));
}

}  // namespace
}  // namespace rv
