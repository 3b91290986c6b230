// How intake batches drive the preview: many listed skeletons, one plugin load for the entry that
// is current when the batch ends; a later selection loads only the entry selected.

#include "support/exportbuilder.h"
#include "support/previewwindow.h"

#include <QComboBox>
#include <QLabel>

namespace kvx::test {
namespace {

using testplugin::Call;

class IntakePreview : public PreviewWindowTest {
protected:
    void SetUp() override
    {
        PreviewWindowTest::SetUp();
        install("full");
        controlled().setAnimations({{"sway", 2.0f}});
    }

    std::vector<std::filesystem::path> writeExports(int count, int folders = 4) const
    {
        return writeExportFolder(exports.path(), count, folders, "4.2.43", 3);
    }
    QString loadedSkeleton() const { return QString::fromUtf8(controlled().control().loadedSkeletonPath); }
    size_t loads() const { return controlled().callsOf(Call::Load).size(); }
};

TEST_F(IntakePreview, ABackgroundBatchOfManySkeletonsLoadsThePluginOnceForTheLastEntry)
{
    writeExports(60);
    window->takeInResources({toQString(exports.path())});
    ASSERT_TRUE(view().waitUntilSettled());

    QComboBox *list = view().resourceList();
    ASSERT_EQ(list->count(), 60);
    EXPECT_EQ(list->currentIndex(), 59);
    EXPECT_EQ(loads(), 1u);
    EXPECT_EQ(loadedSkeleton(), view().currentPath());
    EXPECT_EQ(view().animationList()->currentText(), QStringLiteral("sway"));
    EXPECT_EQ(view().status()->text(), QStringLiteral("已识别 1 个动画"));
    EXPECT_EQ(window->readiness().runCount(), 1);
}

TEST_F(IntakePreview, ASynchronousFolderAndAManyFileDropLoadOnceEach)
{
    const std::vector<std::filesystem::path> skeletons = writeExports(24);
    window->addResourcePath(toQString(exports / "character1"));
    EXPECT_EQ(view().resourceList()->count(), 6); // listed at once, before any event is processed
    ASSERT_TRUE(view().waitForPreview());
    EXPECT_EQ(loads(), 1u);
    EXPECT_EQ(loadedSkeleton(), view().currentPath());

    QStringList dropped;
    for (const std::filesystem::path &skeleton : skeletons)
        dropped.append(toQString(skeleton));
    window->takeInResources(dropped);
    ASSERT_TRUE(view().waitUntilSettled());
    EXPECT_EQ(view().resourceList()->count(), 24);
    EXPECT_EQ(loads(), 2u);
    EXPECT_EQ(loadedSkeleton(), toQString(skeletons.back()));
}

TEST_F(IntakePreview, ABatchListingNothingNewKeepsThePreviewAndItsStatus)
{
    const std::vector<std::filesystem::path> skeletons = writeExports(3);
    window->takeInResources({toQString(exports.path())});
    ASSERT_TRUE(view().waitUntilSettled());
    const QString status = view().status()->text();
    const int current = view().resourceList()->currentIndex();

    window->takeInResources({toQString(skeletons.front())});
    ASSERT_TRUE(view().waitUntilSettled());
    EXPECT_EQ(loads(), 1u);
    EXPECT_EQ(view().resourceList()->currentIndex(), current);
    EXPECT_EQ(view().status()->text(), status); // not left at the scan's progress
}

TEST_F(IntakePreview, SelectingAnotherEntryLoadsThatOneOnly)
{
    const std::vector<std::filesystem::path> skeletons = writeExports(30);
    window->takeInResources({toQString(exports.path())});
    ASSERT_TRUE(view().waitUntilSettled());
    controlled().clearCalls();

    view().resourceList()->setCurrentIndex(4);
    ASSERT_TRUE(view().waitForPreview());
    EXPECT_EQ(loads(), 1u);
    EXPECT_EQ(loadedSkeleton(), view().resourceList()->itemData(4, Qt::UserRole).toString());
}

} // namespace
} // namespace kvx::test
