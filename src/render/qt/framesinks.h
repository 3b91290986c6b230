#pragma once
// Where an output's frames are written: one PNG, a folder of numbered PNGs, or an animation file
// through kvx_media. Each writes into a private working folder (".kovexa-" and six characters)
// beside its target and publishes the result under the target's name, or the next free one
// ("-2", "-3", ...) when something took it meanwhile. Destroyed before finish() succeeded, a sink
// leaves nothing behind; the target's folder must exist.

#include "media/encodersettings.h"
#include "render/outputrenderer.h"
#include "render/pngencoder.h" // encodePng, the PNG frames' bytes

#include <filesystem>
#include <memory>
#include <string>

namespace kvx {

// One frame as target (a path ending in ".png").
Result<std::unique_ptr<FrameSink>> pngImageSink(const std::filesystem::path &target);

// Frames as target/<frameName>_0001.png, ..., numbered from 1 with at least four digits and as
// many as the count needs; target is published as a folder.
Result<std::unique_ptr<FrameSink>> pngSequenceSink(const std::filesystem::path &target, const std::string &frameName,
                                                   int64_t frameCount);

// Frames through an AnimationEncoder of the settings into target (its extension the format's).
Result<std::unique_ptr<FrameSink>> animationSink(const std::filesystem::path &target, const EncoderSettings &settings);

} // namespace kvx
