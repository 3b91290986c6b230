#include "assets/regionlayout.h"

#include "common/portablenames.h"

#include <optional>

namespace kvx {
namespace {

struct Numbers {
    int32_t x = 0, y = 0, width = 0, height = 0;
    int32_t offsetX = 0, offsetY = 0, originalWidth = 0, originalHeight = 0;
};

// The newer keys win over the older ones the reader keeps beside them.
std::optional<Numbers> readNumbers(const AtlasRegion &region)
{
    Numbers numbers;
    if (region.bounds.size() >= 4) {
        numbers = {region.bounds[0], region.bounds[1], region.bounds[2], region.bounds[3]};
    } else if (region.xy.size() >= 2 && region.size.size() >= 2) {
        numbers = {region.xy[0], region.xy[1], region.size[0], region.size[1]};
    } else {
        return std::nullopt;
    }
    if (region.offsets.size() >= 2) {
        numbers.offsetX = region.offsets[0];
        numbers.offsetY = region.offsets[1];
    }
    if (region.offsets.size() >= 4) {
        numbers.originalWidth = region.offsets[2];
        numbers.originalHeight = region.offsets[3];
    } else if (region.orig.size() >= 2) {
        numbers.originalWidth = region.orig[0];
        numbers.originalHeight = region.orig[1];
    }
    if (numbers.originalWidth == 0 && numbers.originalHeight == 0) {
        numbers.originalWidth = numbers.width;
        numbers.originalHeight = numbers.height;
    }
    return numbers;
}

std::string describe(const AtlasRegion &region, const Numbers &numbers)
{
    return region.name + " (" + std::to_string(numbers.width) + " x " + std::to_string(numbers.height) + " at "
        + std::to_string(numbers.x) + ", " + std::to_string(numbers.y) + ", offsets "
        + std::to_string(numbers.offsetX) + ", " + std::to_string(numbers.offsetY) + " in "
        + std::to_string(numbers.originalWidth) + " x " + std::to_string(numbers.originalHeight) + ")";
}

bool contentFits(const Numbers &n)
{
    const bool nonNegative = n.x >= 0 && n.y >= 0 && n.width >= 0 && n.height >= 0 && n.offsetX >= 0 && n.offsetY >= 0;
    return nonNegative && n.originalWidth > 0 && n.originalHeight > 0
        && int64_t{n.offsetX} + n.width <= n.originalWidth && int64_t{n.offsetY} + n.height <= n.originalHeight;
}

bool isQuarterTurn(int32_t degrees)
{
    return degrees == 90 || degrees == 270;
}

} // namespace

Result<RegionLayout> layoutRegion(const AtlasRegion &region)
{
    const std::optional<Numbers> numbers = readNumbers(region);
    if (!numbers)
        return failure(FailureKind::RegionMalformed, region.name + " (no bounds)");
    const Numbers &n = *numbers;
    if (!contentFits(n))
        return failure(FailureKind::RegionMalformed, describe(region, n));
    if (n.originalWidth > kMaxRegionSide || n.originalHeight > kMaxRegionSide
        || int64_t{n.originalWidth} * n.originalHeight > kMaxRegionPixels)
        return failure(FailureKind::RegionTooLarge, describe(region, n));

    RegionLayout layout;
    layout.width = n.originalWidth;
    layout.height = n.originalHeight;
    layout.degrees = region.degrees;
    // The offsets are measured up from the bottom edge.
    layout.content = {n.offsetX, n.originalHeight - n.offsetY - n.height, n.width, n.height};
    layout.footprint = isQuarterTurn(region.degrees) ? PixelRect{n.x, n.y, n.height, n.width}
                                                    : PixelRect{n.x, n.y, n.width, n.height};
    return layout;
}

Status checkFootprint(const RegionLayout &layout, int32_t pageWidth, int32_t pageHeight)
{
    const PixelRect &f = layout.footprint;
    if (int64_t{f.x} + f.width <= pageWidth && int64_t{f.y} + f.height <= pageHeight)
        return Done{};
    return failure(FailureKind::RegionOutsidePage,
                   std::to_string(f.width) + " x " + std::to_string(f.height) + " at " + std::to_string(f.x) + ", "
                       + std::to_string(f.y) + " on a page of " + std::to_string(pageWidth) + " x "
                       + std::to_string(pageHeight));
}

PixelPoint pageTexel(const RegionLayout &layout, int32_t x, int32_t y)
{
    const PixelRect &f = layout.footprint;
    const int32_t width = layout.content.width;
    const int32_t height = layout.content.height;
    // The upright image turned back: 90 puts its top row up the footprint's left column, 270 down
    // its right column, 180 turns it over.
    switch (layout.degrees) {
    case 90:
        return {f.x + y, f.y + width - 1 - x};
    case 180:
        return {f.x + width - 1 - x, f.y + height - 1 - y};
    case 270:
        return {f.x + height - 1 - y, f.y + x};
    default:
        return {f.x + x, f.y + y};
    }
}

Result<std::string> regionImagePath(const AtlasRegion &region)
{
    std::string name = region.name;
    if (region.index && *region.index >= 0)
        name += '_' + std::to_string(*region.index);
    const std::optional<std::string> path = checkedPortablePath(name);
    if (!path)
        return failure(FailureKind::RegionNameUnusable, region.name);
    return *path + ".png";
}

} // namespace kvx
