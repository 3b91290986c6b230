// What a rendered output is made of before its frames are posed: the camera that frames their
// extent, the frames an animation has, the straight pixels files get, and the names they go by.

#include "render/framesequence.h"
#include "render/framing.h"
#include "render/outputnames.h"
#include "render/straightframe.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace kvx {
namespace {

TEST(Framing, TheExtentFillsNinetyPercentOfItsLimitingSideCentred)
{
    const struct {
        SkeletonBox extent; // y down
        FrameSize size;
        double scale;
        double left, top, right, bottom; // where the extent lands, in image pixels
    } cases[] = {
        // 90 wide, 45 tall into 100 × 100: zoom 1, 5 px left and right, centred vertically.
        {{-45, -45, 90, 45}, {100, 100}, 1.0, 5, 27.5, 95, 72.5},
        // Tall into wide: the height limits; 18 × 180 into 200 × 100 at zoom 0.5.
        {{0, 0, 18, 180}, {200, 100}, 1.0, 95.5, 5, 104.5, 95},
        // Scale 2 zooms about the centre.
        {{-45, -45, 90, 45}, {100, 100}, 2.0, -40, 5, 140, 95},
    };
    for (const auto &c : cases) {
        const Camera camera = fittedCamera(c.extent, c.size, c.scale);
        const ImagePoint topLeft = camera.vertexToImage(c.extent.x, c.extent.y);
        const ImagePoint bottomRight = camera.vertexToImage(c.extent.x + c.extent.width, c.extent.y + c.extent.height);
        EXPECT_DOUBLE_EQ(topLeft.x, c.left);
        EXPECT_DOUBLE_EQ(topLeft.y, c.top);
        EXPECT_DOUBLE_EQ(bottomRight.x, c.right);
        EXPECT_DOUBLE_EQ(bottomRight.y, c.bottom);
        EXPECT_EQ(camera.width, c.size.width);
        EXPECT_EQ(camera.height, c.size.height);
    }
}

TEST(Framing, WithoutASizeTheImageHoldsTheExtentAndItsMargin)
{
    const struct {
        SkeletonBox extent;
        double zoom;
        bool even;
        FrameSize size;
    } cases[] = {
        {{0, 0, 90, 45}, 1.0, false, {100, 50}},     // exactly 90 %: no extra pixel
        {{0, 0, 16, 16}, 2.0, false, {36, 36}},      // 35.6 rounded up
        {{0, 0, 16, 16}, 2.0, true, {36, 36}},
        {{0, 0, 10, 9}, 1.0, true, {12, 10}},        // 11.1 → 12, 10 stays
        {{0, 0, 0, 0}, 1.0, false, {2, 2}},          // a dot is framed as one unit
        {{0, 0, 1e30f, 10}, 1.0, false, {INT_MAX, 12}},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(framedSize(c.extent, c.zoom, c.even), c.size) << c.extent.width << " x " << c.extent.height;
        const Camera camera = framedCamera(c.extent, c.zoom, c.even);
        EXPECT_EQ(camera.zoom, c.zoom);
        if (c.extent.width > 0 && c.size.width < INT_MAX)
            EXPECT_DOUBLE_EQ(camera.vertexToImage(c.extent.x + c.extent.width * 0.5f, 0).x, c.size.width * 0.5);
    }
}

TEST(Framing, TheExtentIsEveryFiniteVertexOfEveryFrame)
{
    const auto item = [](std::vector<kvxRuntimeVertex> vertices) {
        DrawItem drawn;
        drawn.vertices = std::move(vertices);
        return std::vector<DrawItem>{drawn};
    };
    FrameExtent extent;
    EXPECT_FALSE(extent.box());
    extent.include(item({{-5, 2, 0, 0, 0}, {3, 7, 0, 0, 0}}));
    extent.include(item({{10, -4, 0, 0, 0}, {NAN, 100, 0, 0, 0}, {INFINITY, 0, 0, 0, 0}}));
    ASSERT_TRUE(extent.box());
    EXPECT_EQ(extent.box()->x, -5);
    EXPECT_EQ(extent.box()->y, -4);
    EXPECT_EQ(extent.box()->width, 15);
    EXPECT_EQ(extent.box()->height, 11);
}

TEST(FrameSequence, AnAnimationHasItsDurationTimesTheRateInFramesAtLeastOne)
{
    const struct {
        double seconds;
        int fps;
        int64_t frames;
    } cases[] = {
        {1.0, 30, 30}, {1.2f, 30, 36}, {0.0, 30, 1}, {0.01, 30, 1}, {1.25, 30, 38}, {-1.0, 30, 1},
        {1e9, 120, int64_t(1.2e11)}, {1e11, 120, int64_t(1e12)}, {INFINITY, 30, int64_t(1e12)}, {NAN, 30, int64_t(1e12)},
    };
    for (const auto &c : cases)
        EXPECT_EQ(animationFrameCount(c.seconds, c.fps), c.frames) << c.seconds << " s at " << c.fps;
}

TEST(StraightFrame, PremultipliedPixelsBecomeStraightOrComposedOverTheBackground)
{
    const struct {
        uint32_t premultiplied; // 0xAARRGGBB
        std::optional<BackgroundColour> background;
        std::vector<uint8_t> rgba;
    } cases[] = {
        {0xFF102030u, std::nullopt, {0x10, 0x20, 0x30, 0xFF}},
        {0x80402010u, std::nullopt, {128, 64, 32, 128}},   // 0x40 · 255 / 128 = 127.5 → 128
        {0x01010000u, std::nullopt, {255, 0, 0, 1}},
        {0x00000000u, std::nullopt, {0, 0, 0, 0}},
        {0x00FF0000u, std::nullopt, {0, 0, 0, 0}},         // light on transparency keeps no colour
        {0x40FF0000u, std::nullopt, {255, 0, 0, 64}},      // more colour than alpha stays at most 255
        {0x80402010u, 0x0000FFu, {0x40, 0x20, 0x10 + 127, 255}},
        {0x00000000u, 0x336699u, {0x33, 0x66, 0x99, 255}},
        {0x00FF0000u, 0x336699u, {255, 0x66, 0x99, 255}}, // additive light over the backdrop
    };
    for (const auto &c : cases) {
        std::vector<uint32_t> pixels{c.premultiplied};
        RgbaImage image;
        straightenInto({pixels.data(), 1, 1, 1}, c.background, image);
        EXPECT_EQ(image.bytes, c.rgba) << std::hex << c.premultiplied;
    }
}

// Straightening inverts premultiplying to the nearest step wherever the colour fits the alpha.
TEST(StraightFrame, RoundTripsEveryPremultipliedValue)
{
    for (uint32_t alpha = 1; alpha < 256; ++alpha) {
        for (uint32_t colour = 0; colour <= alpha; ++colour) {
            std::vector<uint32_t> pixels{(alpha << 24) | (colour << 16)};
            RgbaImage image;
            straightenInto({pixels.data(), 1, 1, 1}, std::nullopt, image);
            EXPECT_EQ(image.bytes[0], uint8_t(std::lround(colour * 255.0 / alpha))) << alpha << " " << colour;
        }
    }
}

// Rows are straightened four transparent or opaque pixels at a time where they can: any mix of
// pixels, at any place in the row, gives what each gives alone.
TEST(StraightFrame, RowsGiveWhatEachPixelGivesAlone)
{
    const uint32_t kinds[] = {0x00000000u, 0x00FF0000u, 0xFF102030u, 0x80402010u, 0x01010000u};
    std::vector<uint32_t> pixels;
    for (int i = 0; i < 203; ++i)
        pixels.push_back(i % 17 < 6 ? 0xFF000000u | uint32_t(i * 0x010203)
                                    : kinds[(i * i / 7 + i / 5) % 5] * (i % 11 < 6 ? 0u : 1u) + (i % 13 == 0 ? 0x40200000u : 0u));
    for (const std::optional<BackgroundColour> background : {std::optional<BackgroundColour>(), std::optional(0x336699u)}) {
        RgbaImage row, alone;
        straightenInto({pixels.data(), int(pixels.size()), 1, std::ptrdiff_t(pixels.size())}, background, row);
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            straightenInto({&pixels[i], 1, 1, 1}, background, alone);
            ASSERT_TRUE(std::equal(alone.bytes.begin(), alone.bytes.end(), row.bytes.begin() + std::ptrdiff_t(4 * i))) << i;
        }
    }
}

