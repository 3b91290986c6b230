#include "preview/rasterizer.h"

#include <algorithm>
#include <cmath>
#include <vector>

// KVX_RASTER_SCALAR builds the portable path on x86 too, so tests can run both.
#if (defined(__SSE2__) || defined(_M_X64)) && !defined(KVX_RASTER_SCALAR)
#include <emmintrin.h>
#define KVX_RASTER_SSE2 1
#endif

namespace kvx {
namespace {

// Corners are snapped to 1/256 pixel; edge tests on the snapped corners are exact integer
// arithmetic, so two triangles sharing an edge agree on every pixel centre along it.
constexpr int64_t kSubpixels = 256;
// Corners further out than this are first cut down to the canvas, which keeps the edge products
// below 2^60.
constexpr double kGuardBand = 1 << 20;
// Texel coordinates step along a span in 16.16 fixed point; the clamp only matters for
// triangles so thin that their texture is stretched beyond any page size.
constexpr double kFixedOne = 65536.0;
constexpr double kFixedLimit = static_cast<double>(int64_t(1) << 40);

// ---- pixel arithmetic

uint32_t divideBy255(uint32_t x) // rounded, exact for x up to 255 * 255 * 2
{
    x += 128;
    return (x + (x >> 8)) >> 8;
}

uint32_t channel(uint32_t pixel, int shift)
{
    return (pixel >> shift) & 0xffu;
}

// ---- colour of a triangle

enum class Shade { Plain, Faded, Tinted }; // white opaque; white translucent; any other colour

// The straight vertex colour turned into per-channel factors for premultiplied texels.
struct Tint {
    uint32_t alpha = 255;
    uint32_t red = 255;
    uint32_t green = 255;
    uint32_t blue = 255;
};

Tint tintOf(uint32_t colour)
{
    Tint tint;
    tint.alpha = channel(colour, 24);
    tint.red = divideBy255(channel(colour, 16) * tint.alpha);
    tint.green = divideBy255(channel(colour, 8) * tint.alpha);
    tint.blue = divideBy255(channel(colour, 0) * tint.alpha);
    return tint;
}

Shade shadeOf(uint32_t colour)
{
    if ((colour & 0x00ffffffu) != 0x00ffffffu)
        return Shade::Tinted;
    return colour >> 24 == 255 ? Shade::Plain : Shade::Faded;
}

// ---- compositing premultiplied source over premultiplied destination

#ifndef KVX_RASTER_SSE2
uint32_t multiplyChannel(uint32_t s, uint32_t d, uint32_t sa, uint32_t da)
{
    return std::min<uint32_t>(255, divideBy255(s * d + s * (255 - da) + d * (255 - sa)));
}

uint32_t screenChannel(uint32_t s, uint32_t d)
{
    return s + d - divideBy255(s * d);
}

// Multiply and screen, channel by channel.
template <BlendMode mode>
uint32_t compositeByChannel(uint32_t source, uint32_t destination)
{
    const uint32_t sa = source >> 24;
    const uint32_t da = destination >> 24;
    uint32_t result = 0;
    for (const int shift : {24, 16, 8, 0}) {
        const uint32_t s = channel(source, shift);
        const uint32_t d = channel(destination, shift);
        result |= (mode == BlendMode::Multiply ? multiplyChannel(s, d, sa, da) : screenChannel(s, d)) << shift;
    }
    return result;
}
#endif

// ---- one span of pixels

// Texel coordinates of a span's first pixel, less half a texel, and their step per pixel, in 16.16.
struct SpanTexels {
    int64_t x = 0;
    int64_t y = 0;
    int64_t stepX = 0;
    int64_t stepY = 0;
};

// The 2 × 2 texels around a sample where the page may end: coordinates outside it repeat its
// border texels.
struct TexelQuad {
    uint32_t topLeft, topRight, bottomLeft, bottomRight;
};

TexelQuad clampedTexels(const TextureView &texture, int64_t x, int64_t y)
{
    const int64_t lastColumn = texture.width - 1;
    const int64_t lastRow = texture.height - 1;
    const uint32_t *top = texture.pixels + std::clamp<int64_t>(y >> 16, 0, lastRow) * texture.stride;
    const uint32_t *bottom = texture.pixels + std::clamp<int64_t>((y >> 16) + 1, 0, lastRow) * texture.stride;
    const int64_t left = std::clamp<int64_t>(x >> 16, 0, lastColumn);
    const int64_t right = std::clamp<int64_t>((x >> 16) + 1, 0, lastColumn);
    return {top[left], top[right], bottom[left], bottom[right]};
}

#ifdef KVX_RASTER_SSE2
// The same arithmetic on one pixel's four channels at once, in the 16-bit lanes 0 … 3.

__m128i divideBy255(__m128i x)
{
    x = _mm_add_epi16(x, _mm_set1_epi16(128));
    return _mm_srli_epi16(_mm_add_epi16(x, _mm_srli_epi16(x, 8)), 8);
}

// The 2 × 2 texels around a sample: top holds the upper pair, bottom the lower, left texel first.
template <bool clamped>
void loadTexels(const TextureView &texture, int64_t x, int64_t y, __m128i &top, __m128i &bottom)
{
    if constexpr (clamped) {
        const TexelQuad quad = clampedTexels(texture, x, y);
        top = _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(quad.topLeft)),
                                 _mm_cvtsi32_si128(static_cast<int>(quad.topRight)));
        bottom = _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(quad.bottomLeft)),
                                    _mm_cvtsi32_si128(static_cast<int>(quad.bottomRight)));
    } else {
        const uint32_t *topLeft = texture.pixels + (y >> 16) * texture.stride + (x >> 16);
        top = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(topLeft));
        bottom = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(topLeft + texture.stride));
    }
}

