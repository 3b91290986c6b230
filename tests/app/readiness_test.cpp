// Readiness through the window on exports written to temp folders: every badge and button state,
// merged runs, and which probe answers may change the window.

#include "support/standineditor.h"
#include "support/windowfixture.h"

#include "app/spinepreviewwidget.h"

#include <QComboBox>
#include <QPushButton>
#include <QSettings>
#include <QThreadPool>
#include <algorithm>

namespace kvx::test {
namespace {

const QString red = QStringLiteral("#ef6b73");
const QString amber = QStringLiteral("#f2b84b");
const QString green = QStringLiteral("#55d68b");
const QString probing = QStringLiteral("正在检查 Editor ...");
const QString noVersion = QStringLiteral("未找到对应版本");

class Readiness : public WindowFixture {
protected:
    void expectIncomplete(const QString &badgeText)
    {
        EXPECT_EQ(badge(), badgeText);
        EXPECT_EQ(badgeColour(), red);
        EXPECT_EQ(buttonText(), QStringLiteral("资源不完整"));
        EXPECT_FALSE(buttonEnabled());
    }
    void expectReady(const QString &version)
    {
        EXPECT_EQ(badge(), QStringLiteral("可转换 · Spine %1").arg(version));
        EXPECT_EQ(badgeColour(), green);
        EXPECT_EQ(buttonText(), QStringLiteral("一键转换为 .spine"));
        EXPECT_TRUE(buttonEnabled());
        EXPECT_EQ(window->readiness().editorVersion(), version);
    }
    void useEditorSetting(const std::filesystem::path &editor)
    {
        QSettings().setValue(QStringLiteral("spineEditorPath"), qpath(editor));
    }
    // Waits until every probe started so far has ended on the pool, then lets its answer arrive.
    void waitForProbeJobs()
    {
        QThreadPool::globalInstance()->waitForDone();
        deliverQueuedWork();
    }
};

TEST_F(Readiness, NothingListedLeavesTheBadgeHidden)
{
    window->readiness().run();
    EXPECT_TRUE(view().badge()->isHidden());
    EXPECT_FALSE(buttonEnabled());
}

TEST_F(Readiness, AMissingAtlasIsReportedEvenWithoutAnEditor)
{
    add(files.write("export/hero.json", skeletonJson("4.2.43")));
    expectIncomplete(QStringLiteral("缺少配套 Atlas"));
}

TEST_F(Readiness, AnUnreadableAtlasIsReported)
{
    files.write("export/hero.json", skeletonJson("4.2.43"));
    files.write("export/hero.atlas", "size: 64, 64\nformat: RGBA8888\n");
    installEditor("Starting: Spine 4.2.43");
    cacheEditorVersion("4.2.43");
    add(files / "export" / "hero.json");
    expectIncomplete(QStringLiteral("Atlas 无法识别"));
}

TEST_F(Readiness, AnAtlasThatIsNoRegularFileIsNeverRead)
{
    files.write("folder/hero.json", skeletonJson("4.2.43"));
    std::filesystem::create_directories(files / "folder" / "hero.atlas");
    add(files / "folder" / "hero.json");
    expectIncomplete(QStringLiteral("Atlas 无法识别"));

    files.write("pipe/goblin.json", skeletonJson("4.2.43"));
    if (!makeFifo(files / "pipe" / "goblin.atlas"))
        return;
    add(files / "pipe" / "goblin.json"); // would block for ever if the FIFO were opened
    expectIncomplete(QStringLiteral("Atlas 无法识别"));
    // Nor is it handed to a runtime plugin, which would open it: the canvas asks for the export
    // instead of reporting what the plugin made of it.
    EXPECT_EQ(view().canvas()->currentMessage(), QStringLiteral("没有找到与骨骼数据配套的 .atlas 文件"));
}

TEST_F(Readiness, TheFirstMissingPageIsNamed)
{
    const auto skeleton = writeExport("two", "hero.json", "4.2.43", {"hero.png", "hero_2.png"}, false);
    files.write("two/hero.png", "png");
    add(skeleton);
    expectIncomplete(QStringLiteral("缺少纹理页 hero_2.png"));

    std::filesystem::remove(files / "two" / "hero.png");
    window->readiness().run();
    expectIncomplete(QStringLiteral("缺少纹理页 hero.png"));
}

TEST_F(Readiness, APageInASubFolderIsLookedUpThereAndNamedByItsFileName)
{
    if (machineHasEditor())
        GTEST_SKIP() << "an editor is installed on this machine";
    const auto skeleton = writeExport("export", "hero.json", "4.2.43", {"images/hero.png"}, false);
    files.write("export/hero.png", "png beside the atlas does not count");
    add(skeleton);
    expectIncomplete(QStringLiteral("缺少纹理页 hero.png"));

    files.write("export/images/hero.png", "png");
    window->readiness().run();
    EXPECT_EQ(badge(), QStringLiteral("未找到 Spine Editor"));
}

TEST_F(Readiness, WithoutAnEditorTheButtonOffersToChooseOne)
{
    if (machineHasEditor())
        GTEST_SKIP() << "an editor is installed on this machine";
    cacheEditorVersion("4.2.43");
    add(writeExport("export", "hero.json", "4.2.43"));
    EXPECT_EQ(badge(), QStringLiteral("未找到 Spine Editor"));
    EXPECT_EQ(badgeColour(), amber);
    EXPECT_EQ(buttonText(), QStringLiteral("指定 Spine 路径"));
    EXPECT_TRUE(buttonEnabled());
    EXPECT_TRUE(window->readiness().editorPath().isEmpty());
    EXPECT_TRUE(window->readiness().editorVersion().isEmpty());
    EXPECT_FALSE(window->readiness().isProbing());
}

TEST_F(Readiness, ACachedVersionOfTheLineIsReadyWithoutAProbe)
{
    const auto editor = installEditor("Starting: Spine 4.2.1");
    cacheEditorVersion("4.2.9");
    cacheEditorVersion("4.2.43");
    cacheEditorVersion("4.1.50");
    add(writeExport("goblin", "goblin.json", "4.1.20"));
    add(writeExport("hero", "hero.json", "4.2.43"));

    expectReady(QStringLiteral("4.2.43"));
    EXPECT_FALSE(window->readiness().isProbing());
    EXPECT_EQ(window->readiness().editorPath(), qpath(std::filesystem::weakly_canonical(editor)));
    // Each line gets the greatest cached version of its own.
    view().resourceList()->setCurrentIndex(0);
    deliverQueuedWork();
    expectReady(QStringLiteral("4.1.50"));
    EXPECT_FALSE(window->readiness().isProbing());
}

TEST_F(Readiness, AnUncachedLineIsProbedAndTurnsGreen)
{
    installEditor("Spine Launcher 4.2.5\nStarting: Spine 4.2.7 Professional\n", 300);
    add(writeExport("export", "hero.json", "4.2.43"));
    EXPECT_EQ(badge(), probing);
    EXPECT_EQ(badgeColour(), amber);
    EXPECT_EQ(buttonText(), QStringLiteral("检查中..."));
    EXPECT_FALSE(buttonEnabled());
    EXPECT_TRUE(window->readiness().isProbing());
    cacheEditorVersion("4.2.7"); // cached by the time the editor answers: only then may it turn green

    ASSERT_TRUE(waitForProbeAnswer());
    expectReady(QStringLiteral("4.2.7"));
}

TEST_F(Readiness, AProbeOfAnotherLineTurnsRedAndWarnsASecondLater)
{
    installEditor("Starting: Spine 4.1.24");
    add(writeExport("export", "hero.json", "4.2.43"));
    ASSERT_TRUE(waitForProbeAnswer());
    EXPECT_EQ(badge(), noVersion);
    EXPECT_EQ(badgeColour(), red);
    EXPECT_EQ(buttonText(), QStringLiteral("指定 Spine 路径"));
    EXPECT_TRUE(buttonEnabled());
    EXPECT_TRUE(window->readiness().editorVersion().isEmpty());
    EXPECT_TRUE(messages.empty()); // the box follows only after a delay

    ASSERT_TRUE(waitFor([this] { return !messages.empty(); }, 5000));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages.front().icon, QMessageBox::Warning);
    EXPECT_EQ(messages.front().title, noVersion);
    EXPECT_EQ(messages.front().text, noVersion);
}

TEST_F(Readiness, EachRunForAnUncachedLineStartsANewProbe)
{
    const std::filesystem::path started = files / "editor-runs";
    const ScopedEnvironment runs("KVX_STANDIN_PID_FILE", started.string()); // a line per editor run
    installEditor("Starting: Spine 4.2.7");
    add(writeExport("export", "hero.json", "4.2.43"));
    ASSERT_TRUE(waitForProbeAnswer());
    window->readiness().run();
    EXPECT_TRUE(window->readiness().isProbing());
    EXPECT_EQ(badge(), probing);
    ASSERT_TRUE(waitForProbeAnswer());
    waitForProbeJobs();
    const std::string lines = readFileBytes(started);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 2) << "the editor was asked once per run";
    // 4.2.7 is not in the update cache, so converting with it would download it: not ready.
    EXPECT_EQ(badge(), noVersion);
    EXPECT_EQ(badgeColour(), red);
}

