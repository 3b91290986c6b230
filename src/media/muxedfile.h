#pragma once
// A container file with one video stream, written into a pending file and published when complete.

#include "media/ffmpegsupport.h"
#include "media/pendingfile.h"

#include <memory>

namespace kvx {

class MuxedFile {
public:
    // Whether the muxer wants the codec's headers out of band (the encoder must know before opening).
    static bool wantsGlobalHeader(const char *muxer);

    // Claims the target's working file and writes the container's header for the opened encoder.
    static Result<std::unique_ptr<MuxedFile>> open(const std::filesystem::path &target, const char *muxer,
                                                   const AVCodecContext &codec, const ffmpeg::Options &options);
    ~MuxedFile(); // removes the working file unless published

    // Writes a packet stamped in the codec's time base.
    Status write(AVPacket &packet, AVRational codecTimeBase);
    // Changes a muxer setting that is only read at the end (such as GIF's last delay).
    Status setOption(const std::string &name, const std::string &value);
    // Writes the trailer, closes the file and gives it the target's name.
    Status finish();

private:
    MuxedFile(PendingFile file, AVFormatContext *context);
    Status closeFile();

    PendingFile file;
    AVFormatContext *context;
    std::string target;
};

} // namespace kvx