bool allTransparent(__m128i top, __m128i bottom)
{
    return _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_or_si128(top, bottom), _mm_setzero_si128())) == 0xffff;
}

// Bilinear blend of the four texels: first down, then across. Lanes 0 … 3 of the result.
__m128i filter(__m128i top, __m128i bottom, int64_t x, int64_t y)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i fractions = _mm_cvtsi32_si128(static_cast<int>(((y >> 8) & 0xff) | ((x << 8) & 0xff0000)));
    const __m128i downWeight = _mm_shuffle_epi32(_mm_shufflelo_epi16(fractions, 0x00), 0x00);
    const __m128i acrossWeight = _mm_shuffle_epi32(_mm_shufflelo_epi16(fractions, 0x55), 0x00);
    const __m128i full = _mm_set1_epi16(256);
    // Lanes 0 … 3 the left texel, 4 … 7 the right one.
    const __m128i down = _mm_srli_epi16(
        _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(top, zero), _mm_sub_epi16(full, downWeight)),
                      _mm_mullo_epi16(_mm_unpacklo_epi8(bottom, zero), downWeight)),
        8);
    // 256 − f for the left texel, f for the right one.
    const __m128i leftLanes = _mm_set_epi16(0, 0, 0, 0, -1, -1, -1, -1);
    const __m128i weights = _mm_add_epi16(_mm_xor_si128(acrossWeight, leftLanes), _mm_and_si128(leftLanes, _mm_set1_epi16(257)));
    const __m128i across = _mm_mullo_epi16(down, weights);
    return _mm_srli_epi16(_mm_add_epi16(across, _mm_srli_si128(across, 8)), 8);
}

template <Shade shade>
__m128i shadeWide(__m128i texel, __m128i factors)
{
    if constexpr (shade == Shade::Plain)
        return texel;
    else
        return divideBy255(_mm_mullo_epi16(texel, factors));
}

// Multiply and screen of two pixels at once, exactly as channel by channel; the result's low eight
// bytes. A transparent source gives the destination back in both modes.
template <BlendMode mode>
__m128i compositeProducts(__m128i source, __m128i belowBytes)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i below = _mm_unpacklo_epi8(belowBytes, zero);
    if constexpr (mode == BlendMode::Screen) {
        const __m128i sum = _mm_sub_epi16(_mm_add_epi16(source, below), divideBy255(_mm_mullo_epi16(source, below)));
        return _mm_packus_epi16(sum, sum);
    } else {
        // s·d + s·(255 − da) + d·(255 − sa) = s·(d + 255 − da) + d·(255 − sa), which can pass 16 bits
        // for pages brighter than their alpha: summed in 32-bit lanes, one pair of products each.
        const __m128i full = _mm_set1_epi16(255);
        const __m128i sourceAlpha = _mm_shufflehi_epi16(_mm_shufflelo_epi16(source, 0xff), 0xff);
        const __m128i belowAlpha = _mm_shufflehi_epi16(_mm_shufflelo_epi16(below, 0xff), 0xff);
        const __m128i first = _mm_add_epi16(below, _mm_sub_epi16(full, belowAlpha));
        const __m128i second = _mm_sub_epi16(full, sourceAlpha);
        const __m128i factors = _mm_unpacklo_epi16(source, below);
        const __m128i weights = _mm_unpacklo_epi16(first, second);
        const __m128i laterFactors = _mm_unpackhi_epi16(source, below);
        const __m128i laterWeights = _mm_unpackhi_epi16(first, second);
        const auto divide = [](__m128i x) {
            x = _mm_add_epi32(x, _mm_set1_epi32(128));
            return _mm_srli_epi32(_mm_add_epi32(x, _mm_srli_epi32(x, 8)), 8);
        };
        const __m128i products = _mm_packs_epi32(divide(_mm_madd_epi16(factors, weights)),
                                                 divide(_mm_madd_epi16(laterFactors, laterWeights)));
        return _mm_packus_epi16(products, products); // at most 255 a channel
    }
}