TEST_F(Readiness, TenFilesInOneDropAreEvaluatedOnceForTheLastOne)
{
    std::vector<std::filesystem::path> skeletons;
    for (int i = 0; i < 10; ++i)
        skeletons.push_back(files.write("many/hero" + std::to_string(i) + ".json", skeletonJson("4.2.43")));
    dropPaths(skeletons);
    EXPECT_EQ(view().resourceList()->count(), 10);
    EXPECT_EQ(view().resourceList()->currentIndex(), 9);
    EXPECT_EQ(window->readiness().runCount(), 1);
    deliverQueuedWork();
    EXPECT_EQ(window->readiness().runCount(), 1) << "no second run was left queued";
}


TEST_F(Readiness, SelectingAnotherEntryRecomputesEverything)
{
    installEditor("Starting: Spine 4.2.1");
    cacheEditorVersion("4.2.43");
    add(writeExport("ready", "hero.json", "4.2.43"));
    add(files.write("lonely/goblin.json", skeletonJson("4.2.43")));
    expectIncomplete(QStringLiteral("缺少配套 Atlas"));

    view().resourceList()->setCurrentIndex(0);
    deliverQueuedWork();
    expectReady(QStringLiteral("4.2.43"));
}

TEST_F(Readiness, AVanishedSkeletonLeavesTheBadgeAsItWas)
{
    const auto skeleton = files.write("export/hero.json", skeletonJson("4.2.43"));
    add(skeleton);
    expectIncomplete(QStringLiteral("缺少配套 Atlas"));
    std::filesystem::remove(skeleton);
    window->readiness().run();
    expectIncomplete(QStringLiteral("缺少配套 Atlas"));
}

