#pragma once
// How the outputs of a render are made: their file format, frame rate and quality, the frame at
// a time or the whole animation, framing and background; with the limits checked before any work.

#include "common/failure.h"
#include "media/encodersettings.h"
#include "media/mediaformat.h"
#include "render/outputrenderer.h"

#include <optional>

namespace kvx {

inline constexpr int kMaxRenderSide = kMaxMediaSide;
inline constexpr double kMaxRenderScale = 100.0;
inline constexpr double kMaxRenderTime = 24.0 * 3600.0;

struct RenderSettings {
    // None: PNG, one image per output with a time, otherwise a folder of numbered frames.
    std::optional<MediaFormat> format;
    int fps = 30;
    std::optional<int> quality; // formats that take one; none is lossless
    std::optional<double> time; // one frame at this time (PNG only)
    OutputFraming framing;      // evenSides and maxSide are set from the format by the batch
    // Composed under every frame; formats without alpha use black when none is given.
    std::optional<BackgroundColour> background;
};

// Fails with RenderLimitExceeded or InvalidArgument, saying which value is refused and why: a side
// outside 1-8192, a frame rate outside 1-120 or above the format's own maximum, a quality the
// format does not take or outside 0-100, a time with an animated format or outside 0-86400 s, a
// scale outside (0, 100], a zoom that is not positive, an odd side for a format that needs even ones.
Status checkRenderSettings(const RenderSettings &settings);

// The background each frame is composed over: the one asked for, or black for formats without alpha.
std::optional<BackgroundColour> effectiveBackground(const RenderSettings &settings);

// The framing as the batch uses it: sizes found from the extent even where the format needs it.
OutputFraming effectiveFraming(const RenderSettings &settings);

} // namespace kvx
