// The sound path while a track plays: how much the sound server holds, how often it wakes this
// program, whether it ran dry, and what the whole process costs. On the desktop's sound server
// where one answers (PULSE_SERVER may name one), else on SDL. Prints one row.
//   sound_bench [seconds]
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/loop/virtual_loop.h"
#include "platform/media/pulse_device.h"
#include "platform/media/sdl_device.h"
#include "platform/media/sdl_player.h"
#include "tools/tone_mp3.h"

namespace {

struct Usage {
    double cpu = 0;
    long switches = 0;  // voluntary: each is a sleep ended by a wakeup
};

Usage usage() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return {static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
                static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6,
            u.ru_nvcsw};
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    const std::string path =
        (std::filesystem::temp_directory_path() / "ravelin-sound-bench.mp3").string();
    rv::tools::ToneSpec spec;
    spec.seconds = seconds + 2;
    if (!rv::tools::write_tone_mp3(path, spec)) return 1;

    auto pulse = rv::media::PulseDevice::connect();
    rv::media::PulseDevice* server = pulse.get();
    std::unique_ptr<rv::media::AudioDevice> device;
    if (pulse)
        device = std::move(pulse);
    else
        device = std::make_unique<rv::media::SdlDevice>();
    rv::VirtualLoop loop;
    rv::media::SdlPlayer player{loop, std::move(device)};
    if (!player.Open(path)) return 1;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // past the start
    const auto before = server ? server->stats() : rv::media::PulseDevice::Stats{};
    const Usage u0 = usage();
    const auto t0 = std::chrono::steady_clock::now();
    // The loop has nothing to do while a track plays: the bench sleeps as the program would.
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const Usage u1 = usage();
    const auto after = server ? server->stats() : rv::media::PulseDevice::Stats{};
    std::printf(
        "%-8s queue %5.0f ms, request %5.0f ms, server wakeups %5.1f/s, process "
        "wakeups %5.1f/s, underruns %llu server + %llu ring, %.3f %% of one core\n",
        player.driver().c_str(), after.queued_ms, after.request_ms,
        static_cast<double>(after.wakeups - before.wakeups) / wall,
        static_cast<double>(u1.switches - u0.switches) / wall,
        static_cast<unsigned long long>(after.underruns),
        static_cast<unsigned long long>(player.underruns()), 100.0 * (u1.cpu - u0.cpu) / wall);
    player.Stop();
    std::filesystem::remove(path);
    return 0;
}
