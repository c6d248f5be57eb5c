// The sound-server output against a real server the test starts: a private PulseAudio with a
// null sink (which plays in real time into nothing), on a socket in a temporary directory.
// Skipped where no server can be started.
#include "platform/media/pulse_device.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "helpers.h"
#include "platform/loop/virtual_loop.h"
#include "platform/media/output_device.h"
#include "platform/media/sdl_device.h"
#include "platform/media/sdl_player.h"
#include "tools/tone_mp3.h"

namespace rv {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// A PulseAudio of the test's own, with a null sink, on a socket in `dir`; stopped when let go.
// A busy machine (the other tests run beside these) may keep the server's or the decoder's
// thread from running for a moment once or twice; a stream fed too little runs dry at every
// piece, dozens of times in these tests.
constexpr std::uint64_t kBusyMachineRunsDry = 2;

class PrivateServer {
  public:
    explicit PrivateServer(const test::TempDir& dir) : m_socket(dir.file("native")) {
        const std::string home = dir.file("home"), run = dir.file("run");
        std::filesystem::create_directories(home);
        std::filesystem::create_directories(run);
        std::filesystem::permissions(run, std::filesystem::perms::owner_all);
        const std::string log = dir.file("server.log");
        m_pid = ::fork();
        if (m_pid < 0) return;
        if (m_pid == 0) {
            ::setenv("HOME", home.c_str(), 1);
            ::setenv("XDG_RUNTIME_DIR", run.c_str(), 1);
            std::freopen(log.c_str(), "w", stderr);
            const std::string native =
                "--load=module-native-protocol-unix auth-anonymous=1 socket=" + m_socket;
            ::execlp("pulseaudio", "pulseaudio", "--daemonize=no", "--exit-idle-time=-1", "-n",
                     "--system=no", "--load=module-null-sink", native.c_str(),
                     static_cast<char*>(nullptr));
            ::_exit(127);
        }
    }
    ~PrivateServer() { stop(SIGTERM); }
    PrivateServer(const PrivateServer&) = delete;
    PrivateServer& operator=(const PrivateServer&) = delete;

    std::string address() const { return "unix:" + m_socket; }
    // A device on it, once it listens (it takes a moment); null when it did not start.
    std::unique_ptr<media::PulseDevice> connect() {
        for (int i = 0; i < 100 && m_pid > 0; ++i) {
            if (::waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
                m_pid = -1;
                break;
            }
            if (std::filesystem::exists(m_socket))
                if (auto d = media::PulseDevice::connect(address())) return d;
            std::this_thread::sleep_for(50ms);
        }
        return nullptr;
    }
    void stop(int signal) {
        if (m_pid <= 0) return;
        ::kill(m_pid, signal);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

  private:
    std::string m_socket;
    pid_t m_pid = -1;
};

// The player on a device, counting its ends, with virtual time that follows the wall clock so
// its timers run as they would.
struct PlayerOnClock {
    explicit PlayerOnClock(std::unique_ptr<media::AudioDevice> device)
        : player{loop, std::move(device)} {
        player.EndOfStream = [this] { ++ends; };
    }
    // Runs the loop for `seconds` of wall time, or until the track ends.
    void run_for(double seconds) {
        const auto end = Clock::now() + std::chrono::duration<double>(seconds);
        while (Clock::now() < end && ends == 0) {
            std::this_thread::sleep_for(5ms);
            loop.wait_until(loop.now() + 0.005);
        }
    }
    VirtualLoop loop;
    media::SdlPlayer player;
    int ends = 0;
};

class SoundServer : public ::testing::Test {
  protected:
    // One server for the suite, and one more stream on it all along: an idle null sink runs
    // ahead in 2 s blocks, and a stream that asks for a shorter latency (even a paused one)
    // keeps it at that.
    static void SetUpTestSuite() {
#if defined(__SANITIZE_THREAD__)
        return;
#endif
        s_dir = new test::TempDir;
        s_server = new PrivateServer(*s_dir);
        const char* saved = std::getenv("PULSE_SERVER");
        s_saved_server = saved ? saved : "";
        ::setenv("PULSE_SERVER", s_server->address().c_str(), 1);
        s_keeper = s_server->connect();
        if (!s_keeper) return;
        auto silence = [](std::int16_t* out, std::size_t n) {
            std::fill(out, out + n, 0);
            return n;
        };
        s_keeper->open(44100, 2, silence);
        s_keeper->set_paused(false);
        std::this_thread::sleep_for(2500ms);
        s_keeper->set_paused(true);
    }
    static void TearDownTestSuite() {
        s_keeper.reset();
        if (s_saved_server.empty())
            ::unsetenv("PULSE_SERVER");
        else
            ::setenv("PULSE_SERVER", s_saved_server.c_str(), 1);
        delete s_server;
        delete s_dir;
    }
    void SetUp() override {
#if defined(__SANITIZE_THREAD__)
        // The client library is not built for the sanitizer: the shared-memory channel of its
        // connections syncs with atomics it cannot see, and shows as races inside libpulse.
        GTEST_SKIP() << "libpulse is not instrumented for ThreadSanitizer";
#endif
        if (s_keeper) device = media::PulseDevice::connect();
        if (!device) GTEST_SKIP() << "no PulseAudio server could be started here";
    }

