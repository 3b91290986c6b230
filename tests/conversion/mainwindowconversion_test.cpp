// One-click conversion through the window: dialogs answered here, the stand-in editor doing the work.

#include "support/shownmessage.h"
#include "conversion/qt/conversionjob.h"
#include "conversion/conversionsandbox.h"

#include "app/mainwindow.h"
#include "support/mainwindowaccess.h"

#include <QMetaObject>
#include <QProcess>
#include <QSettings>
#include <cerrno>
#include <csignal>
#include <gtest/gtest.h>

namespace kvx {
namespace {

namespace fs = std::filesystem;
using test::ConversionSandbox;
using test::ShownMessage;
using test::ScopedEnvironment;
using test::entryNames;

const QString kReadyBadge = QStringLiteral("●  可转换 · Spine 4.2.43");

class WindowConversionTest : public ::testing::Test {
protected:
    WindowConversionTest()
    {
        QSettings().setValue("spineEditorPath", box.q(box.editor()));
        window = std::make_unique<MainWindow>();
        access = std::make_unique<MainWindowTestAccess>(*window);
        WindowDialogs dialogs;
        dialogs.chooseResourceFiles = [](QWidget *) { return QStringList(); };
        dialogs.chooseEditorFile = [this](QWidget *) {
            ++editorRequests;
            return editorAnswer;
        };
        dialogs.chooseOutputFolder = [this](QWidget *parent, const QString &start) {
            EXPECT_EQ(parent, window.get());
            folderRequests << start;
            return outputAnswer;
        };
        dialogs.showMessage = [this](QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text) {
            EXPECT_EQ(parent, window.get());
            messages.push_back({icon, title, text});
        };
        window->setDialogs(dialogs);
    }

    ~WindowConversionTest() override
    {
        window.reset();
        QSettings().remove("spineEditorPath");
    }

    void listExportAndWaitUntilReady()
    {
        window->addResourcePath(box.q(box.skeleton()));
        ASSERT_TRUE(test::waitUntil([this] { return access->badgeLabel()->text() == kReadyBadge; }))
            << access->badgeLabel()->text().toStdString();
        ASSERT_TRUE(access->primaryButton()->isEnabled());
    }

    // Clicks the button and waits for the outcome's message box.
    void convertAndWait()
    {
        access->primaryButton()->click();
        ASSERT_TRUE(test::waitUntil([this] { return !messages.empty(); }));
        test::waitUntil([this] { return window->findChildren<ConversionJob *>().isEmpty(); });
    }

    ConversionSandbox box;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<MainWindowTestAccess> access;
    QString outputAnswer = box.q(box.output());
    QString editorAnswer;
    QStringList folderRequests;
    int editorRequests = 0;
    std::vector<ShownMessage> messages;
    std::string fingerprint = box.exportFingerprint();
};

TEST_F(WindowConversionTest, ConvertsAndReportsTheNewFolder)
{
    listExportAndWaitUntilReady();
    access->primaryButton()->click();
    // The synchronous part is done: the button and badge show the running conversion.
    ASSERT_NE(access->conversionJob(), nullptr);
    EXPECT_FALSE(access->primaryButton()->isEnabled());
    EXPECT_EQ(access->primaryButton()->text(), "正在转换…");
    EXPECT_EQ(access->badgeLabel()->text(), "●  正在使用 Spine 4.2.43 转换");
    EXPECT_NE(access->badgeLabel()->styleSheet().indexOf("#72a7ff"), -1);
    EXPECT_EQ(folderRequests, QStringList{box.q(box.exportFolder())});

    ASSERT_TRUE(test::waitUntil([this] { return !messages.empty(); }));
    const QString output = box.q(box.output() / "hero");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, QMessageBox::Information);
    EXPECT_EQ(messages[0].title, "转换完成");
    EXPECT_EQ(messages[0].text, "完整资源已生成：\n" + output);
    EXPECT_EQ(access->statusLabel()->text(), "转换完成");
    EXPECT_EQ(access->statusLabel()->toolTip(), output);
    EXPECT_EQ(access->conversionJob(), nullptr);
    EXPECT_TRUE(access->primaryButton()->isEnabled());
    EXPECT_EQ(access->primaryButton()->text(), "一键转换为 .spine");
    EXPECT_EQ(access->badgeLabel()->text(), kReadyBadge);

