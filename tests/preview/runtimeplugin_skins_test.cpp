// The host's optional skin choice and animation framing against the configurable test plugin,
// and the rule that picks the first skin shown.

#include "preview/runtimeplugin.h"

#include "support/testfiles.h"
#include "testplugin/testpluginlibrary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace kvx {
namespace {

using testplugin::Call;
using test::TestPluginLibrary;
using test::testPluginPath;

class RuntimePluginSkinTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(plugin.isOpen()) << plugin.error(); }

    void openAndLoad(const std::string &variant = "full")
    {
        std::string error;
        ASSERT_TRUE(host.open(testPluginPath(variant), error)) << error;
        ASSERT_TRUE(host.loadSkeleton("/data/hero.json", "/data/hero.atlas", 1.0f, error).ok) << error;
        plugin.clearCalls();
    }
    // Command i: a right triangle of legs 10 × (i + 1), so command i covers 5 × (i + 1).
    void configureTriangles(uint32_t count) const
    {
        for (uint32_t i = 0; i < count; ++i) {
            const float leg = 10.0f * float(i + 1);
            plugin.setCommand(i, {{0, 0, 0, 0, 0xFFFFFFFF}, {10, 0, 1, 0, 0xFFFFFFFF}, {0, leg, 0, 1, 0xFFFFFFFF}},
                              {0, 1, 2}, "/pages/hero.png");
        }
    }

    TestPluginLibrary plugin{testPluginPath("full")};
    RuntimePlugin host;
};

TEST(InitialSkin, DefaultSkinWinsWhenItDrawsAsMuchAsAnyOther)
{
    EXPECT_EQ(initialSkinIndex({"default", "a", "b"}, {300, 300, 120}), 0u);
    EXPECT_EQ(initialSkinIndex({"a", "default"}, {50, 50}), 1u);
    EXPECT_EQ(initialSkinIndex({"default"}, {0}), 0u);
}

TEST(InitialSkin, OtherwiseTheSkinThatDrawsMostAndTheEarlierOnATie)
{
    EXPECT_EQ(initialSkinIndex({"default", "spear", "body"}, {16, 200, 1600}), 2u);
    EXPECT_EQ(initialSkinIndex({"default", "a", "b"}, {0, 90, 90}), 1u);
    // Without a default skin the most drawing one wins too.
    EXPECT_EQ(initialSkinIndex({"x", "y"}, {1, 2}), 1u);
    EXPECT_EQ(initialSkinIndex({}, {}), 0u);
}

TEST(DrawnArea, SumsTrianglesAndSkipsIndicesPastTheVertices)
{
    DrawItem item;
    item.vertices = {{0, 0, 0, 0, 0}, {10, 0, 0, 0, 0}, {0, 10, 0, 0, 0}, {10, 10, 0, 0, 0}};
    item.indices = {0, 1, 2, 1, 3, 2, 0, 1, 9};
    EXPECT_DOUBLE_EQ(drawnArea({item, item}), 200.0);
    item.vertices[3].x = std::numeric_limits<float>::infinity();
    EXPECT_DOUBLE_EQ(drawnArea({item}), 50.0);
}

TEST_F(RuntimePluginSkinTest, SetSkinPassesTheNameAndReportsThePluginText)
{
    plugin.setSkins({"default", "\xE7\x9A\xAE\xE8\x82\xA4"});
    openAndLoad();
    ASSERT_TRUE(host.canChooseSkin());
    std::string error = "untouched";
    EXPECT_TRUE(host.setSkin("\xE7\x9A\xAE\xE8\x82\xA4", error));
    EXPECT_EQ(error, "untouched");
    ASSERT_EQ(plugin.callsOf(Call::SetSkin).size(), 1u);
    EXPECT_STREQ(plugin.callsOf(Call::SetSkin)[0].text, "\xE7\x9A\xAE\xE8\x82\xA4");

    EXPECT_FALSE(host.setSkin("absent", error));
    EXPECT_EQ(error, "Skin could not be chosen.");
    plugin.setLastError("Skeleton has no skin named absent.");
    EXPECT_FALSE(host.setSkin("absent", error));
    EXPECT_EQ(error, "Skeleton has no skin named absent.");
}

TEST_F(RuntimePluginSkinTest, PluginWithoutTheOptionalExportsOffersNeither)
{
    TestPluginLibrary drawing(testPluginPath("drawing"));
    ASSERT_TRUE(drawing.isOpen());
    drawing.setSkins({"default", "other"});
    openAndLoad("drawing");
    drawing.clearCalls();
    EXPECT_FALSE(host.canChooseSkin());
    EXPECT_FALSE(host.canMeasureAnimations());
    std::string error;
    EXPECT_FALSE(host.setSkin("other", error));
    EXPECT_EQ(error, "Runtime plugin does not provide skin choice.");
    EXPECT_FALSE(host.animationBounds("idle", error));
    EXPECT_EQ(error, "Runtime plugin does not measure animations.");
    EXPECT_FALSE(host.chooseInitialSkin({"default", "other"}, "idle", error));
    EXPECT_TRUE(drawing.calls().empty());
}

