// The stand-in editor's unpack and import commands, run directly as the conversion runs them.

#include "conversion/conversionsandbox.h"

#include "common/qt/pathtext.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>

namespace kvx {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

struct CommandResult {
    int exitCode = -1;
    std::string output;
};

class StandinCommandsTest : public ::testing::Test {
protected:
    StandinCommandsTest() { folder.write("home/.spine/updates/4.2.43", "cached"); }

    CommandResult runStandin(const QStringList &arguments, const QStringList &variables = {})
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", toQString(folder / "home"));
        for (const QString &variable : variables)
            environment.insert(variable.section('=', 0, 0), variable.section('=', 1));
        QProcess process;
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(toQString(test::standinEditorPath()), arguments);
        process.waitForFinished(60000);
        return {process.exitCode(), process.readAll().toStdString()};
    }

    CommandResult unpack(const std::string &atlas, const QStringList &variables = {})
    {
        const fs::path atlasFile = folder.write("export/page.atlas", atlas);
        fs::create_directories(folder / "images");
        return runStandin({"-u", "4.2.43", "-i", toQString(folder / "export"), "-o", toQString(folder / "images"),
                           "-c", toQString(atlasFile)},
                          variables);
    }

    void writePage(const char *name, const QImage &image, const char *format = "PNG")
    {
        fs::create_directories(folder / "export");
        ASSERT_TRUE(image.save(toQString(folder / "export" / name), format));
    }

    QImage image(const std::string &relative) { return test::readImage(folder / "images" / relative); }

    TempFolder folder;
};

QImage filledPage(int width, int height, const QColor &colour)
{
    QImage page(width, height, QImage::Format_ARGB32);
    page.fill(colour);
    return page;
}

TEST_F(StandinCommandsTest, OldLayoutRotatedRegionIsTurnedUprightThenPadded)
{
    QImage page = filledPage(4, 4, Qt::transparent);
    // Upright the region is 3 wide and 2 high; packed rotated it covers 2 x 3 at (1, 1).
    page.setPixelColor(1, 3, QColor(255, 0, 0)); // packed bottom-left: upright top-left
    page.setPixelColor(1, 1, QColor(0, 255, 0)); // packed top-left: upright top-right
    page.setPixelColor(2, 1, QColor(0, 0, 255)); // packed top-right: upright bottom-right
    writePage("page.png", page);
    const CommandResult result = unpack("\npage.png\nsize: 4,4\nformat: RGBA8888\nfilter: Linear,Linear\nrepeat: none\n"
                                        "leg\n  rotate: true\n  xy: 1, 1\n  size: 3, 2\n  orig: 5, 4\n  offset: 1, 1\n"
                                        "  index: -1\n");
    ASSERT_EQ(result.exitCode, 0) << result.output;
    const QImage leg = image("leg.png");
    ASSERT_EQ(leg.size(), QSize(5, 4));
    // Offsets count from the bottom-left: the 3 x 2 region sits at x 1, rows 1 and 2.
    EXPECT_EQ(leg.pixelColor(1, 1), QColor(255, 0, 0));
    EXPECT_EQ(leg.pixelColor(3, 1), QColor(0, 255, 0));
    EXPECT_EQ(leg.pixelColor(3, 2), QColor(0, 0, 255));
    EXPECT_EQ(leg.pixelColor(0, 0).alpha(), 0);
    EXPECT_EQ(leg.pixelColor(1, 3).alpha(), 0);
}

TEST_F(StandinCommandsTest, PremultipliedPagesComeOutInStraightAlpha)
{
    QImage page = filledPage(3, 1, Qt::transparent);
    page.setPixelColor(0, 0, QColor(50, 100, 0, 100));
    page.setPixelColor(1, 0, QColor(200, 10, 10, 100)); // brighter than its alpha allows: clamped
    page.setPixelColor(2, 0, QColor(0, 0, 0, 0));
    writePage("page.png", page);
    const CommandResult result = unpack("page.png\nsize: 3, 1\npma: true\nstrip\nbounds: 0, 0, 3, 1\n");
    ASSERT_EQ(result.exitCode, 0) << result.output;
    const QImage strip = image("strip.png");
    ASSERT_EQ(strip.size(), QSize(3, 1));
    EXPECT_EQ(strip.pixelColor(0, 0), QColor(128, 255, 0, 100));
    EXPECT_EQ(strip.pixelColor(1, 0), QColor(255, 26, 26, 100));
    EXPECT_EQ(strip.pixelColor(2, 0).alpha(), 0);
}

TEST_F(StandinCommandsTest, JpegPagesAndSubFolderNamesAndIndexesAreHandled)
{
    writePage("page.jpg", filledPage(4, 4, QColor(255, 255, 255)), "JPEG");
    const CommandResult result =
        unpack("page.jpg\nparts/eye\nbounds: 0, 0, 2, 2\nindex: 3\nparts/deep/brow\nbounds: 2, 2, 2, 2\n");
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_EQ(image("parts/eye_3.png").size(), QSize(2, 2));
    EXPECT_EQ(image("parts/deep/brow.png").size(), QSize(2, 2));
}

TEST_F(StandinCommandsTest, MissingPageImageFails)
{
    const CommandResult result = unpack("absent.png\nbody\nbounds: 0, 0, 2, 2\n");
    EXPECT_NE(result.exitCode, 0);
    EXPECT_NE(result.output.find("absent.png"), std::string::npos);
}

TEST_F(StandinCommandsTest, RegionNamesThatLeaveTheOutputFolderAreRefused)
{
    writePage("page.png", filledPage(2, 2, Qt::red));
    const CommandResult result = unpack("page.png\n../escaped\nbounds: 0, 0, 2, 2\n");
    EXPECT_NE(result.exitCode, 0);
    EXPECT_FALSE(fs::exists(folder / "escaped.png"));
}

TEST_F(StandinCommandsTest, ImportWritesALabelledPlaceholderNamingItsInputs)
{
    const fs::path skeleton = folder.write("export/hero.json", "{}");
    const fs::path project = folder / "hero.spine";
    const CommandResult result = runStandin(
        {"-u", "4.2.43", "-i", toQString(skeleton), "-s", "0.5", "-o", toQString(project), "--import"});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    const std::string text = test::readFileBytes(project);
    EXPECT_NE(text.find("stand-in placeholder"), std::string::npos);
    EXPECT_NE(text.find("NOT a real Spine project"), std::string::npos);
    EXPECT_NE(text.find("skeleton: " + skeleton.string() + "\n"), std::string::npos);
    EXPECT_NE(text.find("version: 4.2.43\n"), std::string::npos);
    EXPECT_NE(text.find("scale: 0.5\n"), std::string::npos);

    fs::remove(skeleton);
    EXPECT_NE(runStandin({"-u", "4.2.43", "-i", toQString(skeleton), "-s", "1", "-o", toQString(project), "--import"})
                  .exitCode,
              0);
}

} // namespace
} // namespace kvx
