// "全部转换" through the window: dialogs answered here, the stand-in editor doing the work.

#include "support/shownmessage.h"
#include "conversion/qt/batchconversion.h"
#include "conversion/qt/conversionjob.h"
#include "conversion/conversionsandbox.h"

#include "app/mainwindow.h"
#include "support/mainwindowaccess.h"

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

class WindowBatchTest : public ::testing::Test {
protected:
    WindowBatchTest()
    {
        QSettings().setValue("spineEditorPath", box.q(box.editor()));
        window = std::make_unique<MainWindow>();
        access = std::make_unique<MainWindowTestAccess>(*window);
        WindowDialogs dialogs;
        dialogs.chooseOutputFolder = [this](QWidget *, const QString &) {
            ++folderRequests;
            return box.q(box.output());
        };
        dialogs.showMessage = [this](QWidget *, QMessageBox::Icon icon, const QString &title, const QString &text) {
            messages.push_back({icon, title, text});
        };
        window->setDialogs(dialogs);
    }

    ~WindowBatchTest() override
    {
        window.reset();
        QSettings().remove("spineEditorPath");
    }

    fs::path copyExport(const fs::path &folder, const std::string &name = "hero") const
    {
        return box.copyExportTo(folder, name);
    }

    void listFolder(const fs::path &folder)
    {
        window->addResourcePath(box.q(folder));
        ASSERT_TRUE(test::waitUntil([this] { return access->badgeLabel()->isVisible() || !access->badgeLabel()->text().isEmpty(); }));
    }

    bool waitForSummary() { return test::waitUntil([this] { return !messages.empty(); }); }

    ConversionSandbox box;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<MainWindowTestAccess> access;
    int folderRequests = 0;
    std::vector<ShownMessage> messages;
};

TEST_F(WindowBatchTest, ConvertsEveryReadySkeletonIntoOneFolderAndSumsUp)
{
    copyExport("many/a");
    copyExport("many/b");
    copyExport("many/c", "third");
    copyExport("many/d", "broken");
    fs::remove(box.root / "many/d/hero_2.png");
    listFolder(box.root / "many");
    ASSERT_EQ(access->skeletonPaths().size(), 4);

    access->convertAllButton()->click();
    ASSERT_NE(access->batchConversion(), nullptr);
    EXPECT_EQ(access->convertAllButton()->text(), QStringLiteral("停止全部转换"));
    EXPECT_FALSE(access->primaryButton()->isEnabled());
    EXPECT_TRUE(access->statusLabel()->text().startsWith(QStringLiteral("正在全部转换 1 / 3："))) << access->statusLabel()->text().toStdString();

    ASSERT_TRUE(waitForSummary());
    EXPECT_EQ(folderRequests, 1);
    EXPECT_EQ(entryNames(box.output()), (QStringList{"hero", "hero-2", "third"}));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, QMessageBox::Information);
    EXPECT_EQ(messages[0].title, QStringLiteral("全部转换完成"));
    EXPECT_TRUE(messages[0].text.startsWith(QStringLiteral("成功 3 个，失败 0 个"))) << messages[0].text.toStdString();
    EXPECT_TRUE(messages[0].text.contains(QStringLiteral("broken.json：缺少纹理页 hero_2.png")));
    EXPECT_EQ(access->batchConversion(), nullptr);
    EXPECT_EQ(access->convertAllButton()->text(), QStringLiteral("全部转换"));
    EXPECT_EQ(access->statusLabel()->text(), QStringLiteral("全部转换完成"));
}

