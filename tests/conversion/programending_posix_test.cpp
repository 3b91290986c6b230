// The real program asked to end by a signal while its editor works: it ends as if its window were
// closed, so the editor is stopped and the working folder removed.

#include "conversion/conversionsandbox.h"
#include "support/processes_posix.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>

namespace kvx {
namespace {

namespace fs = std::filesystem;
using test::ConversionSandbox;
using test::processIsLive;
using test::ScopedEnvironment;

long firstRecordedId(const fs::path &file)
{
    const std::vector<long> ids = test::recordedIds(file);
    return ids.empty() ? 0 : ids.front();
}

bool hasWorkingFolder(const fs::path &output)
{
    for (const QString &name : test::entryNames(output)) {
        if (name.startsWith(QStringLiteral(".kovexa-")))
            return true;
    }
    return false;
}

class ProgramEndingTest : public ::testing::TestWithParam<int> {
protected:
    ~ProgramEndingTest() override
    {
        if (program.state() != QProcess::NotRunning) {
            program.kill();
            program.waitForFinished(30000);
        }
        if (const long pid = firstRecordedId(pidFile); pid > 0 && processIsLive(pid))
            ::kill(static_cast<pid_t>(pid), SIGKILL);
    }

    void startConverting()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(QStringLiteral(KVX_APP_PATH),
                      {box.q(box.skeleton()), QStringLiteral("--convert-into"), box.q(box.output())});
        ASSERT_TRUE(program.waitForStarted(30000));
    }

    ConversionSandbox box;
    fs::path pidFile = box.root / "editor.pid";
    // The stand-in hangs in its first step for far longer than any test runs.
    ScopedEnvironment hang{"KVX_STANDIN_DELAY_MS", std::string("600000")};
    ScopedEnvironment pidVariable{"KVX_STANDIN_PID_FILE", pidFile.string()};
    QProcess program;
};

TEST_P(ProgramEndingTest, SignalMidConversionStopsTheEditorAndRemovesTheWorkingFolder)
{
    startConverting();
    ASSERT_TRUE(test::waitFor([&] { return firstRecordedId(pidFile) > 0 && hasWorkingFolder(box.output()); }))
        << "the conversion never reached the editor";
    const long editor = firstRecordedId(pidFile);
    ASSERT_TRUE(processIsLive(editor));

    ASSERT_EQ(::kill(static_cast<pid_t>(program.processId()), GetParam()), 0);
    ASSERT_TRUE(program.waitForFinished(60000)) << "the program did not end on " << strsignal(GetParam());
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << "killed by the signal instead of ending";
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_FALSE(processIsLive(editor)) << "the editor outlived the program";
    EXPECT_EQ(test::entryNames(box.output()), QStringList());
    EXPECT_EQ(test::readFileBytes(box.exportFolder() / "hero.atlas"), test::exportAtlasText());
}

INSTANTIATE_TEST_SUITE_P(EndingSignals, ProgramEndingTest, ::testing::Values(SIGTERM, SIGINT, SIGHUP),
                         [](const ::testing::TestParamInfo<int> &info) {
                             return std::string(sigabbrev_np(info.param));
                         });

} // namespace
} // namespace kvx
