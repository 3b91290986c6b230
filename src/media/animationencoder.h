#pragma once
// Writes one animation file from frames handed over one by one.
//
//   auto encoder = AnimationEncoder::create("out/hero/idle.webm", {MediaFormat::Webm, 512, 512, 30});
//   for (each frame) encoder.value()->addFrame(frame);
//   encoder.value()->finish();
//
// Frame i is shown from i / fps seconds on; the last one for 1 / fps. Nothing appears at the path
// until finish() succeeds: the file is written under a hidden name beside it and then renamed,
// never replacing anything. On any failure, and when the encoder is destroyed before finish()
// succeeded, everything it wrote is removed; nothing else is touched. The folder must exist.
//
// Each encoder encodes on the calling thread only (FFmpeg's own threads are off), and the same
// frames give the same bytes every time, whatever else runs in the process. Encoders are
// independent: several may run at once on different threads. One encoder is used by one thread
// at a time.

#include "common/failure.h"
#include "media/encodersettings.h"
#include "media/straightrgbaframe.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>

namespace kvx {

class AnimationEncoder {
public:
    // Checks the settings (checkEncoderSettings) and claims the file before any frame: fails with
    // MediaSettingsRefused, MediaFileExists, MediaFileCreate (the system's reason attached) or
    // MediaEncoderMissing when this build's FFmpeg lacks what the format needs.
    static Result<std::unique_ptr<AnimationEncoder>> create(const std::filesystem::path &path,
                                                            const EncoderSettings &settings);

    virtual ~AnimationEncoder();
    AnimationEncoder(const AnimationEncoder &) = delete;
    AnimationEncoder &operator=(const AnimationEncoder &) = delete;

    // A frame of exactly the settings' size (MediaFrameRefused otherwise, and the encoder stays
    // usable). Other failures (MediaFileWrite with the system's reason, MediaEncodeFailed) end the
    // encoder: its file is removed and every later call returns the same failure.
    Status addFrame(const StraightRgbaFrame &frame);

    // Writes what remains and gives the file its name. MediaNoFrames without a frame.
    Status finish();

    const EncoderSettings &settings() const { return chosen; }
    std::int64_t frameCount() const { return frames; }

protected:
    explicit AnimationEncoder(const EncoderSettings &settings) : chosen(settings) {}

    virtual Status encodeFrame(const StraightRgbaFrame &frame) = 0;
    virtual Status complete() = 0; // all frames are in: write the rest and publish
    virtual void abandon() = 0;    // release everything and remove what was written

private:
    Status ended(Status status);

    EncoderSettings chosen;
    std::int64_t frames = 0;
    bool finished = false;
    std::optional<Failure> broken;
};

} // namespace kvx
