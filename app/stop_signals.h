#pragma once
// Ctrl+C and SIGTERM end the program the way its close label does. The signal handler only
// writes a byte to a pipe; a watcher thread posts the close into the event loop, so the
// program's own code runs on its own thread, between handlers. A second Ctrl+C or SIGTERM
// ends the process at once, and so does a close that has not ended it within the grace time.
#include <signal.h>

#include <functional>
#include <thread>

#include "platform/loop/event_loop.h"

namespace rv::app {

class StopSignals {
  public:
    // Installs the handlers for SIGINT and SIGTERM; one instance at a time.
    StopSignals(EventLoop& loop, std::function<void()> close, int grace_ms = 1500);
    // Puts the previous handlers back.
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

  private:
    void watch();

    EventLoop& m_loop;
    std::function<void()> m_close;
    int m_grace_ms;
    int m_pipe[2] = {-1, -1};
    struct sigaction m_old_int {};
    struct sigaction m_old_term {};
    std::thread m_thread;
};

}  // namespace rv::app
