// From starting the program to the power-on line in the room, headless, the handle given
// by the script.
#include <benchmark/benchmark.h>
#include <stdio.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

std::string g_exe;

void BM_StartToPowerOnLine(benchmark::State& state) {
    std::string tmpl = (std::filesystem::temp_directory_path() / "ravelin-start-XXXXXX").string();
    const std::string dir = ::mkdtemp(tmpl.data());
    std::ofstream(dir + "/s.txt") << "answer Bench\nwait 0.2\n";
    const std::string cmd = g_exe + " --headless --home " + dir + " --script " + dir + "/s.txt";
    double worst = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        FILE* p = ::popen(cmd.c_str(), "r");
        char line[512];
        bool got = false;
        while (fgets(line, sizeof line, p))
            if (!got && std::string(line).find("PowerOn") != std::string::npos) {
                got = true;
                double s =
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
                worst = std::max(worst, s);
                state.SetIterationTime(s);
            }
        ::pclose(p);
        if (!got) state.SkipWithError("no power-on line");
    }
    state.counters["worst_ms"] = worst * 1000;
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_StartToPowerOnLine)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

int main(int argc, char** argv) {
    g_exe = argc > 1 && argv[argc - 1][0] != '-' ? argv[--argc] : "build/dev/ravelin";
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
