#include "enginewatchdog.h"

#include <QJSEngine>

#include <cstdio>
#include <cstdlib>

namespace kvx::plugin {

namespace {

int budgetFromEnvironment(const char *name, int fallback, long least = 1)
{
    const char *text = std::getenv(name);
    if (!text || !*text)
        return fallback;
    char *end = nullptr;
    const long value = std::strtol(text, &end, 10);
    return *end == '\0' && value >= least && value <= 3600 * 1000 ? int(value) : fallback;
}

} // namespace

WorkBudgets workBudgets()
{
    WorkBudgets budgets;
    budgets.loadMilliseconds = budgetFromEnvironment("KVX_RUNTIME_LOAD_BUDGET_MS", budgets.loadMilliseconds);
    budgets.frameMilliseconds = budgetFromEnvironment("KVX_RUNTIME_FRAME_BUDGET_MS", budgets.frameMilliseconds);
    budgets.measureMilliseconds = budgetFromEnvironment("KVX_RUNTIME_MEASURE_BUDGET_MS", budgets.measureMilliseconds);
    budgets.measureSweepMilliseconds =
        budgetFromEnvironment("KVX_RUNTIME_MEASURE_SWEEP_MS", budgets.measureSweepMilliseconds, 0);
    return budgets;
}

std::string budgetText(int milliseconds)
{
    char text[32];
    if (milliseconds % 1000 == 0)
        std::snprintf(text, sizeof text, "%d s", milliseconds / 1000);
    else
        std::snprintf(text, sizeof text, "%g s", milliseconds / 1000.0);
    return text;
}

EngineWatchdog::~EngineWatchdog()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
        engine = nullptr;
    }
    wake.notify_all();
    if (thread.joinable())
        thread.join();
}

void EngineWatchdog::arm(QJSEngine &target, int budgetMilliseconds)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        engine = &target;
        deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(budgetMilliseconds);
        interrupted = false;
        if (!thread.joinable())
            thread = std::thread([this] { watch(); });
    }
    wake.notify_all();
}

bool EngineWatchdog::disarm()
{
    std::lock_guard<std::mutex> lock(mutex);
    QJSEngine *const watched = engine;
    engine = nullptr;
    // The interrupt may land just after the work finished; the engine must run again either way.
    if (interrupted && watched)
        watched->setInterrupted(false);
    const bool wasInterrupted = interrupted;
    interrupted = false;
    return wasInterrupted;
}

void EngineWatchdog::watch()
{
    std::unique_lock<std::mutex> lock(mutex);
    while (!stopping) {
        if (!engine || interrupted) {
            wake.wait(lock);
            continue;
        }
        if (wake.wait_until(lock, deadline) != std::cv_status::timeout)
            continue; // re-armed, disarmed or stopping: look again
        if (engine && !interrupted && std::chrono::steady_clock::now() >= deadline) {
            // Thread-safe by Qt's contract; the engine throws at its next instruction.
            engine->setInterrupted(true);
            interrupted = true;
        }
    }
}

WatchedWork::WatchedWork(EngineWatchdog &watchdog, QJSEngine &engine, int budgetMilliseconds) : watchdog(watchdog)
{
    watchdog.arm(engine, budgetMilliseconds);
}

WatchedWork::~WatchedWork()
{
    overran();
}

bool WatchedWork::overran()
{
    if (!finished) {
        interrupted = watchdog.disarm();
        finished = true;
    }
    return interrupted;
}

} // namespace kvx::plugin
