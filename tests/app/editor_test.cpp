// Choosing the editor through the window, and reading the probe job's answer.

#include "support/standineditor.h"
#include "support/windowfixture.h"

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
    EXPECT_FALSE(window->readiness().chooseEditor());
    EXPECT_TRUE(view().badge()->isHidden());
    EXPECT_FALSE(storedEditorPath().isValid());
    EXPECT_EQ(window->readiness().runCount(), 0);
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
        EXPECT_FALSE(window->readiness().chooseEditor());
        EXPECT_EQ(badge(), QStringLiteral("选择的路径不是 Spine Editor"));
        EXPECT_EQ(badgeColour(), QStringLiteral("#ef6b73"));
        EXPECT_EQ(buttonText(), QStringLiteral("指定 Spine 路径")); // the button stays as it was
        EXPECT_TRUE(buttonEnabled());
        EXPECT_FALSE(storedEditorPath().isValid());
        EXPECT_TRUE(window->readiness().editorPath().isEmpty());
    }
}

TEST_F(ChooseEditor, TheChosenTextIsStoredAsReturnedAndTheEditorUsedAtOnce)
{
    const auto editor = writeStandinEditorScript(files / "tools" / "编辑器" / "Spine.sh", "Starting: Spine 4.2.1");
    cacheEditorVersion("4.2.43");
    add(writeExport("export", "hero.json", "4.2.43"));
    const int runs = window->readiness().runCount();

    editorAnswer = qpath(files / "tools" / "编辑器") + QStringLiteral("/./"); // a folder holding the editor
    EXPECT_TRUE(window->readiness().chooseEditor());
    EXPECT_EQ(storedEditorPath().toString(), editorAnswer);
    EXPECT_EQ(window->readiness().editorPath(), qpath(std::filesystem::weakly_canonical(editor)));
    EXPECT_TRUE(window->readiness().editorPath().contains(QStringLiteral("编辑器")));
    EXPECT_EQ(window->readiness().runCount(), runs + 1); // evaluated directly, not queued
    deliverQueuedWork();
    EXPECT_EQ(window->readiness().runCount(), runs + 1);
    EXPECT_EQ(badge(), QStringLiteral("可转换 · Spine 4.2.43"));
}

TEST_F(ChooseEditor, AnEditorThatStillNeedsAProbeAnswersFalseAndTurnsGreenLater)
{
    const auto editor = writeStandinEditorScript(files / "tools" / "Spine.sh", "Starting: Spine 4.2.8", 200);
    add(writeExport("export", "hero.json", "4.2.43"));
    editorAnswer = qpath(editor);
    EXPECT_FALSE(window->readiness().chooseEditor());
    EXPECT_EQ(badge(), QStringLiteral("正在检查 Editor ..."));
    cacheEditorVersion("4.2.8"); // only a cached version may turn green
    ASSERT_TRUE(waitForProbeAnswer());
    EXPECT_EQ(badge(), QStringLiteral("可转换 · Spine 4.2.8"));
    EXPECT_EQ(window->readiness().editorVersion(), QStringLiteral("4.2.8"));
}

TEST(ProbeAnswer, HandsOverTheJobsPair)
{
    const std::optional<SpineVersion> version = parseSpineVersion("4.2.43");
    auto future = QtConcurrent::run([version] { return ProbeAnswer(7, version); });
    EXPECT_EQ(probeAnswer(future, 9), ProbeAnswer(7, version));
}

TEST(ProbeAnswer, AJobThatThrewAnswersEmptyForTheCurrentGeneration)
{
    auto future = QtConcurrent::run([]() -> ProbeAnswer { throw std::runtime_error("listing failed"); });
    EXPECT_EQ(probeAnswer(future, 3), ProbeAnswer(3, std::nullopt));
}

TEST(ProbeAnswer, ACancelledJobWithoutResultAnswersEmpty)
{
    QPromise<ProbeAnswer> promise;
    QFuture<ProbeAnswer> future = promise.future();
    promise.start();
    future.cancel();
    promise.finish();
    EXPECT_EQ(probeAnswer(future, 4), ProbeAnswer(4, std::nullopt));
}

} // namespace
} // namespace kvx::test
