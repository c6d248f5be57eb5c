// The real player on SDL's dummy driver, with MP3s the test makes itself. The device plays
// in real time, so these tests wait for it; they assert outcomes, not timings.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <fstream>
#include <random>
#include <thread>
#include <tuple>

#include "helpers.h"
#include "malformed_mp3.h"
#include "manual_device.h"
#include "platform/media/mp3_file.h"
#include "platform/media/mp3_probe.h"
#include "platform/media/sdl_device.h"
#include "platform/media/sdl_player.h"
#include "platform/media/virtual_player.h"
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
    // Never ahead of the clock; a loaded machine may only hold it back.
    EXPECT_LE(seen.back(), wall + 0.05);
    EXPECT_GT(seen.back(), 0.2);
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
        EXPECT_FALSE(player.Open(dir.file(name))) << name;
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        EXPECT_FALSE(player.open_error().empty()) << name;
        EXPECT_EQ(player.PlayState(), 0) << name;
        EXPECT_EQ(player.Duration(), 0) << name;
        EXPECT_LT(ms, 1000) << name;  // the UI thread is not held up
        player.Play();                // nothing to play: no harm
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
        EXPECT_TRUE(player.Open(g.path));
        const double open_ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        EXPECT_LT(open_ms, 1000);
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

// The player on a device the test plays by hand: no real time passes.
class HandPlayed : public ::testing::Test {
  protected:
    void SetUp() override {
        player.EndOfStream = [this] { ++ends; };
        player.on_device_samples = [this](const std::int16_t* s, std::size_t n) {
            std::lock_guard<std::mutex> lock(heard_mutex);
            heard.insert(heard.end(), s, s + n);
        };
    }
    // One request of the device; returns how many samples of the file it got.
    std::size_t ask(std::size_t count) {
        const std::size_t before = handed();
        test::pull(*device, count);
        return handed() - before;
    }
    std::size_t handed() {
        std::lock_guard<std::mutex> lock(heard_mutex);
        return heard.size();
    }
    // Asks until the file's samples come (the decoder runs on its own thread).
    std::size_t ask_until_some(std::size_t count) {
        for (int i = 0; i < 2000; ++i) {
            if (std::size_t got = ask(count)) return got;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return 0;
    }

    test::TempDir dir;
    VirtualLoop loop;
    std::shared_ptr<test::ManualDevice::State> device =
        std::make_shared<test::ManualDevice::State>();
    media::SdlPlayer player{loop, std::make_unique<test::ManualDevice>(device)};
    int ends = 0;
    std::mutex heard_mutex;
    std::vector<std::int16_t> heard;
};

TEST_F(HandPlayed, TheEndComesOnlyAfterTheDeviceHasPlayedTheLastSample) {
    const std::string path = dir.file("two.mp3");
    ASSERT_TRUE(tools::write_tone_mp3(path, {}));
    ASSERT_TRUE(player.Open(path));
    const std::size_t total = 2 * 88200;  // 2 s of stereo at 44.1 kHz
    // The device asks in steps that do not divide the file, so the last step is partial.
    bool all_handed = false;
    int asks_after_last = 0;
    for (int i = 0; i < 20000 && ends == 0; ++i) {
        // Nothing came: the decoder is behind, or (once all is handed) telling of the end.
        if (ask(1000) == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        loop.pump();
        if (all_handed) {
            ++asks_after_last;
        } else if (handed() == total) {
            all_handed = true;
            EXPECT_EQ(ends, 0) << "ended while the last samples were still in the device";
        }
    }
    ASSERT_TRUE(all_handed);
    EXPECT_EQ(ends, 1);
    EXPECT_GE(asks_after_last, 1);
    EXPECT_EQ(player.PlayState(), 0);
    // The last 100 ms are the tone itself, not silence.
    double tail = 0;
    for (std::size_t i = total - 8820; i < total; ++i) tail += std::abs(heard[i]);
    EXPECT_GT(tail / 8820, 1000);
}

TEST_F(HandPlayed, ThePositionIsWhatHasBeenHeard) {
    const std::string path = dir.file("two.mp3");
    ASSERT_TRUE(tools::write_tone_mp3(path, {}));
    ASSERT_TRUE(player.Open(path));
    EXPECT_EQ(player.CurrentPosition(), 0);
    const std::size_t first = ask_until_some(8820);
    ASSERT_GT(first, 0u);
    // All of it still waits in the device.
    EXPECT_EQ(player.CurrentPosition(), 0);
    const std::size_t second = ask_until_some(8820);
    // Asking again means the first lot played; the second still waits.
    EXPECT_NEAR(player.CurrentPosition(), handed() / 88200.0 - second / 88200.0, 1e-9);
    device->unplayed = second / 2;  // half of it heard
    EXPECT_NEAR(player.CurrentPosition(), (handed() - second / 2) / 88200.0, 1e-9);
    player.Pause();
    const double held = player.CurrentPosition();
    device->unplayed = 0;
    EXPECT_EQ(player.CurrentPosition(), held);
    player.Play();
    EXPECT_NEAR(player.CurrentPosition(), handed() / 88200.0, 1e-9);
    player.Stop();
    EXPECT_EQ(player.CurrentPosition(), 0);
}

// A paused device still wakes to play silence: one left unused for a few seconds is let go,
// and opened again to play on from where it was.
TEST_F(HandPlayed, AnUnusedDeviceIsLetGoAndOpenedAgainToPlay) {
    const std::string path = dir.file("two.mp3");
    ASSERT_TRUE(tools::write_tone_mp3(path, {}));
    ASSERT_TRUE(player.Open(path));
    ASSERT_GT(ask_until_some(4410), 0u);
    auto state = [&] {
        std::lock_guard<std::mutex> lock(device->mutex);
        return std::tuple(device->opens, device->closes, device->paused);
    };
    // A short pause keeps it.
    player.Pause();
    loop.wait_until(loop.now() + 1.0);
    player.Play();
    EXPECT_EQ(state(), std::tuple(1, 0, false));
    loop.wait_until(loop.now() + 10.0);
    EXPECT_EQ(state(), std::tuple(1, 0, false)) << "let go while playing";
    // A long one lets it go; playing opens it again and goes on.
    player.Pause();
    loop.wait_until(loop.now() + 3.5);
    EXPECT_EQ(state(), std::tuple(1, 1, true));
    const std::size_t before = handed();
    player.Play();
    EXPECT_EQ(state(), std::tuple(2, 1, false));
    EXPECT_EQ(player.PlayState(), 2);
    EXPECT_GT(ask_until_some(4410), 0u);
    EXPECT_GT(handed(), before);
    // So does a stop; a new start opens it.
    player.Stop();
    loop.wait_until(loop.now() + 3.5);
    EXPECT_EQ(state(), std::tuple(2, 2, true));
    ASSERT_TRUE(player.Open(path));
    EXPECT_EQ(state(), std::tuple(3, 2, false));
    player.Stop();
}

TEST_F(HandPlayed, AFileThatChangesRateLastsItsFramesAtTheirOwnRates) {
    const std::string path = dir.file("rates.mp3");
    ASSERT_TRUE(test::make_malformed(test::Malformed::RateChange, path));
    const media::Mp3Info info = media::probe_mp3(path);
    ASSERT_TRUE(info.ok);
    ASSERT_TRUE(player.Open(path));
    for (int i = 0; i < 50000 && ends == 0; ++i) {
        if (ask(4096) == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        loop.pump();
    }
    ASSERT_EQ(ends, 1);
    const double played = static_cast<double>(handed()) / (44100.0 * 2);
    // 3 s at each rate, with the encoder's padding of two files without info headers.
    EXPECT_GT(played, 6.0);
    EXPECT_NEAR(info.duration, played, 0.05);
    EXPECT_NEAR(player.Duration(), played, 0.05);
}

// The file is made of one short encoding repeated: a 60-minute track without the encoding time.
std::string sixty_minutes(const test::TempDir& dir) {
    const std::string path = dir.file("long.mp3");
    const std::string part = test::tone_bytes(dir.file("part.mp3"), 2.0, 44100, false);
    std::ofstream out(path, std::ios::binary);
    for (int i = 0; i < 1800; ++i) out << part;
    return path;
}

TEST_F(RealPlayer, SoundStartsAtOnceWhileTheLengthIsScanned) {
    const std::string path = sixty_minutes(dir);
    std::atomic<std::int64_t> first_ns{0};
    player.on_device_samples = [&](const std::int16_t*, std::size_t) {
        std::int64_t none = 0;
        first_ns.compare_exchange_strong(none, std::chrono::duration_cast<std::chrono::nanoseconds>(
                                                   Clock::now().time_since_epoch())
                                                   .count());
    };
    // The best of three starts, so that one unlucky moment on a busy machine does not count.
    double best_ms = 1e9;
    for (int attempt = 0; attempt < 3; ++attempt) {
        first_ns = 0;
        const auto t0 = Clock::now();
        ASSERT_TRUE(player.Open(path));
        pump_until([&] { return first_ns != 0; }, 2.0);
        ASSERT_NE(first_ns.load(), 0);
        const double ms = (static_cast<double>(first_ns.load()) -
                           static_cast<double>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                                   t0.time_since_epoch())
                                                   .count())) /
                          1e6;
        best_ms = std::min(best_ms, ms);
        if (attempt < 2) player.Stop();  // cancels the scan under way
    }
    EXPECT_LT(best_ms, 50);
    // Every part carries the encoder's padding: the length is 1800 of them.
    const double expected = 1800 * media::probe_mp3(dir.file("part.mp3")).duration;
    EXPECT_GT(expected, 3600);
    EXPECT_TRUE(pump_until([&] { return std::fabs(player.Duration() - expected) < 0.5; }, 10.0))
        << player.Duration() << " against " << expected;
    player.Stop();
    player.on_device_samples = nullptr;
}

std::size_t thread_count() {
    std::error_code ec;
    std::size_t n = 0;
    for (std::filesystem::directory_iterator it("/proc/self/task", ec), end; !ec && it != end;
         it.increment(ec))
        ++n;
    return n;
}

// Every start of a track runs a decoder and a length scan. Neither may outlive its track: a
// restart or a stop ends both, wherever they are in the file.
TEST_F(HandPlayed, RestartsAndStopsLeaveNoWorkerBehind) {
    const std::string tail = dir.file("tail.mp3");
    ASSERT_TRUE(test::make_malformed(test::Malformed::ZeroTail, tail));
    const std::string hour = sixty_minutes(dir);
    // The first thread a process starts may bring threads of the runtime's own with it (a
    // sanitizer's background thread): one started and joined first makes the count a baseline.
    std::thread([] {}).join();
    const std::size_t before = thread_count();
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(player.Open(tail));
        ASSERT_TRUE(player.Open(hour));  // replaced while its length is being scanned
    }
    player.Stop();
    const auto limit = Clock::now() + std::chrono::seconds(10);
    while (thread_count() > before && Clock::now() < limit)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(thread_count(), before);