    EXPECT_TRUE(test::waitUntil([this] { return window->findChildren<ConversionJob *>().isEmpty(); }));
    EXPECT_EQ(entryNames(box.output()), QStringList{"hero"});
    EXPECT_EQ(entryNames(box.output() / "hero"), (QStringList{"hero.spine", "images"}));
    EXPECT_EQ(box.exportFingerprint(), fingerprint);
}

TEST_F(WindowConversionTest, StraightAlphaOptionDecidesHowPremultipliedPagesComeOut)
{
    listExportAndWaitUntilReady();
    convertAndWait();
    access->straightAlphaCheckBox()->setChecked(true);
    convertAndWait();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].text, "完整资源已生成：\n" + box.q(box.output() / "hero-2"));

    EXPECT_EQ(test::readImage(box.output() / "hero/images/body.png").pixelColor(1, 1), test::kPremultipliedBody);
    EXPECT_EQ(test::readImage(box.output() / "hero-2/images/body.png").pixelColor(1, 1), test::kStraightBody);
    for (const char *folder : {"hero", "hero-2"}) {
        const QImage arm = test::readImage(box.output() / folder / "images/arm.png");
        ASSERT_EQ(arm.size(), QSize(2, 3));
        EXPECT_EQ(arm.pixelColor(0, 0), test::packedArmPixel(0, 1));
        EXPECT_EQ(arm.pixelColor(1, 2), test::packedArmPixel(2, 0));
        const QImage head = test::readImage(box.output() / folder / "images/face/head.png");
        ASSERT_EQ(head.size(), QSize(3, 4));
        EXPECT_EQ(head.pixelColor(1, 3), test::kHeadPixel);
        EXPECT_EQ(head.pixelColor(1, 0).alpha(), 0);
        EXPECT_FALSE(fs::exists(box.output() / folder / "unpack.atlas"));
    }
    EXPECT_EQ(entryNames(box.output()), (QStringList{"hero", "hero-2"}));
    EXPECT_EQ(box.exportFingerprint(), fingerprint);
}

TEST_F(WindowConversionTest, FailureIsShownAndLeavesNothingBehind)
{
    ScopedEnvironment code("KVX_STANDIN_FAIL_CODE", std::string("3"));
    ScopedEnvironment output("KVX_STANDIN_FAIL_OUTPUT", std::string("no pages"));
    listExportAndWaitUntilReady();
    convertAndWait();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, QMessageBox::Critical);
    EXPECT_EQ(messages[0].title, "转换失败");
    EXPECT_EQ(messages[0].text, "官方图集解包失败：\nno pages");
    EXPECT_EQ(access->statusLabel()->text(), "转换失败");
    EXPECT_EQ(access->statusLabel()->toolTip(), "官方图集解包失败：\nno pages");
    EXPECT_EQ(access->conversionJob(), nullptr);
    EXPECT_EQ(access->primaryButton()->text(), "一键转换为 .spine");
    EXPECT_TRUE(access->primaryButton()->isEnabled());
    EXPECT_EQ(entryNames(box.output()), QStringList());
}

TEST_F(WindowConversionTest, FailureWithoutReasonGetsTheGenericText)
{
    listExportAndWaitUntilReady();
    ASSERT_TRUE(QMetaObject::invokeMethod(window.get(), "conversionFinished", Q_ARG(bool, false), Q_ARG(QString, ""),
                                          Q_ARG(QString, "")));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, QMessageBox::Critical);
    EXPECT_EQ(messages[0].text, "转换未完成，Spine Editor 未提供详细原因。");
}

TEST_F(WindowConversionTest, CancellingTheOutputFolderStartsNothing)
{
    listExportAndWaitUntilReady();
    outputAnswer.clear();
    access->primaryButton()->click();
    EXPECT_EQ(folderRequests.size(), 1);
    EXPECT_EQ(access->conversionJob(), nullptr);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(access->badgeLabel()->text(), kReadyBadge);
    EXPECT_FALSE(fs::exists(box.log()));
    EXPECT_FALSE(fs::exists(box.output()));
}

