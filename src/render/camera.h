#pragma once
// Where a frame's skeleton lands in an image: the skeleton point (x, y) at the image centre, zoom
// pixels per skeleton unit, skeleton y up and image y down:
//   image point = ((X − x) · zoom + width / 2, height / 2 − (Y − y) · zoom)
// for skeleton point (X, Y). Pixel (i, j) covers [i, i + 1) × [j, j + 1) and is sampled at its centre.

#include "preview/rasterizer.h"

namespace kvx {

struct ImagePoint {
    double x = 0.0;
    double y = 0.0;
};

struct Camera {
    double x = 0.0;
    double y = 0.0;
    double zoom = 1.0;
    int width = 0;
    int height = 0;

    // A skeleton point, y up.
    ImagePoint toImage(double skeletonX, double skeletonY) const;
    // A plugin vertex, whose y grows downward (kvxruntime.h).
    ImagePoint vertexToImage(float vertexX, float vertexY) const;
    // The same mapping in the rasterizer's terms.
    CanvasMapping canvasMapping() const;
};

} // namespace kvx
