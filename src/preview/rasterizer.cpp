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
// Spans are sampled, then shaded, this many pixels at a time.
constexpr int kChunk = 64;

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

// a × (256 − f) + b × f, per channel, f in 0 … 256.
uint32_t mix(uint32_t a, uint32_t b, uint32_t f)
{
    const uint32_t g = 256 - f;
    const uint32_t low = (((a & 0x00ff00ffu) * g + (b & 0x00ff00ffu) * f) >> 8) & 0x00ff00ffu;
    const uint32_t high = (((a >> 8) & 0x00ff00ffu) * g + ((b >> 8) & 0x00ff00ffu) * f) & 0xff00ff00u;
    return low | high;
}

// ---- sampling: one span's texels into a buffer

// Texel coordinates of a span's first pixel and their step per pixel, in 16.16 of the level's
// texels; for bilinear sampling less half a texel, so the integer part names the top-left texel.
struct SpanTexels {
    int64_t x = 0;
    int64_t y = 0;
    int64_t stepX = 0;
    int64_t stepY = 0;
};

// The 2 × 2 texels around a sample where the page may end: coordinates outside it repeat its
// border texels (clamp to edge).
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

template <bool clamped>
uint32_t nearestTexel(const TextureView &texture, int64_t x, int64_t y)
{
    if constexpr (clamped)
        return texture.pixels[std::clamp<int64_t>(y >> 16, 0, texture.height - 1) * texture.stride
                              + std::clamp<int64_t>(x >> 16, 0, texture.width - 1)];
    else
        return texture.pixels[(y >> 16) * texture.stride + (x >> 16)];
}

template <bool clamped>
void sampleNearest(uint32_t *out, int count, const SpanTexels &start, const TextureView &texture)
{
    SpanTexels texels = start;
    for (int i = 0; i < count; ++i, texels.x += texels.stepX, texels.y += texels.stepY)
        out[i] = nearestTexel<clamped>(texture, texels.x, texels.y);
}

#ifdef KVX_RASTER_SSE2
// Bilinear filtering in vector lanes: a pixel's four channels in the 16-bit lanes 0 … 3.

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

template <bool clamped>
void sampleLinear(uint32_t *out, int count, const SpanTexels &start, const TextureView &texture)
{
    SpanTexels texels = start;
    int i = 0;
    for (; i + 1 < count; i += 2) {
        const int64_t x1 = texels.x + texels.stepX;
        const int64_t y1 = texels.y + texels.stepY;
        __m128i firstTop, firstBottom, secondTop, secondBottom;
        loadTexels<clamped>(texture, texels.x, texels.y, firstTop, firstBottom);
        loadTexels<clamped>(texture, x1, y1, secondTop, secondBottom);
        __m128i pair = _mm_setzero_si128();
        // Eight transparent texels filter to nothing.
        if (!allTransparent(_mm_or_si128(firstTop, secondTop), _mm_or_si128(firstBottom, secondBottom))) {
            pair = filterPair(firstTop, firstBottom, secondTop, secondBottom, texels.x, texels.y, x1, y1);
            pair = _mm_packus_epi16(pair, pair);
        }
        _mm_storel_epi64(reinterpret_cast<__m128i *>(out + i), pair);
        texels.x = x1 + texels.stepX;
        texels.y = y1 + texels.stepY;
    }
    if (i < count) {
        __m128i top, bottom;
        loadTexels<clamped>(texture, texels.x, texels.y, top, bottom);
        const __m128i filtered = filter(top, bottom, texels.x, texels.y);
        out[i] = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(filtered, filtered)));
    }
}
#else
template <bool clamped>
void sampleLinear(uint32_t *out, int count, const SpanTexels &start, const TextureView &texture)
{
    SpanTexels texels = start;
    for (int i = 0; i < count; ++i, texels.x += texels.stepX, texels.y += texels.stepY) {
        const auto fractionX = static_cast<uint32_t>((texels.x >> 8) & 0xff);
        const auto fractionY = static_cast<uint32_t>((texels.y >> 8) & 0xff);
        TexelQuad quad;
        if constexpr (clamped) {
            quad = clampedTexels(texture, texels.x, texels.y);
        } else {
            const uint32_t *top = texture.pixels + (texels.y >> 16) * texture.stride + (texels.x >> 16);
            quad = {top[0], top[1], top[texture.stride], top[texture.stride + 1]};
        }
        out[i] = mix(mix(quad.topLeft, quad.bottomLeft, fractionY), mix(quad.topRight, quad.bottomRight, fractionY),
                     fractionX);
    }
}
#endif

using Sampler = void (*)(uint32_t *, int, const SpanTexels &, const TextureView &);

