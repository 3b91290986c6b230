#include "media/muxedfile.h"

namespace kvx {

using namespace ffmpeg;

bool MuxedFile::wantsGlobalHeader(const char *muxer)
{
    const AVOutputFormat *format = av_guess_format(muxer, nullptr, nullptr);
    return format && (format->flags & AVFMT_GLOBALHEADER);
}

Result<std::unique_ptr<MuxedFile>> MuxedFile::open(const std::filesystem::path &target, const char *muxer,
                                                   const AVCodecContext &codec, const Options &options)
{
    Result<PendingFile> pending = PendingFile::create(target);
    if (!pending)
        return pending.failure();
    const std::string url = "file:" + utf8Path(pending->workingPath());
    AVFormatContext *context = nullptr;
    if (avformat_alloc_output_context2(&context, nullptr, muxer, url.c_str()) < 0 || !context)
        return failure(FailureKind::MediaEncoderMissing, std::string("muxer ") + muxer);
    std::unique_ptr<MuxedFile> file(new MuxedFile(std::move(*pending), context));

    // No version strings, creation times or random identifiers: the same frames give the same bytes.
    context->flags |= AVFMT_FLAG_BITEXACT;
    if (Status applied = applyOptions(context, options, muxer); !applied)
        return applied.failure();
    AVStream *stream = avformat_new_stream(context, nullptr);
    if (!stream || avcodec_parameters_from_context(stream->codecpar, &codec) < 0)
        return failure(FailureKind::MediaEncodeFailed, file->target + ": stream");
    stream->time_base = codec.time_base;
    stream->avg_frame_rate = codec.framerate;

    if (const int error = avio_open(&context->pb, url.c_str(), AVIO_FLAG_WRITE); error < 0)
        return failure(FailureKind::MediaFileCreate, file->target, systemErrorOf(error));
    if (const int error = avformat_write_header(context, nullptr); error < 0)
        return writeFailure(file->target, error);
    return file;
}

MuxedFile::MuxedFile(PendingFile pending, AVFormatContext *context)
    : file(std::move(pending)), context(context), target(utf8Path(file.target()))
{
}

MuxedFile::~MuxedFile()
{
    if (context->pb)
        avio_closep(&context->pb);
    avformat_free_context(context);
}

Status MuxedFile::write(AVPacket &packet, AVRational codecTimeBase)
{
    AVStream *stream = context->streams[0];
    packet.stream_index = stream->index;
    av_packet_rescale_ts(&packet, codecTimeBase, stream->time_base);
    if (const int error = av_interleaved_write_frame(context, &packet); error < 0)
        return writeFailure(target, error);
    if (context->pb->error < 0)
        return writeFailure(target, context->pb->error);
    return Done{};
}

Status MuxedFile::setOption(const std::string &name, const std::string &value)
{
    return applyOptions(context, {{name, value}}, context->oformat->name);
}

Status MuxedFile::closeFile()
{
    const int pending = context->pb->error;
    const int closed = avio_closep(&context->pb);
    if (pending < 0 || closed < 0)
        return writeFailure(target, pending < 0 ? pending : closed);
    return Done{};
}

Status MuxedFile::finish()
{
    if (const int error = av_write_trailer(context); error < 0)
        return writeFailure(target, error);
    if (Status closed = closeFile(); !closed)
        return closed;
    return file.publish();
}

} // namespace kvx
