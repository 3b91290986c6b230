#pragma once
// Owning handles for FFmpeg's objects and the translation of its errors into failures. Only the
// sources of media/ include this header: FFmpeg's types never reach the public interface.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include "common/failure.h"

#include <memory>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace kvx::ffmpeg {

struct FrameFree {
    void operator()(AVFrame *frame) const { av_frame_free(&frame); }
};
struct PacketFree {
    void operator()(AVPacket *packet) const { av_packet_free(&packet); }
};
struct CodecContextFree {
    void operator()(AVCodecContext *context) const { avcodec_free_context(&context); }
};
struct SwsContextFree {
    void operator()(SwsContext *context) const { sws_freeContext(context); }
};

using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFree>;
using SwsContextPtr = std::unique_ptr<SwsContext, SwsContextFree>;

// Named settings handed to an encoder or a muxer, in the order given.
using Options = std::vector<std::pair<std::string, std::string>>;

// Keeps FFmpeg quiet: its messages go nowhere but the last error on each thread, which
// libraryMessage() reads into a failure's detail. Installed once per process; each call also
// forgets this thread's last error, so a new encoder never reports an old one.
void routeLibraryLog();

// The error's text, followed by the last error FFmpeg logged on this thread (then forgotten).
std::string libraryMessage(int error);

// The system's reason when an FFmpeg error stands for one (a full disk, a refused write).
std::error_code systemErrorOf(int error);

// A frame of the given format and size with its own pixels, or null when memory ran out.
FramePtr allocateFrame(AVPixelFormat format, int width, int height);

// Opens an encoder with the options; an option it does not know is a failure too, so a different
// FFmpeg build can never silently write something else.
Result<CodecContextPtr> openEncoder(AVCodecContext *configured, const AVCodec *codec, const Options &options);

// Applies the options to the object through av_opt, refusing unknown names the same way.
Status applyOptions(void *object, const Options &options, const char *owner);

// Failures worded for the encoder's target file: a step of encoding that failed, and a failed write
// (MediaFileWrite with the system's reason where there is one).
Failure encodeFailure(const std::string &target, const std::string &step, int error);
Failure writeFailure(const std::string &target, int error);

} // namespace kvx::ffmpeg