// ---- shading and blending: the sampled texels onto the target

enum class Tint { Plain, Modulated, TwoColour }; // texel as it is; times the light; light and dark

// A triangle's shading in the form the span code uses: channels in memory order (blue, green,
// red, alpha), twice, for two pixels at a time.
struct FragmentInputs {
    uint16_t light[8] = {};
    uint16_t dark[8] = {};
    bool darkOnAlpha = true;
    bool zeroTexelKeeps = true; // a texel of 0 leaves the target pixel as it is
};

// The shader's output channel: light · t + dark · (base − t), clamped.
uint32_t twoColourChannel(uint32_t t, uint32_t base, uint32_t light, uint32_t dark)
{
    const int32_t sum = static_cast<int32_t>(light * t) + static_cast<int32_t>(dark) * (static_cast<int32_t>(base) - static_cast<int32_t>(t));
    return std::min<uint32_t>(255, divideBy255(static_cast<uint32_t>(std::max(0, sum))));
}

#ifdef KVX_RASTER_SSE2
__m128i divideBy255(__m128i x)
{
    x = _mm_add_epi16(x, _mm_set1_epi16(128));
    return _mm_srli_epi16(_mm_add_epi16(x, _mm_srli_epi16(x, 8)), 8);
}

__m128i divideBy255Wide(__m128i x) // 32-bit lanes, x up to 255 * 255 * 2
{
    x = _mm_add_epi32(x, _mm_set1_epi32(128));
    return _mm_srli_epi32(_mm_add_epi32(x, _mm_srli_epi32(x, 8)), 8);
}

__m128i alphaOf(__m128i pixels)
{
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(pixels, 0xff), 0xff);
}

// The shader on two texels in 16-bit lanes.
template <Tint tint>
__m128i shadeWide(__m128i t, const FragmentInputs &inputs)
{
    const __m128i light = _mm_loadu_si128(reinterpret_cast<const __m128i *>(inputs.light));
    if constexpr (tint == Tint::Plain) {
        return t;
    } else if constexpr (tint == Tint::Modulated) {
        return divideBy255(_mm_mullo_epi16(t, light));
    } else {
        const __m128i dark = _mm_loadu_si128(reinterpret_cast<const __m128i *>(inputs.dark));
        const __m128i base = inputs.darkOnAlpha ? alphaOf(t) : _mm_set1_epi16(255);
        const __m128i below = _mm_sub_epi16(base, t); // negative where a premultiplied texel is brighter than its alpha
        // light · t + dark · (base − t) per channel, in 32-bit lanes.
        __m128i low = _mm_madd_epi16(_mm_unpacklo_epi16(t, below), _mm_unpacklo_epi16(light, dark));
        __m128i high = _mm_madd_epi16(_mm_unpackhi_epi16(t, below), _mm_unpackhi_epi16(light, dark));
        low = divideBy255Wide(_mm_andnot_si128(_mm_srai_epi32(low, 31), low));
        high = divideBy255Wide(_mm_andnot_si128(_mm_srai_epi32(high, 31), high));
        return _mm_min_epi16(_mm_packs_epi32(low, high), _mm_set1_epi16(255));
    }
}

// The blend equation on two shaded pixels over two target pixels, all in 16-bit lanes; returns
// the result packed to bytes in the low eight.
template <SourceColourFactor sc, SourceAlphaFactor sa, DestinationFactor df>
__m128i blendWide(__m128i o, __m128i d)
{
    const __m128i full = _mm_set1_epi16(255);
    const __m128i oa = alphaOf(o);
    __m128i colour;
    if constexpr (sc == SourceColourFactor::One)
        colour = o;
    else if constexpr (sc == SourceColourFactor::SourceAlpha)
        colour = divideBy255(_mm_mullo_epi16(o, oa));
    else
        colour = divideBy255(_mm_mullo_epi16(o, d));
    __m128i alpha;
    if constexpr (sa == SourceAlphaFactor::One)
        alpha = o;
    else if constexpr (sa == SourceAlphaFactor::SourceAlpha)
        alpha = divideBy255(_mm_mullo_epi16(o, oa));
    else if constexpr (sa == SourceAlphaFactor::OneMinusSourceAlpha)
        alpha = divideBy255(_mm_mullo_epi16(o, _mm_sub_epi16(full, oa)));
    else
        alpha = divideBy255(_mm_mullo_epi16(o, d)); // its alpha lanes: o.a · d.a
    __m128i source = colour;
    if constexpr (sc != SourceColourFactor::One || sa != SourceAlphaFactor::One) {
        const __m128i alphaLanes = _mm_set_epi16(-1, 0, 0, 0, -1, 0, 0, 0);
        source = _mm_or_si128(_mm_andnot_si128(alphaLanes, colour), _mm_and_si128(alphaLanes, alpha));
    }
    __m128i kept;
    if constexpr (df == DestinationFactor::One)
        kept = d;
    else if constexpr (df == DestinationFactor::OneMinusSourceAlpha)
        kept = divideBy255(_mm_mullo_epi16(d, _mm_sub_epi16(full, oa)));
    else
        kept = divideBy255(_mm_mullo_epi16(d, _mm_sub_epi16(full, o))); // alpha lanes: 1 − o.a
    const __m128i sum = _mm_add_epi16(source, kept);
    return _mm_packus_epi16(sum, sum);
}

