#pragma once
// Turning the caller's straight RGBA frames into the pixels each encoder takes.

#include "media/ffmpegsupport.h"
#include "media/straightrgbaframe.h"

#include <cstdint>
#include <vector>

namespace kvx {

// Into an RGBA frame: fully transparent pixels become transparent black, the rest is kept exactly.
void toStraightRgba(const StraightRgbaFrame &source, AVFrame &target);

// Into a native-endian ARGB word per pixel (FFmpeg's RGB32): fully transparent pixels become
// transparent black. With `binaryAlpha` alpha below 128 is transparent and the rest opaque.
void toNativeArgb(const StraightRgbaFrame &source, AVFrame &target, bool binaryAlpha);

// RGB to Y'CbCr with the BT.709 matrix in limited range (the tags the encoders write), through
// swscale with bit-exact arithmetic so results never depend on the processor's extensions. Into
// subsampled chroma with alpha (VP9's yuva420p) the colour of what is drawn is first spread into
// the fully transparent pixels beside it (colourUnderTransparency), so the chroma shared across an
// edge is the drawn colour instead of a mix with black.
class YuvConverter {
public:
    static Result<YuvConverter> create(int width, int height, AVPixelFormat target);
    void convert(const StraightRgbaFrame &source, AVFrame &target) const;

private:
    YuvConverter(SwsContext *context, bool spreadsColour) : context(context), spreadsColour(spreadsColour) {}
    ffmpeg::SwsContextPtr context;
    bool spreadsColour = false;
};

// A tight copy of the frame in which every fully transparent pixel within `reach` pixels of a
// visible one takes the mean colour of its visible (or already coloured) neighbours, one ring per
// step; alpha and every visible pixel stay exactly as they are.
std::vector<std::uint8_t> colourUnderTransparency(const StraightRgbaFrame &source, int reach);

// The colour tags matching YuvConverter, set on an encoder before it opens.
void tagBt709(AVCodecContext &codec);

} // namespace kvx
