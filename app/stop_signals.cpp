#include "app/stop_signals.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace rv::app {

namespace {

int g_pipe_write = -1;
volatile sig_atomic_t g_received = 0;

// Only what is safe in a signal handler: a byte into the pipe, or the end.
extern "C" void on_stop_signal(int signo) {
    if (g_received) _exit(128 + signo);
    g_received = signo;
    const int saved = errno;
    const auto byte = static_cast<unsigned char>(signo);
    if (::write(g_pipe_write, &byte, 1) < 0) {
        // A full pipe already holds a byte that wakes the watcher.
    }
    errno = saved;
}

// The next byte from the pipe, waiting at most `timeout_ms` (-1: no limit); -1 on timeout.
int next_byte(int fd, int timeout_ms) {
    pollfd p{fd, POLLIN, 0};
    for (;;) {
        int n = ::poll(&p, 1, timeout_ms);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return -1;
        unsigned char byte = 0;
        ssize_t r = ::read(fd, &byte, 1);
        if (r < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        return r == 1 ? byte : 0;
    }
}

}  // namespace

StopSignals::StopSignals(EventLoop& loop, std::function<void()> close, int grace_ms)
    : m_loop(loop), m_close(std::move(close)), m_grace_ms(grace_ms) {
    if (::pipe2(m_pipe, O_CLOEXEC) != 0) return;
    ::fcntl(m_pipe[1], F_SETFL, O_NONBLOCK);
    g_pipe_write = m_pipe[1];
    g_received = 0;
    struct sigaction sa {};
    sa.sa_handler = on_stop_signal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &sa, &m_old_int);
    ::sigaction(SIGTERM, &sa, &m_old_term);
    m_thread = std::thread([this] { watch(); });
}

StopSignals::~StopSignals() {
    if (m_pipe[1] < 0) return;
    ::sigaction(SIGINT, &m_old_int, nullptr);
    ::sigaction(SIGTERM, &m_old_term, nullptr);
    const unsigned char quit = 0;
    while (::write(m_pipe[1], &quit, 1) < 0 && errno == EINTR) {
    }
    if (m_thread.joinable()) m_thread.join();
    g_pipe_write = -1;
    ::close(m_pipe[0]);
    ::close(m_pipe[1]);
}

void StopSignals::watch() {
    const int signo = next_byte(m_pipe[0], -1);
    if (signo <= 0) return;
    m_loop.post(m_close);
    // The close ends the process; if it has not within the grace time, something holds the
    // loop, and the user asked for the end.
    if (next_byte(m_pipe[0], m_grace_ms) < 0) _exit(128 + signo);
}

}  // namespace rv::app