// Whether the normal equations (premultiplied or straight) leave each of two pixels as the
// shaded source: where it is opaque, none of the target is kept and a source factor of alpha is
// 1; with the premultiplied equation also where the target is empty, as there is nothing to keep.
template <SourceColourFactor sc, SourceAlphaFactor sa, DestinationFactor df>
constexpr bool opaqueSourceStandsAlone()
{
    return df == DestinationFactor::OneMinusSourceAlpha
        && (sc == SourceColourFactor::One || sc == SourceColourFactor::SourceAlpha)
        && (sa == SourceAlphaFactor::One || sa == SourceAlphaFactor::SourceAlpha);
}

template <SourceColourFactor sc, SourceAlphaFactor sa, DestinationFactor df>
bool sourceStandsAlone(__m128i packedSource, __m128i packedTarget)
{
    const int opaque = _mm_movemask_epi8(_mm_cmpeq_epi8(packedSource, _mm_set1_epi8(-1)));
    bool first = (opaque & 0x08) != 0, second = (opaque & 0x80) != 0;
    if constexpr (sc == SourceColourFactor::One && sa == SourceAlphaFactor::One) {
        const int empty = _mm_movemask_epi8(_mm_cmpeq_epi8(packedTarget, _mm_setzero_si128()));
        first = first || (empty & 0x0f) == 0x0f;
        second = second || (empty & 0xf0) == 0xf0;
    }
    return first && second;
}

// Two texels (16-bit lanes) shaded and blended onto two target pixels.
template <Tint tint, SourceColourFactor sc, SourceAlphaFactor sa, DestinationFactor df>
void shadePair(__m128i t, uint32_t *target, const FragmentInputs &inputs)
{
    // Without branches: an opaque source leaves nothing of the target, a transparent one all of it.
    const __m128i o = shadeWide<tint>(t, inputs);
    const __m128i packedTarget = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(target));
    if constexpr (opaqueSourceStandsAlone<sc, sa, df>()) {
        // The common cases cost no blending where the result is the source itself.
        const __m128i packedSource = _mm_packus_epi16(o, o);
        if (sourceStandsAlone<sc, sa, df>(packedSource, packedTarget)) {
            _mm_storel_epi64(reinterpret_cast<__m128i *>(target), packedSource);
            return;
        }
    }
    const __m128i d = _mm_unpacklo_epi8(packedTarget, _mm_setzero_si128());
    _mm_storel_epi64(reinterpret_cast<__m128i *>(target), blendWide<sc, sa, df>(o, d));
}

// One texel (lanes 0 … 3) onto one target pixel.
template <Tint tint, SourceColourFactor sc, SourceAlphaFactor sa, DestinationFactor df>
void shadeOne(__m128i t, uint32_t &target, const FragmentInputs &inputs)
{
    const __m128i o = shadeWide<tint>(t, inputs);
    const __m128i d = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(target)), _mm_setzero_si128());
    target = static_cast<uint32_t>(_mm_cvtsi128_si32(blendWide<sc, sa, df>(o, d)));
}

template <Tint tint, SourceColourFactor sc, SourceAlphaFactor sa, DestinationFactor df>
void shadeSpan(uint32_t *target, const uint32_t *texels, int count, const FragmentInputs &inputs)
{
    const __m128i zero = _mm_setzero_si128();
    int i = 0;
    for (; i + 1 < count; i += 2) {
        const __m128i pair = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(texels + i));
        if (inputs.zeroTexelKeeps && _mm_movemask_epi8(_mm_cmpeq_epi8(pair, zero)) == 0xffff)
            continue;
        shadePair<tint, sc, sa, df>(_mm_unpacklo_epi8(pair, zero), target + i, inputs);
    }
    if (i < count && !(inputs.zeroTexelKeeps && texels[i] == 0))
        shadeOne<tint, sc, sa, df>(_mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(texels[i])), zero), target[i],
                                   inputs);
}

