#include "media/frameconversion.h"

#include <algorithm>

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
    const AVPixFmtDescriptor *descriptor = av_pix_fmt_desc_get(target);
    const bool subsampledWithAlpha = descriptor && (descriptor->flags & AV_PIX_FMT_FLAG_ALPHA)
                                     && (descriptor->log2_chroma_w > 0 || descriptor->log2_chroma_h > 0);
    return YuvConverter(context, subsampledWithAlpha);
}

void YuvConverter::convert(const StraightRgbaFrame &source, AVFrame &target) const
{
    // Bilinear chroma of a halved plane reaches a pixel beyond its own pair: two rings cover it.
    const std::vector<std::uint8_t> spread = spreadsColour ? colourUnderTransparency(source, 2) : std::vector<std::uint8_t>();
    const std::uint8_t *planes[4] = {spreadsColour ? spread.data() : source.pixels, nullptr, nullptr, nullptr};
    const int strides[4] = {spreadsColour ? source.width * 4 : static_cast<int>(source.stride), 0, 0, 0};
    sws_scale(context.get(), planes, strides, 0, source.height, target.data, target.linesize);
}

std::vector<std::uint8_t> colourUnderTransparency(const StraightRgbaFrame &source, int reach)
{
    const int width = source.width, height = source.height;
    std::vector<std::uint8_t> pixels(std::size_t(width) * height * 4);
    std::vector<std::uint8_t> coloured(std::size_t(width) * height);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t *row = source.pixels + y * source.stride;
        std::copy(row, row + std::size_t(width) * 4, pixels.begin() + std::ptrdiff_t(y) * width * 4);
        for (int x = 0; x < width; ++x)
            coloured[std::size_t(y) * width + x] = row[x * 4 + 3] != 0;
    }
    std::vector<std::size_t> ring;
    std::vector<std::uint8_t> across(coloured.size()); // a coloured pixel in the row, one either side
    for (int step = 0; step < reach; ++step) {
        ring.clear();
        for (int y = 0; y < height; ++y) {
            const std::uint8_t *row = &coloured[std::size_t(y) * width];
            std::uint8_t *out = &across[std::size_t(y) * width];
            for (int x = 0; x < width; ++x)
                out[x] = row[x] | (x > 0 ? row[x - 1] : 0) | (x + 1 < width ? row[x + 1] : 0);
        }
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const std::size_t at = std::size_t(y) * width + x;
                // Most of a frame is far from anything drawn: passed over on the 3 x 3 test alone.
                const bool near = across[at] | (y > 0 ? across[at - width] : 0) | (y + 1 < height ? across[at + width] : 0);
                if (coloured[at] || !near)
                    continue;
                int sum[3] = {0, 0, 0}, count = 0;
                for (int dy = -1; dy <= 1; ++dy) {
                    for (int dx = -1; dx <= 1; ++dx) {
                        const int nx = x + dx, ny = y + dy;
                        if (nx < 0 || ny < 0 || nx >= width || ny >= height || !coloured[std::size_t(ny) * width + nx])
                            continue;
                        const std::uint8_t *neighbour = &pixels[(std::size_t(ny) * width + nx) * 4];
                        for (int c = 0; c < 3; ++c)
                            sum[c] += neighbour[c];
                        ++count;
                    }
                }
                if (count == 0)
                    continue;
                for (int c = 0; c < 3; ++c)
                    pixels[at * 4 + c] = std::uint8_t((sum[c] + count / 2) / count);
                ring.push_back(at);
            }
        }
        // A ring is marked only once it is whole, so each step reaches exactly one pixel further.
        for (const std::size_t at : ring)
            coloured[at] = 1;
        if (ring.empty())
            break;
    }
    return pixels;
}

void tagBt709(AVCodecContext &codec)
{
    codec.color_range = AVCOL_RANGE_MPEG;
    codec.colorspace = AVCOL_SPC_BT709;
    codec.color_primaries = AVCOL_PRI_BT709;
    codec.color_trc = AVCOL_TRC_BT709;
}

} // namespace kvx
