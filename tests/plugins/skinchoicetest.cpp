// Skeletons of many skins: the first skin shown is found without searching the skin list once per
// skin, and the choice stops at its total budget on the default skin.

#include "plugins/exportfixtures.h"
#include "plugins/hostileexports.h"
#include "plugins/pluginharness.h"

#include "common/qt/pathtext.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>

namespace kvx::test {
namespace {

std::string bodyAtlas(const std::string &line)
{
    return atlasText(line, {{"body", 0, 0, 16, 16}});
}

class ManySkinsTest : public ::testing::TestWithParam<std::string> {
protected:
    const std::string &line() const { return GetParam(); }

    TempFolder folder;
};

// Each skin tried costs a few reads of the lists, not a search through all of them (3,000 skins
// cost 4.5 million reads when every lookup searched the list), and selecting the animation again
// for each skin starts it over instead of chaining one mixing entry per skin.
TEST_P(ManySkinsTest, ChoosingTheFirstSkinReadsTheListsALinearNumberOfTimes)
{
    constexpr int count = 3000;
    const ExportPaths paths = writeExport(folder, manySkinsSkeleton(line(), count), bodyAtlas(line()));
    QProcess node;
    node.start(QStringLiteral(KVX_NODE_PATH),
               {QStringLiteral(KVX_SOURCE_DIR "/tests/plugins/skinlookups.mjs"),
                QStringLiteral(KVX_RUNTIME_SCRIPT_DIR "/runtimescript-%1.js").arg(QString::fromStdString(line())),
                toQString(paths.skeleton), toQString(paths.atlas), QStringLiteral("idle")});
    ASSERT_TRUE(node.waitForFinished(100000) && node.exitCode() == 0) << node.readAllStandardError().toStdString();
    const QJsonObject counts = QJsonDocument::fromJson(node.readAllStandardOutput()).object();
    EXPECT_EQ(counts["skins"].toInt(), count);
    EXPECT_LE(counts["reads"].toInt(), 3 * count);
    EXPECT_EQ(counts["mixing"].toInt(), 0);
}

std::string lineName(const ::testing::TestParamInfo<std::string> &info)
{
    std::string name = "Spine" + info.param;
    name.erase(name.find('.'), 1);
    return name;
}

INSTANTIATE_TEST_SUITE_P(EveryLine, ManySkinsTest, ::testing::Values("3.8", "4.0", "4.1", "4.2", "4.3"), lineName);

class ThirtyThousandSkinsTest : public ManySkinsTest {};

// With its budget spent at once the choice tries nothing and shows the default skin, although the
// last skin draws the most; the load itself stays within its own budget.
TEST_P(ThirtyThousandSkinsTest, SpentBudgetShowsTheDefaultSkin)
{
    const ScopedEnvironment spent("KVX_RUNTIME_SKIN_CHOICE_BUDGET_MS", std::string("0"));
    PluginHarness harness(line());
    const SkeletonMetadata metadata =
        harness.load(writeExport(folder, manySkinsSkeleton(line(), 30000), bodyAtlas(line())));
    ASSERT_TRUE(metadata.ok) << harness.error;
    ASSERT_EQ(metadata.skins.size(), 30000u);
    EXPECT_EQ(harness.host.chooseInitialSkin(metadata.skins, "idle", harness.error), std::optional<size_t>(0))
        << harness.error;
    const PreviewFrame frame = harness.sample(0.0f);
    ASSERT_TRUE(frame.ok) << harness.error;
    EXPECT_NEAR(drawnArea(frame.items), 16.0, 1e-3);
}

INSTANTIATE_TEST_SUITE_P(Lines, ThirtyThousandSkinsTest, ::testing::Values("3.8", "4.3"), lineName);

} // namespace
} // namespace kvx::test