// Bilinear samples wholly on the page, shaded and blended as they are filtered: the common case
// in one pass, without the texel buffer.
template <Tint tint, SourceColourFactor sc, SourceAlphaFactor sa, DestinationFactor df>
void shadeSampledSpan(uint32_t *target, int count, const SpanTexels &start, const TextureView &texture,
                      const FragmentInputs &inputs)
{
    SpanTexels texels = start;
    int i = 0;
    for (; i + 1 < count; i += 2) {
        const int64_t x0 = texels.x, y0 = texels.y;
        const int64_t x1 = x0 + texels.stepX, y1 = y0 + texels.stepY;
        texels.x = x1 + texels.stepX;
        texels.y = y1 + texels.stepY;
        __m128i firstTop, firstBottom, secondTop, secondBottom;
        loadTexels<false>(texture, x0, y0, firstTop, firstBottom);
        loadTexels<false>(texture, x1, y1, secondTop, secondBottom);
        const bool transparent =
            allTransparent(_mm_or_si128(firstTop, secondTop), _mm_or_si128(firstBottom, secondBottom));
        if (transparent && inputs.zeroTexelKeeps)
            continue;
        const __m128i t = transparent ? _mm_setzero_si128()
                                      : filterPair(firstTop, firstBottom, secondTop, secondBottom, x0, y0, x1, y1);
        shadePair<tint, sc, sa, df>(t, target + i, inputs);
    }
    if (i < count) {
        __m128i top, bottom;
        loadTexels<false>(texture, texels.x, texels.y, top, bottom);
        if (!(inputs.zeroTexelKeeps && allTransparent(top, bottom)))
            shadeOne<tint, sc, sa, df>(filter(top, bottom, texels.x, texels.y), target[i], inputs);
    }
}
#else
// The same channel by channel.
template <Tint tint>
void shadePixel(uint32_t texel, const FragmentInputs &inputs, uint32_t (&o)[4])
{
    const uint32_t alpha = texel >> 24;
    for (int c = 0; c < 4; ++c) {
        const uint32_t t = channel(texel, 8 * c);
        if constexpr (tint == Tint::Plain)
            o[c] = t;
        else if constexpr (tint == Tint::Modulated)
            o[c] = divideBy255(t * inputs.light[c]);
        else
            o[c] = twoColourChannel(t, inputs.darkOnAlpha ? alpha : 255, inputs.light[c], inputs.dark[c]);
    }
}

template <SourceColourFactor sc, SourceAlphaFactor sa, DestinationFactor df>
uint32_t blendPixel(const uint32_t (&o)[4], uint32_t destination)
{
    const uint32_t oa = o[3];
    uint32_t result = 0;
    for (int c = 0; c < 4; ++c) {
        const uint32_t d = channel(destination, 8 * c);
        uint32_t source;
        if (c < 3) {
            source = sc == SourceColourFactor::One ? o[c]
                : sc == SourceColourFactor::SourceAlpha ? divideBy255(o[c] * oa)
                                                        : divideBy255(o[c] * d);
        } else {
            source = sa == SourceAlphaFactor::One ? oa
                : sa == SourceAlphaFactor::SourceAlpha ? divideBy255(oa * oa)
                : sa == SourceAlphaFactor::OneMinusSourceAlpha ? divideBy255(oa * (255 - oa))
                                                               : divideBy255(oa * d);
        }
        const uint32_t kept = df == DestinationFactor::One ? d
            : df == DestinationFactor::OneMinusSourceAlpha ? divideBy255(d * (255 - oa))
                                                           : divideBy255(d * (255 - o[c]));
        result |= std::min<uint32_t>(255, source + kept) << (8 * c);
    }
    return result;
}

template <Tint tint, SourceColourFactor sc, SourceAlphaFactor sa, DestinationFactor df>
void shadeSpan(uint32_t *target, const uint32_t *texels, int count, const FragmentInputs &inputs)
{
    for (int i = 0; i < count; ++i) {
        if (inputs.zeroTexelKeeps && texels[i] == 0)
            continue;
        uint32_t o[4];
        shadePixel<tint>(texels[i], inputs, o);
        target[i] = blendPixel<sc, sa, df>(o, target[i]);
    }
}
#endif

using Shader = void (*)(uint32_t *, const uint32_t *, int, const FragmentInputs &);
using SampledShader = void (*)(uint32_t *, int, const SpanTexels &, const TextureView &, const FragmentInputs &);

// A shading and blending, on buffered texels and, with SSE2, fused with bilinear sampling.
struct Fragment {
    Shader shader = nullptr;
    SampledShader sampled = nullptr;
};

