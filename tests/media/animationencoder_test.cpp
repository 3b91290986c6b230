#include "media/animationencoder.h"

#include "support/decodedanimation.h"
#include "support/syntheticframes.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <sys/resource.h>
#include <thread>

namespace kvx {
namespace {

constexpr int kFrames = 8;
constexpr int kFps = 30;

StraightRgbaFrame view(const test::SyntheticFrame &frame)
{
    return {frame.rgba.data(), frame.width, frame.height, std::ptrdiff_t(frame.width) * 4};
}

test::SyntheticFrame frameFor(const EncoderSettings &settings, int index)
{
    return test::syntheticFrame(settings.width, settings.height, index, !traitsOf(settings.format).keepsAlpha);
}

Status encode(const std::filesystem::path &path, const EncoderSettings &settings, int frames = kFrames)
{
    auto encoder = AnimationEncoder::create(path, settings);
    if (!encoder)
        return encoder.failure();
    for (int index = 0; index < frames; ++index) {
        if (Status added = (*encoder)->addFrame(view(frameFor(settings, index))); !added)
            return added;
    }
    return (*encoder)->finish();
}

std::vector<std::filesystem::path> entries(const std::filesystem::path &folder)
{
    std::vector<std::filesystem::path> found;
    for (const auto &entry : std::filesystem::directory_iterator(folder))
        found.push_back(entry.path().filename());
    return found;
}

struct Difference {
    double colour = 0; // mean per channel, weighted by the given alpha
    double alpha = 0;  // mean
};

// GIF keeps alpha as all or nothing (transparent below 128).
Difference difference(const test::SyntheticFrame &given, const std::vector<unsigned char> &decoded, bool binaryAlpha)
{
    Difference result;
    double weight = 0;
    for (std::size_t at = 0; at + 3 < given.rgba.size(); at += 4) {
        int alpha = given.rgba[at + 3];
        if (binaryAlpha)
            alpha = alpha >= 128 ? 255 : 0;
        result.alpha += std::abs(alpha - decoded[at + 3]);
        for (int c = 0; c < 3; ++c)
            result.colour += alpha * std::abs(int(given.rgba[at + c]) - decoded[at + c]) / 255.0;
        weight += alpha * 3 / 255.0;
    }
    result.colour /= std::max(weight, 1.0);
    result.alpha /= double(given.rgba.size() / 4);
    return result;
}

struct FormatCase {
    EncoderSettings settings;
    double colourLimit; // 0: lossless
    double alphaLimit;
};

// Odd sides wherever the format allows them.
const FormatCase kFormatCases[] = {
    {{MediaFormat::Gif, 63, 47, kFps}, 6, 0},
    {{MediaFormat::Apng, 63, 47, kFps}, 0, 0},
    {{MediaFormat::Apng, 63, 47, kFps, 50}, 10, 1},
    {{MediaFormat::Webp, 63, 47, kFps}, 0, 0},
    {{MediaFormat::Webp, 63, 47, kFps, 80}, 5, 0.5},
    {{MediaFormat::Webm, 63, 47, kFps}, 6, 1},
    {{MediaFormat::Mov, 63, 47, kFps}, 0.5, 0.25},
    {{MediaFormat::Mp4, 64, 48, kFps}, 4, 0},
};

std::string nameOf(const EncoderSettings &settings)
{
    return std::string(mediaFormatName(settings.format)) + (settings.quality ? " lossy" : "");
}

TEST(AnimationEncoder, EachFormatDecodesBackToTheFramesGivenWithTheSameBytesEveryTime)
{
    for (const FormatCase &c : kFormatCases) {
        SCOPED_TRACE(nameOf(c.settings));
        const test::TempFolder folder;
        const MediaFormatTraits &traits = traitsOf(c.settings.format);
        const std::filesystem::path path = folder / ("out" + std::string(traits.extension));
        const Status written = encode(path, c.settings);
        ASSERT_TRUE(written) << englishText(written.failure());
        EXPECT_EQ(entries(folder.path()), std::vector<std::filesystem::path>{path.filename()});

        const test::DecodedAnimation decoded = test::decodeAnimation(path);
        ASSERT_EQ(decoded.error, "");
        EXPECT_EQ(decoded.width, c.settings.width);
        EXPECT_EQ(decoded.height, c.settings.height);
        ASSERT_EQ(decoded.frames.size(), std::size_t(kFrames));
        const test::SyntheticFrame first = frameFor(c.settings, 0);
        const bool binaryAlpha = c.settings.format == MediaFormat::Gif;
        const Difference firstFrame = difference(first, decoded.frames[0], binaryAlpha);
        EXPECT_LE(firstFrame.colour, c.colourLimit);
        EXPECT_LE(firstFrame.alpha, c.alphaLimit);
        bool transparent = false;
        for (std::size_t at = 3; at < decoded.frames[0].size(); at += 4)
            transparent |= decoded.frames[0][at] == 0;
        EXPECT_EQ(transparent, traits.keepsAlpha);
        if (traits.loops) {
            EXPECT_EQ(decoded.loops, 0);
            ASSERT_EQ(decoded.seconds.size(), std::size_t(kFrames));
            for (int index = 0; index < kFrames; ++index) {
                // GIF: frame i starts at round(100 i / fps) hundredths; the others keep 1 / fps to
                // the millisecond.
                const double exact = binaryAlpha ? (std::lround(100.0 * (index + 1) / kFps) -
                                                    std::lround(100.0 * index / kFps)) / 100.0
                                                 : 1.0 / kFps;
                EXPECT_NEAR(decoded.seconds[index], exact, binaryAlpha ? 1e-9 : 0.001) << "frame " << index;
            }
        }

        // Twice more at the same time on two threads: the same bytes.
        const std::string bytes = test::readFileBytes(path);
        Status again[2] = {Done{}, Done{}};
        std::thread second([&] { again[0] = encode(folder / "a", c.settings); });
        again[1] = encode(folder / "b", c.settings);
        second.join();
        ASSERT_TRUE(again[0] && again[1]);
        EXPECT_TRUE(test::readFileBytes(folder / "a") == bytes && test::readFileBytes(folder / "b") == bytes);
    }
}

// VP9 shares each colour sample between two pixels across and two down: where what is drawn meets
// full transparency, the shared colour must be the drawn one, not faded towards black.
TEST(AnimationEncoder, WebmKeepsTheColourAtTheEdgesOfWhatIsDrawn)
{
    const int side = 32;
    test::SyntheticFrame frame{side, side, std::vector<unsigned char>(std::size_t(side) * side * 4, 0)};
    const auto inside = [](int x, int y) { return x >= 9 && x < 22 && y >= 9 && y < 22; }; // odd edges
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            if (inside(x, y)) {
                unsigned char *pixel = &frame.rgba[(std::size_t(y) * side + x) * 4];
                pixel[0] = 230, pixel[1] = 40, pixel[2] = 160, pixel[3] = 255;
            }
        }
    }
    const test::TempFolder folder;
    const EncoderSettings settings{MediaFormat::Webm, side, side, kFps};
    auto encoder = AnimationEncoder::create(folder / "edge.webm", settings);
    ASSERT_TRUE(encoder);
    ASSERT_TRUE((*encoder)->addFrame(view(frame)));
    ASSERT_TRUE((*encoder)->finish());
    const test::DecodedAnimation decoded = test::decodeAnimation(folder / "edge.webm");
    ASSERT_EQ(decoded.frames.size(), 1u);

