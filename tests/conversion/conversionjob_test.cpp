// ConversionJob end to end with the stand-in editor: results, checks in order, failures, cleanup.

#include "conversion/qt/conversionjob.h"
#include "conversion/conversionsandbox.h"
#include "conversion/jobrecorder.h"

#include "common/qt/pathtext.h"

#include <QFileInfo>
#include <QProcess>
#include <cerrno>
#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace kvx {
namespace {

namespace fs = std::filesystem;
using test::ConversionSandbox;
using test::JobRecorder;
using test::ScopedEnvironment;
using test::entryNames;

// The process's peak resident memory so far, from /proc (Linux only; 0 elsewhere).
long long peakResidentKiB()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stoll(line.substr(6));
    }
    return 0;
}

// Bytes a process has written so far, from /proc (Linux only; 0 elsewhere).
long long bytesWrittenBy(qint64 pid)
{
    std::ifstream io("/proc/" + std::to_string(pid) + "/io");
    for (std::string line; std::getline(io, line);) {
        if (line.rfind("wchar:", 0) == 0)
            return std::stoll(line.substr(6));
    }
    return 0;
}

// Far more than the part of an editor's output that is shown; held whole it would show in the peak.
constexpr long long kFloodBytes = 200'000'000;
constexpr long long kMemoryGrowthBoundKiB = 64 * 1024;

// AddressSanitizer holds freed memory back in its quarantine (256 MB by default), so the peak says
// nothing about what is kept there.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kPeakMemoryIsMeaningful = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kPeakMemoryIsMeaningful = false;
#else
constexpr bool kPeakMemoryIsMeaningful = true;
#endif
#else
constexpr bool kPeakMemoryIsMeaningful = true;
#endif

void expectFlatMemory(long long peakBefore)
{
    if (kPeakMemoryIsMeaningful)
        EXPECT_LT(peakResidentKiB() - peakBefore, kMemoryGrowthBoundKiB);
}

std::vector<std::string> logLines(const ConversionSandbox &box)
{
    std::ifstream in(box.log());
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

class ConversionJobTest : public ::testing::Test {
protected:
    // A failure must leave nothing in the output parent once the job is gone.
    void expectFailureLeavesNothing(JobRecorder &recorder, const QString &message)
    {
        const test::JobReport report = recorder.run();
        EXPECT_EQ(report.count, 1);
        EXPECT_FALSE(report.success);
        EXPECT_TRUE(report.outputDirectory.isEmpty());
        EXPECT_EQ(report.error, message);
        EXPECT_EQ(recorder.job->currentStage(), ConversionStage::Finished);
        recorder.release();
        EXPECT_EQ(entryNames(box.output()), QStringList());
        EXPECT_EQ(box.exportFingerprint(), fingerprint);
    }

    ConversionSandbox box;
    std::string fingerprint = box.exportFingerprint();
};

TEST_F(ConversionJobTest, PublishesTheProjectFolderNamedAfterTheSkeleton)
{
    JobRecorder recorder(box, false);
    const test::JobReport report = recorder.run();
    ASSERT_TRUE(report.success) << report.error.toStdString();
    EXPECT_EQ(report.count, 1);
    EXPECT_EQ(report.outputDirectory, box.q(box.output() / "hero"));
    EXPECT_TRUE(report.error.isEmpty());
    EXPECT_TRUE(recorder.job->workingDirectory().isEmpty());

    recorder.release();
    EXPECT_EQ(entryNames(box.output()), QStringList{"hero"});
    EXPECT_EQ(entryNames(box.output() / "hero"), (QStringList{"hero.spine", "images"}));
    EXPECT_GT(fs::file_size(box.output() / "hero/hero.spine"), 0u);
    EXPECT_EQ(entryNames(box.output() / "hero/images"), (QStringList{"arm.png", "body.png", "face"}));
    EXPECT_EQ(box.exportFingerprint(), fingerprint);

    // The unpacker read the copy in the working folder and the page images in the export's folder.
    const std::vector<std::string> lines = logLines(box);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("\t-i\t" + box.exportFolder().string() + "\t"), std::string::npos);
    EXPECT_NE(lines[0].find("/.kovexa-"), std::string::npos);
    EXPECT_NE(lines[0].find("/unpack.atlas"), std::string::npos);
    EXPECT_NE(lines[1].find("\t-s\t1\t"), std::string::npos);
}