template <Tint tint, SourceColourFactor sc, SourceAlphaFactor sa, DestinationFactor df>
Fragment fragmentOf()
{
#ifdef KVX_RASTER_SSE2
    return {shadeSpan<tint, sc, sa, df>, shadeSampledSpan<tint, sc, sa, df>};
#else
    return {shadeSpan<tint, sc, sa, df>, nullptr};
#endif
}

template <Tint tint, SourceColourFactor sc, SourceAlphaFactor sa>
Fragment fragmentFor(DestinationFactor df)
{
    switch (df) {
    case DestinationFactor::One:
        return fragmentOf<tint, sc, sa, DestinationFactor::One>();
    case DestinationFactor::OneMinusSourceColour:
        return fragmentOf<tint, sc, sa, DestinationFactor::OneMinusSourceColour>();
    case DestinationFactor::OneMinusSourceAlpha:
        break;
    }
    return fragmentOf<tint, sc, sa, DestinationFactor::OneMinusSourceAlpha>();
}

template <Tint tint, SourceColourFactor sc>
Fragment fragmentFor(SourceAlphaFactor sa, DestinationFactor df)
{
    switch (sa) {
    case SourceAlphaFactor::SourceAlpha:
        return fragmentFor<tint, sc, SourceAlphaFactor::SourceAlpha>(df);
    case SourceAlphaFactor::OneMinusSourceAlpha:
        return fragmentFor<tint, sc, SourceAlphaFactor::OneMinusSourceAlpha>(df);
    case SourceAlphaFactor::DestinationAlpha:
        return fragmentFor<tint, sc, SourceAlphaFactor::DestinationAlpha>(df);
    case SourceAlphaFactor::One:
        break;
    }
    return fragmentFor<tint, sc, SourceAlphaFactor::One>(df);
}

template <Tint tint>
Fragment fragmentFor(const BlendEquation &blend)
{
    switch (blend.sourceColour) {
    case SourceColourFactor::SourceAlpha:
        return fragmentFor<tint, SourceColourFactor::SourceAlpha>(blend.sourceAlpha, blend.destination);
    case SourceColourFactor::DestinationColour:
        return fragmentFor<tint, SourceColourFactor::DestinationColour>(blend.sourceAlpha, blend.destination);
    case SourceColourFactor::One:
        break;
    }
    return fragmentFor<tint, SourceColourFactor::One>(blend.sourceAlpha, blend.destination);
}

Fragment fragmentFor(Tint tint, const BlendEquation &blend)
{
    switch (tint) {
    case Tint::Plain:
        return fragmentFor<Tint::Plain>(blend);
    case Tint::Modulated:
        return fragmentFor<Tint::Modulated>(blend);
    case Tint::TwoColour:
        break;
    }
    return fragmentFor<Tint::TwoColour>(blend);
}

// ---- a triangle's shading prepared once

struct PreparedShading {
    bool visible = false;
    Fragment fragment;
    FragmentInputs inputs;
};

PreparedShading prepare(const Shading &shading)
{
    PreparedShading prepared;
    const uint32_t light[4] = {channel(shading.light, 0), channel(shading.light, 8), channel(shading.light, 16),
                               channel(shading.light, 24)};
    const uint32_t dark[4] = {channel(shading.dark, 0), channel(shading.dark, 8), channel(shading.dark, 16), 0};
    for (int c = 0; c < 8; ++c) {
        prepared.inputs.light[c] = static_cast<uint16_t>(light[c % 4]);
        prepared.inputs.dark[c] = static_cast<uint16_t>(dark[c % 4]);
    }
    prepared.inputs.darkOnAlpha = shading.darkOnAlpha;
    const bool hasDark = (shading.dark & 0x00ffffffu) != 0;
    const BlendEquation &blend = shading.blend;
    // A source without alpha is dropped by these equations whatever its colour.
    const bool alphaCarriesColour = blend.sourceColour == SourceColourFactor::SourceAlpha
        && blend.destination != DestinationFactor::OneMinusSourceColour;
    // A zero texel shades to black without alpha, or to the dark colour drawn straight.
    prepared.inputs.zeroTexelKeeps = shading.darkOnAlpha || !hasDark || alphaCarriesColour;
    const bool noLight = (shading.light & 0x00ffffffu) == 0 && !hasDark;
    prepared.visible = !(light[3] == 0 && (alphaCarriesColour || noLight));
    const Tint tint = hasDark ? Tint::TwoColour : shading.light == 0xFFFFFFFFu ? Tint::Plain : Tint::Modulated;
    // A source without alpha under the premultiplied normal equation keeps all of the target: the
    // same as adding, which costs less.
    BlendEquation equation = blend;
    if (light[3] == 0 && blend.sourceColour == SourceColourFactor::One && blend.sourceAlpha == SourceAlphaFactor::One
        && blend.destination == DestinationFactor::OneMinusSourceAlpha)
        equation.destination = DestinationFactor::One;
    prepared.fragment = fragmentFor(tint, equation);
    return prepared;
}

