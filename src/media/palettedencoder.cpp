#include "media/palettedencoder.h"

#include "media/frameconversion.h"

namespace kvx {

using namespace ffmpeg;

namespace {

struct PalettedFormat {
    const char *encoder;
    Options encoderOptions;
    const char *muxer;
    Options muxerOptions;
};

PalettedFormat palettedFormat(MediaFormat format)
{
    if (format == MediaFormat::Gif) {
        // Offsetting (cropping each frame to its content) is off: this encoder's crop can drop the
        // left columns of the content's last row. Unchanged pixels of opaque frames still become
        // transparent ("transdiff"). Looping forever.
        return {"gif", {{"gifflags", "transdiff"}}, "gif", {{"loop", "0"}}};
    }
    // Rows unfiltered: prediction helps colours, not palette indices (files 40% smaller than with
    // lossless APNG's "mixed" here); zlib's default level, since lossy is chosen for size. Looping
    // forever.
    return {"apng", {{"pred", "none"}, {"compression_level", "6"}}, "apng", {{"plays", "0"}}};
}

// Lossy APNG: quality 0 keeps 16 colours, 100 keeps 256.
int apngColours(int quality)
{
    return 16 + quality * 240 / 100;
}

const std::uint32_t *pixelsOf(const AVFrame &frame)
{
    return reinterpret_cast<const std::uint32_t *>(frame.data[0]);
}

} // namespace

std::int64_t gifFrameStart(std::int64_t frame, int fps)
{
    return (200 * frame + fps) / (2 * std::int64_t(fps));
}

PalettedEncoder::~PalettedEncoder() = default;

std::int64_t PalettedEncoder::frameStart(std::int64_t frame) const
{
    return gif ? gifFrameStart(frame, settings().fps) : frame;
}

Result<std::unique_ptr<AnimationEncoder>> PalettedEncoder::create(const std::filesystem::path &path,
                                                                  const EncoderSettings &settings)
{
    std::unique_ptr<PalettedEncoder> encoder(new PalettedEncoder(settings));
    const bool gif = settings.format == MediaFormat::Gif;
    const PalettedFormat format = palettedFormat(settings.format);
    encoder->target = utf8Path(path);
    encoder->gif = gif;
    encoder->timeBase = gif ? AVRational{1, 100} : AVRational{1, settings.fps};

    const AVCodec *codec = avcodec_find_encoder_by_name(format.encoder);
    AVCodecContext *context = codec ? avcodec_alloc_context3(codec) : nullptr;
    if (!context)
        return failure(FailureKind::MediaEncoderMissing, format.encoder);
    context->width = settings.width;
    context->height = settings.height;
    context->time_base = encoder->timeBase;
    context->framerate = AVRational{settings.fps, 1};
    context->pix_fmt = AV_PIX_FMT_PAL8;
    context->thread_count = 1;
    context->flags |= AV_CODEC_FLAG_BITEXACT;
    Result<CodecContextPtr> opened = openEncoder(context, codec, format.encoderOptions);
    if (!opened)
        return opened.failure();
    encoder->codec = std::move(*opened);

    encoder->palette = std::make_unique<PaletteQuantizer>(gif ? 256 : apngColours(settings.quality.value_or(100)));
    encoder->picture = allocateFrame(AV_PIX_FMT_RGB32, settings.width, settings.height);
    encoder->paletted = allocateFrame(AV_PIX_FMT_PAL8, settings.width, settings.height);
    if (!encoder->picture || !encoder->paletted || !encoder->packet)
        return failure(FailureKind::MediaEncodeFailed, encoder->target + ": out of memory");

    // The output is claimed first, so a taken name or a closed folder fails before any work.
    Result<std::unique_ptr<MuxedFile>> output = MuxedFile::open(path, format.muxer, *encoder->codec, format.muxerOptions);
    if (!output)
        return output.failure();
    encoder->output = std::move(*output);
    Result<std::unique_ptr<FrameSpool>> spool = FrameSpool::create(path, settings.width, settings.height);
    if (!spool)
        return spool.failure();
    encoder->spool = std::move(*spool);
    return std::unique_ptr<AnimationEncoder>(std::move(encoder));
}

Status PalettedEncoder::encodeFrame(const StraightRgbaFrame &frame)
{
    if (av_frame_make_writable(picture.get()) < 0)
        return failure(FailureKind::MediaEncodeFailed, target + ": out of memory");
    // GIF's transparency is all or nothing: decided here once, so the palette and the mapping agree.
    // Frame times are given when the spooled frames are written.
    toNativeArgb(frame, *picture, gif);
    palette->learn(pixelsOf(*picture), picture->width, picture->height, picture->linesize[0] / 4);
    return spool->append(picture.get());
}

Status PalettedEncoder::encode(const AVFrame *frame)
{
    if (const int error = avcodec_send_frame(codec.get(), frame); error < 0)
        return encodeFailure(target, codec->codec->name, error);
    for (;;) {
        const int error = avcodec_receive_packet(codec.get(), packet.get());
        if (error == AVERROR(EAGAIN) || error == AVERROR_EOF)
            return Done{};
        if (error < 0)
            return encodeFailure(target, codec->codec->name, error);
        // One packet per frame, in order.
        packet->duration = frameStart(packetsWritten + 1) - frameStart(packetsWritten);
        ++packetsWritten;
        Status written = output->write(*packet, timeBase);
        av_packet_unref(packet.get());
        if (!written)
            return written;
    }
}

Status PalettedEncoder::mapSpooledFrames()
{
    if (Status rewound = spool->rewind(); !rewound)
        return rewound;
    for (std::int64_t index = 0;; ++index) {
        Result<AVFrame *> frame = spool->next();
        if (!frame)
            return frame.failure();
        if (!*frame)
            return Done{};
        // The encoder may still hold the previous frame: map into a buffer of our own.
        if (av_frame_make_writable(paletted.get()) < 0)
            return failure(FailureKind::MediaEncodeFailed, target + ": out of memory");
        const AVFrame &source = **frame;
        palette->map(pixelsOf(source), source.width, source.height, source.linesize[0] / 4, paletted->data[0],
                     paletted->linesize[0]);
        std::copy(palette->palette().begin(), palette->palette().end(),
                  reinterpret_cast<std::uint32_t *>(paletted->data[1]));
        paletted->pts = frameStart(index);
        if (Status encoded = encode(paletted.get()); !encoded)
            return encoded;
    }
}

Status PalettedEncoder::complete()
{
    palette->settle();
    if (Status mapped = mapSpooledFrames(); !mapped)
        return mapped;
    spool.reset();
    if (Status drained = encode(nullptr); !drained)
        return drained;
    if (gif) {
        // This GIF muxer takes the last frame's length from its setting, not from the packet.
        const std::int64_t last = frameCount() - 1;
        const std::string lastLength = std::to_string(frameStart(last + 1) - frameStart(last));
        if (Status delayed = output->setOption("final_delay", lastLength); !delayed)
            return delayed;
    }
    return output->finish();
}

void PalettedEncoder::abandon()
{
    output.reset();
    spool.reset();
    palette.reset();
    codec.reset();
}

} // namespace kvx
