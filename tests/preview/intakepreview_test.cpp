// How intake batches drive the preview: many listed skeletons, one plugin load for the entry that
// is current when the batch ends; a later selection loads only the entry selected.

#include "app/mainwindow.h"

#include "common/qt/pathtext.h"
#include "support/exportbuilder.h"
#include "support/installedplugin.h"
#include "support/mainwindowaccess.h"
#include "support/testfiles.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <QTimer>
#include <gtest/gtest.h>

namespace kvx::test {
namespace {

using testplugin::Call;

bool waitUntilSettled(const MainWindow &window, int timeoutMilliseconds = 30000)
{
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (!window.isTakingIn())
            loop.quit();
    });
    QTimer::singleShot(timeoutMilliseconds, &loop, &QEventLoop::quit);
    poll.start(5);
    loop.exec();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    return !window.isTakingIn();
}

class IntakePreview : public ::testing::Test {
protected:
    void SetUp() override
    {
        plugin = std::make_unique<InstalledPlugin>("full");
        (*plugin)->setAnimations({{"sway", 2.0f}});
        window = std::make_unique<MainWindow>();
        window->setDialogs(silentDialogs());
    }
    void TearDown() override
    {
        window.reset(); // releases the plugin before the test's own handle goes
        plugin.reset();
    }

    TestPluginLibrary &controlled() const { return **plugin; }
    MainWindowTestAccess access() const { return MainWindowTestAccess(*window); }
    std::vector<std::filesystem::path> writeExports(int count, int folders = 4) const
    {
        return writeExportFolder(exports.path(), count, folders, "4.2.43", 3);
    }
    QString loadedSkeleton() const { return QString::fromUtf8(controlled().control().loadedSkeletonPath); }
    size_t loads() const { return controlled().callsOf(Call::Load).size(); }

    TempFolder home;
    TempFolder config;
    ScopedEnvironment homeVariable{"HOME", home.path().string()};
    ScopedEnvironment configVariable{"XDG_CONFIG_HOME", config.path().string()};
    TempFolder exports;
    std::unique_ptr<InstalledPlugin> plugin;
    std::unique_ptr<MainWindow> window;
};

TEST_F(IntakePreview, ABackgroundBatchOfManySkeletonsLoadsThePluginOnceForTheLastEntry)
{
    writeExports(60);
    window->takeInResources({toQString(exports.path())});
    ASSERT_TRUE(waitUntilSettled(*window));

    QComboBox *list = access().resourceCombo();
    ASSERT_EQ(list->count(), 60);
    EXPECT_EQ(list->currentIndex(), 59);
    EXPECT_EQ(loads(), 1u);
    EXPECT_EQ(loadedSkeleton(), access().currentResourcePath());
    EXPECT_EQ(access().animationCombo()->currentText(), QStringLiteral("sway"));
    EXPECT_EQ(access().statusLabel()->text(), QStringLiteral("已识别 1 个动画"));
    EXPECT_EQ(access().readinessRuns(), 1);
}

TEST_F(IntakePreview, ASynchronousFolderAndAManyFileDropLoadOnceEach)
{
    const std::vector<std::filesystem::path> skeletons = writeExports(24);
    window->addResourcePath(toQString(exports / "character1"));
    EXPECT_EQ(access().resourceCombo()->count(), 6);
    EXPECT_EQ(loads(), 1u); // at once, before any event is processed
    EXPECT_EQ(loadedSkeleton(), access().currentResourcePath());

    QStringList dropped;
    for (const std::filesystem::path &skeleton : skeletons)
        dropped.append(toQString(skeleton));
    window->takeInResources(dropped);
    ASSERT_TRUE(waitUntilSettled(*window));
    EXPECT_EQ(access().resourceCombo()->count(), 24);
    EXPECT_EQ(loads(), 2u);
    EXPECT_EQ(loadedSkeleton(), toQString(skeletons.back()));
}

TEST_F(IntakePreview, ABatchListingNothingNewKeepsThePreviewAndItsStatus)
{
    const std::vector<std::filesystem::path> skeletons = writeExports(3);
    window->takeInResources({toQString(exports.path())});
    ASSERT_TRUE(waitUntilSettled(*window));
    const QString status = access().statusLabel()->text();
    const int current = access().resourceCombo()->currentIndex();

    window->takeInResources({toQString(skeletons.front())});
    ASSERT_TRUE(waitUntilSettled(*window));
    EXPECT_EQ(loads(), 1u);
    EXPECT_EQ(access().resourceCombo()->currentIndex(), current);
    EXPECT_EQ(access().statusLabel()->text(), status); // not left at the scan's progress
}

TEST_F(IntakePreview, SelectingAnotherEntryLoadsThatOneOnly)
{
    const std::vector<std::filesystem::path> skeletons = writeExports(30);
    window->takeInResources({toQString(exports.path())});
    ASSERT_TRUE(waitUntilSettled(*window));
    controlled().clearCalls();

    access().resourceCombo()->setCurrentIndex(4);
    EXPECT_EQ(loads(), 1u);
    EXPECT_EQ(loadedSkeleton(), access().resourceCombo()->itemData(4, Qt::UserRole).toString());
}

} // namespace
} // namespace kvx::test
