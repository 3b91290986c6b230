#pragma once
// Draws textured triangle lists into a pixel buffer the way a GPU runs the runtimes' two-colour
// shader: affine texture mapping, pixel centres sampled with the top-left fill rule (triangles
// sharing an edge paint each pixel of it once), nearest, bilinear and mipmapped sampling, then the
// shader's light and dark colours and a blend equation with separate colour and alpha factors.

#include "preview/kvxruntime.h"

#include <cstddef>
#include <cstdint>

namespace kvx {

// 32-bit ARGB, 0xAARRGGBB in native byte order: the memory layout of QImage::Format_ARGB32 and
// Format_ARGB32_Premultiplied, so a QImage and a view can share one buffer. Targets hold
// premultiplied colour.
struct PixelView {
    uint32_t *pixels = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t stride = 0; // pixels from one row to the next
};

// Texels in the same layout, read only: premultiplied or straight, as the shading expects them.
struct TextureView {
    const uint32_t *pixels = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t stride = 0;
};

// The texture filters of the atlas format, named as there: MipMap<texel filter><level filter>.
enum class TextureFilter {
    Nearest,
    Linear,
    MipMapNearestNearest,
    MipMapLinearNearest,
    MipMapNearestLinear,
    MipMapLinearLinear,
};

bool usesMipmaps(TextureFilter filter);

// A page as sampled: level 0 and, when the minifying filter uses mipmaps, every smaller level down
// to 1 × 1, each half the size of the one before (rounded down, at least 1).
struct SampledTexture {
    const TextureView *levels = nullptr;
    int levelCount = 0;
    TextureFilter minFilter = TextureFilter::Linear;
    TextureFilter magFilter = TextureFilter::Linear; // Nearest or Linear
};

enum class BlendMode { Normal, Additive, Multiply, Screen };

// The interface's numbering: 1 additive, 2 multiply, 3 screen, anything else normal.
BlendMode blendModeFromInterface(int32_t blendMode);

// A blend equation as a GPU takes it: result = source × factor + destination × factor, each
// clamped to 0 … 1, with colour and alpha factored apart on the source side and one factor for
// the destination (its alpha component applies to the alpha channel).
enum class SourceColourFactor { One, SourceAlpha, DestinationColour };
enum class SourceAlphaFactor { One, SourceAlpha, OneMinusSourceAlpha, DestinationAlpha };
enum class DestinationFactor { OneMinusSourceAlpha, One, OneMinusSourceColour };

struct BlendEquation {
    SourceColourFactor sourceColour = SourceColourFactor::One;
    SourceAlphaFactor sourceAlpha = SourceAlphaFactor::One;
    DestinationFactor destination = DestinationFactor::OneMinusSourceAlpha;
};

// What the shader makes of a texel t (channels 0 … 1) before blending:
//   alpha = t.a · light.a
//   rgb   = light.rgb · t.rgb + dark.rgb · (base − t.rgb), base = t.a with darkOnAlpha, else 1
// clamped to 0 … 1. Light and dark are the shader's inputs, already scaled as the renderer scales them.
struct Shading {
    uint32_t light = 0xFFFFFFFFu; // 0xAARRGGBB
    uint32_t dark = 0;            // 0x00RRGGBB
    bool darkOnAlpha = true;      // the dark colour's alpha is 1 (premultiplied drawing), else 0
    BlendEquation blend;
};

// How a renderer turns a straight vertex colour (r, g, b, a) and a slot's dark colour into shader
// inputs: premultiplied, light (r·a, g·a, b·a, a) and dark (dark·a) with dark alpha 1; straight,
// light (r, g, b, a) and the dark colour as it is with dark alpha 0. A black dark colour is none.
struct TintSetup {
    bool premultiplied = true;
    bool zeroLightAlpha = false; // the light alpha becomes 0 (additive drawn with a normal equation)
    uint32_t dark = 0;           // 0x00RRGGBB, straight
    BlendEquation blend;
};

Shading shadingOf(uint32_t colour, const TintSetup &setup);

// Skeleton space to canvas pixels: ((x - centreX) * scale + originX, (y - centreY) * scale + originY).
struct CanvasMapping {
    double scale = 1.0;
    double centreX = 0.0;
    double centreY = 0.0;
    double originX = 0.0;
    double originY = 0.0;
};

// One corner in canvas pixels and level-0 texels.
struct RasterVertex {
    double x = 0.0;
    double y = 0.0;
    double u = 0.0;
    double v = 0.0;
};

// Draws one triangle. Returns false when it was skipped: a texture triangle without area, or a
// coordinate that is not finite.
bool drawTriangle(const PixelView &canvas, const SampledTexture &texture, const RasterVertex (&corners)[3],
                  const Shading &shading);

struct TriangleList {
    const kvxRuntimeVertex *vertices = nullptr;
    size_t vertexCount = 0;
    const uint16_t *indices = nullptr;
    size_t indexCount = 0;
    TintSetup tint;
};

// Draws every whole triangle of the list, each in the colour of its first vertex. Triangles naming
// a vertex that does not exist are skipped, as are one or two indices left over at the end.
void drawTriangleList(const PixelView &canvas, const SampledTexture &texture, const CanvasMapping &mapping,
                      const TriangleList &list);

} // namespace kvx
