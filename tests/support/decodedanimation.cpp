#include "support/decodedanimation.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>

namespace kvx::test {

namespace {

using Bytes = std::vector<unsigned char>;

std::uint32_t le(const unsigned char *p, int bytes)
{
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | p[i];
    return value;
}

std::uint32_t be32(const unsigned char *p)
{
    return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

std::optional<std::size_t> find(const Bytes &bytes, std::string_view text)
{
    const auto at = std::search(bytes.begin(), bytes.end(), text.begin(), text.end());
    return at == bytes.end() ? std::nullopt : std::optional<std::size_t>(at - bytes.begin());
}

// The loop count each animated image format declares.
std::optional<int> declaredLoops(const Bytes &bytes)
{
    if (const auto at = find(bytes, "NETSCAPE2.0"); at && *at + 16 <= bytes.size())
        return int(le(&bytes[*at + 13], 2));
    if (const auto at = find(bytes, "acTL"); at && *at + 12 <= bytes.size())
        return int(be32(&bytes[*at + 8]));
    if (const auto at = find(bytes, "ANIM"); at && *at + 14 <= bytes.size())
        return int(le(&bytes[*at + 12], 2));
    return std::nullopt;
}

Bytes toRgba(const AVFrame &frame)
{
    Bytes rgba(std::size_t(frame.width) * frame.height * 4);
    SwsContext *sws = sws_getContext(frame.width, frame.height, AVPixelFormat(frame.format), frame.width,
                                     frame.height, AV_PIX_FMT_RGBA, SWS_POINT | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT,
                                     nullptr, nullptr, nullptr);
    const int space = frame.colorspace == AVCOL_SPC_BT709 ? SWS_CS_ITU709 : SWS_CS_DEFAULT;
    sws_setColorspaceDetails(sws, sws_getCoefficients(space), frame.color_range == AVCOL_RANGE_JPEG,
                             sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
    uint8_t *planes[4] = {rgba.data()};
    const int strides[4] = {frame.width * 4};
    sws_scale(sws, frame.data, frame.linesize, 0, frame.height, planes, strides);
    sws_freeContext(sws);
    return rgba;
}

// Decodes whole packets with the named decoder (or the codec's default) into straight RGBA frames.
class Decoder {
public:
    Decoder(AVCodecID id, const char *name, const AVCodecParameters *parameters)
    {
        const AVCodec *codec = name ? avcodec_find_decoder_by_name(name) : avcodec_find_decoder(id);
        context = avcodec_alloc_context3(codec);
        if (parameters)
            avcodec_parameters_to_context(context, parameters);
        ok = codec && avcodec_open2(context, codec, nullptr) >= 0;
    }
    ~Decoder() { avcodec_free_context(&context); }

    // Frames that come out for the packet (null: drain), with their durations in `timeBase`.
    void decode(const AVPacket *packet, std::vector<Bytes> &frames, std::vector<std::int64_t> *durations)
    {
        avcodec_send_packet(context, packet);
        AVFrame *frame = av_frame_alloc();
        while (avcodec_receive_frame(context, frame) == 0) {
            frames.push_back(toRgba(*frame));
            if (durations)
                durations->push_back(frame->pkt_duration);
            av_frame_unref(frame);
        }
        av_frame_free(&frame);
    }

    bool ok = false;
    AVCodecContext *context = nullptr;
};

DecodedAnimation decodeContainer(const std::filesystem::path &path)
{
    DecodedAnimation result;
    AVFormatContext *format = nullptr;
    if (avformat_open_input(&format, path.string().c_str(), nullptr, nullptr) < 0 ||
        avformat_find_stream_info(format, nullptr) < 0) {
        result.error = "cannot open " + path.string();
        avformat_close_input(&format);
        return result;
    }
    const AVStream *stream = format->streams[0];
    const AVCodecParameters *parameters = stream->codecpar;
    Decoder decoder(parameters->codec_id, parameters->codec_id == AV_CODEC_ID_VP9 ? "libvpx-vp9" : nullptr,
                    parameters);
    std::vector<std::int64_t> durations;
    AVPacket *packet = av_packet_alloc();
    while (decoder.ok && av_read_frame(format, packet) >= 0) {
        decoder.decode(packet, result.frames, &durations);
        av_packet_unref(packet);
    }
    decoder.decode(nullptr, result.frames, &durations);
    av_packet_free(&packet);
    for (const std::int64_t duration : durations)
        result.seconds.push_back(double(duration) * av_q2d(stream->time_base));
    result.width = parameters->width;
    result.height = parameters->height;
    if (!decoder.ok)
        result.error = "no decoder for " + path.string();
    avformat_close_input(&format);
    return result;
}

// One frame of an animated WebP as a still WebP file that FFmpeg's decoder takes.
Bytes stillWebp(const unsigned char *chunks, std::size_t size, int width, int height)
{
    Bytes file = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'E', 'B', 'P'};
    if (std::memcmp(chunks, "ALPH", 4) == 0) {
        const unsigned char header[] = {'V', 'P', '8', 'X', 10, 0, 0, 0, 0x10, 0, 0, 0,
                                        (unsigned char)((width - 1) & 255), (unsigned char)((width - 1) >> 8 & 255),
                                        (unsigned char)((width - 1) >> 16), (unsigned char)((height - 1) & 255),
                                        (unsigned char)((height - 1) >> 8 & 255), (unsigned char)((height - 1) >> 16)};
        file.insert(file.end(), std::begin(header), std::end(header));
    }
    file.insert(file.end(), chunks, chunks + size);
    const std::uint32_t riffSize = std::uint32_t(file.size() - 8);
    for (int i = 0; i < 4; ++i)
        file[4 + i] = (unsigned char)(riffSize >> (8 * i));
    return file;
}

// Draws a frame onto the canvas at (left, top): straight-alpha "over" when blending, else a copy.
void drawWebpFrame(Bytes &canvas, int canvasWidth, const Bytes &frame, int left, int top, int width, int height,
                   bool blend)
{
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const unsigned char *src = &frame[(std::size_t(y) * width + x) * 4];
            unsigned char *dst = &canvas[(std::size_t(top + y) * canvasWidth + left + x) * 4];
            const double sa = src[3] / 255.0, da = dst[3] / 255.0 * (1 - sa), a = sa + da;
            for (int c = 0; c < 3; ++c)
                dst[c] = !blend ? src[c] : a > 0 ? (unsigned char)std::lround((src[c] * sa + dst[c] * da) / a) : 0;
            dst[3] = !blend ? src[3] : (unsigned char)std::lround(a * 255);
        }
    }
}

DecodedAnimation decodeAnimatedWebp(const Bytes &bytes)
{
    DecodedAnimation result;
    Bytes canvas;
    std::optional<std::array<int, 4>> disposeRect;
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
        const unsigned char *chunk = &bytes[at];
        const std::size_t size = le(chunk + 4, 4), next = at + 8 + size + (size & 1);
        if (next > bytes.size() + 1)
            break;
        if (std::memcmp(chunk, "VP8X", 4) == 0) {
            result.width = int(le(chunk + 12, 3)) + 1;
            result.height = int(le(chunk + 15, 3)) + 1;
            canvas.assign(std::size_t(result.width) * result.height * 4, 0);
        } else if (std::memcmp(chunk, "ANMF", 4) == 0 && !canvas.empty()) {
            const int left = 2 * int(le(chunk + 8, 3)), top = 2 * int(le(chunk + 11, 3));
            const int width = int(le(chunk + 14, 3)) + 1, height = int(le(chunk + 17, 3)) + 1;
            const int milliseconds = int(le(chunk + 20, 3)), flags = chunk[23];
            if (disposeRect)
                drawWebpFrame(canvas, result.width, Bytes(std::size_t((*disposeRect)[2]) * (*disposeRect)[3] * 4, 0),
                              (*disposeRect)[0], (*disposeRect)[1], (*disposeRect)[2], (*disposeRect)[3], false);
            const Bytes still = stillWebp(chunk + 24, size - 16, width, height);
            Decoder decoder(AV_CODEC_ID_WEBP, nullptr, nullptr);
            AVPacket *packet = av_packet_alloc();
            av_new_packet(packet, int(still.size()));
            std::memcpy(packet->data, still.data(), still.size());
            std::vector<Bytes> decoded;
            decoder.decode(packet, decoded, nullptr);
            av_packet_free(&packet);
            if (decoded.size() != 1) {
                result.error = "a WebP frame did not decode";
                return result;
            }
            drawWebpFrame(canvas, result.width, decoded[0], left, top, width, height, !(flags & 2));
            result.frames.push_back(canvas);
            result.seconds.push_back(milliseconds / 1000.0);
            disposeRect.reset();
            if (flags & 1)
                disposeRect = std::array<int, 4>{left, top, width, height};
        }
        at = next;
    }
    return result;
}

} // namespace

DecodedAnimation decodeAnimation(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    const Bytes bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const bool animatedWebp = bytes.size() > 16 && std::memcmp(bytes.data(), "RIFF", 4) == 0 &&
                              std::memcmp(&bytes[8], "WEBPVP8X", 8) == 0 && (bytes[20] & 2);
    DecodedAnimation result = animatedWebp ? decodeAnimatedWebp(bytes) : decodeContainer(path);
    result.loops = declaredLoops(bytes);
    return result;
}

} // namespace kvx::test
