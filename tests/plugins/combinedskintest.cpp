// Part skins combined through every line's plugin: the combination draws the parts of each skin,
// a later skin's attachment replaces an earlier one's, and a failed combination changes nothing.

#include "plugins/featurefixtures.h"
#include "plugins/pluginharness.h"

#include <gtest/gtest.h>

namespace kvx::test {
namespace {

class CombinedSkinTest : public ::testing::TestWithParam<std::string> {};

TEST_P(CombinedSkinTest, DrawsThePartsOfEverySkinInTheirOrder)
{
    TempFolder folder;
    const FixtureExport fixture = partSkinsExport(GetParam());
    PluginHarness harness(GetParam());
    ASSERT_TRUE(harness.load(writeExport(folder, fixture.skeleton, fixture.atlas)).ok) << harness.error;
    ASSERT_TRUE(harness.host.canCombineSkins());
    ASSERT_TRUE(harness.select(fixture.animation)) << harness.error;
    const auto drawn = [&harness] { return drawnArea(harness.sample(0.0f).items); };

    // Areas: plain's body 200, the hat 16, big's body 1600.
    const struct {
        std::vector<std::string> skins;
        double area;
    } cases[] = {{{"plain"}, 200}, {{"plain", "hat"}, 216}, {{"hat", "plain"}, 216}, {{"plain", "hat", "big"}, 1616},
                 {{"big", "hat", "plain"}, 216}};
    for (const auto &combination : cases) {
        SCOPED_TRACE(::testing::PrintToString(combination.skins));
        ASSERT_TRUE(harness.host.setSkins(combination.skins, harness.error)) << harness.error;
        EXPECT_NEAR(drawn(), combination.area, 0.5);
    }

    EXPECT_FALSE(harness.host.setSkins({"hat", "no such skin"}, harness.error));
    EXPECT_NE(harness.error.find("no such skin"), std::string::npos) << harness.error;
    EXPECT_FALSE(harness.host.setSkins({}, harness.error));
    EXPECT_NEAR(drawn(), 216, 0.5) << "a refused combination leaves the one shown";
}

INSTANTIATE_TEST_SUITE_P(EveryLine, CombinedSkinTest, ::testing::ValuesIn(runtimeLines()),
                         [](const auto &info) { return "Spine" + info.param.substr(0, 1) + info.param.substr(2); });

} // namespace
} // namespace kvx::test
