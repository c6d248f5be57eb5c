// CPU while the mailbox automation waits on real time for a client that never answers: the
// drop-down menu that never opens (a wait that runs no events and sleeps) and a mail list
// that never stops growing (a wait that runs events). Prints the share of one core used.
#include <sys/resource.h>

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <functional>

#include "aol/mailbox.h"
#include "platform/qt/qt_loop.h"

namespace {

using rv::winapi::HWND;

double cpu_seconds() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void report(const char* what, const std::function<void()>& run) {
    const auto wall0 = std::chrono::steady_clock::now();
    const double cpu0 = cpu_seconds();
    run();
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wall0).count();
    const double cpu = cpu_seconds() - cpu0;
    std::printf("%-44s %6.2f s waited, %6.3f %% of one core\n", what, wall, 100.0 * cpu / wall);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    rv::qt::QtLoop loop;
    rv::winapi::Desktop desktop;
    rv::aol::Automation aol(desktop, loop);

    // A client whose toolbar takes clicks and does nothing.
    HWND frame = desktop.CreateWindowA("aol frame25", "", 0);
    HWND buttons =
        desktop.CreateWindowA("_aol_toolbar", "", desktop.CreateWindowA("aol toolbar", "", frame));
    for (int i = 0; i < 2; ++i) desktop.CreateWindowA("_aol_icon", "", buttons);
    desktop.CreateWindowA("mdiclient", "", frame);
    report("menu that never opens (no events, 2 s limit)",
           [&] { rv::aol::OpenMailbox(aol, "old"); });

    // A list that gains an entry every 100 ms, for ever.
    long count = 0;
    HWND list = desktop.CreateWindowA(
        "_aol_tree", "", 0,
        [&](HWND, rv::winapi::UINT msg, rv::winapi::WPARAM, rv::winapi::LPARAM) {
            return msg == rv::winapi::LB_GETCOUNT ? count : 0L;
        });
    loop.start_timer(100, [&] { ++count; });
    report("list that never settles (events, 5 s limit)",
           [&] { rv::aol::WaitForListToSettle(aol, list, 5); });
    return 0;
}