TEST_F(WindowConversionTest, CancellingTheEditorChooserStartsNothing)
{
    if (fs::exists("/opt/Spine/Spine.sh"))
        GTEST_SKIP() << "an editor is installed in /opt/Spine";
    QSettings().remove("spineEditorPath");
    fs::remove(box.editor());
    window->addResourcePath(box.q(box.skeleton()));
    ASSERT_TRUE(test::waitUntil([this] { return access->badgeLabel()->text() == "●  未找到 Spine Editor"; }));
    access->primaryButton()->click();
    EXPECT_EQ(editorRequests, 1);
    EXPECT_TRUE(folderRequests.isEmpty());
    EXPECT_EQ(access->conversionJob(), nullptr);
    EXPECT_TRUE(messages.empty());
}

TEST_F(WindowConversionTest, EditorVersionMissingFromTheCacheNeverStartsTheEditor)
{
    listExportAndWaitUntilReady();
    fs::remove(box.home() / ".spine/updates/4.2.43"); // gone since readiness saw it
    convertAndWait();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "本地未缓存 Spine 4.2.43。为避免触发下载，转换已停止。");
    // Readiness may probe the editor's version afterwards; no unpack or import ever ran.
    EXPECT_EQ(test::readFileBytes(box.log()).find("-u\t"), std::string::npos);
    EXPECT_EQ(entryNames(box.output()), QStringList());
}

TEST_F(WindowConversionTest, MissingAtlasIsReportedAfterTheFolderWasChosen)
{
    listExportAndWaitUntilReady();
    fs::remove(box.atlas());
    access->convertCurrent();
    EXPECT_EQ(folderRequests.size(), 1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, QMessageBox::Critical);
    EXPECT_EQ(messages[0].title, "转换失败");
    EXPECT_EQ(messages[0].text, "没有找到配套的 .atlas 文件。");
    EXPECT_EQ(access->conversionJob(), nullptr);
    EXPECT_FALSE(fs::exists(box.output()));
}

TEST_F(WindowConversionTest, OnlyOneConversionRunsAtATime)
{
    ScopedEnvironment delay("KVX_STANDIN_DELAY_MS", std::string("400"));
    box.root.write("export/villain.json", test::readFileBytes(box.skeleton()));
    window->addResourcePath(box.q(box.exportFolder() / "villain.json"));
    listExportAndWaitUntilReady();
    access->primaryButton()->click();
    ConversionJob *running = access->conversionJob();
    ASSERT_NE(running, nullptr);

    // Selecting another resource and a readiness run keep the button disabled while the job runs.
    access->resourceCombo()->setCurrentIndex(access->resourceCombo()->findText("villain"));
    test::waitUntil([this] { return !access->readinessScheduled(); });
    EXPECT_FALSE(access->primaryButton()->isEnabled());
    access->updateReadiness();
    EXPECT_FALSE(access->primaryButton()->isEnabled());
    access->convertCurrent();
    EXPECT_EQ(folderRequests.size(), 1);
    EXPECT_EQ(access->conversionJob(), running);

    ASSERT_TRUE(test::waitUntil([this] { return !messages.empty(); }));
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "完整资源已生成：\n" + box.q(box.output() / "hero"));
    EXPECT_TRUE(access->primaryButton()->isEnabled());
}

TEST_F(WindowConversionTest, ClosingTheWindowMidConversionStopsTheEditorAndCleansUp)
{
    ScopedEnvironment delay("KVX_STANDIN_DELAY_MS", std::string("60000"));
    listExportAndWaitUntilReady();
    access->primaryButton()->click();
    ConversionJob *job = access->conversionJob();
    ASSERT_NE(job, nullptr);
    auto *process = job->findChild<QProcess *>();
    ASSERT_NE(process, nullptr);
    ASSERT_TRUE(test::waitUntil([&] { return process->state() == QProcess::Running; }));
    const qint64 pid = process->processId();
    const QString working = job->workingDirectory();
    ASSERT_TRUE(fs::exists(working.toStdString()));

    window.reset();
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(fs::exists(working.toStdString()));
    EXPECT_EQ(::kill(static_cast<pid_t>(pid), 0), -1);
    EXPECT_EQ(errno, ESRCH);
    EXPECT_EQ(entryNames(box.output()), QStringList());
}

