#include "media/streamencoder.h"

extern "C" {
#include <libavutil/cpu.h>
}

namespace kvx {

using namespace ffmpeg;

namespace {

// How each format is written. Every encoder runs on one thread (thread_count 1 below): that keeps
// the bytes independent of the machine's cores and of whatever else runs, and several exports run
// side by side instead.
struct Recipe {
    const char *encoder;
    AVPixelFormat pixels;
    const char *muxer;
    Options encoderOptions;
    Options muxerOptions;
};

// x264's AVX-512 code gives different bytes from run to run (libx264 164); with everything up to
// AVX2 its output equals its plain C output. On processors with AVX-512 it gets the features
// FFmpeg detects, without that one.
Options x264Features()
{
    const int detected = av_get_cpu_flags();
    if (!(detected & AV_CPU_FLAG_AVX512))
        return {};
    static const std::pair<int, const char *> kNames[] = {
        {AV_CPU_FLAG_MMXEXT, "MMX2"}, {AV_CPU_FLAG_SSE, "SSE"},     {AV_CPU_FLAG_SSE2, "SSE2"},
        {AV_CPU_FLAG_SSE3, "SSE3"},   {AV_CPU_FLAG_SSSE3, "SSSE3"}, {AV_CPU_FLAG_SSE4, "SSE4.1"},
        {AV_CPU_FLAG_SSE42, "SSE4.2"}, {AV_CPU_FLAG_AVX, "AVX"},    {AV_CPU_FLAG_XOP, "XOP"},
        {AV_CPU_FLAG_FMA4, "FMA4"},   {AV_CPU_FLAG_FMA3, "FMA3"},   {AV_CPU_FLAG_BMI1, "BMI1"},
        {AV_CPU_FLAG_BMI2, "BMI2"},   {AV_CPU_FLAG_AVX2, "AVX2"},
    };
    // Every AVX-512 processor also has these, which FFmpeg does not report.
    std::string features = "asm=SSE2Fast,LZCNT";
    for (const auto &[flag, name] : kNames) {
        if (detected & flag)
            features += std::string(",") + name;
    }
    return {{"x264-params", features}};
}

Options joined(Options options, const Options &more)
{
    options.insert(options.end(), more.begin(), more.end());
    return options;
}

Recipe recipeFor(const EncoderSettings &settings)
{
    switch (settings.format) {
    case MediaFormat::Apng:
        // Lossless (a quality goes to palettedencoder.h). Each row filtered with the predictor that
        // suits it best; the encoder also tries each frame's blend and disposal and keeps the
        // smallest. zlib level 4: on textured frames twice as fast as the default 6 for 4% more.
        return {"apng", AV_PIX_FMT_RGBA, "apng", {{"pred", "mixed"}, {"compression_level", "4"}}, {{"plays", "0"}}};
    case MediaFormat::Webp:
        // libwebp's animation encoder: only changed rectangles, looping forever. Lossless with method
        // 2 ("compression_level"), which here is three times as fast as the default 4 and no larger;
        // lossy: the quality given, method 4, alpha kept lossless.
        if (settings.quality)
            return {"libwebp_anim",
                    AV_PIX_FMT_RGB32,
                    "webp",
                    {{"lossless", "0"}, {"quality", std::to_string(*settings.quality)}, {"compression_level", "4"}},
                    {{"loop", "0"}}};
        return {"libwebp_anim",
                AV_PIX_FMT_RGB32,
                "webp",
                {{"lossless", "1"}, {"quality", "75"}, {"compression_level", "2"}},
                {{"loop", "0"}}};
    case MediaFormat::Webm:
        // VP9 through libvpx, which encodes alpha as a second VP9 stream the WebM muxer stores beside
        // the colour. Constant quality (crf 24, no bitrate target), "good" at speed 4: about 20 ms a
        // 512 x 512 frame for both streams; row multithreading off with the single thread.
        return {"libvpx-vp9",
                AV_PIX_FMT_YUVA420P,
                "webm",
                {{"deadline", "good"}, {"cpu-used", "4"}, {"crf", "24"}, {"b", "0"}, {"row-mt", "0"}},
                {}};
    case MediaFormat::Mov:
        // ProRes 4444 (prores_ks) with a 16-bit alpha channel in 10-bit 4:4:4, what video editors
        // take for footage with alpha; Apple's vendor code, which some of them check.
        return {"prores_ks",
                AV_PIX_FMT_YUVA444P10LE,
                "mov",
                {{"profile", "4444"}, {"vendor", "apl0"}, {"alpha_bits", "16"}},
                {}};
    case MediaFormat::Mp4:
        // H.264 High in 4:2:0, which plays everywhere, at crf 18 (hard to tell from the frames) with
        // the medium preset; the index at the front so players start before the whole file arrives.
        return {"libx264",
                AV_PIX_FMT_YUV420P,
                "mp4",
                joined({{"preset", "medium"}, {"crf", "18"}, {"profile", "high"}}, x264Features()),
                {{"movflags", "+faststart"}}};
    case MediaFormat::Gif:
        break;
    }
    return {};
}

bool isYuv(AVPixelFormat format)
{
    const AVPixFmtDescriptor *descriptor = av_pix_fmt_desc_get(format);
    return descriptor && !(descriptor->flags & AV_PIX_FMT_FLAG_RGB);
}

} // namespace

StreamEncoder::StreamEncoder(const EncoderSettings &settings)
    : AnimationEncoder(settings), packet(av_packet_alloc())
{
}

StreamEncoder::~StreamEncoder() = default;

Result<std::unique_ptr<AnimationEncoder>> StreamEncoder::create(const std::filesystem::path &path,
                                                                const EncoderSettings &settings)
{
    const Recipe recipe = recipeFor(settings);
    const AVCodec *codec = avcodec_find_encoder_by_name(recipe.encoder);
    if (!codec)
        return failure(FailureKind::MediaEncoderMissing, recipe.encoder);
    std::unique_ptr<StreamEncoder> encoder(new StreamEncoder(settings));
    encoder->target = utf8Path(path);

    AVCodecContext *context = avcodec_alloc_context3(codec);
    if (!context || !encoder->packet)
        return failure(FailureKind::MediaEncodeFailed, encoder->target + ": out of memory");
    context->width = settings.width;
    context->height = settings.height;
    context->time_base = AVRational{1, settings.fps};
    context->framerate = AVRational{settings.fps, 1};
    context->pix_fmt = recipe.pixels;
    context->thread_count = 1;
    context->flags |= AV_CODEC_FLAG_BITEXACT;
    if (MuxedFile::wantsGlobalHeader(recipe.muxer))
        context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (isYuv(recipe.pixels)) {
        tagBt709(*context);
        Result<YuvConverter> converter = YuvConverter::create(settings.width, settings.height, recipe.pixels);
        if (!converter)
            return converter.failure();
        encoder->yuv.emplace(std::move(*converter));
    }
    Result<CodecContextPtr> opened = openEncoder(context, codec, recipe.encoderOptions);
    if (!opened)
        return opened.failure();
    encoder->codec = std::move(*opened);

    encoder->picture = allocateFrame(recipe.pixels, settings.width, settings.height);
    if (!encoder->picture)
        return failure(FailureKind::MediaEncodeFailed, encoder->target + ": out of memory");
    // Some encoders (ProRes) write the colour tags of each picture rather than their own.
    encoder->picture->color_range = encoder->codec->color_range;
    encoder->picture->colorspace = encoder->codec->colorspace;
    encoder->picture->color_primaries = encoder->codec->color_primaries;
    encoder->picture->color_trc = encoder->codec->color_trc;
    Result<std::unique_ptr<MuxedFile>> output = MuxedFile::open(path, recipe.muxer, *encoder->codec, recipe.muxerOptions);
    if (!output)
        return output.failure();
    encoder->output = std::move(*output);
    return std::unique_ptr<AnimationEncoder>(std::move(encoder));
}

Status StreamEncoder::convert(const StraightRgbaFrame &source)
{
    // The encoder may still hold the previous picture: write into a buffer of our own.
    if (av_frame_make_writable(picture.get()) < 0)
        return failure(FailureKind::MediaEncodeFailed, target + ": out of memory");
    if (yuv)
        yuv->convert(source, *picture);
    else if (picture->format == AV_PIX_FMT_RGBA)
        toStraightRgba(source, *picture);
    else
        toNativeArgb(source, *picture, false);
    return Done{};
}

Status StreamEncoder::encodeFrame(const StraightRgbaFrame &frame)
{
    if (Status converted = convert(frame); !converted)
        return converted;
    picture->pts = frameCount();
    return encode(picture.get());
}

Status StreamEncoder::encode(const AVFrame *frame)
{
    if (const int error = avcodec_send_frame(codec.get(), frame); error < 0)
        return encodeFailure(target, codec->codec->name, error);
    for (;;) {
        const int error = avcodec_receive_packet(codec.get(), packet.get());
        if (error == AVERROR(EAGAIN) || error == AVERROR_EOF)
            return Done{};
        if (error < 0)
            return encodeFailure(target, codec->codec->name, error);
        if (packet->duration == 0)
            packet->duration = 1;
        Status written = output->write(*packet, codec->time_base);
        av_packet_unref(packet.get());
        if (!written)
            return written;
    }
}

Status StreamEncoder::complete()
{
    if (Status drained = encode(nullptr); !drained)
        return drained;
    return output->finish();
}

void StreamEncoder::abandon()
{
    output.reset();
    codec.reset();
    picture.reset();
}

} // namespace kvx