template <BlendMode mode>
void compositeWide(__m128i source, uint32_t &destination)
{
    const auto packed = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(source, source)));
    if (packed == 0)
        return; // a transparent source leaves the pixel as it is in every mode
    if constexpr (mode == BlendMode::Normal) {
        if (packed >> 24 == 255) {
            destination = packed;
            return;
        }
        const __m128i remaining = _mm_sub_epi16(_mm_set1_epi16(255), _mm_shufflelo_epi16(source, 0xff));
        const __m128i below = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(destination)), _mm_setzero_si128());
        const __m128i sum = _mm_add_epi16(source, divideBy255(_mm_mullo_epi16(below, remaining)));
        destination = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(sum, sum)));
    } else if constexpr (mode == BlendMode::Additive) {
        destination = static_cast<uint32_t>(
            _mm_cvtsi128_si32(_mm_adds_epu8(_mm_cvtsi32_si128(static_cast<int>(packed)),
                                            _mm_cvtsi32_si128(static_cast<int>(destination)))));
    } else {
        destination = static_cast<uint32_t>(_mm_cvtsi128_si32(
            compositeProducts<mode>(source, _mm_cvtsi32_si128(static_cast<int>(destination)))));
    }
}

// Two neighbouring pixels at once, the first in lanes 0 … 3, the second in lanes 4 … 7.
__m128i filterPair(__m128i firstTop, __m128i firstBottom, __m128i secondTop, __m128i secondBottom, int64_t x0,
                   int64_t y0, int64_t x1, int64_t y1)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i full = _mm_set1_epi16(256);
    const __m128i downFractions =
        _mm_cvtsi32_si128(static_cast<int>(((y0 >> 8) & 0xff) | ((y1 << 8) & 0xff0000)));
    const __m128i acrossFractions =
        _mm_cvtsi32_si128(static_cast<int>(((x0 >> 8) & 0xff) | ((x1 << 8) & 0xff0000)));
    const __m128i firstDown = _mm_shuffle_epi32(_mm_shufflelo_epi16(downFractions, 0x00), 0x00);
    const __m128i secondDown = _mm_shuffle_epi32(_mm_shufflelo_epi16(downFractions, 0x55), 0x00);
    const __m128i across =
        _mm_unpacklo_epi64(_mm_shufflelo_epi16(acrossFractions, 0x00), _mm_shufflelo_epi16(acrossFractions, 0x55));
    // Each pixel's left and right texel, filtered down.
    const __m128i first = _mm_srli_epi16(
        _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(firstTop, zero), _mm_sub_epi16(full, firstDown)),
                      _mm_mullo_epi16(_mm_unpacklo_epi8(firstBottom, zero), firstDown)),
        8);
    const __m128i second = _mm_srli_epi16(
        _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(secondTop, zero), _mm_sub_epi16(full, secondDown)),
                      _mm_mullo_epi16(_mm_unpacklo_epi8(secondBottom, zero), secondDown)),
        8);
    // Then across: both pixels' left texels against both right ones.
    const __m128i left = _mm_unpacklo_epi64(first, second);
    const __m128i right = _mm_unpackhi_epi64(first, second);
    return _mm_srli_epi16(
        _mm_add_epi16(_mm_mullo_epi16(left, _mm_sub_epi16(full, across)), _mm_mullo_epi16(right, across)), 8);
}

// Composites a pair of shaded samples onto two neighbouring pixels. Without branches: a
// transparent source leaves a pixel exactly as it is, an opaque one replaces it.
template <BlendMode mode>
void compositePair(__m128i source, uint32_t *destination)
{
    const __m128i below = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(destination));
    if constexpr (mode == BlendMode::Normal) {
        const __m128i alpha = _mm_shufflehi_epi16(_mm_shufflelo_epi16(source, 0xff), 0xff);
        const __m128i kept = divideBy255(
            _mm_mullo_epi16(_mm_unpacklo_epi8(below, _mm_setzero_si128()), _mm_sub_epi16(_mm_set1_epi16(255), alpha)));
        const __m128i sum = _mm_add_epi16(source, kept);
        _mm_storel_epi64(reinterpret_cast<__m128i *>(destination), _mm_packus_epi16(sum, sum));
    } else if constexpr (mode == BlendMode::Additive) {
        _mm_storel_epi64(reinterpret_cast<__m128i *>(destination),
                         _mm_adds_epu8(_mm_packus_epi16(source, source), below));
    } else {
        _mm_storel_epi64(reinterpret_cast<__m128i *>(destination), compositeProducts<mode>(source, below));
    }
}