TEST_F(WindowBatchTest, AFailingConversionDoesNotStopTheOthers)
{
    copyExport("many/a");
    copyExport("many/b");
    listFolder(box.root / "many");
    ScopedEnvironment code("KVX_STANDIN_FAIL_CODE", std::string("3"));
    ScopedEnvironment stage("KVX_STANDIN_FAIL_STAGE", std::string("import"));
    ScopedEnvironment output("KVX_STANDIN_FAIL_OUTPUT", std::string("bad bones"));
    access->convertAllButton()->click();
    ASSERT_TRUE(waitForSummary());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, QMessageBox::Warning);
    EXPECT_TRUE(messages[0].text.startsWith(QStringLiteral("成功 0 个，失败 2 个")));
    EXPECT_EQ(messages[0].text.count(QStringLiteral("Spine 工程导入失败：\nbad bones")), 2);
    EXPECT_EQ(entryNames(box.output()), QStringList());
}

TEST_F(WindowBatchTest, StoppingMidBatchLeavesNothingOfTheRunningJob)
{
    copyExport("many/a");
    copyExport("many/b");
    listFolder(box.root / "many");
    ScopedEnvironment delay("KVX_STANDIN_DELAY_MS", std::string("60000"));
    access->convertAllButton()->click();
    BatchConversion *batch = access->batchConversion();
    ASSERT_NE(batch, nullptr);
    auto *job = batch->findChild<ConversionJob *>();
    ASSERT_NE(job, nullptr);
    auto *process = job->findChild<QProcess *>();
    ASSERT_NE(process, nullptr);
    ASSERT_TRUE(test::waitUntil([&] { return process->state() == QProcess::Running; }));
    const qint64 pid = process->processId();
    const QString working = job->workingDirectory();
    ASSERT_TRUE(fs::exists(working.toStdString()));

    access->convertAllButton()->click(); // now "停止全部转换"
    ASSERT_TRUE(waitForSummary());
    EXPECT_EQ(messages[0].title, QStringLiteral("全部转换已停止"));
    EXPECT_TRUE(messages[0].text.contains(QStringLiteral("已停止（2 个未转换）"))) << messages[0].text.toStdString();
    EXPECT_FALSE(fs::exists(working.toStdString()));
    EXPECT_EQ(::kill(static_cast<pid_t>(pid), 0), -1);
    EXPECT_EQ(errno, ESRCH);
    EXPECT_EQ(entryNames(box.output()), QStringList());
    EXPECT_EQ(access->convertAllButton()->text(), QStringLiteral("全部转换"));
    EXPECT_TRUE(access->primaryButton()->isEnabled());
}

TEST_F(WindowBatchTest, TheButtonWaitsForSomethingListed)
{
    EXPECT_FALSE(access->convertAllButton()->isEnabled());
    listFolder(box.exportFolder());
    EXPECT_TRUE(access->convertAllButton()->isEnabled());
}

TEST_F(WindowBatchTest, NothingReadyAsksForNoFolder)
{
    box.root.write("lonely/hero.json", test::readFileBytes(box.skeleton()));
    listFolder(box.root / "lonely");
    access->convertAllButton()->click();
    EXPECT_EQ(folderRequests, 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, QStringLiteral("全部转换"));
    EXPECT_TRUE(messages[0].text.contains(QStringLiteral("hero.json：缺少配套 Atlas")));
    EXPECT_EQ(access->batchConversion(), nullptr);
}

TEST_F(WindowBatchTest, ClosingTheWindowMidBatchStopsTheEditorAndCleansUp)
{
    copyExport("many/a");
    listFolder(box.root / "many");
    ScopedEnvironment delay("KVX_STANDIN_DELAY_MS", std::string("60000"));
    access->convertAllButton()->click();
    auto *job = access->batchConversion()->findChild<ConversionJob *>();
    ASSERT_NE(job, nullptr);
    auto *process = job->findChild<QProcess *>();
    ASSERT_TRUE(test::waitUntil([&] { return process->state() == QProcess::Running; }));
    const qint64 pid = process->processId();
    const QString working = job->workingDirectory();

    window.reset();
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(fs::exists(working.toStdString()));
    EXPECT_EQ(::kill(static_cast<pid_t>(pid), 0), -1);
    EXPECT_EQ(entryNames(box.output()), QStringList());
}

} // namespace
} // namespace kvx
