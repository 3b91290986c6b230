#include "render/framing.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace kvx {
namespace {

constexpr double kFilled = 1.0 - 2.0 * kFrameMargin;

double framedSide(double side)
{
    return std::max(side, kThinnestFramedSide);
}

// The extent's centre in skeleton space, y up.
Camera centredOn(const SkeletonBox &extent)
{
    Camera camera;
    camera.x = double(extent.x) + double(extent.width) * 0.5;
    camera.y = -(double(extent.y) + double(extent.height) * 0.5);
    return camera;
}

int imageSide(double extentSide, double zoom, bool even)
{
    // A hair below a whole number is that number: 90 units at zoom 1 make 100 pixels, not 101.
    const double pixels = std::ceil(framedSide(extentSide) * zoom / kFilled - 1e-9);
    if (!(pixels < double(INT_MAX - 1)))
        return INT_MAX;
    const int side = std::max(1, int(pixels));
    return even && side % 2 != 0 ? side + 1 : side;
}

} // namespace

void FrameExtent::include(const std::vector<DrawItem> &items)
{
    for (const DrawItem &item : items) {
        for (const kvxRuntimeVertex &vertex : item.vertices) {
            if (!std::isfinite(vertex.x) || !std::isfinite(vertex.y))
                continue;
            if (!any) {
                minX = maxX = vertex.x;
                minY = maxY = vertex.y;
                any = true;
                continue;
            }
            minX = std::min(minX, double(vertex.x));
            maxX = std::max(maxX, double(vertex.x));
            minY = std::min(minY, double(vertex.y));
            maxY = std::max(maxY, double(vertex.y));
        }
    }
}

std::optional<SkeletonBox> FrameExtent::box() const
{
    if (!any)
        return std::nullopt;
    return SkeletonBox{float(minX), float(minY), float(maxX - minX), float(maxY - minY)};
}

Camera fittedCamera(const SkeletonBox &extent, FrameSize size, double scale)
{
    Camera camera = centredOn(extent);
    camera.width = size.width;
    camera.height = size.height;
    camera.zoom = std::min(size.width * kFilled / framedSide(extent.width),
                           size.height * kFilled / framedSide(extent.height))
        * scale;
    return camera;
}

FrameSize framedSize(const SkeletonBox &extent, double zoom, bool evenSides)
{
    return {imageSide(extent.width, zoom, evenSides), imageSide(extent.height, zoom, evenSides)};
}

Camera framedCamera(const SkeletonBox &extent, double zoom, bool evenSides)
{
    Camera camera = centredOn(extent);
    const FrameSize size = framedSize(extent, zoom, evenSides);
    camera.width = size.width;
    camera.height = size.height;
    camera.zoom = zoom;
    return camera;
}

} // namespace kvx
