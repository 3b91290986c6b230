// Measuring an animation's extent under its budgets: a measure stopped from outside fails alone
// and leaves the shown skeleton playing as before; a sweep cut short still spans the whole
// animation; boxes are kept per skin and animation until the next load.

#include "plugins/featurefixtures.h"
#include "plugins/hostileexports.h"
#include "plugins/pluginharness.h"

#include <gtest/gtest.h>

namespace kvx::test {
namespace {

// growingExport with a spike: at 1/30 s (the second step of the sweep, which its coarse first
// pass skips) the region jumps to x 500 and is back at 0 a step later.
FixtureExport spikeExport(const std::string &line)
{
    FixtureExport fixture = growingExport(line);
    const std::string start = R"({"time": 0, "x": 0, "y": 0})";
    const size_t at = fixture.skeleton.find(start);
    EXPECT_NE(at, std::string::npos);
    fixture.skeleton.insert(at + start.size(),
                            R"(, {"time": 0.0333333, "x": 500, "y": 0}, {"time": 0.0666667, "x": 0, "y": 0})");
    return fixture;
}

// A 1,000-bone chain turned by "spin": every pose costs milliseconds.
std::string heavySkeleton(const std::string &line)
{
    const std::string animation = R"("spin": {"bones": {"b0": {"rotate": )" + rotateTimeline(line, {{0, 0}, {1, 90}}) + "}}}";
    std::string skeleton = boneChainSkeleton(line, 1000);
    skeleton.insert(skeleton.rfind('}'), R"(, "animations": {)" + animation + "}");
    return skeleton;
}

::testing::AssertionResult sameVertices(const PreviewFrame &a, const PreviewFrame &b)
{
    if (!a.ok || !b.ok || a.items.size() != b.items.size())
        return ::testing::AssertionFailure() << "frames differ in their commands";
    for (size_t i = 0; i < a.items.size(); ++i) {
        if (a.items[i].vertices.size() != b.items[i].vertices.size())
            return ::testing::AssertionFailure() << "command " << i << " differs in size";
        for (size_t v = 0; v < a.items[i].vertices.size(); ++v)
            if (a.items[i].vertices[v].x != b.items[i].vertices[v].x || a.items[i].vertices[v].y != b.items[i].vertices[v].y)
                return ::testing::AssertionFailure() << "command " << i << " vertex " << v << " moved";
    }
    return ::testing::AssertionSuccess();
}

class MeasureGuardTest : public ::testing::TestWithParam<std::string> {
protected:
    const std::string &line() const { return GetParam(); }

    void load(PluginHarness &into, const std::string &skeleton, const std::string &atlas)
    {
        ASSERT_TRUE(into.load(writeExport(folder, skeleton, atlas)).ok) << into.error;
    }

    std::optional<SkeletonBox> measure(const std::string &animation, const char *sweepMilliseconds = nullptr)
    {
        const std::string value = sweepMilliseconds ? sweepMilliseconds : "";
        const ScopedEnvironment sweep("KVX_RUNTIME_MEASURE_SWEEP_MS", sweepMilliseconds ? &value : nullptr);
        return harness.host.animationBounds(animation, harness.error);
    }

