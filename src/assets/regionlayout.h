#pragma once
// Where an atlas region's texels lie on its page and how they make up the image the region was
// packed from: the packer's turn undone and the whitespace it stripped put back around them.
//
// The atlas measures in the page's pixels with y down for the place on the page, but the offsets
// of the stripped whitespace from the bottom-left corner of the original image (the runtimes' y-up
// convention). Width and height are the region's own, upright; a region turned by 90 or 270
// degrees covers height × width texels of its page.

#include "assets/atlasreader.h"
#include "common/failure.h"

#include <cstdint>
#include <string>

namespace kvx {

struct PixelRect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;

    bool operator==(const PixelRect &) const = default;
};

struct PixelPoint {
    int32_t x = 0;
    int32_t y = 0;

    bool operator==(const PixelPoint &) const = default;
};

struct RegionLayout {
    int32_t width = 0;  // the original image, whitespace included
    int32_t height = 0;
    PixelRect content;   // where the packed texels go in it, y down
    PixelRect footprint; // the texels the region covers on its page
    int32_t degrees = 0; // 0, 90, 180 or 270
};

// Larger originals are refused before any memory is spent on them.
inline constexpr int32_t kMaxRegionSide = 16384;
inline constexpr int64_t kMaxRegionPixels = int64_t{8192} * 8192;

// The layout of both atlas forms: "bounds" and "offsets" (newer), or "xy", "size", "orig" and
// "offset" (older). An original size of 0 × 0 or none means nothing was stripped. Refuses
// (RegionMalformed) a region without a place and size, with negative numbers or with content
// reaching beyond its original size, and (RegionTooLarge) one beyond the limits above.
Result<RegionLayout> layoutRegion(const AtlasRegion &region);

// Refuses (RegionOutsidePage) a footprint that is not wholly on a page of that size.
Status checkFootprint(const RegionLayout &layout, int32_t pageWidth, int32_t pageHeight);

// The page texel shown at (x, y) of the content, 0 <= x < content.width, 0 <= y < content.height.
PixelPoint pageTexel(const RegionLayout &layout, int32_t x, int32_t y);

// The image's path below the output folder, UTF-8 with "/" between folders: the region's name, its
// index after "_" when it has one (0 or more), then ".png"; "\" separates folders as "/" does.
// Refuses (RegionNameUnusable) a name that is not a relative path every system can hold: empty
// parts, "." or "..", control characters, any of <>:"|?*, a part ending in a dot or a space,
// device names such as "con" or "lpt1", or malformed UTF-8.
Result<std::string> regionImagePath(const AtlasRegion &region);

} // namespace kvx
