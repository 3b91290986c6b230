#include "render/qt/rendersettings.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace kvx {
namespace {

Failure limit(const std::string &what)
{
    return failure(FailureKind::RenderLimitExceeded, what);
}

Failure invalid(const std::string &what)
{
    return failure(FailureKind::InvalidArgument, what);
}

std::string formatName(const RenderSettings &settings)
{
    return settings.format ? std::string(mediaFormatName(*settings.format)) : std::string("png");
}

std::optional<FrameSize> givenSize(const OutputFraming &framing)
{
    if (framing.camera)
        return FrameSize{framing.camera->width, framing.camera->height};
    return framing.size;
}

Status checkSize(const RenderSettings &settings)
{
    const std::optional<FrameSize> size = givenSize(settings.framing);
    if (!size)
        return Done{};
    const std::string text = std::to_string(size->width) + " x " + std::to_string(size->height);
    if (size->width < 1 || size->height < 1 || size->width > kMaxRenderSide || size->height > kMaxRenderSide)
        return limit("size " + text + " (from 1 x 1 to " + std::to_string(kMaxRenderSide) + " x "
                     + std::to_string(kMaxRenderSide) + ")");
    if (settings.format && traitsOf(*settings.format).needsEvenSize && (size->width % 2 || size->height % 2))
        return limit("size " + text + " (" + formatName(settings) + " needs an even width and height)");
    return Done{};
}

Status checkFraming(const OutputFraming &framing)
{
    if (!std::isfinite(framing.scale) || framing.scale <= 0.0 || framing.scale > kMaxRenderScale)
        return limit("scale " + std::to_string(framing.scale) + " (more than 0, at most 100)");
    if (framing.camera && !(std::isfinite(framing.camera->zoom) && framing.camera->zoom > 0.0
                            && std::isfinite(framing.camera->x) && std::isfinite(framing.camera->y)))
        return invalid("camera (its point must be finite and its zoom more than 0)");
    return Done{};
}

Status checkMotion(const RenderSettings &settings)
{
    const int maxFps = settings.format ? std::min(kMaxMediaFps, traitsOf(*settings.format).maxFps) : kMaxMediaFps;
    if (settings.fps < kMinMediaFps || settings.fps > maxFps)
        return limit(std::to_string(settings.fps) + " frames per second (" + formatName(settings) + ": "
                     + std::to_string(kMinMediaFps) + "-" + std::to_string(maxFps) + ")");
    if (settings.time && settings.format)
        return invalid("a time with " + formatName(settings) + " (a single frame is written as png)");
    if (settings.time && !(std::isfinite(*settings.time) && *settings.time >= 0.0 && *settings.time <= kMaxRenderTime))
        return limit("time " + std::to_string(*settings.time) + " s (0-86400)");
    return Done{};
}

Status checkQuality(const RenderSettings &settings)
{
    if (!settings.quality)
        return Done{};
    if (!settings.format || !traitsOf(*settings.format).takesQuality)
        return invalid("quality (" + formatName(settings) + " has no quality setting)");
    if (*settings.quality < 0 || *settings.quality > 100)
        return limit("quality " + std::to_string(*settings.quality) + " (0-100)");
    return Done{};
}

} // namespace

Status checkRenderSettings(const RenderSettings &settings)
{
    for (const Status &checked :
         {checkSize(settings), checkFraming(settings.framing), checkMotion(settings), checkQuality(settings)}) {
        if (!checked)
            return checked;
    }
    return Done{};
}

std::optional<BackgroundColour> effectiveBackground(const RenderSettings &settings)
{
    if (settings.background || !settings.format || traitsOf(*settings.format).keepsAlpha)
        return settings.background;
    return BackgroundColour{0x000000};
}

OutputFraming effectiveFraming(const RenderSettings &settings)
{
    OutputFraming framing = settings.framing;
    framing.evenSides = settings.format && traitsOf(*settings.format).needsEvenSize;
    framing.maxSide = kMaxRenderSide;
    return framing;
}

} // namespace kvx