TEST(OutputNames, AreUniqueInTheRunIgnoringCaseAndNeverTaken)
{
    test::TempFolder root;
    root.write("hero/idle.gif", "taken");
    root.write("hero/face", "a file where a folder is wanted");
    root.write("not-a-folder", "x");
    OutputNames names(root.path());
    const std::filesystem::path hero = names.skeletonFolder("hero");
    EXPECT_EQ(hero, root / "hero"); // an existing folder is written into
    EXPECT_EQ(names.skeletonFolder("Hero"), root / "Hero-2");
    EXPECT_EQ(names.skeletonFolder("not-a-folder"), root / "not-a-folder-2");
    EXPECT_EQ(names.skeletonFolder("a/b"), root / "a_b");

    const struct {
        std::string name;
        std::string extension;
        std::string expected; // below hero
    } claims[] = {
        {"idle", ".gif", "idle-2.gif"},      // taken on disk
        {"IDLE-2", ".gif", "IDLE-2-2.gif"},  // idle-2.gif is this run's: case is ignored
        {"idle", "", "idle"},                // a folder of frames
        {"idle/sub", ".gif", "idle-2/sub.gif"}, // "idle" is an output of its own here
        {"face/blink", ".gif", "face-2/blink.gif"},
        {"face/wink", ".gif", "face-2/wink.gif"}, // the folder is shared
        {"a:b", ".gif", "a_b.gif"},
        {"a_b", ".gif", "a_b-2.gif"},
    };
    for (const auto &c : claims)
        EXPECT_EQ(names.claim(hero, c.name, c.extension), hero / c.expected) << c.name;
    EXPECT_EQ(outputName("walk", nullptr), "walk");
    const std::string skin = "outfits/red";
    EXPECT_EQ(outputName("walk", &skin), "walk-outfits/red");
}

} // namespace
} // namespace kvx
