// Intake of large batches: the background scan lists what the synchronous walk lists, keeps the
// window responsive, tells entries apart in their tool tips and caps the names in a warning.

#include "support/programrun.h"
#include "support/windowfixture.h"

#include "common/qt/pathtext.h"
#include "support/exportbuilder.h"

#include <QColor>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QLabel>

namespace kvx::test {
namespace {

const QString unrecognizedTitle = QStringLiteral("未识别到正确的 Spine 资产");
const QString unsupportedTitle = QStringLiteral("版本过低");

class IntakeAtScale : public WindowFixture {
protected:
    QStringList warnedLines(const QString &title) const
    {
        const std::vector<ShownMessage> shown = messagesTitled(title);
        if (shown.empty())
            return {};
        const QString text = shown.front().text;
        return text.mid(text.indexOf(QStringLiteral("\n\n")) + 2).split(QLatin1Char('\n'));
    }
    QString toolTipOf(int index) { return view().resourceList()->itemData(index, Qt::ToolTipRole).toString(); }
};

// A batch with every kind of entry: nested folders, a problem file of each kind, a file handed over
// directly, an atlas whose siblings are looked up silently, and repeats.
QStringList mixedBatch(const TempFolder &files)
{
    writeExportFolder(files / "drop", 30, 3, "4.2.43", 1);
    files.write("drop/character1/package.json", "{}");
    files.write("drop/character2/old.json", skeletonJson("3.7.94"));
    files.write("drop/new.skel", skeletonBinary("4.4.1"));
    files.write("drop/character0/broken.skel", std::string("\x00\x00\x00garbage", 10));
    files.write("loose/goblin.skel", skeletonBinary("4.1.24"));
    files.write("beside/hero.atlas", atlasText({"hero.png"}));
    files.write("beside/dragon.skel.bytes", skeletonBinary("3.8.99"));
    files.write("beside/ancient.json", skeletonJson("3.7.94"));
    return {toQString(files / "drop"), toQString(files / "loose/goblin.skel"), toQString(files / "beside/hero.atlas"),
            toQString(files / "drop/character1/hero1.json"), toQString(files / "missing.json")};
}

TEST_F(IntakeAtScale, ABackgroundBatchEndsAsTheSynchronousIntakeOfItsPaths)
{
    const QStringList batch = mixedBatch(files);
    window->takeInResources(batch);
    ASSERT_TRUE(settleIntake());

    MainWindow reference;
    std::vector<ShownMessage> referenceMessages;
    WindowDialogs dialogs;
    dialogs.showMessage = [&](QWidget *, QMessageBox::Icon icon, const QString &title, const QString &text) {
        referenceMessages.push_back({icon, title, text});
    };
    reference.setDialogs(std::move(dialogs));
    for (const QString &path : batch)
        reference.addResourcePath(path);
    deliverQueuedWork();
    const WindowView expected(reference);
    ASSERT_TRUE(expected.waitForPreview());

    EXPECT_EQ(window->listedPaths().size(), 32);
    EXPECT_TRUE(window->listedPaths() == reference.listedPaths());
    EXPECT_EQ(view().resourceList()->currentIndex(), expected.resourceList()->currentIndex());
    EXPECT_EQ(view().currentPath(), expected.currentPath());
    ASSERT_EQ(messages.size(), referenceMessages.size());
    for (size_t i = 0; i < messages.size(); ++i) {
        EXPECT_EQ(messages[i].title, referenceMessages[i].title);
        EXPECT_EQ(messages[i].text, referenceMessages[i].text);
    }
    EXPECT_EQ(messagesTitled(unrecognizedTitle).size(), 1u);
    EXPECT_EQ(messagesTitled(unsupportedTitle).size(), 1u);
    EXPECT_EQ(window->readiness().runCount(), 1);
    EXPECT_EQ(reference.readiness().runCount(), 1);
    EXPECT_EQ(badge(), expected.badgeText());
    EXPECT_EQ(buttonText(), expected.primaryButton()->text());
    EXPECT_EQ(view().status()->text(), expected.status()->text());
}

TEST_F(IntakeAtScale, TheScanRunsWhileTheWindowProcessesEvents)
{
    writeExportFolder(files / "big", 200, 8, "4.2.43", 1);
    window->takeInResources({toQString(files / "big")});
    // Handed over and returned at once: the walk and detection run off the window's thread, and
    // their results are listed only as the event loop delivers them.
    EXPECT_TRUE(window->isTakingIn());
    EXPECT_TRUE(view().status()->text().startsWith(QStringLiteral("正在扫描…")));
    EXPECT_EQ(view().resourceList()->count(), 0);
    EXPECT_EQ(window->readiness().runCount(), 0);

    ASSERT_TRUE(settleIntake());
    EXPECT_EQ(view().resourceList()->count(), 200);
    EXPECT_EQ(window->readiness().runCount(), 1);
    EXPECT_FALSE(view().status()->text().startsWith(QStringLiteral("正在扫描")));
}

TEST_F(IntakeAtScale, BatchesAndSynchronousPathsWaitTheirTurnInOrder)
{
    writeExportFolder(files / "first", 20, 2, "4.2.43", 1);
    const auto second = files.write("second/goblin.skel", skeletonBinary("4.1.24"));
    const auto third = files.write("third/dragon.json", skeletonJson("4.3.1"));
    window->takeInResources({toQString(files / "first")});
    window->takeInResources({qpath(second)});
    window->addResourcePath(qpath(third)); // a batch is running: this one queues behind it
    EXPECT_EQ(view().resourceList()->count(), 0);
    ASSERT_TRUE(settleIntake());

    const QStringList listed = window->listedPaths();
    ASSERT_EQ(listed.size(), 22);
    EXPECT_EQ(listed[20], qpath(second));
    EXPECT_EQ(listed[21], qpath(third));
    EXPECT_EQ(view().currentPath(), qpath(third));
}

TEST_F(IntakeAtScale, ClosingTheWindowStopsARunningScan)
{
    writeExportFolder(files / "big", 600, 6, "4.2.43", 1);
    window->takeInResources({toQString(files / "big")});
    window.reset(); // must neither hang nor let the scan outlive the window
    SUCCEED();
}

TEST_F(IntakeAtScale, ToolTipsTellEntriesWithTheSameNameApart)
{
    const auto json = files.write("one/hero.json", skeletonJson("4.2.43"));
    const auto binary = files.write("two/hero.skel", skeletonBinary("4.1.24"));
    dropPaths({json, binary});
    ASSERT_EQ(view().resourceList()->count(), 2);
    EXPECT_EQ(view().resourceList()->itemText(0), QStringLiteral("hero"));
    EXPECT_EQ(view().resourceList()->itemText(1), QStringLiteral("hero"));
    EXPECT_EQ(toolTipOf(0), QDir::toNativeSeparators(qpath(json)) + QStringLiteral("\n格式：JSON\n数据版本：4.2.43"));
    EXPECT_EQ(toolTipOf(1), QDir::toNativeSeparators(qpath(binary)) + QStringLiteral("\n格式：二进制\n数据版本：4.1.24"));

    add(files.write("three/goblin.json", skeletonJson("4.0")));
    EXPECT_TRUE(toolTipOf(2).endsWith(QStringLiteral("数据版本：4.0"))) << toolTipOf(2).toStdString();
}

TEST_F(IntakeAtScale, AWarningListsFiftyNamesAndCountsTheRest)
{
    for (int i = 0; i < 73; ++i)
        files.write("junk/package" + std::to_string(i) + ".json", "{}");
    for (int i = 0; i < 50; ++i)
        files.write("old/legacy" + std::to_string(i) + ".json", skeletonJson("3.7.94"));
    dropPaths({files / "junk", files / "old"});

    const QStringList unrecognized = warnedLines(unrecognizedTitle);
    ASSERT_EQ(unrecognized.size(), 51);
    EXPECT_EQ(unrecognized.back(), QStringLiteral("……以及其余 23 个"));
    EXPECT_EQ(unrecognized.filter(QStringLiteral("package")).size(), 50);
    const QStringList unsupported = warnedLines(unsupportedTitle);
    EXPECT_EQ(unsupported.size(), 50); // exactly fifty: all shown, nothing counted
    EXPECT_TRUE(unsupported.back().endsWith(QStringLiteral("（版本 3.7.94）")));
}

int runKovexa(const QStringList &arguments, const TempFolder &home)
{
    return runWithHome(QStringLiteral(KVX_APP_PATH), arguments, home).exitCode;
}

// Pixels within a small distance of the colour: the badge's dot and text are drawn in it.
int pixelsNear(const QImage &image, const QColor &colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            count += std::abs(pixel.red() - colour.red()) + std::abs(pixel.green() - colour.green())
                         + std::abs(pixel.blue() - colour.blue())
                     < 24;
        }
    }
    return count;
}

TEST_F(IntakeAtScale, AScreenshotOfALargeFolderShowsTheSettledWindow)
{
    writeExportFolder(files / "big", 300, 10, "4.2.43", 3);
    const QString shot = qpath(files / "shot.png");
    ASSERT_EQ(runKovexa({QStringLiteral("--screenshot"), shot, qpath(files / "big")}, home), 0);

    const QImage image(shot);
    ASSERT_FALSE(image.isNull());
    // Readiness has run: the badge shows one of its states (it is hidden until the first run).
    int badgePixels = 0;
    for (const char *colour : {"#ef6b73", "#f2b84b", "#55d68b"})
        badgePixels += pixelsNear(image, QColor(QLatin1String(colour)));
    EXPECT_GT(badgePixels, 20);
}

TEST_F(IntakeAtScale, TheSmokeTestQuitsWhileALargeFolderIsTakenIn)
{
    writeExportFolder(files / "big", 1000, 10, "4.2.43", 1);
    EXPECT_EQ(runKovexa({qpath(files / "big"), QStringLiteral("--smoke-test")}, home), 0);
}

} // namespace
} // namespace kvx::test