template <BlendMode mode, Shade shade, bool clamped>
void fillSpan(uint32_t *target, int count, const SpanTexels &start, const TextureView &texture, const Tint &tint)
{
    SpanTexels texels = start;
    const __m128i factors = _mm_set_epi16(
        static_cast<int16_t>(tint.alpha), static_cast<int16_t>(tint.red), static_cast<int16_t>(tint.green),
        static_cast<int16_t>(tint.blue), static_cast<int16_t>(tint.alpha), static_cast<int16_t>(tint.red),
        static_cast<int16_t>(tint.green), static_cast<int16_t>(tint.blue));
    int i = 0;
    for (; i + 1 < count; i += 2) {
        const int64_t x1 = texels.x + texels.stepX;
        const int64_t y1 = texels.y + texels.stepY;
        __m128i firstTop, firstBottom, secondTop, secondBottom;
        loadTexels<clamped>(texture, texels.x, texels.y, firstTop, firstBottom);
        loadTexels<clamped>(texture, x1, y1, secondTop, secondBottom);
        // Eight transparent texels leave both pixels as they are in every mode.
        if (!allTransparent(_mm_or_si128(firstTop, secondTop), _mm_or_si128(firstBottom, secondBottom))) {
            const __m128i pair = filterPair(firstTop, firstBottom, secondTop, secondBottom, texels.x, texels.y, x1, y1);
            compositePair<mode>(shadeWide<shade>(pair, factors), target + i);
        }
        texels.x = x1 + texels.stepX;
        texels.y = y1 + texels.stepY;
    }
    if (i < count) {
        __m128i top;
        __m128i bottom;
        loadTexels<clamped>(texture, texels.x, texels.y, top, bottom);
        if (!allTransparent(top, bottom))
            compositeWide<mode>(shadeWide<shade>(filter(top, bottom, texels.x, texels.y), factors), target[i]);
    }
}
#else
// The same without vector instructions, two 8-bit channels per 32-bit lane pair.

// Every channel times a / 255, rounded.
uint32_t scalePixel(uint32_t pixel, uint32_t a)
{
    uint32_t low = (pixel & 0x00ff00ffu) * a + 0x00800080u;
    low = ((low + ((low >> 8) & 0x00ff00ffu)) >> 8) & 0x00ff00ffu;
    uint32_t high = ((pixel >> 8) & 0x00ff00ffu) * a + 0x00800080u;
    high = (high + ((high >> 8) & 0x00ff00ffu)) & 0xff00ff00u;
    return low | high;
}

// Channel-wise a + b, saturating at 255: premultiplied pages may hold colour above their alpha.
uint32_t addSaturated(uint32_t a, uint32_t b)
{
    uint32_t low = (a & 0x00ff00ffu) + (b & 0x00ff00ffu);
    low = (low | (0x01000100u - ((low >> 8) & 0x00010001u))) & 0x00ff00ffu;
    uint32_t high = ((a >> 8) & 0x00ff00ffu) + ((b >> 8) & 0x00ff00ffu);
    high = (high | (0x01000100u - ((high >> 8) & 0x00010001u))) & 0x00ff00ffu;
    return low | (high << 8);
}

// a × (256 − f) + b × f, per channel, f in 0 … 256.
uint32_t mix(uint32_t a, uint32_t b, uint32_t f)
{
    const uint32_t g = 256 - f;
    const uint32_t low = (((a & 0x00ff00ffu) * g + (b & 0x00ff00ffu) * f) >> 8) & 0x00ff00ffu;
    const uint32_t high = (((a >> 8) & 0x00ff00ffu) * g + ((b >> 8) & 0x00ff00ffu) * f) & 0xff00ff00u;
    return low | high;
}

template <Shade shade>
uint32_t shadePixel(uint32_t texel, const Tint &tint)
{
    if constexpr (shade == Shade::Plain) {
        return texel;
    } else if constexpr (shade == Shade::Faded) {
        return scalePixel(texel, tint.alpha);
    } else {
        return divideBy255(channel(texel, 24) * tint.alpha) << 24 | divideBy255(channel(texel, 16) * tint.red) << 16
            | divideBy255(channel(texel, 8) * tint.green) << 8 | divideBy255(channel(texel, 0) * tint.blue);
    }
}

template <BlendMode mode>
uint32_t composite(uint32_t source, uint32_t destination)
{
    if constexpr (mode == BlendMode::Normal) {
        const uint32_t alpha = source >> 24;
        return alpha == 255 ? source : addSaturated(source, scalePixel(destination, 255 - alpha));
    } else if constexpr (mode == BlendMode::Additive) {
        return addSaturated(source, destination);
    } else {
        return compositeByChannel<mode>(source, destination);
    }
}

// Bilinear sample; with clamped, coordinates outside the page repeat its border texels.
template <bool clamped>
uint32_t sample(const TextureView &texture, int64_t x, int64_t y)
{
    const auto fractionX = static_cast<uint32_t>((x >> 8) & 0xff);
    const auto fractionY = static_cast<uint32_t>((y >> 8) & 0xff);
    if constexpr (clamped) {
        const TexelQuad quad = clampedTexels(texture, x, y);
        return mix(mix(quad.topLeft, quad.bottomLeft, fractionY), mix(quad.topRight, quad.bottomRight, fractionY),
                   fractionX);
    } else {
        const uint32_t *top = texture.pixels + (y >> 16) * texture.stride + (x >> 16);
        const uint32_t *bottom = top + texture.stride;
        return mix(mix(top[0], bottom[0], fractionY), mix(top[1], bottom[1], fractionY), fractionX);
    }
}

