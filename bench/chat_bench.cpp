// The chat scanner: a poll's cost must not grow with the transcript, and a line reaches its
// ChatMessage within one poll interval.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "platform/chatscan/chat_scanner.h"
#include "platform/loop/virtual_loop.h"
#include "standin/client.h"

namespace {

void BM_PollWithOneNewLine(benchmark::State& state) {
    rv::VirtualLoop loop;
    rv::winapi::Desktop desktop;
    rv::standin::Client client(desktop, loop, "Me");
    auto& room = client.open_room("Lobby");
    for (long i = 0; i < state.range(0); ++i)
        client.say_as(room, "Ann", "line number " + std::to_string(i) + " of the room's history");
    rv::chatscan::ChatScanner scan(desktop, loop);
    std::size_t seen = 0;
    scan.ChatMessage = [&](const std::string&, const std::string&) { ++seen; };
    scan.ScanOn();
    for (auto _ : state) {
        state.PauseTiming();
        client.say_as(room, "Ann", ".p");
        state.ResumeTiming();
        scan.poll();
        loop.pump();  // the new line is raised as a posted event
    }
    if (seen != static_cast<std::size_t>(state.iterations())) state.SkipWithError("lines lost");
    state.counters["transcript_lines"] = static_cast<double>(room.lines().size());
}
BENCHMARK(BM_PollWithOneNewLine)->Arg(10)->Arg(100000);

void BM_LineToChatMessageLatency(benchmark::State& state) {
    // On the loop's clock: lines said at random moments, each timed to its event.
    rv::VirtualLoop loop;
    rv::winapi::Desktop desktop;
    rv::standin::Client client(desktop, loop, "Me");
    auto& room = client.open_room("Lobby");
    rv::chatscan::ChatScanner scan(desktop, loop);
    double said_at = 0, worst = 0, total = 0;
    long count = 0;
    scan.ChatMessage = [&](const std::string&, const std::string&) {
        double latency = loop.now() - said_at;
        worst = std::max(worst, latency);
        total += latency;
        ++count;
    };
    scan.ScanOn();
    std::mt19937 gen(1);
    std::uniform_real_distribution<double> gap(0.0, 0.2);
    for (auto _ : state) {
        loop.advance(gap(gen));
        said_at = loop.now();
        client.say_as(room, "Ann", "hello");
        loop.advance(0.06);
    }
    state.counters["worst_ms"] = worst * 1000;
    state.counters["mean_ms"] = count ? total / count * 1000 : 0;
}
BENCHMARK(BM_LineToChatMessageLatency)->Iterations(2000);

// The people list as a busy channel fills it: every join looks the name up among those
// listed, so the cost of a join must not grow with the list.
void BM_PeopleJoin(benchmark::State& state) {
    std::vector<std::string> names;
    for (long i = 0; i < state.range(0); ++i) names.push_back("chatter" + std::to_string(i));
    std::size_t listed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        rv::VirtualLoop loop;
        rv::winapi::Desktop desktop;
        rv::standin::Client client(desktop, loop, "Me");
        auto& room = client.open_room("Lobby");
        state.ResumeTiming();
        for (const auto& name : names) client.person_joined(room, name);
        listed = room.people().size();
    }
    state.counters["listed"] = static_cast<double>(listed);
    state.counters["per_join_ns"] = benchmark::Counter(
        static_cast<double>(state.range(0)),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_PeopleJoin)->Arg(50)->Arg(9000)->Arg(90000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