// ---- texture levels

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

// log2 of the texels one pixel step covers along its longer axis: a GPU's level of detail, which
// for an affine triangle is the same at every pixel.
double levelOfDetail(const TexelMapping &m)
{
    const double alongX = m.dudx * m.dudx + m.dvdx * m.dvdx;
    const double alongY = m.dudy * m.dudy + m.dvdy * m.dvdy;
    return 0.5 * std::log2(std::max(alongX, alongY));
}

// Which levels a triangle samples and how: a magnified texture (level of detail at most 0) takes
// the magnifying filter on level 0; a minified one the minifying filter, which picks the nearest
// level (a half rounding down) or blends the two around the level of detail.
struct LevelChoice {
    int first = 0;
    int second = 0;
    uint32_t secondWeight = 0; // 0 … 256; 0 samples the first level only
    bool linear = true;
};

LevelChoice chooseLevels(const SampledTexture &texture, double lod)
{
    LevelChoice choice;
    const TextureFilter filter = lod <= 0.0 ? texture.magFilter : texture.minFilter;
    const int last = texture.levelCount - 1;
    switch (filter) {
    case TextureFilter::Nearest:
        choice.linear = false;
        return choice;
    case TextureFilter::Linear:
        return choice;
    case TextureFilter::MipMapNearestNearest:
    case TextureFilter::MipMapLinearNearest:
        choice.linear = filter == TextureFilter::MipMapLinearNearest;
        choice.first = choice.second = lod <= 0.5 ? 0 : std::min(last, static_cast<int>(std::ceil(lod + 0.5)) - 1);
        return choice;
    case TextureFilter::MipMapNearestLinear:
    case TextureFilter::MipMapLinearLinear:
        break;
    }
    choice.linear = filter == TextureFilter::MipMapLinearLinear;
    const double whole = std::floor(lod);
    choice.first = std::min(last, static_cast<int>(whole));
    choice.second = std::min(last, choice.first + 1);
    if (choice.second != choice.first)
        choice.secondWeight = static_cast<uint32_t>(std::lround((lod - whole) * 256.0));
    return choice;
}

// ---- spans

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

// One level as a triangle samples it.
struct LevelSampler {
    const TextureView *texture = nullptr;
    TexelMapping mapping; // in this level's texels, the bilinear half texel already taken off
    Sampler sampleInside = nullptr; // every sample's texels lie on the page
    Sampler sampleClamped = nullptr;
    bool linear = true;
    int64_t insideX = 0; // the span is inside while its fixed-point coordinates stay below these
    int64_t insideY = 0;
    int64_t stepX = 0; // per pixel along a row, 16.16
    int64_t stepY = 0;
    int64_t rowStepX = 0; // per row
    int64_t rowStepY = 0;
    // The coordinates at the centre of the anchor pixel, from which spans step in fixed point.
    int64_t anchorRow = 0;
    int64_t anchorColumn = 0;
    int64_t anchorX = 0;
    int64_t anchorY = 0;

    void prepare(const TextureView &level, const TexelMapping &levelZero, double scaleX, double scaleY, bool linear)
    {
        texture = &level;
        mapping = {levelZero.u0 * scaleX, levelZero.dudx * scaleX, levelZero.dudy * scaleX,
                   levelZero.v0 * scaleY, levelZero.dvdx * scaleY, levelZero.dvdy * scaleY};
        const int reach = linear ? 1 : 0; // bilinear reads one texel right of and below the named one
        if (linear) {
            mapping.u0 -= 0.5;
            mapping.v0 -= 0.5;
        }
        this->linear = linear;
        sampleInside = linear ? sampleLinear<false> : sampleNearest<false>;
        sampleClamped = linear ? sampleLinear<true> : sampleNearest<true>;
        insideX = (static_cast<int64_t>(level.width) - reach) << 16;
        insideY = (static_cast<int64_t>(level.height) - reach) << 16;
        stepX = toFixed(mapping.dudx);
        stepY = toFixed(mapping.dvdx);
        rowStepX = toFixed(mapping.dudy);
        rowStepY = toFixed(mapping.dvdy);
    }

    // Spans step from the first pixel of each triangle drawn, so rounding never adds up across
    // more rows than a triangle has.
    void anchor(int64_t row, int64_t column)
    {
        const double x = static_cast<double>(column) + 0.5;
        const double y = static_cast<double>(row) + 0.5;
        anchorRow = row;
        anchorColumn = column;
        anchorX = toFixed(mapping.u0 + mapping.dudx * x + mapping.dudy * y);
        anchorY = toFixed(mapping.v0 + mapping.dvdx * x + mapping.dvdy * y);
    }

