#pragma once
#include <QObject>
#include <chrono>
#include <map>
#include <memory>

#include "platform/loop/event_loop.h"

class QTimer;

namespace rv::qt {

// The loop on Qt's own: timers are QTimers, a wait sleeps in a nested QEventLoop until its
// deadline or the next event, so it never spins a core.
class QtLoop final : public EventLoop {
public:
    QtLoop();
    ~QtLoop() override;
    double now() const override;
    void pump() override;
    void wait_until(double deadline) override;
    TimerId start_timer(int interval_ms, std::function<void()> tick) override;
    void stop_timer(TimerId id) override;
    void post(std::function<void()> task) override;

private:
    struct Entry {
        std::unique_ptr<QTimer> timer;
        bool running = false;
    };
    std::chrono::steady_clock::time_point m_origin = std::chrono::steady_clock::now();
    std::map<TimerId, Entry> m_timers;
    TimerId m_next = 1;
    std::unique_ptr<QObject> m_context;
};

}  // namespace rv::qt