TEST_F(ConversionJobTest, SecondAndThirdConversionsGetNumberedFolders)
{
    for (const char *expected : {"hero", "hero-2", "hero-3"}) {
        JobRecorder recorder(box, false);
        ASSERT_TRUE(recorder.run().success) << recorder.report.error.toStdString();
        EXPECT_EQ(recorder.report.outputDirectory, box.q(box.output() / expected));
    }
    EXPECT_EQ(entryNames(box.output()), (QStringList{"hero", "hero-2", "hero-3"}));
    for (const char *folder : {"hero", "hero-2", "hero-3"})
        EXPECT_GT(fs::file_size(box.output() / folder / "hero.spine"), 0u);
}

TEST(UniqueOutputPath, SkipsEveryKindOfExistingEntry)
{
    test::TempFolder parent;
    const QString parentText = toQString(parent.path());
    EXPECT_EQ(uniqueOutputPath(parentText, "hero"), toQString(parent / "hero"));
    fs::create_directory(parent / "hero");
    parent.write("hero-2", "a file");
    fs::create_symlink(parent / "nowhere", parent / "hero-3"); // dangling
    EXPECT_EQ(uniqueOutputPath(parentText, "hero"), toQString(parent / "hero-4"));
    EXPECT_EQ(uniqueOutputPath(parentText, "other"), toQString(parent / "other"));
}

TEST(UniqueOutputPath, KeepsPlaceMarkersInTheBaseNameAsTheyAre)
{
    test::TempFolder parent;
    fs::create_directory(parent / "hero%2");
    EXPECT_EQ(uniqueOutputPath(toQString(parent.path()), "hero%2"), toQString(parent / "hero%2-2"));
}

// The import scale is the atlas's; the placeholder project names the scale it was given.
class ConversionScaleTest : public ConversionJobTest {
protected:
    std::string convertWithPageScales(const std::string &first, const std::string &second)
    {
        box.writeAtlas("hero.png\nsize: 8, 8\n" + first + "body\nbounds: 0, 0, 4, 2\n\nhero_2.png\nsize: 4, 4\n"
                       + second + "head\nbounds: 0, 0, 2, 2\n");
        JobRecorder recorder(box, false);
        recorder.run();
        if (!recorder.report.success)
            return "failed: " + recorder.report.error.toStdString();
        return test::readFileBytes(recorder.report.outputDirectory.toStdString() + "/hero.spine");
    }
};

TEST_F(ConversionScaleTest, ImportScaleIsTheFirstPagesInItsShortestForm)
{
    EXPECT_NE(convertWithPageScales("", "").find("scale: 1\n"), std::string::npos);
    EXPECT_NE(convertWithPageScales("scale: 0.5\n", "scale: 0.5000005\n").find("scale: 0.5\n"), std::string::npos);
    EXPECT_NE(convertWithPageScales("scale: 2.0\n", "scale: 2\n").find("scale: 2\n"), std::string::npos);
}

TEST_F(ConversionScaleTest, PageScalesThatDifferFail)
{
    const std::string differ = "failed: Atlas 的纹理页使用了不同 scale，无法生成尺寸一致的工程。";
    EXPECT_EQ(convertWithPageScales("scale: 0.5\n", "scale: 0.5001\n"), differ);
    EXPECT_EQ(convertWithPageScales("scale: 0.5\n", "scale: nan\n"), differ);
    EXPECT_EQ(convertWithPageScales("", "scale: 2\n"), differ);
}

TEST_F(ConversionScaleTest, FirstPageScaleMustBePositiveAndFinite)
{
    const std::string invalid = "failed: Atlas 中的 scale 无效。";
    EXPECT_EQ(convertWithPageScales("scale: 0\n", "scale: 0\n"), invalid);
    EXPECT_EQ(convertWithPageScales("scale: -1\n", ""), invalid);
    EXPECT_EQ(convertWithPageScales("scale: inf\n", ""), invalid);
    EXPECT_EQ(convertWithPageScales("scale: nan\n", ""), invalid);
    EXPECT_EQ(entryNames(box.output()), QStringList());
}

TEST_F(ConversionJobTest, UncachedEditorVersionStopsBeforeTheEditorRuns)
{
    JobRecorder recorder(box, false, "4.2.44");
    expectFailureLeavesNothing(recorder, "本地未缓存 Spine 4.2.44。为避免触发下载，转换已停止。");
    EXPECT_FALSE(fs::exists(box.log()));
    EXPECT_FALSE(fs::exists(box.output()));
}

