#pragma once
// Stops script work that runs past its budget: a thread that interrupts the engine when the
// call it watches has not finished in time. A runaway skeleton then costs the window one budget
// instead of its life.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

class QJSEngine;

namespace kvx::plugin {

// How long script work may run, in milliseconds. A load gets 10 s: the heaviest real skeletons
// load in well under a second. A frame (or selecting an animation) gets 2 s: a real one takes
// milliseconds, and a longer stall of the window reads as a hang. Measuring an animation stops
// itself after its sweep budget (the window waits for it on every selection) and is interrupted
// only when a single pose runs away. Tests lower them through KVX_RUNTIME_LOAD_BUDGET_MS,
// KVX_RUNTIME_FRAME_BUDGET_MS, KVX_RUNTIME_MEASURE_BUDGET_MS and KVX_RUNTIME_MEASURE_SWEEP_MS (which
// may be 0: the coarse first pass only).
struct WorkBudgets {
    int loadMilliseconds = 10000;
    int frameMilliseconds = 2000;
    int measureMilliseconds = 2000;
    int measureSweepMilliseconds = 150;
};
WorkBudgets workBudgets();

// "10 s", "0.25 s": a budget as the messages give it.
std::string budgetText(int milliseconds);

class EngineWatchdog {
public:
    EngineWatchdog() = default;
    ~EngineWatchdog();
    EngineWatchdog(const EngineWatchdog &) = delete;
    EngineWatchdog &operator=(const EngineWatchdog &) = delete;

    // Interrupts engine when disarm has not been called within budgetMilliseconds.
    void arm(QJSEngine &engine, int budgetMilliseconds);
    // Ends the watch and lets the engine run again; true when it had to interrupt it.
    bool disarm();

private:
    void watch();

    std::mutex mutex;
    std::condition_variable wake;
    std::thread thread;
    QJSEngine *engine = nullptr; // armed while not null
    std::chrono::steady_clock::time_point deadline;
    bool interrupted = false;
    bool stopping = false;
};

// Watches the calls made during its lifetime; overran() ends the watch early and tells.
class WatchedWork {
public:
    WatchedWork(EngineWatchdog &watchdog, QJSEngine &engine, int budgetMilliseconds);
    ~WatchedWork();
    WatchedWork(const WatchedWork &) = delete;
    WatchedWork &operator=(const WatchedWork &) = delete;

    bool overran();

private:
    EngineWatchdog &watchdog;
    bool finished = false;
    bool interrupted = false;
};

} // namespace kvx::plugin
