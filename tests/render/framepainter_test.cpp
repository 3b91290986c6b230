// Frames painted by the official renderers' rules, against pixels worked out by hand from their
// shader and blend equations: two-colour tint over a known texel on straight and premultiplied
// pages, every blend mode into a transparent target per line, and the camera to the half pixel.

#include "render/framepainter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace kvx {
namespace {

// A page of one texel colour, as stored in its file.
struct SolidPage {
    SolidPage(uint32_t texel, bool premultiplied) : texels(16, texel)
    {
        description.premultiplied = premultiplied;
        description.minFilter = description.magFilter = TextureFilter::Linear;
    }
    PageLookup lookup() const
    {
        return [this](const std::u16string &) -> std::optional<PageImage> {
            return PageImage{{texels.data(), 4, 4, 4}, description};
        };
    }
    std::vector<uint32_t> texels;
    PageDescription description;
};

// A square of skeleton space, y up, drawn with the whole page; plugin vertices are y down.
DrawItem square(float left, float bottom, float right, float top, uint32_t colour, int32_t blendMode = 0,
                uint32_t dark = 0)
{
    DrawItem item;
    item.vertices = {{left, -top, 0, 0, colour}, {right, -top, 1, 0, colour}, {right, -bottom, 1, 1, colour},
                     {left, -bottom, 0, 1, colour}};
    item.indices = {0, 1, 2, 0, 2, 3};
    item.texturePath = u"page.png";
    item.blendMode = blendMode;
    item.darkColor = dark;
    return item;
}

// A transparent 8 × 8 target under a camera at zoom 1 on the origin, covered by one square.
uint32_t paintOnce(const RendererRules &rules, const SolidPage &page, uint32_t colour, int32_t blendMode,
                   uint32_t dark = 0)
{
    std::vector<uint32_t> pixels(64, 0);
    FramePainter painter(rules);
    painter.paint({square(-10, -10, 10, 10, colour, blendMode, dark)}, Camera{0, 0, 1, 8, 8}, {pixels.data(), 8, 8, 8},
                  page.lookup());
    return pixels[3 * 8 + 3];
}

::testing::AssertionResult near(uint32_t actual, uint32_t expected)
{
    for (const int shift : {24, 16, 8, 0}) {
        if (std::abs(int((actual >> shift) & 0xff) - int((expected >> shift) & 0xff)) > 1)
            return ::testing::AssertionFailure() << std::hex << "0x" << actual << " is not 0x" << expected;
    }
    return ::testing::AssertionSuccess();
}

// Light (1, 0.5, 0) with alpha a, dark (0.25, 0.125, 0), over a texel of colour (0.5, 0.25, 0) at
// alpha 0.5. Straight, the shader gives light·t + dark·(1 − t) = (0.627, 0.220, 0) at alpha 0.5·a,
// blended with SRC_ALPHA; premultiplied, the page holds (0.25, 0.125, 0, 0.5), light and dark come
// scaled by a, and light·t + dark·(t.a − t) is the same colour already multiplied by its alpha.
// At a = 1: (80, 28, 0) at alpha 128; at a = 0.5: (40, 14, 0) at alpha 64.
TEST(FramePainterTest, TwoColourTintOverAKnownTexelOnStraightAndPremultipliedPages)
{
    const SolidPage straight(0x80804000u, false);
    const SolidPage premultiplied(0x80402000u, true);
    for (const auto &[major, minor] : {std::pair{3, 8}, {4, 0}, {4, 1}, {4, 2}, {4, 3}}) {
        const RendererRules &rules = rendererRulesFor(major, minor);
        const bool squaredAlpha = major == 3; // 3.8 blends alpha with SRC_ALPHA too on straight pages
        EXPECT_TRUE(near(paintOnce(rules, premultiplied, 0xFFFF8000u, 0, 0x402000u), 0x80501C00u)) << major << minor;
        EXPECT_TRUE(near(paintOnce(rules, premultiplied, 0x80FF8000u, 0, 0x402000u), 0x40280E00u)) << major << minor;
        EXPECT_TRUE(near(paintOnce(rules, straight, 0xFFFF8000u, 0, 0x402000u), squaredAlpha ? 0x40501C00u : 0x80501C00u))
            << major << minor;
        EXPECT_TRUE(near(paintOnce(rules, straight, 0x80FF8000u, 0, 0x402000u), squaredAlpha ? 0x10280E00u : 0x40280E00u))
            << major << minor;
    }
    // Without a dark colour the light colour alone tints: (0.5, 0.125, 0) at alpha 0.5.
    EXPECT_TRUE(near(paintOnce(rendererRulesFor(4, 2), premultiplied, 0xFFFF8000u, 0), 0x80401000u));
}

// A texel of colour (0.5, 0.5, 0) at alpha 0.5 into a transparent target, white opaque light.
struct TransparentCase {
    int major, minor;
    bool premultiplied;
    int32_t mode;
    uint32_t expected;
};

TEST(FramePainterTest, EveryBlendModeIntoATransparentTargetByLine)
{
    const TransparentCase cases[] = {
        // 4.1 / 4.2: alpha ONE throughout; multiply takes the (empty) target's colour; screen adds
        // the straight colour on straight pages (ONE).
        {4, 2, true, 0, 0x80404000u}, {4, 2, true, 1, 0x80404000u}, {4, 2, true, 2, 0x80000000u},
        {4, 2, true, 3, 0x80404000u}, {4, 2, false, 0, 0x80404000u}, {4, 2, false, 1, 0x80404000u},
        {4, 2, false, 2, 0x80000000u}, {4, 2, false, 3, 0x80808000u},
        // 4.0: multiply and screen weigh alpha by 1 − alpha.
        {4, 0, true, 2, 0x40000000u}, {4, 0, true, 3, 0x40404000u}, {4, 0, false, 0, 0x80404000u},
        // 3.8: one factor for colour and alpha: straight alpha times itself; multiply keeps the target's.
        {3, 8, false, 0, 0x40404000u}, {3, 8, false, 1, 0x40404000u}, {3, 8, true, 0, 0x80404000u},
        {3, 8, true, 2, 0x00000000u},
        // 4.3: straight pages premultiplied on upload; additive drawn as normal with no alpha.
        {4, 3, false, 0, 0x80404000u}, {4, 3, true, 1, 0x00404000u}, {4, 3, false, 3, 0x80404000u},
    };
    for (const TransparentCase &c : cases) {
        const SolidPage page(c.premultiplied ? 0x80404000u : 0x80808000u, c.premultiplied);
        EXPECT_TRUE(near(paintOnce(rendererRulesFor(c.major, c.minor), page, 0xFFFFFFFFu, c.mode), c.expected))
            << c.major << "." << c.minor << (c.premultiplied ? " premultiplied" : " straight") << " mode " << c.mode;
    }
}

TEST(FramePainterTest, UnreadablePagesAreSkipped)
{
    std::vector<uint32_t> pixels(64, 0xFF102030u);
    FramePainter painter;
    painter.paint({square(-10, -10, 10, 10, 0xFFFFFFFFu)}, Camera{0, 0, 1, 8, 8}, {pixels.data(), 8, 8, 8},
                  [](const std::u16string &) { return std::optional<PageImage>(); });
    EXPECT_EQ(pixels[27], 0xFF102030u);
}

// Camera (10, 20) at zoom 2 on 100 × 80: x 10.25 … 20.25 lands on 50.5 … 70.5 and y (up)
// 20.25 … 30.25 on 39.5 … 19.5. Centres on the left and top edges belong to the square, those on
// the right and bottom edges do not: columns 50 … 69, rows 19 … 38.
TEST(CameraTest, ARegionLandsOnThePixelsTheFormulaGives)
{
    const Camera camera{10, 20, 2, 100, 80};
    EXPECT_DOUBLE_EQ(camera.toImage(10.25, 20.25).x, 50.5);
    EXPECT_DOUBLE_EQ(camera.toImage(10.25, 20.25).y, 39.5);
    EXPECT_DOUBLE_EQ(camera.vertexToImage(20.25f, -30.25f).x, 70.5);
    EXPECT_DOUBLE_EQ(camera.vertexToImage(20.25f, -30.25f).y, 19.5);

    const SolidPage page(0xFFFFFFFFu, true);
    std::vector<uint32_t> pixels(100 * 80, 0);
    FramePainter().paint({square(10.25f, 20.25f, 20.25f, 30.25f, 0xFFFFFFFFu)}, camera, {pixels.data(), 100, 80, 100},
                         page.lookup());
    for (int y = 0; y < 80; ++y) {
        for (int x = 0; x < 100; ++x) {
            const bool inside = x >= 50 && x <= 69 && y >= 19 && y <= 38;
            ASSERT_EQ(pixels[size_t(y) * 100 + x], inside ? 0xFFFFFFFFu : 0u) << x << ", " << y;
        }
    }
}

} // namespace
} // namespace kvx
