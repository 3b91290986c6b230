// Choosing the editor through the window, and reading the probe job's answer.

#include "windowfixture.h"

#include "app/probeanswer.h"

#include <QPromise>
#include <QSettings>
#include <QtConcurrent/QtConcurrentRun>

namespace kvx::test {
namespace {

using ChooseEditor = WindowFixture;

QVariant storedEditorPath()
{
    return QSettings().value(QStringLiteral("spineEditorPath"));
}

TEST_F(ChooseEditor, ACancelledDialogChangesNothing)
{
    editorAnswer.clear();
    EXPECT_FALSE(access().chooseSpineEditor());
    EXPECT_TRUE(access().badgeLabel()->isHidden());
    EXPECT_FALSE(storedEditorPath().isValid());
    EXPECT_EQ(access().readinessRuns(), 0);
}

TEST_F(ChooseEditor, APathThatIsNoEditorTurnsTheBadgeRedAndStoresNothing)
{
    if (machineHasEditor())
        GTEST_SKIP() << "an editor is installed on this machine";
    add(writeExport("export", "hero.json", "4.2.43"));
    ASSERT_EQ(buttonText(), QStringLiteral("指定 Spine 路径"));

    std::filesystem::create_directories(files / "empty folder");
    for (const auto &candidate : {files / "missing" / "Spine.sh", files / "empty folder"}) {
        editorAnswer = qpath(candidate);
        EXPECT_FALSE(access().chooseSpineEditor());
        EXPECT_EQ(badge(), QStringLiteral("选择的路径不是 Spine Editor"));
        EXPECT_EQ(badgeColour(), QStringLiteral("#ef6b73"));
        EXPECT_EQ(buttonText(), QStringLiteral("指定 Spine 路径")); // the button stays as it was
        EXPECT_TRUE(buttonEnabled());
        EXPECT_FALSE(storedEditorPath().isValid());
        EXPECT_TRUE(access().editorPath().isEmpty());
    }
}

TEST_F(ChooseEditor, TheChosenTextIsStoredAsReturnedAndTheEditorUsedAtOnce)
{
    const auto editor = writeEditorScript(files / "tools" / "编辑器" / "Spine.sh", "Starting: Spine 4.2.1");
    cacheEditorVersion("4.2.43");
    add(writeExport("export", "hero.json", "4.2.43"));
    const int runs = access().readinessRuns();

    editorAnswer = qpath(files / "tools" / "编辑器") + QStringLiteral("/./"); // a folder holding the editor
    EXPECT_TRUE(access().chooseSpineEditor());
    EXPECT_EQ(storedEditorPath().toString(), editorAnswer);
    EXPECT_EQ(access().editorPath(), qpath(std::filesystem::weakly_canonical(editor)));
    EXPECT_TRUE(access().editorPath().contains(QStringLiteral("编辑器")));
    EXPECT_EQ(access().readinessRuns(), runs + 1); // evaluated directly, not queued
    EXPECT_FALSE(access().readinessScheduled());
    EXPECT_EQ(badge(), QStringLiteral("可转换 · Spine 4.2.43"));
}

TEST_F(ChooseEditor, AnEditorThatStillNeedsAProbeAnswersFalseAndTurnsGreenLater)
{
    const auto editor = writeEditorScript(files / "tools" / "Spine.sh", "Starting: Spine 4.2.8", 200);
    add(writeExport("export", "hero.json", "4.2.43"));
    editorAnswer = qpath(editor);
    EXPECT_FALSE(access().chooseSpineEditor());
    EXPECT_EQ(badge(), QStringLiteral("正在检查 Editor ..."));
    cacheEditorVersion("4.2.8"); // only a cached version may turn green
    ASSERT_TRUE(waitForProbeAnswer());
    EXPECT_EQ(badge(), QStringLiteral("可转换 · Spine 4.2.8"));
    EXPECT_EQ(access().editorVersion(), QStringLiteral("4.2.8"));
}

TEST(ProbeAnswer, HandsOverTheJobsPair)
{
    auto future = QtConcurrent::run([] { return std::pair<int, QString>(7, QStringLiteral("4.2.43")); });
    EXPECT_EQ(probeAnswer(future, 9), std::make_pair(7, QStringLiteral("4.2.43")));
}

TEST(ProbeAnswer, AJobThatThrewAnswersEmptyForTheCurrentGeneration)
{
    auto future = QtConcurrent::run([]() -> std::pair<int, QString> { throw std::runtime_error("listing failed"); });
    EXPECT_EQ(probeAnswer(future, 3), std::make_pair(3, QString()));
}

TEST(ProbeAnswer, ACancelledJobWithoutResultAnswersEmpty)
{
    QPromise<std::pair<int, QString>> promise;
    QFuture<std::pair<int, QString>> future = promise.future();
    promise.start();
    future.cancel();
    promise.finish();
    EXPECT_EQ(probeAnswer(future, 4), std::make_pair(4, QString()));
}

} // namespace
} // namespace kvx::test
