#pragma once
// APNG, animated WebP, WebM, MOV and MP4: each frame is converted, encoded and written as it
// arrives; nothing but the encoder's own look-ahead is held.

#include "media/animationencoder.h"
#include "media/ffmpegsupport.h"
#include "media/frameconversion.h"
#include "media/muxedfile.h"

#include <optional>

namespace kvx {

class StreamEncoder final : public AnimationEncoder {
public:
    static Result<std::unique_ptr<AnimationEncoder>> create(const std::filesystem::path &path,
                                                            const EncoderSettings &settings);
    ~StreamEncoder() override;

protected:
    Status encodeFrame(const StraightRgbaFrame &frame) override;
    Status complete() override;
    void abandon() override;

private:
    explicit StreamEncoder(const EncoderSettings &settings);
    Status convert(const StraightRgbaFrame &source);
    Status encode(const AVFrame *frame);

    ffmpeg::CodecContextPtr codec;
    std::unique_ptr<MuxedFile> output;
    ffmpeg::FramePtr picture;
    ffmpeg::PacketPtr packet;
    std::optional<YuvConverter> yuv;
    std::string target;
};

} // namespace kvx
