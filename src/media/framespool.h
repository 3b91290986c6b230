#pragma once
// Frames set aside on disk until a second pass reads them back in order, so that memory stays the
// same for ten frames or a hundred thousand. Compressed losslessly (FFmpeg's fast Huffman video
// codec) in a scratch file beside the output that vanishes when closed.

#include "media/ffmpegsupport.h"

#include <cstdio>
#include <filesystem>

namespace kvx {

class FrameSpool {
public:
    // Frames of FFmpeg's RGB32 at the given size; the scratch file is named after `beside`.
    static Result<std::unique_ptr<FrameSpool>> create(const std::filesystem::path &beside, int width, int height);
    ~FrameSpool();

    Status append(const AVFrame *frame); // null: no more frames
    // Ends writing; next() then returns the frames in the order appended.
    Status rewind();
    // The next frame (owned by the spool until the following call), or null after the last.
    Result<AVFrame *> next();

private:
    FrameSpool(std::FILE *file, std::string target) : file(file), target(std::move(target)) {}
    Status store(const AVPacket &packet);
    Status readFailure();

    std::FILE *file;
    std::string target;
    ffmpeg::CodecContextPtr encoder;
    ffmpeg::CodecContextPtr decoder;
    ffmpeg::PacketPtr packet{av_packet_alloc()};
    ffmpeg::FramePtr decoded{av_frame_alloc()};
};

} // namespace kvx
