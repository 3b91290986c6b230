#pragma once
// Waiting in tests without fixed sleeps: run the event loop until a condition holds, or until a
// reference timer has ticked a number of times (for "nothing happens meanwhile" checks).

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <functional>

namespace kvx::test {

// Returns the condition; gives up after the generous bound (a loaded machine running an editor
// stand-in under the sanitizers needs it).
inline bool waitFor(const std::function<bool()> &condition, int boundMilliseconds = 60000)
{
    const QDeadlineTimer deadline(boundMilliseconds);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 10);
        // Outside a running event loop deleteLater would otherwise wait for one.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

// Lets queued zero-delay work run, and what that work queues in turn.
inline void deliverQueuedWork()
{
    for (int round = 0; round < 10; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

// Runs the event loop while a timer of the given interval ticks the given number of times.
inline void waitForReferenceTicks(int ticks, int intervalMilliseconds = 16)
{
    int seen = 0;
    QTimer reference;
    reference.setInterval(intervalMilliseconds);
    QObject::connect(&reference, &QTimer::timeout, [&seen] { ++seen; });
    reference.start();
    waitFor([&seen, ticks] { return seen >= ticks; }, 60000);
}

} // namespace kvx::test