TEST_F(ConversionJobTest, UnparsableOrPatchlessEditorVersionCountsAsNotCached)
{
    JobRecorder unparsable(box, false, "latest");
    expectFailureLeavesNothing(unparsable, "本地未缓存 Spine latest。为避免触发下载，转换已停止。");
    JobRecorder patchless(box, false, "4.2"); // only 4.2.43 is cached
    expectFailureLeavesNothing(patchless, "本地未缓存 Spine 4.2。为避免触发下载，转换已停止。");
    EXPECT_FALSE(fs::exists(box.log()));
}

TEST_F(ConversionJobTest, MissingEditorIsReported)
{
    fs::remove(box.editor());
    JobRecorder recorder(box, false);
    expectFailureLeavesNothing(recorder, "找不到已指定的 Spine Editor。请重新指定程序路径。");
}

TEST_F(ConversionJobTest, UnrecognisedAtlasIsReported)
{
    box.writeAtlas("size: 8, 8\nhero.png\n");
    fingerprint = box.exportFingerprint();
    JobRecorder recorder(box, false);
    expectFailureLeavesNothing(recorder, "Atlas 无法识别，不能确定官方导入比例。");
}

TEST_F(ConversionJobTest, OutputParentThatCannotBeCreatedIsReported)
{
    box.root.write("blocker", "a file where a folder should be");
    auto job = std::make_unique<ConversionJob>(requestInto(box, box.q(box.root / "blocker/out")));
    JobRecorder recorder(std::move(job));
    recorder.run();
    EXPECT_TRUE(recorder.report.error.startsWith("无法创建输出目录。\n系统原因：")) << recorder.report.error.toStdString();
    recorder.release();
    EXPECT_EQ(test::readFileBytes(box.root / "blocker"), "a file where a folder should be");
}

TEST_F(ConversionJobTest, WorkingFolderThatCannotBeCreatedIsReported)
{
    box.root.write("plainfile", "not a folder");
    auto job = std::make_unique<ConversionJob>(requestInto(box, box.q(box.root / "plainfile")));
    JobRecorder recorder(std::move(job));
    recorder.run();
    EXPECT_TRUE(recorder.report.error.startsWith("无法创建临时转换目录。\n系统原因：")) << recorder.report.error.toStdString();
    EXPECT_FALSE(fs::exists(box.log()));
}

TEST_F(ConversionJobTest, OutputParentCreatedByTheJobIsAllThatRemainsOfAFailure)
{
    const fs::path nested = box.root / "new/deeper";
    auto job = std::make_unique<ConversionJob>(requestInto(box, box.q(nested)));
    ScopedEnvironment failing("KVX_STANDIN_FAIL_CODE", std::string("1"));
    JobRecorder recorder(std::move(job));
    recorder.run();
    EXPECT_FALSE(recorder.report.success);
    recorder.release();
    EXPECT_TRUE(fs::is_directory(nested));
    EXPECT_EQ(entryNames(nested), QStringList());
}

TEST_F(ConversionJobTest, EditorThatCannotStartIsReportedOnce)
{
    fs::remove(box.editor());
    box.root.write("home/Spine/Spine.sh", "not a program");
    fs::permissions(box.editor(), fs::perms::owner_read | fs::perms::owner_write);
    JobRecorder recorder(box, false);
    expectFailureLeavesNothing(recorder, "无法启动本机 Spine Editor。");
}

TEST_F(ConversionJobTest, UnpackerFailureShowsItsOutput)
{
    ScopedEnvironment code("KVX_STANDIN_FAIL_CODE", std::string("4"));
    ScopedEnvironment stage("KVX_STANDIN_FAIL_STAGE", std::string("unpack"));
    ScopedEnvironment output("KVX_STANDIN_FAIL_OUTPUT", std::string("page missing: 纹理.png"));
    JobRecorder recorder(box, false);
    expectFailureLeavesNothing(recorder, "官方图集解包失败：\npage missing: 纹理.png");
    EXPECT_EQ(logLines(box).size(), 1u);
}

TEST_F(ConversionJobTest, OutputShownIsItsLast1600Characters)
{
    const std::string head(500, 'h');
    std::string tail;
    for (int i = 0; i < 1600; ++i)
        tail += static_cast<char>('a' + i % 26);
    ScopedEnvironment code("KVX_STANDIN_FAIL_CODE", std::string("9"));
    ScopedEnvironment output("KVX_STANDIN_FAIL_OUTPUT", head + tail);
    JobRecorder recorder(box, false);
    expectFailureLeavesNothing(recorder, QString::fromStdString("官方图集解包失败：\n" + tail));
}

