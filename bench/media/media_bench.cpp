// How fast each animation format is written at 512 x 512, 30 frames per second: frames per second
// of one encoder, and of two encoders at once on two threads (two export jobs), with the file size
// and the ratio to real time. The frames are made beforehand (a textured body moving over
// transparency; composed over grey for mp4), so only the encoders are timed.
//
//   kvx-bench-media [frames]   (default 90: three seconds of animation)

#include "media/animationencoder.h"
#include "support/syntheticframes.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace kvx;

constexpr int kSide = 512;
constexpr int kFps = 30;

struct Run {
    bool ok = true;
    std::string failure;
    std::uintmax_t bytes = 0;
};

Run encode(const std::filesystem::path &path, const EncoderSettings &settings,
           const std::vector<test::SyntheticFrame> &frames)
{
    Run run;
    auto encoder = AnimationEncoder::create(path, settings);
    Status status = encoder ? Status(Done{}) : Status(encoder.failure());
    for (std::size_t index = 0; status && index < frames.size(); ++index) {
        const test::SyntheticFrame &frame = frames[index];
        status = (*encoder)->addFrame({frame.rgba.data(), frame.width, frame.height, std::ptrdiff_t(frame.width) * 4});
    }
    if (status)
        status = (*encoder)->finish();
    run.ok = status.ok();
    if (!status)
        run.failure = englishText(status.failure());
    else
        run.bytes = std::filesystem::file_size(path);
    std::filesystem::remove(path);
    return run;
}

double seconds(const std::chrono::steady_clock::time_point &start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
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
        transparent.push_back(test::syntheticFrame(kSide, kSide, index, false, 24));
        opaque.push_back(test::syntheticFrame(kSide, kSide, index, true, 24));
    }

    const struct {
        MediaFormat format;
        std::optional<int> quality;
    } cases[] = {
        {MediaFormat::Gif, {}},  {MediaFormat::Apng, {}}, {MediaFormat::Apng, 80}, {MediaFormat::Webp, {}},
        {MediaFormat::Webp, 80}, {MediaFormat::Webm, {}}, {MediaFormat::Mov, {}},  {MediaFormat::Mp4, {}},
    };
    std::printf("%d frames of %d x %d at %d fps\n\n", frameCount, kSide, kSide, kFps);
    std::printf("| format | one encoder, frames/s | x real time | two at once, frames/s in all | size, KB |\n");
    std::printf("|---|---:|---:|---:|---:|\n");
    for (const auto &c : cases) {
        const EncoderSettings settings{c.format, kSide, kSide, kFps, c.quality};
        const auto &frames = traitsOf(c.format).keepsAlpha ? transparent : opaque;
        const std::string name = std::string(mediaFormatName(c.format)) +
                                 (c.quality ? " q" + std::to_string(*c.quality) : std::string());

        auto start = std::chrono::steady_clock::now();
        const Run single = encode(folder / "single", settings, frames);
        const double alone = frameCount / seconds(start);

        start = std::chrono::steady_clock::now();
        Run other;
        std::thread second([&] { other = encode(folder / "second", settings, frames); });
        const Run first = encode(folder / "first", settings, frames);
        second.join();
        const double together = 2 * frameCount / seconds(start);

        if (!single.ok || !first.ok || !other.ok) {
            std::printf("| %s | failed: %s |\n", name.c_str(), (single.failure + first.failure + other.failure).c_str());
            continue;
        }
        std::printf("| %s | %.1f | %.2f | %.1f | %.0f |\n", name.c_str(), alone, alone / kFps, together,
                    single.bytes / 1024.0);
        std::fflush(stdout);
    }
    std::filesystem::remove_all(folder);
    return 0;
}
