#include "media/frameconversion.h"

namespace kvx {

void toStraightRgba(const StraightRgbaFrame &source, AVFrame &target)
{
    for (int y = 0; y < source.height; ++y) {
        const std::uint8_t *in = source.pixels + y * source.stride;
        std::uint8_t *out = target.data[0] + y * target.linesize[0];
        for (int x = 0; x < source.width; ++x, in += 4, out += 4) {
            const std::uint8_t alpha = in[3];
            out[0] = alpha ? in[0] : 0;
            out[1] = alpha ? in[1] : 0;
            out[2] = alpha ? in[2] : 0;
            out[3] = alpha;
        }
    }
}

void toNativeArgb(const StraightRgbaFrame &source, AVFrame &target, bool binaryAlpha)
{
    for (int y = 0; y < source.height; ++y) {
        const std::uint8_t *in = source.pixels + y * source.stride;
        auto *out = reinterpret_cast<std::uint32_t *>(target.data[0] + y * target.linesize[0]);
        for (int x = 0; x < source.width; ++x, in += 4) {
            std::uint32_t alpha = in[3];
            if (binaryAlpha)
                alpha = alpha >= 128 ? 255 : 0;
            out[x] = alpha ? alpha << 24 | std::uint32_t(in[0]) << 16 | std::uint32_t(in[1]) << 8 | in[2] : 0;
        }
    }
}

Result<YuvConverter> YuvConverter::create(int width, int height, AVPixelFormat target)
{
    // Same size, so only chroma is resampled (bilinear: averaged, not picked); full chroma is read
    // from RGB before subsampling.
    const int flags = SWS_BILINEAR | SWS_ACCURATE_RND | SWS_BITEXACT | SWS_FULL_CHR_H_INP;
    SwsContext *context =
        sws_getContext(width, height, AV_PIX_FMT_RGBA, width, height, target, flags, nullptr, nullptr, nullptr);
    if (!context)
        return failure(FailureKind::MediaEncoderMissing, std::string("conversion to ") + av_get_pix_fmt_name(target));
    const int *bt709 = sws_getCoefficients(SWS_CS_ITU709);
    sws_setColorspaceDetails(context, bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16);
    return YuvConverter(context);
}

void YuvConverter::convert(const StraightRgbaFrame &source, AVFrame &target) const
{
    const std::uint8_t *planes[4] = {source.pixels, nullptr, nullptr, nullptr};
    const int strides[4] = {static_cast<int>(source.stride), 0, 0, 0};
    sws_scale(context.get(), planes, strides, 0, source.height, target.data, target.linesize);
}

void tagBt709(AVCodecContext &codec)
{
    codec.color_range = AVCOL_RANGE_MPEG;
    codec.colorspace = AVCOL_SPC_BT709;
    codec.color_primaries = AVCOL_PRI_BT709;
    codec.color_trc = AVCOL_TRC_BT709;
}

} // namespace kvx
