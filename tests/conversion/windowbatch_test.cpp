// "全部转换" through the window: dialogs answered here, the stand-in editor doing the work.

#include "conversion/conversionsandbox.h"
#include "support/shownmessage.h"
#include "support/windowview.h"

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

class WindowBatchTest : public ::testing::Test {
protected:
    WindowBatchTest()
    {
        QSettings().setValue("spineEditorPath", box.q(box.editor()));
        window = std::make_unique<MainWindow>();
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
        ASSERT_TRUE(test::waitFor([this] { return !view().badge()->text().isEmpty(); }));
    }

    bool waitForSummary() { return test::waitFor([this] { return !messages.empty(); }); }

    // Starts converting everything and waits until the first editor runs; its process id, 0 when it
    // never ran.
    long convertAllUntilTheEditorRuns()
    {
        view().convertAllButton()->click();
        if (!test::waitFor([this] { return box.lastEditorProcess() > 0; }))
            return 0;
        return box.lastEditorProcess();
    }

    test::WindowView view() const { return test::WindowView(*window); }

    ConversionSandbox box;
    std::unique_ptr<MainWindow> window;
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
    ASSERT_EQ(window->listedPaths().size(), 4);

    view().convertAllButton()->click();
    ASSERT_TRUE(window->conversion().isRunning());
    EXPECT_EQ(view().convertAllButton()->text(), QStringLiteral("停止全部转换"));
    EXPECT_FALSE(view().primaryButton()->isEnabled());
    EXPECT_TRUE(view().status()->text().startsWith(QStringLiteral("正在全部转换 1 / 3："))) << view().status()->text().toStdString();

    ASSERT_TRUE(waitForSummary());
    EXPECT_EQ(folderRequests, 1);
    // Each project keeps its skeleton's folder relative to the dropped folder.
    EXPECT_EQ(entryNames(box.output()), (QStringList{"a", "b", "c"}));
    EXPECT_EQ(entryNames(box.output() / "a"), QStringList{"hero"});
    EXPECT_EQ(entryNames(box.output() / "b"), QStringList{"hero"});
    EXPECT_EQ(entryNames(box.output() / "c"), QStringList{"third"});
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, QMessageBox::Information);
    EXPECT_EQ(messages[0].title, QStringLiteral("全部转换完成"));
    EXPECT_TRUE(messages[0].text.startsWith(QStringLiteral("成功 3 个，失败 0 个"))) << messages[0].text.toStdString();
    EXPECT_TRUE(messages[0].text.contains(QStringLiteral("broken.json：缺少纹理页 hero_2.png")));
    EXPECT_FALSE(window->conversion().isRunning());
    EXPECT_EQ(view().convertAllButton()->text(), QStringLiteral("全部转换"));
    EXPECT_EQ(view().status()->text(), QStringLiteral("全部转换完成"));
}

TEST_F(WindowBatchTest, AFailingConversionDoesNotStopTheOthers)
{
    copyExport("many/a");
    copyExport("many/b");
    listFolder(box.root / "many");
    ScopedEnvironment code("KVX_STANDIN_FAIL_CODE", std::string("3"));
    ScopedEnvironment stage("KVX_STANDIN_FAIL_STAGE", std::string("import"));
    ScopedEnvironment output("KVX_STANDIN_FAIL_OUTPUT", std::string("bad bones"));
    view().convertAllButton()->click();
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
    const long pid = convertAllUntilTheEditorRuns();
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(window->conversion().isRunning());
    const QString working = window->conversion().runningWorkingDirectory();
    ASSERT_TRUE(fs::exists(working.toStdString()));

    view().convertAllButton()->click(); // now "停止全部转换"
    ASSERT_TRUE(waitForSummary());
    EXPECT_EQ(messages[0].title, QStringLiteral("全部转换已停止"));
    EXPECT_TRUE(messages[0].text.contains(QStringLiteral("已停止（2 个未转换）"))) << messages[0].text.toStdString();
    EXPECT_FALSE(fs::exists(working.toStdString()));
    EXPECT_FALSE(processIsLive(pid));
    EXPECT_EQ(entryNames(box.output()), QStringList());
    EXPECT_EQ(view().convertAllButton()->text(), QStringLiteral("全部转换"));
    EXPECT_TRUE(view().primaryButton()->isEnabled());
}

TEST_F(WindowBatchTest, TheButtonWaitsForSomethingListed)
{
    EXPECT_FALSE(view().convertAllButton()->isEnabled());
    listFolder(box.exportFolder());
    EXPECT_TRUE(view().convertAllButton()->isEnabled());
}

TEST_F(WindowBatchTest, NothingReadyAsksForNoFolder)
{
    box.root.write("lonely/hero.json", test::readFileBytes(box.skeleton()));
    listFolder(box.root / "lonely");
    view().convertAllButton()->click();
    EXPECT_EQ(folderRequests, 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, QStringLiteral("全部转换"));
    EXPECT_TRUE(messages[0].text.contains(QStringLiteral("hero.json：缺少配套 Atlas")));
    EXPECT_FALSE(window->conversion().isRunning());
}

TEST_F(WindowBatchTest, ClosingTheWindowMidBatchStopsTheEditorAndCleansUp)
{
    copyExport("many/a");
    listFolder(box.root / "many");
    ScopedEnvironment delay("KVX_STANDIN_DELAY_MS", std::string("60000"));
    const long pid = convertAllUntilTheEditorRuns();
    ASSERT_GT(pid, 0);
    const QString working = window->conversion().runningWorkingDirectory();

    window.reset();
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(fs::exists(working.toStdString()));
    EXPECT_FALSE(processIsLive(pid));
    EXPECT_EQ(entryNames(box.output()), QStringList());
}

} // namespace
} // namespace kvx
