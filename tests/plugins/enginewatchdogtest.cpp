// The watchdog that stops script work past its budget, and the byte-level checks that keep
// Qt's engine from crashing on long arrays, on their own.

#include "enginewatchdog.h"
#include "inputlimits.h"
#include "support/testfiles.h"

#include <QJSEngine>

#include <gtest/gtest.h>

namespace kvx::plugin {
namespace {

TEST(EngineWatchdogTest, StopsAScriptThatNeverEndsAndLetsTheEngineRunAgain)
{
    QJSEngine engine;
    EngineWatchdog watchdog;
    {
        WatchedWork work(watchdog, engine, 50);
        const QJSValue result = engine.evaluate(QStringLiteral("for (;;) {}"));
        EXPECT_TRUE(result.isError() || engine.hasError());
        EXPECT_TRUE(work.overran());
    }
    engine.catchError();
    // Re-armed for the next call, and no longer interrupted.
    WatchedWork work(watchdog, engine, 10000);
    EXPECT_EQ(engine.evaluate(QStringLiteral("var n = 0; for (var i = 0; i < 1000; i++) n += i; n")).toInt(), 499500);
    EXPECT_FALSE(work.overran());
}

TEST(EngineWatchdogTest, StopsRecursionAndCallbacksToo)
{
    QJSEngine engine;
    EngineWatchdog watchdog;
    WatchedWork work(watchdog, engine, 50);
    const QJSValue result = engine.evaluate(
        QStringLiteral("function spin() { [1, 2, 3].forEach(function () { for (var i = 0; i < 1e6; i++) {} }); "
                       "return spin(); } spin()"));
    EXPECT_TRUE(result.isError() || engine.hasError());
    EXPECT_TRUE(work.overran());
}

TEST(EngineWatchdogTest, BudgetsComeFromTheEnvironmentWhenValid)
{
    {
        const test::ScopedEnvironment load("KVX_RUNTIME_LOAD_BUDGET_MS", std::string("250"));
        const test::ScopedEnvironment frame("KVX_RUNTIME_FRAME_BUDGET_MS", std::string("-3"));
        EXPECT_EQ(workBudgets().loadMilliseconds, 250);
        EXPECT_EQ(workBudgets().frameMilliseconds, 2000);
    }
    {
        const test::ScopedEnvironment load("KVX_RUNTIME_LOAD_BUDGET_MS", std::string("12abc"));
        const test::ScopedEnvironment frame("KVX_RUNTIME_FRAME_BUDGET_MS", nullptr);
        EXPECT_EQ(workBudgets().loadMilliseconds, 10000);
        EXPECT_EQ(workBudgets().frameMilliseconds, 2000);
    }
    {
        // The sweep may be cut to its first pass; a hard budget of 0 would stop every measure.
        const test::ScopedEnvironment hard("KVX_RUNTIME_MEASURE_BUDGET_MS", std::string("0"));
        const test::ScopedEnvironment sweep("KVX_RUNTIME_MEASURE_SWEEP_MS", std::string("0"));
        EXPECT_EQ(workBudgets().measureMilliseconds, 2000);
        EXPECT_EQ(workBudgets().measureSweepMilliseconds, 0);
    }
    {
        const test::ScopedEnvironment hard("KVX_RUNTIME_MEASURE_BUDGET_MS", std::string("40"));
        const test::ScopedEnvironment sweep("KVX_RUNTIME_MEASURE_SWEEP_MS", std::string("-1"));
        EXPECT_EQ(workBudgets().measureMilliseconds, 40);
        EXPECT_EQ(workBudgets().measureSweepMilliseconds, 150);
    }
    EXPECT_EQ(budgetText(10000), "10 s");
    EXPECT_EQ(budgetText(250), "0.25 s");
}

qint64 peak(const char *json)
{
    return peakPendingJsonValues(QByteArray(json));
}

// The engine's parser holds every element of every array still open, so nested arrays add up
// along the path from the root while closed ones and objects' members do not count.
TEST(InputLimitsTest, CountsTheValuesOpenArraysHoldAtOnce)
{
    EXPECT_EQ(peak("[]"), 0);
    EXPECT_EQ(peak("[1]"), 1);
    EXPECT_EQ(peak("[1, 2, 3]"), 3);
    EXPECT_EQ(peak("[1, 2, [3, 4, 5]]"), 6);
    EXPECT_EQ(peak("[[1, 2], [3, 4], 5]"), 4);
    EXPECT_EQ(peak(R"({"a": 1, "b": 2, "c": 3})"), 0);
    EXPECT_EQ(peak(R"([{"a": [1, 2]}, {"b": [1, 2, 3]}])"), 5);
    EXPECT_EQ(peak("[ [ ] , [ ] ]"), 2);
}

TEST(InputLimitsTest, IgnoresBracketsAndCommasInsideStrings)
{
    EXPECT_EQ(peak(R"(["a,b,[c", "d\"],e"])"), 2);
    EXPECT_EQ(peak(R"({"[[[": ",,,"})"), 0);
}

TEST(InputLimitsTest, RefusesArraysPastTheBoundOnly)
{
    QByteArray atBound = "[0";
    for (qint64 i = 1; i < maxPendingJsonValues; ++i)
        atBound += ",0";
    EXPECT_EQ(checkSkeletonJson(atBound + "]"), "");
    EXPECT_EQ(checkSkeletonJson(atBound + ",0]"), "Skeleton data holds arrays of 262145 values; the preview reads at most 262144.");
    // Truncated text is counted as far as it goes.
    EXPECT_EQ(peak("[1, 2, [3"), 4);
}

TEST(InputLimitsTest, CountsAtlasLinesAsTheRuntimesSplitThem)
{
    EXPECT_EQ(atlasLineCount(""), 1);
    EXPECT_EQ(atlasLineCount("a\nb"), 2);
    EXPECT_EQ(atlasLineCount("a\r\nb\rc\n"), 4);
    EXPECT_EQ(checkAtlasText(QByteArray(maxAtlasLines - 1, '\n')), "");
    EXPECT_EQ(checkAtlasText(QByteArray(maxAtlasLines, '\r')), "Atlas has 262145 lines; the preview reads at most 262144.");
}

} // namespace
} // namespace kvx::plugin
