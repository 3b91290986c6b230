#include "media/animationencoder.h"

#include "media/ffmpegsupport.h"
#include "media/palettedencoder.h"
#include "media/streamencoder.h"

namespace kvx {

Result<std::unique_ptr<AnimationEncoder>> AnimationEncoder::create(const std::filesystem::path &path,
                                                                   const EncoderSettings &settings)
{
    if (Status checked = checkEncoderSettings(settings); !checked)
        return checked.failure();
    ffmpeg::routeLibraryLog();
    if (settings.format == MediaFormat::Gif || (settings.format == MediaFormat::Apng && settings.quality))
        return PalettedEncoder::create(path, settings);
    return StreamEncoder::create(path, settings);
}

AnimationEncoder::~AnimationEncoder() = default;

Status AnimationEncoder::addFrame(const StraightRgbaFrame &frame)
{
    if (broken)
        return *broken;
    if (finished)
        return failure(FailureKind::InvalidArgument, "the animation is already finished");
    if (!frame.pixels || frame.width != chosen.width || frame.height != chosen.height ||
        frame.stride < std::ptrdiff_t(frame.width) * 4)
        return failure(FailureKind::MediaFrameRefused,
                       std::to_string(frame.width) + " x " + std::to_string(frame.height) + " frame for a " +
                           std::to_string(chosen.width) + " x " + std::to_string(chosen.height) + " animation");
    Status status = encodeFrame(frame);
    if (status)
        ++frames;
    return ended(std::move(status));
}

Status AnimationEncoder::finish()
{
    if (broken)
        return *broken;
    if (finished)
        return failure(FailureKind::InvalidArgument, "the animation is already finished");
    if (frames == 0)
        return ended(failure(FailureKind::MediaNoFrames));
    Status status = complete();
    finished = status.ok();
    return ended(std::move(status));
}

Status AnimationEncoder::ended(Status status)
{
    if (!status) {
        broken = status.failure();
        abandon();
    }
    return status;
}

} // namespace kvx