TEST_F(RuntimePluginSkinTest, AnimationBoundsHandsAZeroedRecordAndReadsTheBox)
{
    openAndLoad();
    plugin.control().bounds = kvxRuntimeBounds{0, 0, -10.0f, -5.0f, 120.0f, 10.0f};
    std::string error;
    const std::optional<SkeletonBox> box = host.animationBounds("grow", error);
    ASSERT_TRUE(box) << error;
    EXPECT_FLOAT_EQ(box->x, -10.0f);
    EXPECT_FLOAT_EQ(box->y, -5.0f);
    EXPECT_FLOAT_EQ(box->width, 120.0f);
    EXPECT_FLOAT_EQ(box->height, 10.0f);
    const std::vector<testplugin::CallRecord> calls = plugin.callsOf(Call::GetAnimationBounds);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_STREQ(calls[0].text, "grow");
    EXPECT_EQ(calls[0].structSize, 24u);
    EXPECT_TRUE(calls[0].recordWasZeroed);
}

TEST_F(RuntimePluginSkinTest, FailedOrUnusableBoundsAreNoBox)
{
    openAndLoad();
    std::string error;
    plugin.control().failBounds = true;
    EXPECT_FALSE(host.animationBounds("grow", error));
    EXPECT_EQ(error, "Animation could not be measured.");
    plugin.control().failBounds = false;
    for (const kvxRuntimeBounds &bad : {kvxRuntimeBounds{0, 0, NAN, 0, 1, 1}, kvxRuntimeBounds{0, 0, 0, 0, -1, 1},
                                        kvxRuntimeBounds{0, 0, 0, 0, 0, 0},
                                        kvxRuntimeBounds{0, 0, 0, 0, 1, INFINITY}}) {
        plugin.control().bounds = bad;
        error.clear();
        EXPECT_FALSE(host.animationBounds("grow", error));
        EXPECT_EQ(error, "Animation could not be measured.");
    }
}

TEST_F(RuntimePluginSkinTest, InitialSkinTriesEverySkinThenSettlesAndRestartsTheAnimation)
{
    plugin.setSkins({"default", "spear", "body"});
    configureTriangles(3);
    plugin.control().commandsBySkin = true;
    plugin.control().skinCommandCounts[0] = 1; // 50
    plugin.control().skinCommandCounts[1] = 3; // 50 + 100 + 150
    plugin.control().skinCommandCounts[2] = 2; // 50 + 100
    openAndLoad();

    std::string error;
    const std::optional<size_t> chosen = host.chooseInitialSkin({"default", "spear", "body"}, "idle", error);
    ASSERT_TRUE(chosen) << error;
    EXPECT_EQ(*chosen, 1u);
    EXPECT_EQ(plugin.control().currentSkin, 1);
    std::vector<std::string> skinsSet;
    for (const testplugin::CallRecord &entry : plugin.callsOf(Call::SetSkin))
        skinsSet.push_back(entry.text);
    EXPECT_EQ(skinsSet, (std::vector<std::string>{"default", "spear", "body", "spear"}));
    // Each trial is the first frame; afterwards the animation starts over on the chosen skin.
    for (const testplugin::CallRecord &entry : plugin.callsOf(Call::Update))
        EXPECT_EQ(entry.seconds, 0.0f);
    EXPECT_EQ(plugin.calls().back().call, Call::SetAnimation);
}

TEST_F(RuntimePluginSkinTest, DefaultSkinStaysWhenNoOtherDrawsMore)
{
    plugin.setSkins({"default", "hat"});
    configureTriangles(1);
    plugin.control().commandsBySkin = true;
    plugin.control().skinCommandCounts[0] = 1;
    plugin.control().skinCommandCounts[1] = 1;
    openAndLoad();
    std::string error;
    EXPECT_EQ(host.chooseInitialSkin({"default", "hat"}, "", error), std::optional<size_t>(0));
    EXPECT_TRUE(plugin.callsOf(Call::SetAnimation).empty()); // a skeleton without animations
}

// Once the choice's total budget is spent no further skin is tried: the plugin is left on
// "default", or on the first skin when there is none, and the animation starts over.
TEST_F(RuntimePluginSkinTest, SpentBudgetFallsBackWithoutTryingTheOtherSkins)
{
    struct Case {
        std::vector<std::string> skins;
        size_t fallback;
    };
    const test::ScopedEnvironment spent("KVX_RUNTIME_SKIN_CHOICE_BUDGET_MS", std::string("0"));
    for (const Case &entry : {Case{{"hat", "default", "cape"}, 1}, Case{{"hat", "cape"}, 0}}) {
        plugin.setSkins(entry.skins);
        configureTriangles(3);
        plugin.control().commandsBySkin = true;
        for (uint32_t i = 0; i < entry.skins.size(); ++i)
            plugin.control().skinCommandCounts[i] = i + 1; // the last skin draws the most
        openAndLoad();
        std::string error;
        EXPECT_EQ(host.chooseInitialSkin(entry.skins, "idle", error), std::optional<size_t>(entry.fallback)) << error;
        const std::vector<testplugin::CallRecord> set = plugin.callsOf(Call::SetSkin);
        ASSERT_EQ(set.size(), 1u);
        EXPECT_EQ(set[0].text, entry.skins[entry.fallback]);
        EXPECT_TRUE(plugin.callsOf(Call::Update).empty());
        EXPECT_EQ(plugin.calls().back().call, Call::SetAnimation);
    }
}

TEST_F(RuntimePluginSkinTest, RejectedSkinStopsTheChoiceWithTheError)
{
    plugin.setSkins({"default", "broken"});
    std::strcpy(plugin.control().rejectedSkin, "broken");
    openAndLoad();
    std::string error;
    EXPECT_FALSE(host.chooseInitialSkin({"default", "broken"}, "idle", error));
    EXPECT_EQ(error, "Skin could not be chosen.");
}

} // namespace
} // namespace kvx
