// The away bot's message file: taking a message costs the same whether the file holds a
// thousand messages or fifty thousand, and what is written stays within a few times the file.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "afk/message_file.h"

namespace {

// Bytes this process has handed to write() so far.
double bytes_written() {
    std::ifstream io("/proc/self/io");
    std::string key;
    double value = 0;
    while (io >> key >> value)
        if (key == "wchar:") return value;
    return 0;
}

struct Folder {
    Folder() {
        std::string tmpl =
            (std::filesystem::temp_directory_path() / "ravelin-bench-XXXXXX").string();
        path = ::mkdtemp(tmpl.data()) ? tmpl : ".";
    }
    ~Folder() { std::filesystem::remove_all(path); }
    std::string path;
};

std::string entry(long i) {
    return "Guest" + std::to_string(i % 97) + ":a message of the usual length, number " +
           std::to_string(i);
}

// One message taken while the file already holds `range(0)` of them.
void BM_TakeAMessage(benchmark::State& state) {
    Folder folder;
    const std::string path = folder.path + "/MsgBox.txt";
    {
        rv::afk::MessageFile file(path);
        std::vector<std::string> held;
        for (long i = 0; i < state.range(0); ++i) held.push_back(entry(i));
        file.save(held);
    }
    rv::afk::MessageFile file(path);
    file.load();
    long i = 0;
    for (auto _ : state)
        if (!file.append(entry(i++))) state.SkipWithError("not saved");
}
BENCHMARK(BM_TakeAMessage)->Arg(1000)->Arg(50000)->Unit(benchmark::kMicrosecond);

// A load that takes `range(0)` messages one by one and saves at Stop: bytes written for the
// bytes of the final file.
void BM_ALoadOfMessages(benchmark::State& state) {
    double ratio = 0;
    for (auto _ : state) {
        Folder folder;
        const std::string path = folder.path + "/MsgBox.txt";
        rv::afk::MessageFile file(path);
        file.load();
        std::vector<std::string> list;
        const double before = bytes_written();
        for (long i = 0; i < state.range(0); ++i) {
            list.push_back(entry(i));
            if (!file.append(list.back())) state.SkipWithError("not saved");
        }
        file.save(list);
        ratio = (bytes_written() - before) / static_cast<double>(std::filesystem::file_size(path));
    }
    state.counters["written_per_file_byte"] = ratio;
    state.counters["per_message_us"] = benchmark::Counter(
        static_cast<double>(state.range(0)) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ALoadOfMessages)->Arg(1000)->Arg(50000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