TEST_F(WindowConversionTest, StopButtonEndsTheConversionAndReportsItOnce)
{
    ScopedEnvironment delay("KVX_STANDIN_DELAY_MS", std::string("600000"));
    listExportAndWaitUntilReady();
    EXPECT_TRUE(access->stopButton()->isHidden());
    access->primaryButton()->click();
    ConversionJob *job = access->conversionJob();
    ASSERT_NE(job, nullptr);
    EXPECT_FALSE(access->stopButton()->isHidden());
    EXPECT_TRUE(access->stopButton()->isEnabled());
    EXPECT_EQ(access->stopButton()->text(), "停止转换");
    auto *process = job->findChild<QProcess *>();
    ASSERT_NE(process, nullptr);
    ASSERT_TRUE(test::waitUntil([&] { return process->state() == QProcess::Running; }));
    const qint64 pid = process->processId();

    access->stopButton()->click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, QMessageBox::Critical);
    EXPECT_EQ(messages[0].title, "转换失败");
    EXPECT_EQ(messages[0].text, "转换已取消");
    EXPECT_EQ(access->statusLabel()->text(), "转换失败");
    EXPECT_EQ(access->conversionJob(), nullptr);
    EXPECT_TRUE(access->stopButton()->isHidden());
    EXPECT_EQ(access->badgeLabel()->text(), kReadyBadge);
    EXPECT_TRUE(access->primaryButton()->isEnabled());
    EXPECT_EQ(::kill(static_cast<pid_t>(pid), 0), -1);
    EXPECT_TRUE(test::waitUntil([this] { return window->findChildren<ConversionJob *>().isEmpty(); }));
    EXPECT_EQ(entryNames(box.output()), QStringList());
    EXPECT_EQ(messages.size(), 1u);
}

TEST_F(WindowConversionTest, ConvertingBadgeDoesNotStayWhenTheExportWentAwayMeanwhile)
{
    ScopedEnvironment delay("KVX_STANDIN_DELAY_MS", std::string("600000"));
    listExportAndWaitUntilReady();
    access->primaryButton()->click();
    ASSERT_NE(access->conversionJob(), nullptr);
    fs::remove_all(box.exportFolder());
    access->stopButton()->click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(access->badgeLabel()->text(), "●  当前资源不可用");
    EXPECT_NE(access->badgeLabel()->styleSheet().indexOf("#ef6b73"), -1);
    EXPECT_EQ(access->primaryButton()->text(), "资源不完整");
    EXPECT_FALSE(access->primaryButton()->isEnabled());
}

} // namespace
} // namespace kvx

namespace kvx {
namespace {

// The bundled sample, as the README's demo converts it: every region comes out upright at its
// own size and the sample itself stays as it was.
TEST_F(WindowConversionTest, BundledSampleConvertsEndToEnd)
{
    const fs::path sample = box.root / "sample";
    fs::create_directories(sample);
    for (const char *name : {"hero.json", "hero.atlas", "hero.png"})
        fs::copy_file(fs::path(KVX_SOURCE_DIR) / "examples" / name, sample / name);
    const std::string sampleBytes = test::readFileBytes(sample / "hero.atlas") + test::readFileBytes(sample / "hero.png");

    window->addResourcePath(box.q(sample));
    ASSERT_TRUE(test::waitUntil([this] { return access->badgeLabel()->text() == kReadyBadge; }));
    convertAndWait();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "完整资源已生成：\n" + box.q(box.output() / "hero"));

    const fs::path images = box.output() / "hero/images";
    EXPECT_EQ(entryNames(images), (QStringList{"arm.png", "head.png", "leg.png", "pelvis.png", "torso.png"}));
    EXPECT_EQ(test::readImage(images / "arm.png").size(), QSize(16, 60)) << "stored rotated in the page";
    EXPECT_EQ(test::readImage(images / "head.png").size(), QSize(56, 60));
    EXPECT_GT(fs::file_size(box.output() / "hero/hero.spine"), 0u);
    EXPECT_EQ(test::readFileBytes(sample / "hero.atlas") + test::readFileBytes(sample / "hero.png"), sampleBytes);
}

} // namespace
} // namespace kvx
