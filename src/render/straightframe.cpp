#include "render/straightframe.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace kvx {
namespace {

// 255 × 2^16 / a, rounded up: (c × reciprocal + 2^15) >> 16 is round(c × 255 / a) for every
// c ≤ 255 and a in 1 … 255.
const std::array<uint32_t, 256> &reciprocals()
{
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> values{};
        for (uint32_t a = 1; a < 256; ++a)
            values[a] = (255u * 65536u + a - 1) / a;
        return values;
    }();
    return table;
}

uint8_t straightChannel(uint32_t premultiplied, uint32_t alpha)
{
    const uint32_t value = (premultiplied * reciprocals()[alpha] + 32768u) >> 16;
    return uint8_t(std::min<uint32_t>(value, 255u));
}

// One pixel's straight bytes R, G, B, A.
void straightenPixel(uint32_t pixel, uint8_t *out)
{
    const uint32_t alpha = pixel >> 24;
    uint8_t rgba[4] = {0, 0, 0, 0};
    if (alpha == 255) {
        rgba[0] = uint8_t(pixel >> 16);
        rgba[1] = uint8_t(pixel >> 8);
        rgba[2] = uint8_t(pixel);
        rgba[3] = 255;
    } else if (alpha != 0) {
        rgba[0] = straightChannel((pixel >> 16) & 0xFFu, alpha);
        rgba[1] = straightChannel((pixel >> 8) & 0xFFu, alpha);
        rgba[2] = straightChannel(pixel & 0xFFu, alpha);
        rgba[3] = uint8_t(alpha);
    }
    std::memcpy(out, rgba, 4);
}

// Two opaque pixels 0xAARRGGBB, as they lie in memory, to their bytes R, G, B, A: in each the
// lowest and third bytes swapped.
uint64_t opaquePair(uint64_t pixels)
{
    return (pixels & 0xFF00FF00FF00FF00ull) | ((pixels >> 16) & 0x000000FF000000FFull)
           | ((pixels & 0x000000FF000000FFull) << 16);
}

// Frames are mostly transparency and opaque colour: four pixels without alpha are written as
// zeros at once, and four opaque ones turned at once where pixels lie in memory low byte first.
void straightenRow(const uint32_t *source, uint8_t *row, int width)
{
    constexpr uint64_t kAlphas = 0xFF000000FF000000ull;
    int x = 0;
    for (; x + 4 <= width; x += 4) {
        uint64_t first, second;
        std::memcpy(&first, source + x, 8);
        std::memcpy(&second, source + x + 2, 8);
        if (((first | second) & kAlphas) == 0) {
            std::memset(row + 4 * x, 0, 16);
            continue;
        }
        if constexpr (std::endian::native == std::endian::little) {
            if ((first & second & kAlphas) == kAlphas) {
                const uint64_t pairs[2] = {opaquePair(first), opaquePair(second)};
                std::memcpy(row + 4 * x, pairs, 16);
                continue;
            }
        }
        for (int i = x; i < x + 4; ++i)
            straightenPixel(source[i], row + 4 * i);
    }
    for (; x < width; ++x)
        straightenPixel(source[x], row + 4 * x);
}

// c + b × (255 − a) / 255, rounded.
uint8_t composedChannel(uint32_t premultiplied, uint32_t backdrop, uint32_t alpha)
{
    const uint32_t product = backdrop * (255u - alpha) + 128u;
    const uint32_t value = premultiplied + ((product + (product >> 8)) >> 8);
    return uint8_t(std::min<uint32_t>(value, 255u));
}

void composeRow(const uint32_t *source, uint8_t *row, int width, BackgroundColour background)
{
    const uint32_t red = (background >> 16) & 0xFFu, green = (background >> 8) & 0xFFu, blue = background & 0xFFu;
    for (int x = 0; x < width; ++x, row += 4) {
        const uint32_t pixel = source[x];
        const uint32_t alpha = pixel >> 24;
        row[0] = composedChannel((pixel >> 16) & 0xFFu, red, alpha);
        row[1] = composedChannel((pixel >> 8) & 0xFFu, green, alpha);
        row[2] = composedChannel(pixel & 0xFFu, blue, alpha);
        row[3] = 255;
    }
}

} // namespace

void straightenInto(const PixelView &premultiplied, std::optional<BackgroundColour> background, RgbaImage &image)
{
    image.width = premultiplied.width;
    image.height = premultiplied.height;
    image.bytes.resize(std::size_t(image.width) * std::size_t(image.height) * 4);
    for (int y = 0; y < image.height; ++y) {
        const uint32_t *source = premultiplied.pixels + std::ptrdiff_t(y) * premultiplied.stride;
        uint8_t *row = image.bytes.data() + std::ptrdiff_t(y) * image.stride();
        if (background)
            composeRow(source, row, image.width, *background);
        else
            straightenRow(source, row, image.width);
    }
}

} // namespace kvx
