#include "platform/qt/qt_loop.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QTimer>
#include <cmath>

namespace rv::qt {

QtLoop::QtLoop() : m_context(std::make_unique<QObject>()) {}
QtLoop::~QtLoop() { m_timers.clear(); }

double QtLoop::now() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_origin).count();
}

void QtLoop::pump() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void QtLoop::wait_until(double deadline) {
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

TimerId QtLoop::start_timer(int interval_ms, std::function<void()> tick) {
    TimerId id = m_next++;
    auto timer = std::make_unique<QTimer>();
    timer->setInterval(effective_interval_ms(interval_ms));
    QObject::connect(timer.get(), &QTimer::timeout, m_context.get(), [this, id, tick] {
        auto it = m_timers.find(id);
        if (it == m_timers.end() || it->second.running) return;  // no re-entry
        it->second.running = true;
        tick();
        auto again = m_timers.find(id);
        if (again != m_timers.end()) again->second.running = false;
    });
    timer->start();
    m_timers[id] = Entry{std::move(timer), false};
    return id;
}

void QtLoop::stop_timer(TimerId id) {
    auto it = m_timers.find(id);
    if (it == m_timers.end()) return;
    it->second.timer->stop();
    // A timer may stop itself inside its own tick: let Qt delete it once that returns.
    it->second.timer.release()->deleteLater();
    m_timers.erase(it);
}

void QtLoop::post(std::function<void()> task) {
    QMetaObject::invokeMethod(m_context.get(), std::move(task), Qt::QueuedConnection);
}

}  // namespace rv::qt
