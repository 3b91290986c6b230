#include "app/exportchoice.h"

namespace kvx {

RenderSettings renderSettingsOf(const AnimationExportChoice &choice)
{
    RenderSettings settings;
    settings.format = choice.format;
    settings.fps = choice.fps;
    settings.framing.size = choice.size;
    settings.framing.scale = choice.size ? 1.0 : choice.scale; // a size fits the extent exactly
    settings.background = choice.background;
    return settings;
}

bool formatKeepsAlpha(const std::optional<MediaFormat> &format)
{
    return !format || traitsOf(*format).keepsAlpha;
}

} // namespace kvx
