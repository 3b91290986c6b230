#pragma once
// How a rendered output is framed when no camera is given: the extent of everything its frames
// draw, centred, with a margin of 5 % of the image's width on the left and right and 5 % of its
// height above and below, so the extent fills at most the middle 90 % of each side and exactly
// that of its limiting side. One camera per output: it never moves between frames.

#include "preview/runtimeplugin.h"
#include "render/camera.h"

#include <optional>
#include <vector>

namespace kvx {

inline constexpr double kFrameMargin = 0.05; // of the image's side, on each edge
// Extents thinner than this (skeleton units) are framed as if this wide, so a line or a dot is
// never magnified without end.
inline constexpr double kThinnestFramedSide = 1.0;

// The union of every vertex of the frames it is shown, y down as plugins give them. Vertices that
// are not finite are left out.
class FrameExtent {
public:
    void include(const std::vector<DrawItem> &items);
    // Empty until a frame drew a vertex.
    std::optional<SkeletonBox> box() const;

private:
    double minX = 0.0, minY = 0.0, maxX = 0.0, maxY = 0.0;
    bool any = false;
};

struct FrameSize {
    int width = 0;
    int height = 0;

    bool operator==(const FrameSize &) const = default;
};

// The camera of an image of the given size showing the extent (y down) centred within the margin,
// its zoom multiplied by scale afterwards (scale 1 fits exactly).
Camera fittedCamera(const SkeletonBox &extent, FrameSize size, double scale = 1.0);

// The smallest image that holds the extent at the zoom with the same margin: each side
// ceil(extent side × zoom / 0.9), at least 1, and rounded up to even when asked. The size may
// exceed what an output allows: callers check it. Saturates at INT_MAX.
FrameSize framedSize(const SkeletonBox &extent, double zoom, bool evenSides);

// The camera of framedSize: the extent centred at that zoom.
Camera framedCamera(const SkeletonBox &extent, double zoom, bool evenSides);

} // namespace kvx
