// One-click conversion through the window: dialogs answered here, the stand-in editor doing the work.

#include "conversion/conversionsandbox.h"
#include "support/shownmessage.h"
#include "support/windowview.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <gtest/gtest.h>

namespace kvx {
namespace {

namespace fs = std::filesystem;
using test::ConversionSandbox;
using test::ShownMessage;
using test::ScopedEnvironment;
using test::entryNames;
using test::processIsLive;

const QString kReadyBadge = QStringLiteral("●  可转换 · Spine 4.2.43");

class WindowConversionTest : public ::testing::Test {
protected:
    WindowConversionTest()
    {
        QSettings().setValue("spineEditorPath", box.q(box.editor()));
        window = std::make_unique<MainWindow>();
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
        ASSERT_TRUE(test::waitFor([this] { return view().badge()->text() == kReadyBadge; }))
            << view().badge()->text().toStdString();
        ASSERT_TRUE(view().primaryButton()->isEnabled());
    }

    // Clicks the button and waits for the outcome's message box.
    void convertAndWait()
    {
        const size_t before = messages.size();
        view().primaryButton()->click();
        ASSERT_TRUE(test::waitFor([&] { return messages.size() > before; }));
        EXPECT_FALSE(window->conversion().isRunning());
    }

    // Starts the conversion and waits until its editor runs in the working folder; the editor's
    // process id, 0 when it never ran.
    long convertUntilTheEditorRuns()
    {
        view().primaryButton()->click();
        if (!test::waitFor([this] { return box.lastEditorProcess() > 0; }))
            return 0;
        return box.lastEditorProcess();
    }

    test::WindowView view() const { return test::WindowView(*window); }

    ConversionSandbox box;
    std::unique_ptr<MainWindow> window;
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
    view().primaryButton()->click();
    // The synchronous part is done: the button and badge show the running conversion.
    ASSERT_NE(window->conversion().isRunning(), false);
    EXPECT_FALSE(view().primaryButton()->isEnabled());
    EXPECT_EQ(view().primaryButton()->text(), "正在转换…");
    EXPECT_EQ(view().badge()->text(), "●  正在使用 Spine 4.2.43 转换");
    EXPECT_NE(view().badge()->styleSheet().indexOf("#72a7ff"), -1);
    EXPECT_EQ(folderRequests, QStringList{box.q(box.exportFolder())});

    ASSERT_TRUE(test::waitFor([this] { return !messages.empty(); }));
    const QString output = box.q(box.output() / "hero");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, QMessageBox::Information);
    EXPECT_EQ(messages[0].title, "转换完成");
    EXPECT_EQ(messages[0].text, "完整资源已生成：\n" + output);
    EXPECT_EQ(view().status()->text(), "转换完成");
    EXPECT_EQ(view().status()->toolTip(), output);
    EXPECT_FALSE(window->conversion().isRunning());
    EXPECT_TRUE(view().primaryButton()->isEnabled());
    EXPECT_EQ(view().primaryButton()->text(), "一键转换为 .spine");
    EXPECT_EQ(view().badge()->text(), kReadyBadge);

