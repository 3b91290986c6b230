#pragma once
// What an animation file is made of: format, size, frame rate and quality, with the bounds beyond
// which an encoder refuses to start.

#include "common/failure.h"
#include "media/mediaformat.h"

#include <optional>

namespace kvx {

inline constexpr int kMaxMediaSide = 8192;
inline constexpr int kMinMediaFps = 1;
inline constexpr int kMaxMediaFps = 120;

struct EncoderSettings {
    MediaFormat format = MediaFormat::Gif;
    int width = 0;
    int height = 0;
    int fps = 30; // frame i is shown from i / fps seconds on
    // Formats that take it (MediaFormatTraits::takesQuality): absent for lossless, 0-100 for a lossy
    // encoding, higher keeping more. Other formats refuse it.
    std::optional<int> quality;
};

// Fails with MediaSettingsRefused, saying which value is out of range: a side outside 1-8192, a
// frame rate outside 1-120 or above the format's own maximum, a quality outside 0-100 or given to a
// format that takes none, an odd side for a format that needs even ones.
Status checkEncoderSettings(const EncoderSettings &settings);

} // namespace kvx
