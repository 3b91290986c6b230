#include "support/atlasfixture.h"

#include "common/qt/pathtext.h"

#include <QTransform>

namespace kvx::test {
namespace {

constexpr char kSheetAtlas[] = "sheet.png\n"
                               "size: 32, 16\n"
                               "filter: Linear, Linear\n"
                               "pma: true\n"
                               "plain\n"
                               "bounds: 0, 0, 4, 3\n"
                               "stripped\n"
                               "bounds: 5, 0, 4, 3\n"
                               "offsets: 2, 1, 9, 6\n"
                               "turned\n"
                               "bounds: 10, 0, 4, 3\n"
                               "offsets: 1, 2, 6, 5\n"
                               "rotate: 90\n"
                               "over\n"
                               "bounds: 14, 0, 4, 3\n"
                               "rotate: 180\n"
                               "back\n"
                               "bounds: 19, 0, 4, 3\n"
                               "offsets: 0, 1, 5, 4\n"
                               "rotate: 270\n"
                               "parts/run\n"
                               "bounds: 0, 5, 2, 2\n"
                               "index: 0\n"
                               "parts/run\n"
                               "bounds: 2, 5, 2, 2\n"
                               "index: 1\n";

constexpr char kOldAtlas[] = "\n"
                             "old.png\n"
                             "size: 8,8\n"
                             "format: RGBA8888\n"
                             "filter: Linear,Linear\n"
                             "repeat: none\n"
                             "leg\n"
                             "  rotate: true\n"
                             "  xy: 1, 1\n"
                             "  size: 3, 2\n"
                             "  orig: 5, 4\n"
                             "  offset: 1, 1\n"
                             "  index: -1\n";

} // namespace

const std::vector<FixtureAtlas> &fixtureAtlases()
{
    // Worked out by hand from the atlas text: a quarter-turned region covers height x width texels;
    // the offsets count up from the original's bottom edge.
    static const std::vector<FixtureAtlas> atlases{
        {"sheet.atlas", "sheet.png", {32, 16}, true,
         {{"plain.png", {0, 0, 4, 3}, 0, {4, 3}, {0, 0}},
          {"stripped.png", {5, 0, 4, 3}, 0, {9, 6}, {2, 2}},
          {"turned.png", {10, 0, 3, 4}, 90, {6, 5}, {1, 0}},
          {"over.png", {14, 0, 4, 3}, 180, {4, 3}, {0, 0}},
          {"back.png", {19, 0, 3, 4}, 270, {5, 4}, {0, 0}},
          {"parts/run_0.png", {0, 5, 2, 2}, 0, {2, 2}, {0, 0}},
          {"parts/run_1.png", {2, 5, 2, 2}, 0, {2, 2}, {0, 0}}}},
        {"old.atlas", "old.png", {8, 8}, false, {{"leg.png", {1, 1, 2, 3}, 90, {5, 4}, {1, 1}}}},
    };
    return atlases;
}

void writeFixtureAtlases(const TempFolder &root, const std::filesystem::path &folder)
{
    root.write(folder / "sheet.atlas", kSheetAtlas);
    root.write(folder / "old.atlas", kOldAtlas);
    for (const FixtureAtlas &atlas : fixtureAtlases())
        fixturePage(atlas.pageSize).save(toQString(root / folder / atlas.pageFile), "PNG");
}

QImage fixturePage(QSize size)
{
    QImage page(size, QImage::Format_ARGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x)
            page.setPixel(x, y, qRgba(x, y, (x + y) % 52, 51));
    }
    return page;
}

QImage regionDrawnByHand(const QImage &page, const FixtureRegion &region)
{
    const QImage upright = page.copy(region.footprint).transformed(QTransform().rotate(region.degrees));
    QImage image(region.original, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int y = 0; y < upright.height(); ++y) {
        for (int x = 0; x < upright.width(); ++x)
            image.setPixel(region.contentAt + QPoint(x, y), upright.pixel(x, y));
    }
    return image;
}

} // namespace kvx::test