    EXPECT_EQ(entryNames(box.output()), QStringList{"hero"});
    EXPECT_EQ(entryNames(box.output() / "hero"), (QStringList{"hero.spine", "images"}));
    EXPECT_EQ(box.exportFingerprint(), fingerprint);
}

TEST_F(WindowConversionTest, StraightAlphaOptionDecidesHowPremultipliedPagesComeOut)
{
    listExportAndWaitUntilReady();
    convertAndWait();
    view().straightAlpha()->setChecked(true);
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
    EXPECT_EQ(view().status()->text(), "转换失败");
    EXPECT_EQ(view().status()->toolTip(), "官方图集解包失败：\nno pages");
    EXPECT_FALSE(window->conversion().isRunning());
    EXPECT_EQ(view().primaryButton()->text(), "一键转换为 .spine");
    EXPECT_TRUE(view().primaryButton()->isEnabled());
    EXPECT_EQ(entryNames(box.output()), QStringList());
}

TEST_F(WindowConversionTest, CancellingTheOutputFolderStartsNothing)
{
    listExportAndWaitUntilReady();
    outputAnswer.clear();
    view().primaryButton()->click();
    EXPECT_EQ(folderRequests.size(), 1);
    EXPECT_FALSE(window->conversion().isRunning());
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(view().badge()->text(), kReadyBadge);
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
    ASSERT_TRUE(test::waitFor([this] { return view().badge()->text() == "●  未找到 Spine Editor"; }));
    view().primaryButton()->click();
    EXPECT_EQ(editorRequests, 1);
    EXPECT_TRUE(folderRequests.isEmpty());
    EXPECT_FALSE(window->conversion().isRunning());
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
    view().primaryButton()->click();
    EXPECT_EQ(folderRequests.size(), 1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, QMessageBox::Critical);
    EXPECT_EQ(messages[0].title, "转换失败");
    EXPECT_EQ(messages[0].text, "没有找到配套的 .atlas 文件。");
    EXPECT_FALSE(window->conversion().isRunning());
    EXPECT_FALSE(fs::exists(box.output()));
}

TEST_F(WindowConversionTest, OnlyOneConversionRunsAtATime)
{
    ScopedEnvironment delay("KVX_STANDIN_DELAY_MS", std::string("400"));
    box.root.write("export/villain.json", test::readFileBytes(box.skeleton()));
    window->addResourcePath(box.q(box.exportFolder() / "villain.json"));
    listExportAndWaitUntilReady();
    view().primaryButton()->click();
    ASSERT_TRUE(window->conversion().isRunning());

    // Selecting another resource and a readiness run keep the button disabled while the job runs.
    const int runs = window->readiness().runCount();
    view().resourceList()->setCurrentIndex(view().resourceList()->findText("villain"));
    test::waitFor([&] { return window->readiness().runCount() > runs; });
    EXPECT_FALSE(view().primaryButton()->isEnabled());
    window->readiness().run();
    EXPECT_FALSE(view().primaryButton()->isEnabled());
    EXPECT_FALSE(window->convertInto(box.q(box.output())));
    EXPECT_FALSE(window->conversion().convert(box.q(box.skeleton()), false));
    EXPECT_EQ(folderRequests.size(), 1);

    ASSERT_TRUE(test::waitFor([this] { return !messages.empty(); }));
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "完整资源已生成：\n" + box.q(box.output() / "hero"));
    EXPECT_TRUE(view().primaryButton()->isEnabled());
}

TEST_F(WindowConversionTest, ClosingTheWindowMidConversionStopsTheEditorAndCleansUp)
{
    ScopedEnvironment delay("KVX_STANDIN_DELAY_MS", std::string("60000"));
    listExportAndWaitUntilReady();
    const long pid = convertUntilTheEditorRuns();
    ASSERT_GT(pid, 0);
    const QString working = window->conversion().runningWorkingDirectory();
    ASSERT_TRUE(fs::exists(working.toStdString()));

    window.reset();
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(fs::exists(working.toStdString()));
    EXPECT_FALSE(processIsLive(pid));
    EXPECT_EQ(entryNames(box.output()), QStringList());
}

TEST_F(WindowConversionTest, StopButtonEndsTheConversionAndReportsItOnce)
{
    ScopedEnvironment delay("KVX_STANDIN_DELAY_MS", std::string("600000"));
    listExportAndWaitUntilReady();
    EXPECT_TRUE(view().stopButton()->isHidden());
    const long pid = convertUntilTheEditorRuns();
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(window->conversion().isRunning());
    EXPECT_FALSE(view().stopButton()->isHidden());
    EXPECT_TRUE(view().stopButton()->isEnabled());
    EXPECT_EQ(view().stopButton()->text(), "停止转换");

    view().stopButton()->click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, QMessageBox::Critical);
    EXPECT_EQ(messages[0].title, "转换失败");
    EXPECT_EQ(messages[0].text, "转换已取消");
    EXPECT_EQ(view().status()->text(), "转换失败");
    EXPECT_FALSE(window->conversion().isRunning());
    EXPECT_TRUE(view().stopButton()->isHidden());
    EXPECT_EQ(view().badge()->text(), kReadyBadge);
    EXPECT_TRUE(view().primaryButton()->isEnabled());
    EXPECT_FALSE(processIsLive(pid));
    EXPECT_EQ(entryNames(box.output()), QStringList());
    QCoreApplication::sendPostedEvents(); // nothing more is reported by the work left queued
    QCoreApplication::processEvents();
    EXPECT_EQ(messages.size(), 1u);
}

TEST_F(WindowConversionTest, ConvertingBadgeDoesNotStayWhenTheExportWentAwayMeanwhile)
{
    ScopedEnvironment delay("KVX_STANDIN_DELAY_MS", std::string("600000"));
    listExportAndWaitUntilReady();
    view().primaryButton()->click();
    ASSERT_NE(window->conversion().isRunning(), false);
    fs::remove_all(box.exportFolder());
    view().stopButton()->click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(view().badge()->text(), "●  当前资源不可用");
    EXPECT_NE(view().badge()->styleSheet().indexOf("#ef6b73"), -1);
    EXPECT_EQ(view().primaryButton()->text(), "资源不完整");
    EXPECT_FALSE(view().primaryButton()->isEnabled());
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
    ASSERT_TRUE(test::waitFor([this] { return view().badge()->text() == kReadyBadge; }));
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
