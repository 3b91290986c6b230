// How fast each animation format is written at 512 x 512, 30 frames per second: processor time
// per frame of one encoder, frames per second, the ratio to real time and the file size. The frames
// are made beforehand (a textured body moving over transparency; composed over grey for mp4), so
// only the encoders are timed. Each encoder works on one thread: export jobs side by side add up
// to one core each.
//
//   kvx-bench-media [frames]   (default 90: three seconds of animation)

#include "media/animationencoder.h"
#include "support/syntheticframes.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace kvx;

constexpr int kSide = 512;
constexpr int kFps = 30;
constexpr int kGrain = 8;

struct Run {
    std::string failure;   // empty when the file was written
    double cpuSeconds = 0; // the process's: only this thread works
    std::uintmax_t bytes = 0;
};

Run encode(const std::filesystem::path &path, const EncoderSettings &settings,
           const std::vector<test::SyntheticFrame> &frames)
{
    Run run;
    const std::clock_t start = std::clock();
    auto encoder = AnimationEncoder::create(path, settings);
    Status status = encoder ? Status(Done{}) : Status(encoder.failure());
    for (std::size_t index = 0; status && index < frames.size(); ++index) {
        const test::SyntheticFrame &frame = frames[index];
        status = (*encoder)->addFrame({frame.rgba.data(), frame.width, frame.height, std::ptrdiff_t(frame.width) * 4});
    }
    if (status)
        status = (*encoder)->finish();
    run.cpuSeconds = double(std::clock() - start) / CLOCKS_PER_SEC;
    if (!status)
        run.failure = englishText(status.failure());
    else
        run.bytes = std::filesystem::file_size(path);
    std::filesystem::remove(path);
    return run;
}

} // namespace

int main(int argc, char **argv)
{
    const int frameCount = argc > 1 ? std::max(1, std::atoi(argv[1])) : 90;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("kvx-bench-media-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder);
    std::vector<test::SyntheticFrame> transparent, opaque;
    for (int index = 0; index < frameCount; ++index) {
        transparent.push_back(test::syntheticFrame(kSide, kSide, index, false, kGrain));
        opaque.push_back(test::syntheticFrame(kSide, kSide, index, true, kGrain));
    }

    const struct {
        MediaFormat format;
        std::optional<int> quality;
    } cases[] = {
        {MediaFormat::Gif, {}},  {MediaFormat::Apng, {}}, {MediaFormat::Apng, 80}, {MediaFormat::Webp, {}},
        {MediaFormat::Webp, 80}, {MediaFormat::Webm, {}}, {MediaFormat::Mov, {}},  {MediaFormat::Mp4, {}},
    };
    std::printf("%d frames of %d x %d at %d fps, processor time of one encoder\n\n", frameCount, kSide, kSide, kFps);
    std::printf("| format | ms per frame | frames per second | x real time | KB per second of animation |\n");
    std::printf("|---|---:|---:|---:|---:|\n");
    for (const auto &c : cases) {
        const EncoderSettings settings{c.format, kSide, kSide, kFps, c.quality};
        const std::string name = std::string(mediaFormatName(c.format)) +
                                 (c.quality ? " quality " + std::to_string(*c.quality) : std::string());
        const Run run = encode(folder / "out", settings, traitsOf(c.format).keepsAlpha ? transparent : opaque);
        if (!run.failure.empty()) {
            std::printf("| %s | failed: %s |\n", name.c_str(), run.failure.c_str());
            continue;
        }
        const double framesPerSecond = frameCount / run.cpuSeconds;
        std::printf("| %s | %.1f | %.1f | %.2f | %.0f |\n", name.c_str(), 1000 * run.cpuSeconds / frameCount,
                    framesPerSecond, framesPerSecond / kFps, run.bytes / 1024.0 * kFps / frameCount);
        std::fflush(stdout);
    }
    std::filesystem::remove_all(folder);
    return 0;
}