template <BlendMode mode, Shade shade, bool clamped>
void fillSpan(uint32_t *target, int count, const SpanTexels &start, const TextureView &texture, const Tint &tint)
{
    SpanTexels texels = start;
    for (int i = 0; i < count; ++i, texels.x += texels.stepX, texels.y += texels.stepY) {
        const uint32_t source = shadePixel<shade>(sample<clamped>(texture, texels.x, texels.y), tint);
        // A transparent source leaves the pixel as it is in every mode.
        if (source != 0)
            target[i] = composite<mode>(source, target[i]);
    }
}
#endif

using SpanFiller = void (*)(uint32_t *, int, const SpanTexels &, const TextureView &, const Tint &);

struct SpanFillers {
    SpanFiller inside = nullptr;  // every sample has all four texels on the page
    SpanFiller clamped = nullptr;
};

template <BlendMode mode, Shade shade>
SpanFillers fillersFor()
{
    return {fillSpan<mode, shade, false>, fillSpan<mode, shade, true>};
}

template <BlendMode mode>
SpanFillers fillersFor(Shade shade)
{
    switch (shade) {
    case Shade::Plain:
        return fillersFor<mode, Shade::Plain>();
    case Shade::Faded:
        return fillersFor<mode, Shade::Faded>();
    case Shade::Tinted:
        break;
    }
    return fillersFor<mode, Shade::Tinted>();
}

SpanFillers fillersFor(BlendMode mode, Shade shade)
{
    switch (mode) {
    case BlendMode::Additive:
        return fillersFor<BlendMode::Additive>(shade);
    case BlendMode::Multiply:
        return fillersFor<BlendMode::Multiply>(shade);
    case BlendMode::Screen:
        return fillersFor<BlendMode::Screen>(shade);
    case BlendMode::Normal:
        break;
    }
    return fillersFor<BlendMode::Normal>(shade);
}

// ---- triangle setup

// Texel coordinates at a canvas point: u = u0 + x·dudx + y·dudy, likewise v.
struct TexelMapping {
    double u0 = 0, dudx = 0, dudy = 0;
    double v0 = 0, dvdx = 0, dvdy = 0;
};

// The affine map taking the canvas triangle onto its texture triangle; none when either has no area.
bool texelMappingOf(const RasterVertex (&c)[3], TexelMapping &mapping)
{
    const double ex1 = c[1].x - c[0].x, ey1 = c[1].y - c[0].y;
    const double ex2 = c[2].x - c[0].x, ey2 = c[2].y - c[0].y;
    const double du1 = c[1].u - c[0].u, dv1 = c[1].v - c[0].v;
    const double du2 = c[2].u - c[0].u, dv2 = c[2].v - c[0].v;
    const double canvasArea = ex1 * ey2 - ey1 * ex2;
    const double textureArea = du1 * dv2 - dv1 * du2;
    if (canvasArea == 0.0 || textureArea == 0.0 || !std::isfinite(canvasArea) || !std::isfinite(textureArea))
        return false;
    const double inverse = 1.0 / canvasArea;
    mapping.dudx = (ey2 * du1 - ey1 * du2) * inverse;
    mapping.dudy = (ex1 * du2 - ex2 * du1) * inverse;
    mapping.dvdx = (ey2 * dv1 - ey1 * dv2) * inverse;
    mapping.dvdy = (ex1 * dv2 - ex2 * dv1) * inverse;
    mapping.u0 = c[0].u - mapping.dudx * c[0].x - mapping.dudy * c[0].y;
    mapping.v0 = c[0].v - mapping.dvdx * c[0].x - mapping.dvdy * c[0].y;
    return true;
}

// Nearest integer without a library call or a branch, for |value| below 2^51: adding 1.5 × 2^52
// leaves no bits below the units, so the sum is rounded there (halves to even).
int64_t roundToInteger(double value)
{
    constexpr double kRoundingShift = 6755399441055744.0;
    return static_cast<int64_t>((value + kRoundingShift) - kRoundingShift);
}

int64_t toFixed(double value)
{
    return roundToInteger(std::clamp(value * kFixedOne, -kFixedLimit, kFixedLimit));
}

// The pixel whose centre is at or left of (above) a snapped coordinate, and the one at or right of
// it: shifts, as a subpixel is a power of two (and >> rounds down for negative values too).
static_assert(kSubpixels == 256);
int64_t pixelAtOrBefore(int64_t subpixels)
{
    return (subpixels - kSubpixels / 2) >> 8;
}

int64_t pixelAtOrAfter(int64_t subpixels)
{
    return -((kSubpixels / 2 - subpixels) >> 8);
}

