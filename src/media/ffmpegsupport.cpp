#include "media/ffmpegsupport.h"

extern "C" {
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
}

#include <cerrno>
#include <cstdarg>
#include <mutex>

namespace kvx::ffmpeg {

namespace {

thread_local std::string lastLoggedError;

void keepErrors(void *object, int level, const char *format, va_list arguments)
{
    if (level > AV_LOG_ERROR)
        return;
    char line[512];
    int printPrefix = 0;
    av_log_format_line2(object, level, format, arguments, line, sizeof line, &printPrefix);
    std::string text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    if (!text.empty())
        lastLoggedError = std::move(text);
}

} // namespace

void routeLibraryLog()
{
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_callback(keepErrors); });
    lastLoggedError.clear();
}

std::string libraryMessage(int error)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    std::string message(text);
    if (!lastLoggedError.empty())
        message += " (" + std::exchange(lastLoggedError, {}) + ")";
    return message;
}

std::error_code systemErrorOf(int error)
{
    // FFmpeg's own codes are tags far beyond any errno value.
    if (error < 0 && error > -4096 && error != AVERROR(EINVAL) && error != AVERROR(ENOMEM))
        return {AVUNERROR(error), std::generic_category()};
    return {};
}

FramePtr allocateFrame(AVPixelFormat format, int width, int height)
{
    FramePtr frame(av_frame_alloc());
    if (!frame)
        return nullptr;
    frame->format = format;
    frame->width = width;
    frame->height = height;
    if (av_frame_get_buffer(frame.get(), 0) < 0)
        return nullptr;
    return frame;
}

Status applyOptions(void *object, const Options &options, const char *owner)
{
    for (const auto &[name, value] : options) {
        const int error = av_opt_set(object, name.c_str(), value.c_str(), AV_OPT_SEARCH_CHILDREN);
        if (error < 0)
            return failure(FailureKind::MediaEncoderMissing,
                           std::string(owner) + " option " + name + "=" + value + ": " + libraryMessage(error));
    }
    return Done{};
}

Result<CodecContextPtr> openEncoder(AVCodecContext *configured, const AVCodec *codec, const Options &options)
{
    CodecContextPtr context(configured);
    if (Status applied = applyOptions(context.get(), options, codec->name); !applied)
        return applied.failure();
    const int error = avcodec_open2(context.get(), codec, nullptr);
    if (error < 0)
        return failure(FailureKind::MediaEncodeFailed, std::string(codec->name) + ": " + libraryMessage(error));
    return context;
}

Failure encodeFailure(const std::string &target, const std::string &step, int error)
{
    return failure(FailureKind::MediaEncodeFailed, target + ": " + step + ": " + libraryMessage(error));
}

Failure writeFailure(const std::string &target, int error)
{
    if (const std::error_code system = systemErrorOf(error)) {
        lastLoggedError.clear();
        return failure(FailureKind::MediaFileWrite, target, system);
    }
    return encodeFailure(target, "writing", error);
}

} // namespace kvx::ffmpeg
