#pragma once
// A painted frame as files hold it: the painter's premultiplied ARGB32 target turned into straight
// RGBA bytes, composed over an opaque background colour when one is given.

#include "preview/rasterizer.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace kvx {

// Straight RGBA bytes, rows top to bottom: R, G, B, A per pixel, colour not multiplied by alpha.
struct RgbaImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bytes; // width × height × 4, no padding

    std::ptrdiff_t stride() const { return std::ptrdiff_t(width) * 4; }
};

// 0xRRGGBB.
using BackgroundColour = uint32_t;

// Without a background each pixel keeps its alpha and its colour is divided by it, rounded to the
// nearest and at most 255 (a fully transparent pixel is 0, 0, 0, 0; additive light painted on
// transparency has no colour of its own to keep). With one, premultiplied colour + background ×
// (1 − alpha), at most 255, fully opaque: the frame as it would be painted over a backdrop after
// being painted on transparency. The image takes the target's size.
void straightenInto(const PixelView &premultiplied, std::optional<BackgroundColour> background, RgbaImage &image);

} // namespace kvx