    // A scan that is cancelled reads nothing more.
    std::string error;
    const media::FileHandle file = media::open_regular_file(hour, error);
    ASSERT_TRUE(file) << error;
    const std::atomic<bool> cancel{true};
    std::uint64_t bytes = 0;
    double seconds = 0;
    EXPECT_FALSE(media::scan_seconds(file.get(), {&cancel, &bytes}, seconds));
    EXPECT_EQ(bytes, 0u);
}

// A track still being written (a download) plays on past the length it had when it started,
// and its length follows.
TEST_F(HandPlayed, AFileThatGrowsWhilePlayingPlaysOnAndLengthens) {
    const std::string path = dir.file("growing.mp3");
    const std::string first = test::tone_bytes(dir.file("first.mp3"), 1.0, 44100, false);
    const std::string more = test::tone_bytes(dir.file("more.mp3"), 2.0, 44100, false);
    const double expected = media::probe_mp3(dir.file("first.mp3")).duration +
                            media::probe_mp3(dir.file("more.mp3")).duration;
    test::write_all(path, first);
    ASSERT_TRUE(player.Open(path));
    // The decoder waits for room in its buffer well before the first second's end.
    ASSERT_GT(ask_until_some(4410), 0u);
    std::ofstream(path, std::ios::binary | std::ios::app) << more;
    bool checked = false;
    for (int i = 0; i < 50000 && ends == 0; ++i) {
        if (ask(4096) == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        loop.pump();
        if (!checked && player.CurrentPosition() > 2.0) {
            checked = true;
            // Past the length it had: the length grows with what is played.
            const auto limit = Clock::now() + std::chrono::seconds(10);
            while (player.Duration() < player.CurrentPosition() && Clock::now() < limit)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            EXPECT_GE(player.Duration(), player.CurrentPosition());
        }
    }
    ASSERT_EQ(ends, 1);
    EXPECT_TRUE(checked);
    const double played = static_cast<double>(handed()) / 88200.0;
    EXPECT_NEAR(played, expected, 0.05);
    EXPECT_NEAR(player.Duration(), played, 0.01);
}

// The headless player measures a file as it opens it: the zeros of a partial download cost it
// no time, and the track lasts what it holds.
TEST(SilentPlayer, APartialDownloadLastsWhatItHolds) {
    test::TempDir dir;
    const std::string path = dir.file("tail.mp3");
    ASSERT_TRUE(test::make_malformed(test::Malformed::ZeroTail, path));
    VirtualLoop loop;
    media::VirtualPlayer player(loop);
    int ends = 0;
    player.EndOfStream = [&] { ++ends; };
    const auto t0 = Clock::now();
    ASSERT_TRUE(player.Open(path));
    // A fraction of a second; reading the whole file took hours.
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - t0).count(), 10.0);
    EXPECT_NEAR(player.Duration(), 5.042, 0.05);
    loop.wait_until(loop.now() + 5.0);
    EXPECT_EQ(ends, 0);
    loop.wait_until(loop.now() + 0.1);
    EXPECT_EQ(ends, 1);
}

