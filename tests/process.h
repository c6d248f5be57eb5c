#pragma once
// Runs the program as a person would, from a terminal: its exit status, stdout and stderr,
// and a signal sent once stdout shows a given text. Every wait is bounded.
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace rv::test {

struct Launch {
    std::vector<std::string> args;  // args[0] is the program
    std::vector<std::string> unset_env;
    std::vector<std::pair<std::string, std::string>> set_env;
    std::string signal_after;  // once stdout holds this text, send `signo`
    int signo = 0;
    double limit_seconds = 60;  // then the process is killed: a hang, never a pass
};

struct Finished {
    int status = -1;  // as waitpid gives it
    bool timed_out = false;
    std::string out, err;
    double seconds_after_signal = -1;  // from the signal to the end
    int exit_code() const { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }
};

inline Finished run_process(const Launch& l) {
    using Clock = std::chrono::steady_clock;
    Finished f;
    int out[2], err[2];
    if (::pipe(out) != 0 || ::pipe(err) != 0) return f;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], 1);
        ::dup2(err[1], 2);
        ::close(out[0]);
        ::close(err[0]);
        for (const auto& name : l.unset_env) ::unsetenv(name.c_str());
        for (const auto& [name, value] : l.set_env) ::setenv(name.c_str(), value.c_str(), 1);
        std::vector<char*> argv;
        for (const auto& a : l.args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    const auto start = Clock::now();
    Clock::time_point signalled{};
    bool sent = false;
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* sinks[2] = {&f.out, &f.err};
    int open = 2;
    while (open > 0) {
        const double left =
            l.limit_seconds - std::chrono::duration<double>(Clock::now() - start).count();
        if (left <= 0) {
            f.timed_out = true;
            ::kill(pid, SIGKILL);
            break;
        }
        if (::poll(fds, 2, static_cast<int>(left * 1000) + 1) <= 0) continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
            char buf[4096];
            const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
            if (n <= 0) {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
                continue;
            }
            sinks[i]->append(buf, static_cast<std::size_t>(n));
        }
        if (!sent && l.signo && !l.signal_after.empty() &&
            f.out.find(l.signal_after) != std::string::npos) {
            ::kill(pid, l.signo);
            signalled = Clock::now();
            sent = true;
        }
    }
    for (auto& p : fds)
        if (p.fd >= 0) ::close(p.fd);
    ::waitpid(pid, &f.status, 0);
    if (sent)
        f.seconds_after_signal = std::chrono::duration<double>(Clock::now() - signalled).count();
    return f;
}

}  // namespace rv::test
