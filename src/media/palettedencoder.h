#pragma once
// GIF and lossy APNG: one palette for the whole animation (palettequantizer.h), so two passes. The
// first learns the colours of every frame while the frames are spooled to disk; the second maps the
// spooled frames onto the palette and writes them. Memory stays the same however long the
// animation.
//
// GIF counts time in hundredths of a second: frame i starts at round(100 · i / fps) hundredths
// (halves up) and lasts until frame i + 1 starts; the last until round(100 · n / fps). Each delay
// is within half a hundredth of its exact length and the error never adds up.

#include "media/animationencoder.h"
#include "media/framespool.h"
#include "media/muxedfile.h"
#include "media/palettequantizer.h"

namespace kvx {

// Where frame i starts in a GIF, in hundredths of a second (frame n: where the animation ends).
std::int64_t gifFrameStart(std::int64_t frame, int fps);

class PalettedEncoder final : public AnimationEncoder {
public:
    // GIF, or APNG with a quality.
    static Result<std::unique_ptr<AnimationEncoder>> create(const std::filesystem::path &path,
                                                            const EncoderSettings &settings);
    ~PalettedEncoder() override;

protected:
    Status encodeFrame(const StraightRgbaFrame &frame) override;
    Status complete() override;
    void abandon() override;

private:
    explicit PalettedEncoder(const EncoderSettings &settings) : AnimationEncoder(settings) {}
    std::int64_t frameStart(std::int64_t frame) const;
    Status mapSpooledFrames();
    Status encode(const AVFrame *frame);

    std::string target;
    AVRational timeBase{};
    bool gif = false; // else lossy APNG; GIF's alpha is all or nothing and its time in hundredths
    std::unique_ptr<PaletteQuantizer> palette;
    std::unique_ptr<FrameSpool> spool;
    ffmpeg::CodecContextPtr codec;
    std::unique_ptr<MuxedFile> output;
    ffmpeg::FramePtr picture;  // RGB32
    ffmpeg::FramePtr paletted; // PAL8
    ffmpeg::PacketPtr packet{av_packet_alloc()};
    std::int64_t packetsWritten = 0;
};

} // namespace kvx
