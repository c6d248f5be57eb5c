// How soon a click on pause is heard: records what a sound server's sink plays (its monitor
// source), clicks the pause button with the X server's test input, as a person's click
// would come, and takes the time from the button's release to the last sound the sink played.
// Then clicks again to resume, and takes the time to the first sound. Prints every round and
// the medians.
//   pause_bench SOURCE X Y [ROUNDS]
// SOURCE is the sink's monitor ("null.monitor"); X Y the button's place on the screen. The
// program must be playing already; xdotool does the clicking. The server is the one libpulse
// finds (PULSE_SERVER).
#include <pulse/error.h>
#include <pulse/rtclock.h>
#include <pulse/simple.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr int kRate = 44100;
constexpr int kChannels = 2;
constexpr int kChunkFrames = kRate / 200;  // 5 ms a read
// The sink plays exact zeros when nothing plays; the music never stays this quiet for a chunk.
constexpr int kSilent = 8;

// Runs xdotool with these arguments; waits for it when `wait`.
bool xdotool(std::vector<std::string> args, bool wait, pid_t* pid_out = nullptr) {
    args.insert(args.begin(), "xdotool");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, "xdotool", nullptr, nullptr, argv.data(), environ) != 0) return false;
    if (pid_out) *pid_out = pid;
    if (!wait) return true;
    int status = 0;
    return ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

class Monitor {
  public:
    explicit Monitor(const char* source) {
        pa_sample_spec spec{PA_SAMPLE_S16LE, kRate, kChannels};
        pa_buffer_attr attr{};
        attr.maxlength = static_cast<std::uint32_t>(-1);
        attr.fragsize = kChunkFrames * kChannels * 2;
        int error = 0;
        m_pa = pa_simple_new(nullptr, "pause_bench", PA_STREAM_RECORD, source, "monitor", &spec,
                             nullptr, &attr, &error);
        if (!m_pa) std::fprintf(stderr, "pause_bench: %s\n", pa_strerror(error));
    }
    ~Monitor() {
        if (m_pa) pa_simple_free(m_pa);
    }
    explicit operator bool() const { return m_pa != nullptr; }

    // Reads one chunk; afterwards `loud_first`/`loud_last` are the times (µs, the monotonic
    // clock) of its first and last sound, or 0 when it was silent.
    bool read() {
        int error = 0;
        if (pa_simple_read(m_pa, m_buffer.data(), m_buffer.size() * 2, &error) < 0) {
            std::fprintf(stderr, "pause_bench: %s\n", pa_strerror(error));
            return false;
        }
        const pa_usec_t now = pa_rtclock_now();
        const pa_usec_t latency = pa_simple_get_latency(m_pa, &error);
        // The sample after the last one read was played `latency` ago.
        const double end = static_cast<double>(now) - static_cast<double>(latency);
        const double frame_us = 1e6 / kRate;
        loud_first = loud_last = 0;
        for (std::size_t i = 0; i < m_buffer.size(); ++i) {
            if (std::abs(m_buffer[i]) <= kSilent) continue;
            const double at = end - frame_us * static_cast<double>(kChunkFrames - i / kChannels);
            if (loud_first == 0) loud_first = at;
            loud_last = at;
        }
        return true;
    }

    double loud_first = 0;
    double loud_last = 0;

  private:
    pa_simple* m_pa = nullptr;
    std::vector<std::int16_t> m_buffer = std::vector<std::int16_t>(kChunkFrames * kChannels);
};

// A click as a person makes it: press, then release; the time of the release is returned.
double click(bool* ok) {
    *ok = xdotool({"mousedown", "1"}, true);
    const double at = static_cast<double>(pa_rtclock_now());
    pid_t pid = 0;
    *ok = *ok && xdotool({"mouseup", "1"}, false, &pid);
    return at;
}

void reap() {
    while (::waitpid(-1, nullptr, WNOHANG) > 0) {
    }
}

double median(std::vector<double> v) {
    if (v.empty()) return -1;
    std::sort(v.begin(), v.end());
    return v[(v.size() - 1) / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: pause_bench SOURCE X Y [ROUNDS]\n");
        return 2;
    }
    const int rounds = argc > 4 ? std::atoi(argv[4]) : 10;
    Monitor monitor(argv[1]);
    if (!monitor) return 1;
    if (!xdotool({"mousemove", argv[2], argv[3]}, true)) {
        std::fprintf(stderr, "pause_bench: xdotool failed\n");
        return 1;
    }
    // Reads for `s` seconds; returns the last sound's time and the first after `after`.
    auto listen = [&](double s, double after, double& last, double& first) {
        last = first = 0;
        const double until = static_cast<double>(pa_rtclock_now()) + s * 1e6;
        while (static_cast<double>(pa_rtclock_now()) < until) {
            if (!monitor.read()) return false;
            if (monitor.loud_last > 0) last = monitor.loud_last;
            if (first == 0 && monitor.loud_first > after) first = monitor.loud_first;
            reap();
        }
        return true;
    };
    std::vector<double> pauses, resumes;
    double last = 0, first = 0;
    // Playing, and heard: sound within the last chunks.
    if (!listen(1.5, 0, last, first) || last == 0 ||
        static_cast<double>(pa_rtclock_now()) - last > 500'000) {
        std::fprintf(stderr, "pause_bench: nothing plays on %s\n", argv[1]);
        return 1;
    }
    for (int r = 0; r < rounds; ++r) {
        bool ok = false;
        const double paused_at = click(&ok);
        if (!ok || !listen(1.0, paused_at, last, first)) return 1;
        const double pause_ms = (last - paused_at) / 1000.0;
        const double resumed_at = click(&ok);
        if (!ok || !listen(1.5, resumed_at, last, first)) return 1;
        if (first == 0) {
            std::fprintf(stderr, "pause_bench: no sound after resuming\n");
            return 1;
        }
        const double resume_ms = (first - resumed_at) / 1000.0;
        std::printf("round %2d: silent %6.1f ms after the click, sound again %6.1f ms after\n",
                    r + 1, pause_ms, resume_ms);
        std::fflush(stdout);
        pauses.push_back(pause_ms);
        resumes.push_back(resume_ms);
    }
    std::printf(
        "pause: silent at the sink %.1f ms after the click (median of %d); resume: "
        "sound again after %.1f ms\n",
        median(pauses), rounds, median(resumes));
    return 0;
}
