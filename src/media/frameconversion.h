#pragma once
// Turning the caller's straight RGBA frames into the pixels each encoder takes.

#include "media/ffmpegsupport.h"
#include "media/straightrgbaframe.h"

#include <cstdint>

namespace kvx {

// Into an RGBA frame: fully transparent pixels become transparent black, the rest is kept exactly.
void toStraightRgba(const StraightRgbaFrame &source, AVFrame &target);

// Into a native-endian ARGB word per pixel (FFmpeg's RGB32): fully transparent pixels become
// transparent black. With `binaryAlpha` alpha below 128 is transparent and the rest opaque.
void toNativeArgb(const StraightRgbaFrame &source, AVFrame &target, bool binaryAlpha);

// RGB to Y'CbCr with the BT.709 matrix in limited range (the tags the encoders write), through
// swscale with bit-exact arithmetic so results never depend on the processor's extensions.
class YuvConverter {
public:
    static Result<YuvConverter> create(int width, int height, AVPixelFormat target);
    void convert(const StraightRgbaFrame &source, AVFrame &target) const;

private:
    explicit YuvConverter(SwsContext *context) : context(context) {}
    ffmpeg::SwsContextPtr context;
};

// The colour tags matching YuvConverter, set on an encoder before it opens.
void tagBt709(AVCodecContext &codec);

} // namespace kvx