// In a child process, with SDL left to find a device by itself and stderr kept in a file:
// without a sound device the audio library's own noise stays out and one line says so; with
// one, nothing is said. Either way the process signals stay the program's.
TEST(SoundDevice, SaysOnceInOneLineThatThereIsNone) {
    test::TempDir dir;
    const std::string err = dir.file("stderr");
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        std::FILE* f = std::freopen(err.c_str(), "w", stderr);
        ::unsetenv("SDL_AUDIODRIVER");
        int code = 1;
        {
            media::SdlDevice device;
            auto silence = [](std::int16_t* out, std::size_t n) {
                std::fill(out, out + n, 0);
                return n;
            };
            const bool first = device.open(44100, 2, silence);
            const bool second = device.open(22050, 1, silence);  // reopened: not said again
            struct sigaction sa {};
            ::sigaction(SIGINT, nullptr, &sa);
            const bool signals_untouched = sa.sa_handler == SIG_DFL;
            if (first && second && signals_untouched) code = device.driver() == "dummy" ? 10 : 11;
        }
        if (f) std::fflush(f);
        ::_exit(code);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    const int code = WEXITSTATUS(status);
    ASSERT_TRUE(code == 10 || code == 11) << code;
    std::ifstream in(err);
    const std::string said((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(said, code == 10 ? "ravelin: no sound device found; playback is silent\n" : "");
}

}  // namespace
}  // namespace rv