    SpanTexels start(int64_t row, int64_t column) const
    {
        const int64_t rows = row - anchorRow;
        const int64_t columns = column - anchorColumn;
        return {anchorX + rows * rowStepX + columns * stepX, anchorY + rows * rowStepY + columns * stepY, stepX, stepY};
    }

    bool inside(const SpanTexels &texels, int count) const
    {
        const int64_t endX = texels.x + texels.stepX * (count - 1);
        const int64_t endY = texels.y + texels.stepY * (count - 1);
        return std::min(texels.x, endX) >= 0 && std::max(texels.x, endX) < insideX && std::min(texels.y, endY) >= 0
            && std::max(texels.y, endY) < insideY;
    }

    void sample(uint32_t *out, int64_t row, int64_t column, int count) const
    {
        const SpanTexels texels = start(row, column);
        (inside(texels, count) ? sampleInside : sampleClamped)(out, count, texels, *texture);
    }
};

// Everything a triangle's spans need.
struct SpanPainter {
    LevelSampler first;
    LevelSampler second;
    uint32_t secondWeight = 0;
    const PreparedShading *shading = nullptr;

    bool prepare(const SampledTexture &texture, const TexelMapping &mapping)
    {
        // The level of detail only matters where minifying and magnifying differ.
        const bool oneFilter = texture.minFilter == texture.magFilter && !usesMipmaps(texture.minFilter);
        const LevelChoice choice = chooseLevels(texture, oneFilter ? 0.0 : levelOfDetail(mapping));
        const TextureView &base = texture.levels[0];
        const auto prepareLevel = [&](LevelSampler &sampler, int index) {
            const TextureView &level = texture.levels[index];
            if (index == 0)
                sampler.prepare(level, mapping, 1.0, 1.0, choice.linear);
            else
                sampler.prepare(level, mapping, double(level.width) / base.width, double(level.height) / base.height,
                                choice.linear);
        };
        prepareLevel(first, choice.first);
        secondWeight = choice.secondWeight;
        if (secondWeight != 0)
            prepareLevel(second, choice.second);
        return true;
    }

    void anchor(int64_t row, int64_t column)
    {
        first.anchor(row, column);
        if (secondWeight != 0)
            second.anchor(row, column);
    }

    void paint(uint32_t *target, int64_t row, int64_t column, int count) const
    {
        if (secondWeight == 0 && first.linear && shading->fragment.sampled) {
            const SpanTexels texels = first.start(row, column);
            if (first.inside(texels, count)) {
                shading->fragment.sampled(target, count, texels, *first.texture, shading->inputs);
                return;
            }
        }
        alignas(16) uint32_t texels[kChunk];
        alignas(16) uint32_t blended[kChunk];
        for (int done = 0; done < count; done += kChunk) {
            const int n = std::min(kChunk, count - done);
            first.sample(texels, row, column + done, n);
            if (secondWeight != 0) {
                second.sample(blended, row, column + done, n);
                for (int i = 0; i < n; ++i)
                    texels[i] = mix(texels[i], blended[i], secondWeight);
            }
            shading->fragment.shader(target + done, texels, n, shading->inputs);
        }
    }
};

// ---- triangle setup

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

// Fills the pixel centres the snapped triangle covers.
void fillTriangle(const PixelView &canvas, SnappedTriangle t, SpanPainter &painter)
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

    painter.anchor(firstRow, firstColumn);
    EdgeWalk edges[3] = {EdgeWalk(t.x[0], t.y[0], t.x[1], t.y[1], firstRow),
                         EdgeWalk(t.x[1], t.y[1], t.x[2], t.y[2], firstRow),
                         EdgeWalk(t.x[2], t.y[2], t.x[0], t.y[0], firstRow)};
    for (int64_t row = firstRow; row <= lastRow; ++row) {
        int64_t left = firstColumn;
        int64_t right = lastColumn;
        for (EdgeWalk &edge : edges) {
            edge.bound(left, right);
            edge.nextRow();
        }
        if (left <= right)
            painter.paint(canvas.pixels + row * canvas.stride + left, row, left, static_cast<int>(right - left + 1));
    }
}

