#pragma once
// Waiting in tests without fixed sleeps: run the event loop until a condition holds, or until a
// reference timer has ticked a number of times (for "nothing happens meanwhile" checks).

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <functional>

namespace kvx::test {

// Returns the condition; gives up after the generous bound.
inline bool waitFor(const std::function<bool()> &condition, int boundMilliseconds = 10000)
{
    const QDeadlineTimer deadline(boundMilliseconds);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 10);
    }
    return true;
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
