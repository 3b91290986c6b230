#pragma once
// Draws textured triangle lists into a pixel buffer: affine texture mapping with bilinear filtering,
// pixel centres sampled with the top-left fill rule (triangles sharing an edge paint each pixel of
// it once), and the four blend modes of the runtime interface with the triangle's colour.

#include "preview/kvxruntime.h"

#include <cstddef>
#include <cstdint>

namespace kvx {

// 32-bit premultiplied ARGB, 0xAARRGGBB in native byte order: the memory layout of
// QImage::Format_ARGB32_Premultiplied, so a QImage and a view can share one buffer.
struct PixelView {
    uint32_t *pixels = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t stride = 0; // pixels from one row to the next
};

// A page image in the same layout, read only.
struct TextureView {
    const uint32_t *pixels = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t stride = 0;
};

enum class BlendMode { Normal, Additive, Multiply, Screen };

// The interface's numbering: 1 additive, 2 multiply, 3 screen, anything else normal.
BlendMode blendModeFromInterface(int32_t blendMode);

// Skeleton space to canvas pixels: ((x - centreX) * scale + originX, (y - centreY) * scale + originY).
struct CanvasMapping {
    double scale = 1.0;
    double centreX = 0.0;
    double centreY = 0.0;
    double originX = 0.0;
    double originY = 0.0;
};

// One corner in canvas pixels and texels.
struct RasterVertex {
    double x = 0.0;
    double y = 0.0;
    double u = 0.0;
    double v = 0.0;
};

// Draws one triangle multiplied by a straight 0xAARRGGBB colour. Returns false when it was
// skipped: a texture triangle without area, or a coordinate that is not finite.
bool drawTriangle(const PixelView &canvas, const TextureView &texture, const RasterVertex (&corners)[3],
                  uint32_t colour, BlendMode mode);

struct TriangleList {
    const kvxRuntimeVertex *vertices = nullptr;
    size_t vertexCount = 0;
    const uint16_t *indices = nullptr;
    size_t indexCount = 0;
    int32_t blendMode = 0; // the interface's numbering
};

// Draws every whole triangle of the list, each in the colour of its first vertex. Triangles naming
// a vertex that does not exist are skipped, as are one or two indices left over at the end.
void drawTriangleList(const PixelView &canvas, const TextureView &texture, const CanvasMapping &mapping,
                      const TriangleList &list);

} // namespace kvx