TEST_F(ConversionJobTest, OutputShownStaysItsLast1600CharactersAfterAFloodWithFlatMemory)
{
    std::string tail = "\n最后一行：the end";
    ScopedEnvironment code("KVX_STANDIN_FAIL_CODE", std::string("9"));
    ScopedEnvironment flood("KVX_STANDIN_FAIL_FLOOD_BYTES", std::to_string(kFloodBytes));
    ScopedEnvironment output("KVX_STANDIN_FAIL_OUTPUT", tail);
    const long long peakBefore = peakResidentKiB();
    JobRecorder recorder(box, false);
    const QString shownTail = QString::fromStdString(tail);
    const QString expected = QString(1600 - shownTail.size(), QLatin1Char('x')) + shownTail;
    expectFailureLeavesNothing(recorder, "官方图集解包失败：\n" + expected);
    expectFlatMemory(peakBefore);
}

TEST_F(ConversionJobTest, StoppingARunningJobEndsTheEditorRemovesItsFolderAndReportsOnce)
{
    ScopedEnvironment delay("KVX_STANDIN_DELAY_MS", std::string("600000"));
    JobRecorder recorder(box, false);
    recorder.job->cancel(); // not started: nothing to stop, nothing reported
    EXPECT_EQ(recorder.report.count, 0);
    recorder.job->start();
    auto *process = recorder.job->findChild<QProcess *>();
    ASSERT_NE(process, nullptr);
    ASSERT_TRUE(test::waitFor([&] { return process->state() == QProcess::Running; }));
    const qint64 pid = process->processId();
    const QString working = recorder.job->workingDirectory();

    recorder.job->cancel();
    // Done when cancel returns, not only once the job is deleted.
    EXPECT_EQ(recorder.report.count, 1);
    EXPECT_FALSE(recorder.report.success);
    EXPECT_EQ(recorder.report.error, "转换已取消");
    EXPECT_FALSE(QFileInfo::exists(working));
    EXPECT_EQ(::kill(static_cast<pid_t>(pid), 0), -1);
    EXPECT_EQ(recorder.job->currentStage(), ConversionStage::Finished);
    recorder.job->cancel();
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_EQ(recorder.report.count, 1);
    recorder.release();
    EXPECT_EQ(entryNames(box.output()), QStringList());
    EXPECT_EQ(box.exportFingerprint(), fingerprint);
}

TEST_F(ConversionJobTest, EditorPrintingWithoutEndKeepsMemoryFlatUntilStopped)
{
    ScopedEnvironment code("KVX_STANDIN_FAIL_CODE", std::string("9"));
    ScopedEnvironment flood("KVX_STANDIN_FAIL_FLOOD_BYTES", std::string("-1"));
    const long long peakBefore = peakResidentKiB();
    JobRecorder recorder(box, false);
    recorder.job->start();
    auto *process = recorder.job->findChild<QProcess *>();
    ASSERT_NE(process, nullptr);
    ASSERT_TRUE(test::waitFor([&] { return process->state() == QProcess::Running; }));
    const qint64 pid = process->processId();
    ASSERT_TRUE(test::waitFor([&] { return bytesWrittenBy(pid) > kFloodBytes; }, 120000));
    expectFlatMemory(peakBefore);
    recorder.job->cancel();
    EXPECT_EQ(recorder.report.count, 1);
    EXPECT_EQ(recorder.report.error, "转换已取消");
    recorder.release();
    EXPECT_EQ(entryNames(box.output()), QStringList());
}

TEST_F(ConversionJobTest, UnpackerWithoutImagesIsReported)
{
    ScopedEnvironment noImages("KVX_STANDIN_NO_IMAGES", std::string("1"));
    JobRecorder recorder(box, false);
    expectFailureLeavesNothing(recorder, "官方图集解包未生成任何图片。");
}

TEST_F(ConversionJobTest, ImporterFailureShowsItsOutput)
{
    ScopedEnvironment code("KVX_STANDIN_FAIL_CODE", std::string("2"));
    ScopedEnvironment stage("KVX_STANDIN_FAIL_STAGE", std::string("import"));
    ScopedEnvironment output("KVX_STANDIN_FAIL_OUTPUT", std::string("bad skeleton"));
    JobRecorder recorder(box, false);
    expectFailureLeavesNothing(recorder, "Spine 工程导入失败：\nbad skeleton");
    const std::vector<std::string> lines = logLines(box);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[1].find("--import"), std::string::npos);
}

