// An editor started through a launcher script that runs it as its child, as editor launchers
// commonly do: however the conversion ends, the launcher and the editor under it end with it.

#include "assets/qt/exportreading.h"
#include "conversion/qt/batchconversion.h"
#include "conversion/conversionsandbox.h"
#include "conversion/jobrecorder.h"
#include "support/processes_posix.h"

#include <QFileInfo>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace kvx {
namespace {

namespace fs = std::filesystem;
using test::ConversionSandbox;
using test::ScopedEnvironment;
using test::processIsLive;
using test::recordedIds;

constexpr char kChildLauncher[] = R"("$editor" "$@")";
// Ignored signals stay ignored in the child: neither launcher nor editor ends on a request.
constexpr char kDeafLauncher[] = "trap '' TERM\n\"$editor\" \"$@\"";

class EditorTreeTest : public ::testing::Test {
protected:
    ~EditorTreeTest() override
    {
        test::killRecorded(editorIds);
        test::killRecorded(box.launcherIds());
    }

    // The launcher and the editor it runs as its child, once both are up.
    std::pair<long, long> launcherAndEditor() const
    {
        const bool up = test::waitFor([&] { return !recordedIds(editorIds).empty(); });
        if (!up || recordedIds(box.launcherIds()).empty())
            return {0, 0};
        return {recordedIds(box.launcherIds()).front(), recordedIds(editorIds).front()};
    }

    ConversionSandbox box;
    fs::path editorIds = box.root / "editor.pid";
    // The stand-in waits in its first step for far longer than any test runs.
    ScopedEnvironment hang{"KVX_STANDIN_DELAY_MS", std::string("600000")};
    ScopedEnvironment idFile{"KVX_STANDIN_PID_FILE", editorIds.string()};
};

struct StopCase {
    const char *name;
    const char *launcher;
    std::function<void(test::JobRecorder &)> stop;
};

void PrintTo(const StopCase &stop, std::ostream *out)
{
    *out << stop.name;
}

class JobStopTest : public EditorTreeTest, public ::testing::WithParamInterface<StopCase> {};

TEST_P(JobStopTest, EndsTheLauncherAndTheEditorUnderIt)
{
    box.installLauncher(GetParam().launcher);
    test::JobRecorder recorder(box, false);
    recorder.job->start();
    const auto [launcher, editor] = launcherAndEditor();
    ASSERT_GT(editor, 0) << "the conversion never reached the editor";
    ASSERT_EQ(test::parentOf(editor), launcher) << "the launcher must run the editor as its child";
    const QString working = recorder.job->workingDirectory();

    GetParam().stop(recorder);
    // Done when the stop returns.
    EXPECT_FALSE(processIsLive(editor)) << "the editor outlived its launcher";
    EXPECT_FALSE(processIsLive(launcher));
    EXPECT_FALSE(QFileInfo::exists(working));
}

INSTANTIATE_TEST_SUITE_P(
    Stops, JobStopTest,
    ::testing::Values(StopCase{"Cancel", kChildLauncher, [](test::JobRecorder &r) { r.job->cancel(); }},
                      StopCase{"JobDeleted", kChildLauncher, [](test::JobRecorder &r) { r.release(); }},
                      StopCase{"DeafTreeForced", kDeafLauncher, [](test::JobRecorder &r) { r.job->cancel(); }}),
    [](const ::testing::TestParamInfo<StopCase> &info) { return std::string(info.param.name); });

TEST_F(EditorTreeTest, StoppingTheBatchEndsTheLauncherAndTheEditorUnderIt)
{
    box.installLauncher(kChildLauncher);
    BatchConversion batch(box.q(box.editor()), box.q(box.output()), false,
                          {{readExport(box.q(box.skeleton())), QStringLiteral("4.2.43"), std::nullopt, QString()}});
    batch.start();
    const auto [launcher, editor] = launcherAndEditor();
    ASSERT_GT(editor, 0);
    batch.stop();
    EXPECT_FALSE(processIsLive(editor));
    EXPECT_FALSE(processIsLive(launcher));
    EXPECT_EQ(test::entryNames(box.output()), QStringList());
}

// The launcher fails while the editor it started in the background works on: the failed step
// ends the editor too.
TEST_F(EditorTreeTest, FailedStepEndsWhatItsLauncherLeftRunning)
{
    const fs::path childIds = box.root / "child.pid";
    box.installLauncher("\"$editor\" \"$@\" &\necho $! >> '" + childIds.string() + "'\nexit 3");
    test::JobRecorder recorder(box, false);
    const test::JobReport &report = recorder.run();
    ASSERT_EQ(report.count, 1);
    EXPECT_FALSE(report.success);
    EXPECT_TRUE(report.error.startsWith("官方图集解包失败")) << report.error.toStdString();
    ASSERT_EQ(recordedIds(childIds).size(), 1u);
    EXPECT_FALSE(processIsLive(recordedIds(childIds).front()));
    test::killRecorded(childIds);
}

} // namespace
} // namespace kvx