    static bool write_tone(const std::string& path, double seconds) {
        tools::ToneSpec spec;
        spec.seconds = seconds;
        return tools::write_tone_mp3(path, spec);
    }
    // Plays a counting sequence, as much as the device asks for.
    media::AudioDevice::Pull counting() {
        return [this](std::int16_t* out, std::size_t n) {
            for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::int16_t>(handed + i);
            handed += n;
            return n;
        };
    }
    // Seconds of stereo 44.1 kHz audio handed and not yet heard, and heard (of this test's).
    double queued() const {
        return static_cast<double>(device->unplayed(0)) / 88200.0;
    }
    double position() const {
        return static_cast<double>(handed) / 88200.0 - queued();
    }

    static inline test::TempDir* s_dir = nullptr;
    static inline PrivateServer* s_server = nullptr;
    static inline std::string s_saved_server;
    static inline std::unique_ptr<media::PulseDevice> s_keeper;
    test::TempDir dir;
    std::unique_ptr<media::PulseDevice> device;
    std::atomic<std::uint64_t> handed{0};
};

TEST_F(SoundServer, KeepsALongQueueFilledInLargePiecesWithoutRunningDry) {
    ASSERT_TRUE(device->open(44100, 2, counting()));
    EXPECT_EQ(device->driver(), "pulse");
    EXPECT_TRUE(device->stats().corked) << "opens paused";
    const auto start = device->stats();
    device->set_paused(false);
    std::this_thread::sleep_for(2500ms);
    const auto s = device->stats();
    EXPECT_GE(s.queued_ms, 250);
    EXPECT_LE(s.queued_ms, 500);
    EXPECT_GE(s.request_ms, 100);
    EXPECT_LE(s.underruns, kBusyMachineRunsDry);
    EXPECT_NEAR(s.heard_seconds - start.heard_seconds, 2.5, 0.1);
    // Some 150 ms a request: a few a second, not dozens.
    const double wakeups = static_cast<double>(s.wakeups - start.wakeups) / 2.5;
    EXPECT_LE(wakeups, 10.0);
    RecordProperty("wakeups_per_second", std::to_string(wakeups));
    RecordProperty("queued_ms", std::to_string(queued() * 1000));
    EXPECT_GE(queued(), 0.2) << "the server holds a long queue";
    EXPECT_NEAR(position(), 2.5, 0.1);
}

TEST_F(SoundServer, APauseIsHeardAtOnceAndPlayingGoesOnFromTheFirstUnheardSample) {
    ASSERT_TRUE(device->open(44100, 2, counting()));
    device->set_paused(false);
    std::this_thread::sleep_for(1000ms);
    device->set_paused(true);
    std::this_thread::sleep_for(50ms);
    const auto paused = device->stats();
    const double held = position();
    EXPECT_TRUE(paused.corked);
    EXPECT_GE(queued(), 0.2) << "the unheard samples are kept for the resume";
    std::this_thread::sleep_for(300ms);
    // Silent within 50 ms: nothing more is played.
    EXPECT_NEAR(device->stats().heard_seconds, paused.heard_seconds, 0.002);
    EXPECT_NEAR(position(), held, 0.002);
    device->set_paused(false);
    std::this_thread::sleep_for(500ms);
    const auto resumed = device->stats();
    EXPECT_FALSE(resumed.corked);
    // Half a second more was heard, and nothing skipped: a queue thrown away would show as a
    // jump of its length.
    EXPECT_NEAR(resumed.heard_seconds - paused.heard_seconds, 0.5, 0.08);
    EXPECT_NEAR(position() - held, 0.5, 0.08);
    EXPECT_LE(resumed.underruns, kBusyMachineRunsDry);
    // Opening again discards what is queued.
    ASSERT_TRUE(device->open(44100, 2, counting()));
    EXPECT_EQ(device->unplayed(0), 0u);
}

// The player on the sound server: it plays, pauses and ends by what was heard, and the ring
// never ran short.
TEST_F(SoundServer, ThePlayerPausesAtOnceAndEndsWhenTheLastSampleIsHeard) {
    const std::string path = dir.file("tone.mp3");
    ASSERT_TRUE(write_tone(path, 2.0));
    media::PulseDevice* pulse = device.get();
    PlayerOnClock p{std::move(device)};
    ASSERT_TRUE(p.player.Open(path));
    p.run_for(0.8);
    p.player.Pause();
    const double held = p.player.CurrentPosition();
    EXPECT_NEAR(held, 0.8, 0.15);
    EXPECT_TRUE(pulse->stats().corked);
    const double heard = pulse->stats().heard_seconds;
    p.run_for(0.3);
    EXPECT_NEAR(pulse->stats().heard_seconds, heard, 0.002);
    EXPECT_EQ(p.player.CurrentPosition(), held);
    // A long pause keeps the stream, and what it had not played yet.
    p.loop.wait_until(p.loop.now() + 10.0);
    EXPECT_TRUE(pulse->stats().corked);
    p.player.Play();
    p.run_for(0.3);
    EXPECT_NEAR(p.player.CurrentPosition(), held + 0.3, 0.1);
    const auto before_end = Clock::now();
    p.run_for(3.0);
    EXPECT_EQ(p.ends, 1);
    // The end comes when the rest (some 0.9 s) has been heard, not when it was handed over.
    EXPECT_GT(std::chrono::duration<double>(Clock::now() - before_end).count(), 0.7);
    EXPECT_LE(p.player.underruns(), kBusyMachineRunsDry);
    EXPECT_LE(pulse->stats().underruns, kBusyMachineRunsDry);
}

// A seek drops what the server had queued: the heard position is the new one at once, and
// the track ends when its rest from there has been heard.
TEST_F(SoundServer, ASeekIsHeardAtOnce) {
    const std::string path = dir.file("tone.mp3");
    ASSERT_TRUE(write_tone(path, 3.0));
    media::PulseDevice* pulse = device.get();
    PlayerOnClock p{std::move(device)};
    ASSERT_TRUE(p.player.Open(path));
    p.run_for(0.5);
    ASSERT_TRUE(p.player.Seek(2.0));
    EXPECT_NEAR(p.player.CurrentPosition(), 2.0, 0.01);
    // A stream of its own from there: nothing of the 0.4 s queued before is heard.
    EXPECT_LT(pulse->stats().heard_seconds, 0.05);
    p.run_for(0.4);
    EXPECT_NEAR(p.player.CurrentPosition(), 2.4, 0.12);
    const auto before_end = Clock::now();
    p.run_for(3.0);
    EXPECT_EQ(p.ends, 1);
    // About 0.6 s was left to hear, not the 2.5 s left before the seek.
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - before_end).count(), 1.5);
    EXPECT_LE(pulse->stats().underruns, kBusyMachineRunsDry);
}

