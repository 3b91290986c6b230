#include "media/encodersettings.h"

#include <algorithm>
#include <string>

namespace kvx {

namespace {

Failure refused(const std::string &what)
{
    return failure(FailureKind::MediaSettingsRefused, what);
}

} // namespace

Status checkEncoderSettings(const EncoderSettings &settings)
{
    const MediaFormatTraits &traits = traitsOf(settings.format);
    const std::string size = std::to_string(settings.width) + " x " + std::to_string(settings.height);
    if (settings.width < 1 || settings.height < 1 || settings.width > kMaxMediaSide || settings.height > kMaxMediaSide)
        return refused("size " + size + " (from 1 x 1 to " + std::to_string(kMaxMediaSide) + " x " +
                       std::to_string(kMaxMediaSide) + ")");
    if (traits.needsEvenSize && (settings.width % 2 != 0 || settings.height % 2 != 0))
        return refused("size " + size + " (" + std::string(traits.name) + " needs an even width and height)");
    const int maxFps = std::min(kMaxMediaFps, traits.maxFps);
    if (settings.fps < kMinMediaFps || settings.fps > maxFps)
        return refused(std::to_string(settings.fps) + " frames per second (" + std::string(traits.name) + ": " +
                       std::to_string(kMinMediaFps) + "-" + std::to_string(maxFps) + ")");
    if (settings.quality && !traits.takesQuality)
        return refused("quality (" + std::string(traits.name) + " has no quality setting)");
    if (settings.quality && (*settings.quality < 0 || *settings.quality > 100))
        return refused("quality " + std::to_string(*settings.quality) + " (0-100)");
    return Done{};
}

} // namespace kvx
