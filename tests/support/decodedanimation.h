#pragma once
// Reads an animation file back with FFmpeg's decoders, for the encoder tests: every frame composed
// onto the full canvas as straight RGBA, its duration, and the loop count the file declares.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kvx::test {

struct DecodedAnimation {
    std::string error; // empty when the file was read
    int width = 0;
    int height = 0;
    std::vector<std::vector<unsigned char>> frames; // rows of width × 4 bytes, R G B A
    std::vector<double> seconds;                    // each frame's duration
    std::optional<int> loops;                       // 0: forever; absent: the format has no loop count
};

// VP9 is decoded by libvpx (FFmpeg's own VP9 decoder drops the alpha stream). Animated WebP, which
// this FFmpeg cannot demux, is walked chunk by chunk and each frame decoded by FFmpeg's WebP decoder.
DecodedAnimation decodeAnimation(const std::filesystem::path &path);

} // namespace kvx::test