// floor(numerator ÷ denominator) from an estimate (numerator × 1/denominator, off by a few units at
// most) corrected to the exact value: much cheaper than a 64-bit integer division, and one
// reciprocal serves several numerators.
int64_t floorDivideEstimated(int64_t numerator, int64_t denominator, double reciprocal, int64_t &remainder)
{
    auto quotient = static_cast<int64_t>(static_cast<double>(numerator) * reciprocal);
    remainder = numerator - quotient * denominator;
    while (remainder < 0) {
        --quotient;
        remainder += denominator;
    }
    while (remainder >= denominator) {
        ++quotient;
        remainder -= denominator;
    }
    return quotient;
}

// One edge a → b of a triangle wound so that its inside has a positive edge function
// E(P) = dx·(P.y − a.y) − dy·(P.x − a.x). At the pixel centres of a row E = K − dy·S·column, so a
// sloped edge bounds the row at column floor(K ÷ (|dy|·S)): from the left when dy < 0, from the
// right when dy > 0. K grows by dx·S per row; the quotient and remainder are stepped along with
// it, so no row needs a division.
class EdgeWalk {
public:
    // Top-left rule: a centre exactly on an edge belongs to the triangle when the edge is a top
    // edge (horizontal, inside below) or a left edge (inside to its right); the neighbour across
    // the same edge sees it as bottom or right and leaves the centre out.
    EdgeWalk(int64_t ax, int64_t ay, int64_t bx, int64_t by, int64_t firstRow) : dy(by - ay)
    {
        const int64_t dx = bx - ax;
        const bool topLeft = dy < 0 || (dy == 0 && dx > 0);
        const int64_t centreY = firstRow * kSubpixels + kSubpixels / 2;
        const int64_t value = dx * (centreY - ay) - dy * (kSubpixels / 2 - ax) - (topLeft ? 0 : 1);
        const int64_t rowStep = dx * kSubpixels;
        if (dy == 0) {
            quotient = value;
            stepQuotient = rowStep;
            return;
        }
        divisor = (dy < 0 ? -dy : dy) * kSubpixels;
        const double reciprocal = 1.0 / static_cast<double>(divisor);
        quotient = floorDivideEstimated(value, divisor, reciprocal, remainder);
        stepQuotient = floorDivideEstimated(rowStep, divisor, reciprocal, stepRemainder);
    }

    // Narrows the row's columns [left, right] to this edge's inside.
    void bound(int64_t &left, int64_t &right) const
    {
        if (dy < 0)
            left = std::max(left, -quotient);
        else if (dy > 0)
            right = std::min(right, quotient);
        else if (quotient < 0) // a horizontal edge holds E itself: the whole row is outside
            right = left - 1;
    }

    void nextRow()
    {
        quotient += stepQuotient;
        remainder += stepRemainder;
        if (remainder >= divisor && dy != 0) {
            remainder -= divisor;
            ++quotient;
        }
    }

private:
    int64_t dy = 0;
    int64_t quotient = 0; // horizontal edges: E at the row's centres
    int64_t remainder = 0;
    int64_t divisor = 1;
    int64_t stepQuotient = 0;
    int64_t stepRemainder = 0;
};

struct SnappedTriangle {
    int64_t x[3];
    int64_t y[3];
};

