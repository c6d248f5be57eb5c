#include "platform/qt/qt_loop.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <thread>
#include <utility>
#include <vector>

namespace rv::qt {

namespace {
constexpr std::int64_t kBatchUs = QtLoop::kBatchMs * 1000;
// Timers below this interval are served in batches; the others on time.
constexpr std::int64_t kOnTimeUs = QtLoop::kOnTimeMs * 1000;
// Every wake falls on this grid, so timers of one interval share their wakes whatever
// their phases: at most 40 wakes a second however many windows animate.
constexpr std::int64_t kGridUs = kOnTimeUs;
std::int64_t grid_up(std::int64_t t) {
    return (t + kGridUs - 1) / kGridUs * kGridUs;
}
std::int64_t batch_up(std::int64_t t) {
    return (t + kBatchUs - 1) / kBatchUs * kBatchUs;
}
// The wake of an on-time tick due at `deadline`: the grid point at or after it, for a timer
// of whole batches the batch's.
std::int64_t on_time_wake(std::int64_t interval, std::int64_t deadline) {
    return interval % kBatchUs == 0 ? batch_up(deadline) : grid_up(deadline);
}
// A timer that fell this many ticks behind (a long modal dialog) skips ahead instead of
// bursting.
constexpr std::int64_t kMaxCatchUp = 8;
}  // namespace

QtLoop::QtLoop() : m_context(std::make_unique<QObject>()), m_driver(std::make_unique<QTimer>()) {
    m_driver->setSingleShot(true);
    m_driver->setTimerType(Qt::PreciseTimer);
    QObject::connect(m_driver.get(), &QTimer::timeout, m_context.get(), [this] { run_due(); });
}

QtLoop::~QtLoop() = default;

std::int64_t QtLoop::now_us() const {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() -
                                                                 m_origin)
        .count();
}

double QtLoop::now() const {
    return static_cast<double>(now_us()) / 1e6;
}

void QtLoop::before_nesting() {
    if (m_tick_depth == 0) return;
    // A tick that waits lets the other timers run, and what it changed so far is shown.
    reschedule();
    if (m_after_ticks) m_after_ticks();
}

void QtLoop::pump() {
    before_nesting();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtLoop::wait_until(double deadline) {
    before_nesting();
    for (;;) {
        double left = deadline - now();
        if (left <= 0) break;
        QEventLoop nested;
        QTimer::singleShot(static_cast<int>(std::ceil(left * 1000.0)), Qt::PreciseTimer, &nested,
                           &QEventLoop::quit);
        nested.exec();
    }
    pump();
}

void QtLoop::sleep_until(double deadline) {
    // The thread sleeps: no event is handled and no core is busy until the deadline.
    const double left = deadline - now();
    if (left > 0) std::this_thread::sleep_for(std::chrono::duration<double>(left));
}

TimerId QtLoop::next_runnable(std::int64_t now, bool batch) const {
    TimerId best = 0;
    std::int64_t best_deadline = 0;
    m_timers.for_each_idle([&](TimerId id, std::int64_t interval, std::int64_t deadline) {
        // An on-time tick belongs to the wake at or after its deadline: one a wake.
        const bool due = interval < kOnTimeUs || quiet(id)
                             ? batch && deadline <= now
                             : on_time_wake(interval, deadline) <= now;
        if (!due) return;
        if (best == 0 || deadline < best_deadline) {
            best = id;
            best_deadline = deadline;
        }
    });
    return best;
}

void QtLoop::run_due() {
    m_armed_us = -1;  // the single shot has fired
    const std::int64_t now = now_us();
    // The fast timers wait for their batch even when an on-time timer wakes the loop, so a
    // marquee redraws 20 times a second whatever else runs.
    const std::int64_t batch_now = now / kBatchUs * kBatchUs;
    const bool batch = batch_now >= m_last_batch_us + kBatchUs;
    if (batch) m_last_batch_us = batch_now;
    // Every tick due by now, in deadline order, ties in start order. The driver is armed
    // once, after them, unless a tick waits (before_nesting arms it then).
    ++m_tick_depth;
    while (TimerId id = next_runnable(now, batch)) {
        // Ticks nest (a tick that waits lets others run): each tells its own changes, and an
        // outer tick keeps those it made before it waited.
        const bool outer = std::exchange(m_changed, false);
        m_timers.fire(id, now, kMaxCatchUp);
        const bool mine = m_changed;
        m_changed = outer || mine;
        if (mine)
            m_quiet.erase(id);
        else if (m_timers.contains(id))
            m_quiet.insert(id);
    }
    --m_tick_depth;
    if (m_after_ticks) m_after_ticks();
    reschedule();
}

std::int64_t QtLoop::wake_at(std::int64_t interval_us, std::int64_t deadline_us,
                             std::int64_t last_batch_us) {
    if (interval_us >= kOnTimeUs) return on_time_wake(interval_us, deadline_us);
    return batch_up(std::max(deadline_us, last_batch_us + kBatchUs));
}

std::int64_t QtLoop::wake_of(TimerId id, std::int64_t interval, std::int64_t deadline) const {
    // A quiet timer waits for the batch as a fast one does.
    return wake_at(quiet(id) ? 0 : interval, deadline, m_last_batch_us);
}

void QtLoop::reschedule() {
    std::int64_t wake = -1;
    m_timers.for_each_idle([&](TimerId id, std::int64_t interval, std::int64_t deadline) {
        const std::int64_t at = wake_of(id, interval, deadline);
        if (wake < 0 || at < wake) wake = at;
    });
    arm(wake);
}

void QtLoop::arm(std::int64_t wake) {
    if (wake == m_armed_us && m_driver->isActive()) return;
    m_armed_us = wake;
    if (wake < 0) {
        m_driver->stop();
        return;
    }
    const std::int64_t delay_us = std::max<std::int64_t>(0, wake - now_us());
    m_driver->start(static_cast<int>((delay_us + 999) / 1000));
}

TimerId QtLoop::start_timer(int interval_ms, std::function<void()> tick) {
    const TimerId id = m_timers.add(interval_ms, now_us(), std::move(tick));
    reschedule();
    return id;
}

void QtLoop::stop_timer(TimerId id) {
    m_quiet.erase(id);
    if (m_timers.remove(id)) reschedule();
}

void QtLoop::post(std::function<void()> task) {
    QMetaObject::invokeMethod(m_context.get(), std::move(task), Qt::QueuedConnection);
}

}  // namespace rv::qt
