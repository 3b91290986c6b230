// Loose images: each region of the fixture atlases against the region drawn from its page by hand,
// and what is left out, refused or cleaned up.

#include "conversion/qt/looseimages.h"

#include "common/qt/pathtext.h"
#include "conversion/conversionsandbox.h"
#include "support/atlasfixture.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

namespace fs = std::filesystem;

class LooseImagesTest : public ::testing::Test {
protected:
    LooseImagesTest() { test::writeFixtureAtlases(root, "export"); }

    Result<LooseImagesReport> unpack(const char *atlas, bool straightAlpha = false,
                                     const std::function<bool()> &stop = {})
    {
        fs::create_directories(output());
        return writeLooseImages({toQString(root / "export" / atlas), toQString(output()), "hero", straightAlpha}, stop);
    }

    fs::path output() const { return root / "out"; }

    test::TempFolder root;
};

QImage straightened(QImage image)
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb texel = image.pixel(x, y);
            if (qAlpha(texel) == 51) // the fixture's alpha: straight is five times each colour
                image.setPixel(x, y, qRgba(5 * qRed(texel), 5 * qGreen(texel), 5 * qBlue(texel), 51));
        }
    }
    return image;
}

TEST_F(LooseImagesTest, EachRegionEqualsItsRegionDrawnFromThePageByHand)
{
    for (const bool straightAlpha : {false, true}) {
        for (const test::FixtureAtlas &atlas : test::fixtureAtlases()) {
            const Result<LooseImagesReport> report = unpack(atlas.atlasFile, straightAlpha);
            ASSERT_TRUE(report) << englishText(report.failure());
            EXPECT_TRUE(report->complete());
            EXPECT_EQ(report->imagesWritten, static_cast<int>(atlas.regions.size()));
            const fs::path folder = toPath(report->folder);
            const QImage page = test::fixturePage(atlas.pageSize);
            for (const test::FixtureRegion &region : atlas.regions) {
                QImage expected = test::regionDrawnByHand(page, region);
                if (straightAlpha && atlas.premultiplied)
                    expected = straightened(expected);
                EXPECT_EQ(test::readImage(folder / region.file), expected) << atlas.atlasFile << ' ' << region.file;
            }
        }
    }
    // Every run went into a new folder; none replaced another.
    EXPECT_EQ(test::entryNames(output()), (QStringList{"hero", "hero-2", "hero-3", "hero-4"}));
}

TEST_F(LooseImagesTest, RegionsThatMakeNoFileAreLeftOutAndNamed)
{
    root.write("export/odd.atlas", "sheet.png\nsize: 32, 16\n"
                                   "plain\nbounds: 0, 0, 4, 3\n"
                                   "plain\nbounds: 4, 0, 4, 3\n"   // the same file name again
                                   "far\nbounds: 30, 0, 4, 3\n"    // beyond the page's edge
                                   "../up\nbounds: 0, 0, 1, 1\n"   // out of the output folder
                                   "\nmissing.png\nsize: 4, 4\nlost\nbounds: 0, 0, 1, 1\n");
    const Result<LooseImagesReport> report = unpack("odd.atlas");
    ASSERT_TRUE(report) << englishText(report.failure());
    EXPECT_FALSE(report->complete());
    EXPECT_EQ(report->imagesWritten, 1);
    std::vector<FailureKind> kinds;
    for (const Failure &leftOut : report->leftOut)
        kinds.push_back(leftOut.kind);
    EXPECT_EQ(kinds, (std::vector{FailureKind::NameTaken, FailureKind::RegionOutsidePage,
                                  FailureKind::RegionNameUnusable, FailureKind::PageImageUnreadable}));
    EXPECT_NE(report->leftOut[0].detail.find("plain.png"), std::string::npos);
    EXPECT_EQ(test::readImage(toPath(report->folder) / "plain.png"), test::fixturePage({32, 16}).copy(0, 0, 4, 3))
        << "the first region keeps the name";
    EXPECT_EQ(test::entryNames(output()), QStringList{"hero"});
}

TEST_F(LooseImagesTest, AFailureOrAStopLeavesNothingBehind)
{
    root.write("export/broken.atlas", "size: 4, 4\n");
    const Result<LooseImagesReport> unreadable = unpack("broken.atlas");
    ASSERT_FALSE(unreadable);
    EXPECT_EQ(unreadable.failure().kind, FailureKind::AtlasUnreadable);

    int regionsBeforeStop = 3;
    const Result<LooseImagesReport> stopped = unpack("sheet.atlas", false, [&] { return regionsBeforeStop-- == 0; });
    ASSERT_FALSE(stopped);
    EXPECT_EQ(stopped.failure().kind, FailureKind::Cancelled);

    root.write("export/nothing.atlas", "sheet.png\nsize: 32, 16\nfar\nbounds: 40, 0, 1, 1\n");
    const Result<LooseImagesReport> empty = unpack("nothing.atlas");
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->folder.isEmpty()) << "no folder without an image";
    EXPECT_EQ(test::entryNames(output()), QStringList());
}

} // namespace
} // namespace kvx
