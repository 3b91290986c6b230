#pragma once
// One frame handed to an encoder, as the renderer produced it.

#include <cstddef>
#include <cstdint>

namespace kvx {

// A view of pixels the caller owns for the duration of the call.
// Each pixel is four bytes in the order R, G, B, A; colour is not multiplied by alpha (straight
// alpha, 0 transparent to 255 opaque). The colour of a fully transparent pixel is kept only by the
// formats that store it (webm, mov); formats without alpha (mp4) ignore A. Rows run from top to
// bottom, `stride` bytes from the start of one row to the start of the next (at least width × 4).
struct StraightRgbaFrame {
    const std::uint8_t *pixels = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t stride = 0;
};

} // namespace kvx
