// Measuring a track's length: a 5 s track padded with zeros to 2 GB, as a partial download
// looks, and an hour-long track. The first costs what its audio costs, not what its size does.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/media/mp3_probe.h"
#include "tools/tone_mp3.h"

namespace {

std::string temp_dir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "ravelin-bench-XXXXXX").string();
    return ::mkdtemp(tmpl.data()) ? tmpl : "";
}

void probe(benchmark::State& state, const std::string& path) {
    rv::media::Mp3Info info;
    for (auto _ : state) info = rv::media::probe_mp3(path);
    state.counters["length_s"] = info.duration;
    state.counters["MB read"] = static_cast<double>(info.bytes_read) / (1 << 20);
}

void BM_ProbeFiveSecondsThenZerosTo2GB(benchmark::State& state) {
    const std::string dir = temp_dir();
    const std::string path = dir + "/tail.mp3";
    rv::tools::ToneSpec spec;
    spec.seconds = 5;
    spec.info_header = false;
    rv::tools::write_tone_mp3(path, spec);
    if (::truncate(path.c_str(), 2LL << 30) != 0) state.SkipWithError("no sparse file");
    probe(state, path);
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ProbeFiveSecondsThenZerosTo2GB)->Unit(benchmark::kMillisecond);

void BM_ProbeAnHour(benchmark::State& state) {
    const std::string dir = temp_dir();
    rv::tools::ToneSpec spec;
    spec.info_header = false;
    rv::tools::write_tone_mp3(dir + "/part.mp3", spec);
    std::ifstream in(dir + "/part.mp3", std::ios::binary);
    const std::string part{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    {
        std::ofstream out(dir + "/hour.mp3", std::ios::binary);
        for (int i = 0; i < 1800; ++i) out << part;  // 2 s each
    }
    probe(state, dir + "/hour.mp3");
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ProbeAnHour)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