    double worst = 0;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const bool edge = inside(x, y) && !(inside(x - 1, y) && inside(x + 1, y) && inside(x, y - 1) && inside(x, y + 1));
            if (!edge)
                continue;
            const std::size_t at = (std::size_t(y) * side + x) * 4;
            double error = 0;
            for (int c = 0; c < 3; ++c)
                error += std::abs(int(frame.rgba[at + c]) - decoded.frames[0][at + c]) / 3.0;
            worst = std::max(worst, error);
        }
    }
    EXPECT_LE(worst, 8.0);
}

TEST(AnimationEncoder, RefusesWithoutTouchingAnything)
{
    const test::TempFolder folder;
    const EncoderSettings settings{MediaFormat::Webm, 32, 32, kFps};
    const std::filesystem::path existing = folder.write("taken.webm", "keep");
    const std::filesystem::path notAFolder = folder.write("file", "x");
    const struct {
        std::filesystem::path path;
        FailureKind kind;
        bool systemReason;
    } cases[] = {
        {existing, FailureKind::MediaFileExists, false},
        {notAFolder / "out.webm", FailureKind::MediaFileCreate, true},
        {folder / "missing" / "out.webm", FailureKind::MediaFileCreate, true},
    };
    for (const auto &c : cases) {
        const auto encoder = AnimationEncoder::create(c.path, settings);
        ASSERT_FALSE(encoder) << c.path;
        EXPECT_EQ(encoder.failure().kind, c.kind);
        EXPECT_EQ(bool(encoder.failure().systemError), c.systemReason) << englishText(encoder.failure());
    }
    EXPECT_EQ(test::readFileBytes(existing), "keep");
    EXPECT_EQ(entries(folder.path()).size(), 2u);

    // A frame of the wrong size is refused and the encoder goes on; no frame at all is a failure.
    auto encoder = AnimationEncoder::create(folder / "out.webm", settings);
    ASSERT_TRUE(encoder);
    const test::SyntheticFrame small = test::syntheticFrame(16, 32, 0);
    EXPECT_EQ((*encoder)->addFrame(view(small)).failure().kind, FailureKind::MediaFrameRefused);
    EXPECT_EQ((*encoder)->finish().failure().kind, FailureKind::MediaNoFrames);
    EXPECT_EQ(entries(folder.path()).size(), 2u);

    // A file that takes the name while the encoder works is kept, and the encoder's file goes.
    encoder = AnimationEncoder::create(folder / "late.webm", settings);
    ASSERT_TRUE(encoder);
    ASSERT_TRUE((*encoder)->addFrame(view(test::syntheticFrame(32, 32, 0))));
    folder.write("late.webm", "first");
    EXPECT_EQ((*encoder)->finish().failure().kind, FailureKind::MediaFileExists);
    EXPECT_EQ(test::readFileBytes(folder / "late.webm"), "first");
    EXPECT_EQ(entries(folder.path()).size(), 3u);
}

// Writes stop at a few kilobytes (the process's file size limit), as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved);
        previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);
    }

private:
    rlimit saved{};
    void (*previousHandler)(int) = nullptr;
};

TEST(AnimationEncoder, FailedWritesAndAbandonedEncodersLeaveNothingBehind)
{
    for (const FormatCase &c : kFormatCases) {
        SCOPED_TRACE(nameOf(c.settings));
        const test::TempFolder folder;
        EncoderSettings large = c.settings;
        large.width = large.height = 256;
        Status status = Done{};
        {
            const FileSizeLimit limit(4096);
            status = encode(folder / "full", large, 30);
        }
        ASSERT_FALSE(status);
        EXPECT_EQ(status.failure().kind, FailureKind::MediaFileWrite) << englishText(status.failure());
        EXPECT_EQ(status.failure().systemError, std::errc::file_too_large);

        auto abandoned = AnimationEncoder::create(folder / "abandoned", c.settings);
        ASSERT_TRUE(abandoned);
        ASSERT_TRUE((*abandoned)->addFrame(view(frameFor(c.settings, 0))));
        abandoned.value().reset();
        EXPECT_TRUE(entries(folder.path()).empty());
    }
}

} // namespace
} // namespace kvx