TEST_F(Readiness, OnlyTheLatestOfTwoProbesChangesTheWindow)
{
    const auto slow = writeStandinEditorScript(files / "slow" / "Spine.sh", "Starting: Spine 4.1.5", 1500);
    const auto fast = writeStandinEditorScript(files / "fast" / "Spine.sh", "Starting: Spine 4.2.2", 0);
    useEditorSetting(slow);
    add(writeExport("old", "goblin.json", "4.1.20"));
    EXPECT_EQ(badge(), probing);
    useEditorSetting(fast);
    add(writeExport("new", "hero.json", "4.2.43"));
    EXPECT_TRUE(window->readiness().isProbing());
    cacheEditorVersion("4.2.2");

    ASSERT_TRUE(waitForProbeAnswer());
    expectReady(QStringLiteral("4.2.2"));
    waitForProbeJobs(); // the first probe ends now, after the second
    expectReady(QStringLiteral("4.2.2"));
    EXPECT_TRUE(messages.empty());
}


TEST_F(Readiness, ARunWithoutAProbeMakesAnEarlierAnswerStale)
{
    installEditor("Starting: Spine 4.2.5", 800);
    add(writeExport("export", "hero.json", "4.2.43"));
    EXPECT_EQ(badge(), probing);
    add(files.write("lonely/goblin.json", skeletonJson("4.2.43")));
    expectIncomplete(QStringLiteral("缺少配套 Atlas"));
    EXPECT_FALSE(window->readiness().isProbing()) << "the earlier run's probe no longer speaks for the badge";

    waitForProbeJobs();
    expectIncomplete(QStringLiteral("缺少配套 Atlas"));
    EXPECT_TRUE(window->readiness().editorVersion().isEmpty());
}

TEST_F(Readiness, TheDelayedWarningIsDroppedOnceAnotherEvaluationTookOver)
{
    installEditor("Starting: Spine 3.8.99");
    add(writeExport("export", "hero.json", "4.2.43"));
    ASSERT_TRUE(waitForProbeAnswer());
    EXPECT_EQ(badge(), noVersion);
    add(files.write("lonely/goblin.json", skeletonJson("4.2.43")));
    waitForReferenceTicks(1, 1400); // past the warning's delay
    EXPECT_TRUE(messagesTitled(noVersion).empty());
}

// The job's own failures (an editor that answers nothing readable, a listing that throws) all end
// as no version; the throwing job itself is covered with the probe answer's tests.
TEST_F(Readiness, AProbeWithoutAnAnswerCountsAsNoVersion)
{
    installEditor("garbage on the console\n", 400);
    add(writeExport("export", "hero.json", "4.2.43"));
    EXPECT_EQ(badge(), probing);
    ASSERT_TRUE(waitForProbeAnswer());
    EXPECT_EQ(badge(), noVersion);
    EXPECT_EQ(buttonText(), QStringLiteral("指定 Spine 路径"));
    EXPECT_TRUE(window->readiness().editorVersion().isEmpty());
}

TEST_F(Readiness, ARunningConversionKeepsTheButtonDisabled)
{
    installEditor("Starting: Spine 4.2.1", 60000); // the conversion waits in its first step
    cacheEditorVersion("4.2.43");
    add(writeExport("export", "hero.json", "4.2.43"));
    expectReady(QStringLiteral("4.2.43"));

    ASSERT_TRUE(window->convertInto(qpath(files / "out")));
    EXPECT_EQ(buttonText(), QStringLiteral("正在转换…"));
    EXPECT_FALSE(buttonEnabled());
    window->readiness().run();
    EXPECT_EQ(buttonText(), QStringLiteral("正在转换…"));
    EXPECT_FALSE(buttonEnabled());
    EXPECT_FALSE(window->convertInto(qpath(files / "out"))) << "one conversion at a time";

    view().stopButton()->click();
    EXPECT_FALSE(window->conversion().isRunning());
    expectReady(QStringLiteral("4.2.43"));
}

} // namespace
} // namespace kvx::test