// Fills the pixel centres the snapped triangle covers, with texels from the mapping.
// wellInside: the texture triangle keeps a texel from the page's border, so no sample needs clamping.
void fillTriangle(const PixelView &canvas, const TextureView &texture, SnappedTriangle t, const TexelMapping &mapping,
                  const SpanFillers &fillers, const Tint &tint, bool wellInside)
{
    const int64_t area = (t.x[1] - t.x[0]) * (t.y[2] - t.y[0]) - (t.y[1] - t.y[0]) * (t.x[2] - t.x[0]);
    if (area == 0)
        return;
    if (area < 0) {
        std::swap(t.x[1], t.x[2]);
        std::swap(t.y[1], t.y[2]);
    }
    const int64_t minX = std::min({t.x[0], t.x[1], t.x[2]}), maxX = std::max({t.x[0], t.x[1], t.x[2]});
    const int64_t minY = std::min({t.y[0], t.y[1], t.y[2]}), maxY = std::max({t.y[0], t.y[1], t.y[2]});
    const int64_t firstRow = std::max<int64_t>(0, pixelAtOrAfter(minY));
    const int64_t lastRow = std::min<int64_t>(canvas.height - 1, pixelAtOrBefore(maxY));
    const int64_t firstColumn = std::max<int64_t>(0, pixelAtOrAfter(minX));
    const int64_t lastColumn = std::min<int64_t>(canvas.width - 1, pixelAtOrBefore(maxX));
    if (firstRow > lastRow || firstColumn > lastColumn)
        return;

    EdgeWalk edges[3] = {EdgeWalk(t.x[0], t.y[0], t.x[1], t.y[1], firstRow),
                         EdgeWalk(t.x[1], t.y[1], t.x[2], t.y[2], firstRow),
                         EdgeWalk(t.x[2], t.y[2], t.x[0], t.y[0], firstRow)};
    // Texels at the centre of (firstColumn, row), less half a texel, stepped per row and per column.
    const double firstCentreX = static_cast<double>(firstColumn) + 0.5;
    const double firstCentreY = static_cast<double>(firstRow) + 0.5;
    int64_t rowStartX = toFixed(mapping.u0 + mapping.dudx * firstCentreX + mapping.dudy * firstCentreY - 0.5);
    int64_t rowStartY = toFixed(mapping.v0 + mapping.dvdx * firstCentreX + mapping.dvdy * firstCentreY - 0.5);
    const int64_t rowStepX = toFixed(mapping.dudy);
    const int64_t rowStepY = toFixed(mapping.dvdy);
    SpanTexels texels{0, 0, toFixed(mapping.dudx), toFixed(mapping.dvdx)};
    // Safe span ends for unclamped sampling: the top-left texel index stays within 0 … size − 2.
    const int64_t insideX = (static_cast<int64_t>(texture.width) - 1) << 16;
    const int64_t insideY = (static_cast<int64_t>(texture.height) - 1) << 16;

    for (int64_t row = firstRow; row <= lastRow; ++row, rowStartX += rowStepX, rowStartY += rowStepY) {
        int64_t left = firstColumn;
        int64_t right = lastColumn;
        for (EdgeWalk &edge : edges) {
            edge.bound(left, right);
            edge.nextRow();
        }
        if (left > right)
            continue;
        texels.x = rowStartX + (left - firstColumn) * texels.stepX;
        texels.y = rowStartY + (left - firstColumn) * texels.stepY;
        const int count = static_cast<int>(right - left + 1);
        const int64_t endX = texels.x + texels.stepX * (count - 1);
        const int64_t endY = texels.y + texels.stepY * (count - 1);
        const bool inside = wellInside
            || (std::min(texels.x, endX) >= 0 && std::max(texels.x, endX) < insideX && std::min(texels.y, endY) >= 0
                && std::max(texels.y, endY) < insideY);
        uint32_t *target = canvas.pixels + row * canvas.stride + left;
        (inside ? fillers.inside : fillers.clamped)(target, count, texels, texture, tint);
    }
}

SnappedTriangle snap(const RasterVertex &a, const RasterVertex &b, const RasterVertex &c)
{
    const auto toSubpixels = [](double value) { return roundToInteger(value * static_cast<double>(kSubpixels)); };
    return {{toSubpixels(a.x), toSubpixels(b.x), toSubpixels(c.x)}, {toSubpixels(a.y), toSubpixels(b.y), toSubpixels(c.y)}};
}

// Samples inside an affine triangle lie within its corners' texels (up to the fixed-point steps'
// rounding, far below the margin of half a texel kept here).
bool wellInside(const TextureView &texture, const RasterVertex (&corners)[3])
{
    for (const RasterVertex &corner : corners) {
        if (!(corner.u >= 1.0 && corner.u <= texture.width - 1.0 && corner.v >= 1.0 && corner.v <= texture.height - 1.0))
            return false;
    }
    return true;
}

bool outsideCanvas(const PixelView &canvas, const RasterVertex (&corners)[3])
{
    const auto beyond = [&](auto coordinate, double low, double high) {
        return std::max({coordinate(corners[0]), coordinate(corners[1]), coordinate(corners[2])}) < low
            || std::min({coordinate(corners[0]), coordinate(corners[1]), coordinate(corners[2])}) > high;
    };
    return beyond([](const RasterVertex &c) { return c.x; }, 0.0, canvas.width)
        || beyond([](const RasterVertex &c) { return c.y; }, 0.0, canvas.height);
}

bool withinGuardBand(const RasterVertex (&corners)[3])
{
    for (const RasterVertex &corner : corners) {
        if (std::abs(corner.x) > kGuardBand || std::abs(corner.y) > kGuardBand)
            return false;
    }
    return true;
}

// Cuts the polygon to the half plane where axis · sign ≤ limit · sign (axis 0 is x, 1 is y).
int clipPolygon(const RasterVertex *in, int count, RasterVertex *out, int axis, double limit, double sign)
{
    const auto coordinate = [axis](const RasterVertex &p) { return axis == 0 ? p.x : p.y; };
    int written = 0;
    for (int i = 0; i < count; ++i) {
        const RasterVertex &current = in[i];
        const RasterVertex &next = in[(i + 1) % count];
        const double currentDistance = (limit - coordinate(current)) * sign;
        const double nextDistance = (limit - coordinate(next)) * sign;
        if (currentDistance >= 0)
            out[written++] = current;
        if ((currentDistance >= 0) != (nextDistance >= 0)) {
            // From the edge's lower end, so both triangles sharing it get the very same crossing.
            const bool forward = current.x < next.x || (current.x == next.x && current.y < next.y);
            const RasterVertex &from = forward ? current : next;
            const RasterVertex &to = forward ? next : current;
            const double fromDistance = forward ? currentDistance : nextDistance;
            const double share = fromDistance / (fromDistance - (forward ? nextDistance : currentDistance));
            RasterVertex crossing;
            crossing.x = from.x + (to.x - from.x) * share;
            crossing.y = from.y + (to.y - from.y) * share;
            out[written++] = crossing;
        }
    }
    return written;
}