TEST_F(ConversionJobTest, EmptyProjectIsReported)
{
    ScopedEnvironment empty("KVX_STANDIN_EMPTY_PROJECT", std::string("1"));
    JobRecorder recorder(box, false);
    expectFailureLeavesNothing(recorder, "Spine Editor 未生成有效的 .spine 工程。");
}

TEST_F(ConversionJobTest, FolderInPlaceOfTheProjectIsNoProject)
{
    ScopedEnvironment folder("KVX_STANDIN_PROJECT_FOLDER", std::string("1"));
    JobRecorder recorder(box, false);
    expectFailureLeavesNothing(recorder, "Spine Editor 未生成有效的 .spine 工程。");
}

// The editor's exits are only seen through the event loop, so the folder is there before publishing.
// The name chosen at the start was taken meanwhile: the work goes to the next free name, and the
// folder that took the name is never merged into.
TEST_F(ConversionJobTest, PublishNeverMergesIntoAFolderThatAppearedMeanwhile)
{
    JobRecorder recorder(box, false);
    recorder.job->start();
    ASSERT_EQ(recorder.job->currentStage(), ConversionStage::Unpacking);
    box.root.write("out/hero/mine.txt", "the user's own file");
    box.root.write("out/hero-2", "a file that took the next name too");
    ASSERT_TRUE(test::waitFor([&] { return recorder.report.count > 0; }));
    ASSERT_TRUE(recorder.report.success) << recorder.report.error.toStdString();
    EXPECT_EQ(recorder.report.outputDirectory, box.q(box.output() / "hero-3"));
    recorder.release();
    EXPECT_EQ(entryNames(box.output()), (QStringList{"hero", "hero-2", "hero-3"}));
    EXPECT_EQ(entryNames(box.output() / "hero"), QStringList{"mine.txt"});
    EXPECT_EQ(test::readFileBytes(box.output() / "hero/mine.txt"), "the user's own file");
    EXPECT_EQ(test::readFileBytes(box.output() / "hero-2"), "a file that took the next name too");
    EXPECT_EQ(entryNames(box.output() / "hero-3"), (QStringList{"hero.spine", "images"}));
}

TEST_F(ConversionJobTest, PublishFailureShowsTheSystemsMessageInItsChineseFrame)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind the superuser";
    JobRecorder recorder(box, false);
    recorder.job->start();
    ASSERT_EQ(recorder.job->currentStage(), ConversionStage::Unpacking);
    // The working folder is inside; a rename out of it into a folder without write access fails.
    fs::permissions(box.output(), fs::perms::owner_write, fs::perm_options::remove);
    ASSERT_TRUE(test::waitFor([&] { return recorder.report.count > 0; }));
    fs::permissions(box.output(), fs::perms::owner_write, fs::perm_options::add);
    EXPECT_FALSE(recorder.report.success);
    const std::string denied = std::make_error_code(std::errc::permission_denied).message();
    EXPECT_EQ(recorder.report.error, QString("无法发布转换结果：%1").arg(QString::fromStdString(denied)));
    recorder.release();
    EXPECT_EQ(entryNames(box.output()), QStringList());
}

TEST_F(ConversionJobTest, DeletingARunningJobStopsTheEditorAndRemovesItsFolder)
{
    ScopedEnvironment delay("KVX_STANDIN_DELAY_MS", std::string("60000"));
    JobRecorder recorder(box, false);
    recorder.job->start();
    auto *process = recorder.job->findChild<QProcess *>();
    ASSERT_NE(process, nullptr);
    ASSERT_TRUE(test::waitFor([&] { return process->state() == QProcess::Running; }));
    const qint64 pid = process->processId();
    const QString working = recorder.job->workingDirectory();
    ASSERT_TRUE(QFileInfo::exists(working));

    recorder.release();
    EXPECT_EQ(recorder.report.count, 0);
    EXPECT_FALSE(QFileInfo::exists(working));
    EXPECT_EQ(::kill(static_cast<pid_t>(pid), 0), -1);
    EXPECT_EQ(errno, ESRCH);
    EXPECT_EQ(entryNames(box.output()), QStringList());
}

} // namespace
} // namespace kvx