// The sound server quits while a track plays: the rest of the track plays through SDL (here
// its silent, clock-driven driver), the position goes on, and the end still comes.
TEST_F(SoundServer, WhenTheServerQuitsPlayingGoesOnThroughSdlAndTheTrackStillEnds) {
    // SDL's driver for this test only: the tests after it may find a real one.
    const bool had = std::getenv("SDL_AUDIODRIVER") != nullptr;
    if (!had) ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    struct Restore {
        bool set;
        ~Restore() {
            if (set) ::unsetenv("SDL_AUDIODRIVER");
        }
    } restore{!had};
    test::TempDir own;
    PrivateServer server(own);
    ASSERT_TRUE(server.connect()) << "a second server did not start";
    const std::string path = dir.file("tone.mp3");
    ASSERT_TRUE(write_tone(path, 3.0));
    const std::string address = server.address();
    PlayerOnClock p{
        media::make_output_device([address] { return media::PulseDevice::connect(address); },
                                  [] { return std::make_unique<media::SdlDevice>(); })};
    ASSERT_TRUE(p.player.Open(path));
    p.run_for(1.0);
    EXPECT_EQ(p.player.driver(), "pulse");
    // A fresh server takes a moment to bring its sink's latency down for the stream.
    const double before = p.player.CurrentPosition();
    EXPECT_GT(before, 0.1);

    const auto killed = Clock::now();
    server.stop(SIGKILL);
    p.run_for(0.5);
    EXPECT_EQ(p.player.driver(), "dummy");
    EXPECT_EQ(p.player.PlayState(), media::kPlaying);
    // On from where it was, and ahead by no more than what the server held unheard.
    EXPECT_GT(p.player.CurrentPosition(), before + 0.3);
    EXPECT_LT(p.player.CurrentPosition(), before + 0.5 + 0.7);
    p.run_for(4.0);
    EXPECT_EQ(p.ends, 1);
    const double took = std::chrono::duration<double>(Clock::now() - killed).count();
    // What was left, less what the server held unheard when it quit (its queue and sink).
    EXPECT_GT(took, 3.0 - before - 0.7);
    EXPECT_LT(took, 3.0 - before + 0.4);
    EXPECT_EQ(p.player.PlayState(), media::kStopped);
}

}  // namespace
}  // namespace rv