// A triangle reaching far past the canvas: cut to the canvas plus a pixel, drawn as a fan.
void fillClippedTriangle(const PixelView &canvas, const TextureView &texture, const RasterVertex (&corners)[3],
                         const TexelMapping &mapping, const SpanFillers &fillers, const Tint &tint)
{
    RasterVertex first[8] = {corners[0], corners[1], corners[2]};
    RasterVertex second[8];
    int count = 3;
    count = clipPolygon(first, count, second, 0, -1.0, -1.0);
    count = clipPolygon(second, count, first, 0, canvas.width + 1.0, 1.0);
    count = clipPolygon(first, count, second, 1, -1.0, -1.0);
    count = clipPolygon(second, count, first, 1, canvas.height + 1.0, 1.0);
    for (int i = 1; i + 1 < count; ++i)
        fillTriangle(canvas, texture, snap(first[0], first[i], first[i + 1]), mapping, fillers, tint, false);
}

} // namespace

BlendMode blendModeFromInterface(int32_t blendMode)
{
    switch (blendMode) {
    case 1:
        return BlendMode::Additive;
    case 2:
        return BlendMode::Multiply;
    case 3:
        return BlendMode::Screen;
    default:
        return BlendMode::Normal;
    }
}

namespace {

// What a triangle's colour and the blend mode make of each texel.
struct Shading {
    bool visible = false;
    SpanFillers fillers;
    Tint tint;
};

Shading shadingOf(uint32_t colour, BlendMode mode)
{
    return {colour >> 24 != 0, fillersFor(mode, shadeOf(colour)), tintOf(colour)};
}

bool drawShaded(const PixelView &canvas, const TextureView &texture, const RasterVertex (&corners)[3],
                const Shading &shading)
{
    TexelMapping mapping;
    if (!texelMappingOf(corners, mapping))
        return false;
    for (const RasterVertex &corner : corners) {
        if (!std::isfinite(corner.x) || !std::isfinite(corner.y))
            return false;
    }
    if (!shading.visible || canvas.width <= 0 || canvas.height <= 0 || texture.width <= 0 || texture.height <= 0
        || outsideCanvas(canvas, corners))
        return true; // nothing to show
    if (withinGuardBand(corners))
        fillTriangle(canvas, texture, snap(corners[0], corners[1], corners[2]), mapping, shading.fillers, shading.tint,
                     wellInside(texture, corners));
    else
        fillClippedTriangle(canvas, texture, corners, mapping, shading.fillers, shading.tint);
    return true;
}

} // namespace

bool drawTriangle(const PixelView &canvas, const TextureView &texture, const RasterVertex (&corners)[3],
                  uint32_t colour, BlendMode mode)
{
    return drawShaded(canvas, texture, corners, shadingOf(colour, mode));
}

void drawTriangleList(const PixelView &canvas, const TextureView &texture, const CanvasMapping &mapping,
                      const TriangleList &list)
{
    const BlendMode mode = blendModeFromInterface(list.blendMode);
    const auto width = static_cast<float>(texture.width);
    const auto height = static_cast<float>(texture.height);
    // Every vertex mapped once, however many triangles share it; the buffer is kept for the next list.
    thread_local std::vector<RasterVertex> mapped;
    mapped.resize(list.vertexCount);
    for (size_t i = 0; i < list.vertexCount; ++i) {
        const kvxRuntimeVertex &vertex = list.vertices[i];
        mapped[i].x = (vertex.x - mapping.centreX) * mapping.scale + mapping.originX;
        mapped[i].y = (vertex.y - mapping.centreY) * mapping.scale + mapping.originY;
        mapped[i].u = vertex.u * width; // texel products in single precision, like the page's size
        mapped[i].v = vertex.v * height;
    }
    // Runtimes give all vertices of an attachment one colour, so the shading rarely changes.
    uint32_t shadedColour = 0;
    Shading shading = shadingOf(shadedColour, mode);
    for (size_t k = 0; k + 2 < list.indexCount; k += 3) {
        const size_t i0 = list.indices[k];
        const size_t i1 = list.indices[k + 1];
        const size_t i2 = list.indices[k + 2];
        if (i0 >= list.vertexCount || i1 >= list.vertexCount || i2 >= list.vertexCount)
            continue;
        if (list.vertices[i0].color != shadedColour) {
            shadedColour = list.vertices[i0].color;
            shading = shadingOf(shadedColour, mode);
        }
        const RasterVertex corners[3] = {mapped[i0], mapped[i1], mapped[i2]};
        drawShaded(canvas, texture, corners, shading);
    }
}

} // namespace kvx