SnappedTriangle snap(const RasterVertex &a, const RasterVertex &b, const RasterVertex &c)
{
    const auto toSubpixels = [](double value) { return roundToInteger(value * static_cast<double>(kSubpixels)); };
    return {{toSubpixels(a.x), toSubpixels(b.x), toSubpixels(c.x)}, {toSubpixels(a.y), toSubpixels(b.y), toSubpixels(c.y)}};
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
void fillClippedTriangle(const PixelView &canvas, const RasterVertex (&corners)[3], SpanPainter &painter)
{
    RasterVertex first[8] = {corners[0], corners[1], corners[2]};
    RasterVertex second[8];
    int count = 3;
    count = clipPolygon(first, count, second, 0, -1.0, -1.0);
    count = clipPolygon(second, count, first, 0, canvas.width + 1.0, 1.0);
    count = clipPolygon(first, count, second, 1, -1.0, -1.0);
    count = clipPolygon(second, count, first, 1, canvas.height + 1.0, 1.0);
    for (int i = 1; i + 1 < count; ++i)
        fillTriangle(canvas, snap(first[0], first[i], first[i + 1]), painter);
}

bool textureUsable(const SampledTexture &texture)
{
    if (!texture.levels || texture.levelCount <= 0)
        return false;
    for (int i = 0; i < texture.levelCount; ++i) {
        const TextureView &level = texture.levels[i];
        if (!level.pixels || level.width <= 0 || level.height <= 0)
            return false;
    }
    return true;
}

bool drawPrepared(const PixelView &canvas, const SampledTexture &texture, const RasterVertex (&corners)[3],
                  const PreparedShading &shading)
{
    TexelMapping mapping;
    if (!texelMappingOf(corners, mapping))
        return false;
    for (const RasterVertex &corner : corners) {
        if (!std::isfinite(corner.x) || !std::isfinite(corner.y))
            return false;
    }
    if (!shading.visible || canvas.width <= 0 || canvas.height <= 0 || !textureUsable(texture)
        || outsideCanvas(canvas, corners))
        return true; // nothing to show
    SpanPainter painter;
    painter.shading = &shading;
    // Mipmapped filters need the whole chain; without it level 0 stands in for every level.
    SampledTexture usable = texture;
    if (usesMipmaps(usable.minFilter) && usable.levelCount < 2)
        usable.minFilter = TextureFilter::Linear;
    painter.prepare(usable, mapping);
    if (withinGuardBand(corners))
        fillTriangle(canvas, snap(corners[0], corners[1], corners[2]), painter);
    else
        fillClippedTriangle(canvas, corners, painter);
    return true;
}

uint32_t scaled(uint32_t value, uint32_t alpha)
{
    return divideBy255(value * alpha);
}

} // namespace

bool usesMipmaps(TextureFilter filter)
{
    return filter != TextureFilter::Nearest && filter != TextureFilter::Linear;
}

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

Shading shadingOf(uint32_t colour, const TintSetup &setup)
{
    const uint32_t alpha = colour >> 24;
    Shading shading;
    shading.blend = setup.blend;
    shading.darkOnAlpha = setup.premultiplied;
    uint32_t light = colour & 0x00ffffffu;
    uint32_t dark = setup.dark & 0x00ffffffu;
    if (setup.premultiplied) {
        light = scaled(channel(colour, 16), alpha) << 16 | scaled(channel(colour, 8), alpha) << 8
            | scaled(channel(colour, 0), alpha);
        dark = scaled(channel(setup.dark, 16), alpha) << 16 | scaled(channel(setup.dark, 8), alpha) << 8
            | scaled(channel(setup.dark, 0), alpha);
    }
    shading.light = (setup.zeroLightAlpha ? 0u : alpha << 24) | light;
    shading.dark = dark;
    return shading;
}

bool drawTriangle(const PixelView &canvas, const SampledTexture &texture, const RasterVertex (&corners)[3],
                  const Shading &shading)
{
    return drawPrepared(canvas, texture, corners, prepare(shading));
}

void drawTriangleList(const PixelView &canvas, const SampledTexture &texture, const CanvasMapping &mapping,
                      const TriangleList &list)
{
    if (!textureUsable(texture))
        return;
    const auto width = static_cast<float>(texture.levels[0].width);
    const auto height = static_cast<float>(texture.levels[0].height);
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
    PreparedShading shading = prepare(shadingOf(shadedColour, list.tint));
    for (size_t k = 0; k + 2 < list.indexCount; k += 3) {
        const size_t i0 = list.indices[k];
        const size_t i1 = list.indices[k + 1];
        const size_t i2 = list.indices[k + 2];
        if (i0 >= list.vertexCount || i1 >= list.vertexCount || i2 >= list.vertexCount)
            continue;
        if (list.vertices[i0].color != shadedColour) {
            shadedColour = list.vertices[i0].color;
            shading = prepare(shadingOf(shadedColour, list.tint));
        }
        const RasterVertex corners[3] = {mapped[i0], mapped[i1], mapped[i2]};
        drawPrepared(canvas, texture, corners, shading);
    }
}

} // namespace kvx