    TempFolder folder;
    PluginHarness harness{GetParam()};
};

TEST_P(MeasureGuardTest, MeasureStoppedByItsBudgetFailsAloneAndPlaybackGoesOn)
{
    const std::string skeleton = heavySkeleton(line());
    const std::string atlas = atlasText(line(), {{"body", 0, 0, 16, 16}});
    PluginHarness plain(line());
    load(plain, skeleton, atlas);
    load(harness, skeleton, atlas);
    for (PluginHarness *run : {&plain, &harness}) {
        ASSERT_TRUE(run->select("spin")) << run->error;
        ASSERT_TRUE(run->sample(0.25f).ok) << run->error;
    }
    {
        const ScopedEnvironment budget("KVX_RUNTIME_MEASURE_BUDGET_MS", std::string("1"));
        EXPECT_FALSE(measure("spin", "100000"));
        EXPECT_EQ(harness.error, "Measuring the animation took longer than 0.001 s and was stopped.");
    }
    // The shown pose is the one before the measure, and it plays on exactly as without one.
    for (float delta : {0.0f, 0.25f, 0.25f})
        EXPECT_TRUE(sameVertices(plain.sample(delta), harness.sample(delta))) << "after " << delta;
    ASSERT_TRUE(harness.select("spin")) << harness.error;
    // Within its budget the same skeleton measures: the quarter turn of a 1,000-long chain.
    const std::optional<SkeletonBox> box = measure("spin");
    ASSERT_TRUE(box) << harness.error;
    EXPECT_GT(box->width, 950.0f);
    EXPECT_GT(box->height, 950.0f);
}

// Stopping the engine at arbitrary points, again and again, must never take the process down:
// compiled script code once crashed within a dozen such stops.
TEST(EngineStopTest, ManyStoppedMeasuresLeaveTheEngineSound)
{
    TempFolder folder;
    PluginHarness harness("4.3");
    ASSERT_TRUE(harness.load(writeExport(folder, heavySkeleton("4.3"), atlasText("4.3", {{"body", 0, 0, 16, 16}}))).ok)
        << harness.error;
    ASSERT_TRUE(harness.select("spin")) << harness.error;
    const ScopedEnvironment sweep("KVX_RUNTIME_MEASURE_SWEEP_MS", std::string("100000"));
    for (int i = 0; i < 40; ++i) {
        const ScopedEnvironment budget("KVX_RUNTIME_MEASURE_BUDGET_MS", std::to_string(1 + i % 7));
        EXPECT_FALSE(harness.host.animationBounds("spin", harness.error));
        ASSERT_TRUE(harness.sample(0.01f).ok) << harness.error;
    }
}

TEST_P(MeasureGuardTest, SweepCutShortStillSpansTheWholeAnimation)
{
    const FixtureExport fixture = spikeExport(line());
    load(harness, fixture.skeleton, fixture.atlas);
    // Only the coarse first pass: start and end are in it, the spike is not.
    const std::optional<SkeletonBox> coarse = measure(fixture.animation, "0");
    ASSERT_TRUE(coarse) << harness.error;
    EXPECT_NEAR(coarse->x, -10, 1e-3);
    EXPECT_NEAR(coarse->width, 120, 1e-2);

    PluginHarness fresh(line());
    load(fresh, fixture.skeleton, fixture.atlas);
    const std::optional<SkeletonBox> full = fresh.host.animationBounds(fixture.animation, fresh.error);
    ASSERT_TRUE(full) << fresh.error;
    EXPECT_NEAR(full->x, -10, 1e-3);
    EXPECT_GT(full->width, 500.0f); // every step of 30 a second, the spike included
}

TEST_P(MeasureGuardTest, BoxIsKeptPerSkinAndAnimationUntilTheNextLoad)
{
    const FixtureExport fixture = spikeExport(line());
    load(harness, fixture.skeleton, fixture.atlas);
    ASSERT_TRUE(measure(fixture.animation, "0"));
    // Asked again with time to spare, the kept box answers: framing does not change on reselection.
    const std::optional<SkeletonBox> again = measure(fixture.animation);
    ASSERT_TRUE(again) << harness.error;
    EXPECT_NEAR(again->width, 120, 1e-2);
    // A new load measures afresh.
    load(harness, fixture.skeleton, fixture.atlas);
    const std::optional<SkeletonBox> reloaded = measure(fixture.animation);
    ASSERT_TRUE(reloaded) << harness.error;
    EXPECT_GT(reloaded->width, 500.0f);

    const FixtureExport skins = skinsExport(line());
    load(harness, skins.skeleton, skins.atlas);
    std::string error;
    ASSERT_TRUE(harness.host.setSkin("small", error)) << error;
    const std::optional<SkeletonBox> small = measure(skins.animation);
    ASSERT_TRUE(harness.host.setSkin("large", error)) << error;
    const std::optional<SkeletonBox> large = measure(skins.animation);
    ASSERT_TRUE(small && large) << harness.error;
    EXPECT_NEAR(small->width, 20, 1e-2);
    EXPECT_NEAR(large->width, 40, 1e-2);
}

// 3,000 slots on the root, each showing "body" from skin "alt": choosing that skin touches every
// slot.
std::string manySlotSkeleton(const std::string &line)
{
    std::string slotList, attachments;
    for (int i = 0; i < 3000; ++i) {
        const std::string name = "s" + std::to_string(i);
        slotList += std::string(i ? ", " : "") + R"({"name": ")" + name + R"(", "bone": "root", "attachment": "body"})";
        attachments += std::string(i ? ", " : "") + "\"" + name + R"(": {"body": {"width": 16, "height": 16}})";
    }
    return skeletonJson(line, R"({"name": "root"})", slotList, "", {},
                        R"(, {"name": "alt", "attachments": {)" + attachments + "}}");
}

TEST(SkinGuardTest, ChoosingASkinPastTheFrameBudgetIsStopped)
{
    TempFolder folder;
    PluginHarness harness("4.3");
    const SkeletonMetadata metadata =
        harness.load(writeExport(folder, manySlotSkeleton("4.3"), atlasText("4.3", {{"body", 0, 0, 16, 16}})));
    ASSERT_TRUE(metadata.ok) << harness.error;
    {
        const ScopedEnvironment budget("KVX_RUNTIME_FRAME_BUDGET_MS", std::string("1"));
        EXPECT_FALSE(harness.host.setSkin("alt", harness.error));
        EXPECT_EQ(harness.error,
                  "Choosing the skin took longer than 0.001 s and was stopped; the skeleton is too heavy to preview.");
    }
    // Half the slots may show the new skin: no frame until the next load, which works.
    EXPECT_FALSE(harness.sample(0.0f).ok);
    const FixtureExport skins = skinsExport("4.3");
    ASSERT_TRUE(harness.load(writeExport(folder, skins.skeleton, skins.atlas)).ok) << harness.error;
    EXPECT_TRUE(harness.host.setSkin("small", harness.error)) << harness.error;
    EXPECT_TRUE(harness.sample(0.0f).ok) << harness.error;
}

INSTANTIATE_TEST_SUITE_P(EveryLine, MeasureGuardTest, ::testing::ValuesIn(runtimeLines()),
                         [](const auto &info) { return "Spine" + info.param.substr(0, 1) + info.param.substr(2); });

} // namespace
} // namespace kvx::test
