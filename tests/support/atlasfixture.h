#pragma once
// Atlases with every kind of region a texture unpacker meets (upright, stripped of whitespace,
// turned by 90, 180 and 270 degrees, indexed, in folders; the newer and the older form), their
// pages drawn in code: each texel a colour of its own, so that a misplaced, turned or mirrored
// texel shows. Texels hold red = x, green = y, blue = (x + y) % 52 and alpha 51, valid
// premultiplied values whose straight form is exactly five times each colour.

#include "support/testfiles.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <filesystem>
#include <vector>

namespace kvx::test {

struct FixtureRegion {
    const char *file;  // the image below the output folder
    QRect footprint;   // the texels it covers on the page
    int degrees;       // the packer's turn
    QSize original;    // the image before whitespace was stripped
    QPoint contentAt;  // where the packed texels go in it, y down
};

struct FixtureAtlas {
    const char *atlasFile;
    const char *pageFile;
    QSize pageSize;
    bool premultiplied;
    std::vector<FixtureRegion> regions;
};

// "sheet.atlas" (newer form, pma: true) and "old.atlas" (older form, no pma line).
const std::vector<FixtureAtlas> &fixtureAtlases();
// Writes every fixture atlas and its page into root / folder.
void writeFixtureAtlases(const TempFolder &root, const std::filesystem::path &folder);

QImage fixturePage(QSize size);
// The region as drawn from the page by hand: its footprint turned upright with QImage's own
// rotation, placed into a transparent image of the original size.
QImage regionDrawnByHand(const QImage &page, const FixtureRegion &region);

} // namespace kvx::test
