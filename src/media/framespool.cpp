#include "media/framespool.h"

#include "media/pendingfile.h"
#include "media/sidefile.h"

#include <cerrno>
#include <cstdint>

namespace kvx {

using namespace ffmpeg;

namespace {

constexpr const char *kSpoolCodec = "ffvhuff";

Result<CodecContextPtr> openSpoolEncoder(int width, int height)
{
    const AVCodec *codec = avcodec_find_encoder_by_name(kSpoolCodec);
    AVCodecContext *context = codec ? avcodec_alloc_context3(codec) : nullptr;
    if (!context)
        return failure(FailureKind::MediaEncoderMissing, kSpoolCodec);
    context->width = width;
    context->height = height;
    context->time_base = AVRational{1, 1};
    context->pix_fmt = AV_PIX_FMT_RGB32;
    context->thread_count = 1;
    return openEncoder(context, codec, {});
}

Result<CodecContextPtr> openSpoolDecoder(const AVCodecContext &encoder)
{
    const AVCodec *codec = avcodec_find_decoder(encoder.codec_id);
    CodecContextPtr context(codec ? avcodec_alloc_context3(codec) : nullptr);
    if (!context)
        return failure(FailureKind::MediaEncoderMissing, kSpoolCodec);
    AVCodecParameters *parameters = avcodec_parameters_alloc();
    int error = parameters ? avcodec_parameters_from_context(parameters, &encoder) : AVERROR(ENOMEM);
    if (error >= 0)
        error = avcodec_parameters_to_context(context.get(), parameters);
    avcodec_parameters_free(&parameters);
    context->thread_count = 1;
    if (error >= 0)
        error = avcodec_open2(context.get(), codec, nullptr);
    if (error < 0)
        return failure(FailureKind::MediaEncodeFailed, std::string(kSpoolCodec) + ": " + libraryMessage(error));
    return context;
}

} // namespace

Result<std::unique_ptr<FrameSpool>> FrameSpool::create(const std::filesystem::path &beside, int width, int height)
{
    std::error_code error;
    std::FILE *file = openScratchFile(hiddenSiblingName(beside, ".spool"), error);
    if (!file)
        return failure(FailureKind::MediaFileCreate, utf8Path(beside), error);
    std::unique_ptr<FrameSpool> spool(new FrameSpool(file, utf8Path(beside)));
    Result<CodecContextPtr> encoder = openSpoolEncoder(width, height);
    if (!encoder)
        return encoder.failure();
    spool->encoder = std::move(*encoder);
    if (!spool->packet || !spool->decoded)
        return failure(FailureKind::MediaEncodeFailed, spool->target + ": out of memory");
    return spool;
}

FrameSpool::~FrameSpool()
{
    std::fclose(file);
}

Status FrameSpool::store(const AVPacket &stored)
{
    const std::uint32_t size = static_cast<std::uint32_t>(stored.size);
    if (std::fwrite(&size, sizeof size, 1, file) != 1 ||
        std::fwrite(stored.data, 1, stored.size, file) != std::size_t(stored.size))
        return failure(FailureKind::MediaFileWrite, target, std::error_code(errno, std::generic_category()));
    return Done{};
}

Status FrameSpool::append(const AVFrame *frame)
{
    if (const int error = avcodec_send_frame(encoder.get(), frame); error < 0)
        return encodeFailure(target, kSpoolCodec, error);
    while (avcodec_receive_packet(encoder.get(), packet.get()) == 0) {
        Status stored = store(*packet);
        av_packet_unref(packet.get());
        if (!stored)
            return stored;
    }
    return Done{};
}

Status FrameSpool::rewind()
{
    if (Status flushed = append(nullptr); !flushed)
        return flushed;
    if (std::fflush(file) != 0)
        return failure(FailureKind::MediaFileWrite, target, std::error_code(errno, std::generic_category()));
    std::rewind(file);
    Result<CodecContextPtr> opened = openSpoolDecoder(*encoder);
    if (!opened)
        return opened.failure();
    decoder = std::move(*opened);
    encoder.reset();
    return Done{};
}

Status FrameSpool::readFailure()
{
    const int code = std::ferror(file) ? errno : EIO;
    return failure(FailureKind::MediaFileWrite, target + " (reading back its frames)",
                   std::error_code(code, std::generic_category()));
}

Result<AVFrame *> FrameSpool::next()
{
    std::uint32_t size = 0;
    if (std::fread(&size, sizeof size, 1, file) != 1) {
        if (std::feof(file))
            return static_cast<AVFrame *>(nullptr);
        return readFailure().failure();
    }
    av_packet_unref(packet.get());
    if (av_new_packet(packet.get(), static_cast<int>(size)) < 0)
        return failure(FailureKind::MediaEncodeFailed, target + ": out of memory");
    if (std::fread(packet->data, 1, size, file) != size)
        return readFailure().failure();
    av_frame_unref(decoded.get());
    int error = avcodec_send_packet(decoder.get(), packet.get());
    if (error >= 0)
        error = avcodec_receive_frame(decoder.get(), decoded.get());
    if (error < 0)
        return encodeFailure(target, kSpoolCodec, error);
    return decoded.get();
}

} // namespace kvx
