#include "render/camera.h"

namespace kvx {

ImagePoint Camera::toImage(double skeletonX, double skeletonY) const
{
    return {(skeletonX - x) * zoom + width * 0.5, height * 0.5 - (skeletonY - y) * zoom};
}

ImagePoint Camera::vertexToImage(float vertexX, float vertexY) const
{
    return toImage(vertexX, -static_cast<double>(vertexY));
}

// The rasterizer maps ((vx − cx) · s + ox, (vy − cy) · s + oy) on y-down vertices; with vy = −y,
// h/2 − (−vy − Y) · zoom = (vy − (−Y)) · zoom + h/2.
CanvasMapping Camera::canvasMapping() const
{
    CanvasMapping mapping;
    mapping.scale = zoom;
    mapping.centreX = x;
    mapping.centreY = -y;
    mapping.originX = width * 0.5;
    mapping.originY = height * 0.5;
    return mapping;
}

} // namespace kvx
