// The triangle rasterizer on plain pixel buffers: compositing and colour, coverage (each pixel
// centre painted by exactly one of the triangles sharing an edge), clipping, and what is skipped.
// Colour cases draw premultiplied pages with the equations of the 4.2 renderer.

#include "preview/rasterizer.h"
#include "render/rendererrules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

namespace kvx {
namespace {

constexpr uint32_t kGuard = 0xDEADBEEFu;

// A canvas inside a guard frame of 8 pixels, so writes outside it are caught.
class Canvas {
public:
    Canvas(int width, int height, uint32_t fill) : width(width), height(height), memory((width + 16) * (height + 16), kGuard)
    {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x)
                at(x, y) = fill;
        }
    }
    PixelView view() { return {&memory[8 * stride() + 8], width, height, stride()}; }
    uint32_t &at(int x, int y) { return memory[(y + 8) * stride() + x + 8]; }
    bool guardIntact() const
    {
        size_t intact = 0;
        for (uint32_t pixel : memory)
            intact += pixel == kGuard;
        return intact == memory.size() - static_cast<size_t>(width) * height;
    }

    const int width;
    const int height;

private:
    std::ptrdiff_t stride() const { return width + 16; }
    std::vector<uint32_t> memory;
};

struct Texture {
    Texture(int width, int height, uint32_t fill) : width(width), height(height), pixels(width * height, fill) {}
    TextureView view() const { return {pixels.data(), width, height, width}; }
    // One level, filtered bilinearly.
    SampledTexture sampled() const
    {
        level = view();
        return {&level, 1, TextureFilter::Linear, TextureFilter::Linear};
    }
    int width;
    int height;
    std::vector<uint32_t> pixels;
    mutable TextureView level;
};

// A straight vertex colour on a premultiplied page, as the 4.2 renderer draws it.
Shading premultipliedShading(uint32_t colour, BlendMode mode)
{
    return shadingOf(colour, tintSetupFor(rendererRulesFor(4, 2), true, static_cast<int32_t>(mode), 0));
}

bool drawShaded(Canvas &canvas, const Texture &texture, const RasterVertex (&corners)[3], uint32_t colour,
                BlendMode mode = BlendMode::Normal)
{
    return drawTriangle(canvas.view(), texture.sampled(), corners, premultipliedShading(colour, mode));
}

RasterVertex corner(double x, double y, double u, double v)
{
    RasterVertex vertex;
    vertex.x = x;
    vertex.y = y;
    vertex.u = u;
    vertex.v = v;
    return vertex;
}

// The whole texture on the triangle (x0, y0), (x1, y1), (x2, y2) with texels (0,0), (w,0), (0,h).
bool draw(Canvas &canvas, const Texture &texture, double x0, double y0, double x1, double y1, double x2, double y2,
          uint32_t colour = 0xFFFFFFFFu, BlendMode mode = BlendMode::Normal)
{
    const RasterVertex corners[3] = {corner(x0, y0, 0, 0), corner(x1, y1, texture.width, 0),
                                     corner(x2, y2, 0, texture.height)};
    return drawShaded(canvas, texture, corners, colour, mode);
}

int channelOf(uint32_t pixel, int shift)
{
    return static_cast<int>((pixel >> shift) & 0xff);
}

::testing::AssertionResult pixelNear(uint32_t actual, uint32_t expected, int tolerance = 1)
{
    for (const int shift : {24, 16, 8, 0}) {
        if (std::abs(channelOf(actual, shift) - channelOf(expected, shift)) > tolerance)
            return ::testing::AssertionFailure() << std::hex << "0x" << actual << " is not near 0x" << expected;
    }
    return ::testing::AssertionSuccess();
}

// ---- compositing and colour, one solid texel colour over one solid canvas colour

struct BlendCase {
    const char *name;
    BlendMode mode;
    uint32_t source;      // premultiplied texel
    uint32_t colour;      // straight vertex colour
    uint32_t destination; // premultiplied canvas
    uint32_t expected;
};

class RasterBlendTest : public ::testing::TestWithParam<BlendCase> {};

TEST_P(RasterBlendTest, CompositesTheShadedTexel)
{
    const BlendCase &c = GetParam();
    Canvas canvas(16, 16, c.destination);
    const Texture texture(4, 4, c.source);
    ASSERT_TRUE(draw(canvas, texture, -10, -10, 40, -10, -10, 40, c.colour, c.mode));
    EXPECT_TRUE(pixelNear(canvas.at(5, 5), c.expected)) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Modes, RasterBlendTest,
    ::testing::Values(
        BlendCase{"normal, opaque replaces", BlendMode::Normal, 0xFF4080C0u, 0xFFFFFFFFu, 0xFF808080u, 0xFF4080C0u},
        BlendCase{"normal, half texel over grey", BlendMode::Normal, 0x80400000u, 0xFFFFFFFFu, 0xFF808080u,
                  0xFF804040u},
        BlendCase{"normal, half opacity", BlendMode::Normal, 0xFFFFFFFFu, 0x80FFFFFFu, 0xFF000000u, 0xFF808080u},
        BlendCase{"normal, tint multiplies red, green and blue", BlendMode::Normal, 0xFFFFFFFFu, 0xFFFF8000u,
                  0xFF101010u, 0xFFFF8000u},
        BlendCase{"normal, tint and opacity", BlendMode::Normal, 0xFF8080FFu, 0x80FF0080u, 0xFF000000u, 0xFF400040u},
        BlendCase{"normal, colour above alpha saturates", BlendMode::Normal, 0x00FF0000u, 0xFFFFFFFFu, 0xFF808080u,
                  0xFFFF8080u},
        BlendCase{"additive saturates per channel", BlendMode::Additive, 0xFF4080C0u, 0xFFFFFFFFu, 0xFF808080u,
                  0xFFC0FFFFu},
        BlendCase{"additive with opacity scales the source", BlendMode::Additive, 0xFF808080u, 0x80FFFFFFu,
                  0xFF101010u, 0xFF505050u},
        BlendCase{"multiply", BlendMode::Multiply, 0xFF4080C0u, 0xFFFFFFFFu, 0xFF808080u, 0xFF204060u},
        BlendCase{"multiply, translucent", BlendMode::Multiply, 0x80000000u, 0xFFFFFFFFu, 0xFF808080u, 0xFF404040u},
        BlendCase{"screen", BlendMode::Screen, 0xFF4080C0u, 0xFFFFFFFFu, 0xFF808080u, 0xFFA0C0E0u}),
    [](const ::testing::TestParamInfo<BlendCase> &info) { return std::to_string(info.index); });

// Multiply and screen against their per-channel equations, exactly, over destinations of every
// kind: opaque, translucent, empty, and sources brighter than their alpha (premultiplied pages
// may hold such texels). Multiply: colour s·d + d·(1 − sa), alpha sa + da·(1 − sa); screen:
// colour s + d·(1 − s), alpha sa + da·(1 − sa). Normal: colour s + d·(1 − sa) on a premultiplied
// page, s·sa + d·(1 − sa) on a straight one, alpha sa + da·(1 − sa). Odd widths reach the lone
// last pixel of a span as well as the pairs.
uint32_t byChannel(BlendMode mode, uint32_t source, uint32_t destination, bool premultipliedPage = true)
{
    const int sa = channelOf(source, 24);
    uint32_t result = 0;
    for (const int shift : {24, 16, 8, 0}) {
        const int s = channelOf(source, shift);
        const int d = channelOf(destination, shift);
        const auto divide = [](int x) { return ((x + 128) + ((x + 128) >> 8)) >> 8; };
        int value = 0;
        if (shift == 24)
            value = s + divide(d * (255 - sa));
        else if (mode == BlendMode::Multiply)
            value = divide(s * d) + divide(d * (255 - sa));
        else if (mode == BlendMode::Normal)
            value = (premultipliedPage ? s : divide(s * sa)) + divide(d * (255 - sa));
        else
            value = s + divide(d * (255 - s));
        result |= static_cast<uint32_t>(std::min(255, value)) << shift;
    }
    return result;
}

// The source drawn over canvases of every kind of destination, each pixel against the formula.
void expectFormulaOnEveryPixel(BlendMode mode, bool premultipliedPage, const std::vector<uint32_t> &sources)
{
    for (const uint32_t source : sources) {
        for (const int width : {37, 38}) {
            Canvas canvas(width, 9, 0);
            std::srand(7);
            for (int y = 0; y < canvas.height; ++y) {
                for (int x = 0; x < canvas.width; ++x) {
                    // Row 4 empty, row 5 opaque; elsewhere every kind side by side.
                    const uint32_t alpha = y == 4 ? 0u : y == 5 || x % 4 == 0 ? 255u : (x % 4 == 1 ? 0u : uint32_t(std::rand() % 256));
                    const auto part = [&] { return uint32_t(std::rand() % (alpha + 1)); };
                    canvas.at(x, y) = (alpha << 24) | (part() << 16) | (part() << 8) | part();
                }
            }
            Canvas expected = canvas;
            for (int y = 0; y < canvas.height; ++y) {
                for (int x = 0; x < canvas.width; ++x)
                    expected.at(x, y) = byChannel(mode, source, canvas.at(x, y), premultipliedPage);
            }
            const Texture texture(4, 4, source);
            const RasterVertex corners[3] = {corner(-10, -10, 0, 0), corner(200, -10, texture.width, 0),
                                             corner(-10, 200, 0, texture.height)};
            const Shading shading = shadingOf(
                0xFFFFFFFFu, tintSetupFor(rendererRulesFor(4, 2), premultipliedPage, static_cast<int32_t>(mode), 0));
            ASSERT_TRUE(drawTriangle(canvas.view(), texture.sampled(), corners, shading));
            for (int y = 0; y < canvas.height; ++y) {
                for (int x = 0; x < canvas.width; ++x) {
                    ASSERT_EQ(canvas.at(x, y), expected.at(x, y))
                        << std::hex << "mode " << int(mode) << " source 0x" << source << " at " << std::dec << x << ","
                        << y;
                }
            }
            EXPECT_TRUE(canvas.guardIntact());
        }
    }
}

TEST(RasterColourTest, MultiplyAndScreenMatchTheirFormulasOnEveryPixel)
{
    for (const BlendMode mode : {BlendMode::Multiply, BlendMode::Screen})
        expectFormulaOnEveryPixel(mode, true, {0x00000000u, 0xFF4080C0u, 0x80402010u, 0x10FFFFFFu, 0x00FF80FFu, 0xFFFFFFFFu});
}

// Opaque sources and empty destinations are where normal blending keeps the source as it is.
TEST(RasterColourTest, NormalMatchesItsFormulasOnEveryPixelOnEitherPage)
{
    expectFormulaOnEveryPixel(BlendMode::Normal, true, {0xFF4080C0u, 0x80402010u, 0x10FFFFFFu, 0x00FF80FFu, 0xFF000000u});
    expectFormulaOnEveryPixel(BlendMode::Normal, false, {0xFF4080C0u, 0x80804020u, 0x10FFFFFFu, 0xFFFFFFFFu});
}

TEST(RasterColourTest, TransparentColourOrTexelLeavesTheCanvas)
{
    for (const BlendMode mode : {BlendMode::Normal, BlendMode::Additive, BlendMode::Multiply, BlendMode::Screen}) {
        Canvas canvas(8, 8, 0xFF123456u);
        EXPECT_TRUE(draw(canvas, Texture(2, 2, 0xFFFFFFFFu), -5, -5, 30, -5, -5, 30, 0x00FFFFFFu, mode));
        EXPECT_TRUE(draw(canvas, Texture(2, 2, 0x00000000u), -5, -5, 30, -5, -5, 30, 0xFFFFFFFFu, mode));
        EXPECT_EQ(canvas.at(2, 2), 0xFF123456u);
    }
}

TEST(RasterColourTest, InterfaceBlendNumbers)
{
    EXPECT_EQ(blendModeFromInterface(0), BlendMode::Normal);
    EXPECT_EQ(blendModeFromInterface(1), BlendMode::Additive);
    EXPECT_EQ(blendModeFromInterface(2), BlendMode::Multiply);
    EXPECT_EQ(blendModeFromInterface(3), BlendMode::Screen);
    EXPECT_EQ(blendModeFromInterface(7), BlendMode::Normal);
    EXPECT_EQ(blendModeFromInterface(-1), BlendMode::Normal);
}

// ---- texture mapping

TEST(RasterMappingTest, BilinearBetweenTexelCentresAndBordersRepeated)
{
    // Two texels, black and white, stretched over 200 pixels: texel centres at x = 50 and 150.
    Texture texture(2, 1, 0xFF000000u);
    texture.pixels[1] = 0xFFFFFFFFu;
    Canvas canvas(200, 4, 0xFF000000u);
    const RasterVertex corners[3] = {corner(0, 0, 0, 0), corner(400, 0, 4, 0), corner(0, 8, 0, 2)};
    ASSERT_TRUE(drawShaded(canvas, texture, corners, 0xFFFFFFFFu));
    EXPECT_EQ(channelOf(canvas.at(10, 1), 16), 0) << "left of the first centre: the border texel";
    EXPECT_NEAR(channelOf(canvas.at(100, 1), 16), 128, 2) << "half way";
    EXPECT_NEAR(channelOf(canvas.at(75, 1), 16), 64, 2);
    EXPECT_EQ(channelOf(canvas.at(160, 1), 16), 255);
    EXPECT_EQ(channelOf(canvas.at(199, 1), 16), 255) << "beyond the page: the border texel";
}

TEST(RasterMappingTest, MirroredAndRotatedTexturesLandRightWayRound)
{
    // Four texels: red, green / blue, yellow; the page drawn rotated by 90 degrees clockwise.
    Texture texture(2, 2, 0);
    texture.pixels = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFF00u};
    Canvas canvas(40, 40, 0xFF000000u);
    const RasterVertex upper[3] = {corner(40, 0, 0, 0), corner(40, 40, 2, 0), corner(0, 0, 0, 2)};
    const RasterVertex lower[3] = {corner(40, 40, 2, 0), corner(0, 40, 2, 2), corner(0, 0, 0, 2)};
    ASSERT_TRUE(drawShaded(canvas, texture, upper, 0xFFFFFFFFu));
    ASSERT_TRUE(drawShaded(canvas, texture, lower, 0xFFFFFFFFu));
    EXPECT_EQ(canvas.at(35, 5), 0xFFFF0000u);  // texture top-left at the top right
    EXPECT_EQ(canvas.at(35, 35), 0xFF00FF00u); // top-right at the bottom right
    EXPECT_EQ(canvas.at(5, 5), 0xFF0000FFu);
    EXPECT_EQ(canvas.at(5, 35), 0xFFFFFF00u);
}

// ---- coverage

// Paints a mesh additively with a texel of 1 in every channel: each pixel then counts how many
// triangles covered its centre.
class CoverageCanvas : public Canvas {
public:
    CoverageCanvas(int width, int height) : Canvas(width, height, 0) {}
    void add(double x0, double y0, double x1, double y1, double x2, double y2)
    {
        draw(*this, unit, x0, y0, x1, y1, x2, y2, 0xFFFFFFFFu, BlendMode::Additive);
    }
    int count(int x, int y) { return channelOf(at(x, y), 0); }
    int pixelsCoveredMoreThanOnce()
    {
        int doubled = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x)
                doubled += count(x, y) > 1;
        }
        return doubled;
    }
    int pixelsCovered()
    {
        int covered = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x)
                covered += count(x, y) > 0;
        }
        return covered;
    }

private:
    Texture unit{2, 2, 0x01010101u};
};

TEST(RasterCoverageTest, JitteredMeshCoversEveryPixelExactlyOnce)
{
    // A grid over more than the canvas, its inner points moved off the pixel grid, on it and onto
    // pixel centres and halves, split into triangles along alternating diagonals.
    constexpr int kCells = 12;
    CoverageCanvas canvas(96, 96);
    std::vector<double> xs((kCells + 1) * (kCells + 1)), ys(xs.size());
    const double offsets[] = {0.0, 0.5, 0.25, -0.375, 0.123, 0.5, -0.5, 0.8};
    for (int row = 0; row <= kCells; ++row) {
        for (int column = 0; column <= kCells; ++column) {
            const size_t i = static_cast<size_t>(row * (kCells + 1) + column);
            const bool border = row == 0 || column == 0 || row == kCells || column == kCells;
            xs[i] = column * 10.0 - 10.0 + (border ? 0.0 : offsets[(row * 3 + column) % 8] * 3.0);
            ys[i] = row * 10.0 - 10.0 + (border ? 0.0 : offsets[(row + column * 5) % 8] * 3.0);
        }
    }
    for (int row = 0; row < kCells; ++row) {
        for (int column = 0; column < kCells; ++column) {
            const size_t a = static_cast<size_t>(row * (kCells + 1) + column), b = a + 1, c = a + kCells + 1, d = c + 1;
            if ((row + column) % 2 == 0) {
                canvas.add(xs[a], ys[a], xs[b], ys[b], xs[d], ys[d]);
                canvas.add(xs[a], ys[a], xs[d], ys[d], xs[c], ys[c]);
            } else {
                canvas.add(xs[a], ys[a], xs[b], ys[b], xs[c], ys[c]);
                canvas.add(xs[b], ys[b], xs[d], ys[d], xs[c], ys[c]);
            }
        }
    }
    EXPECT_EQ(canvas.pixelsCovered(), 96 * 96) << "no seams";
    EXPECT_EQ(canvas.pixelsCoveredMoreThanOnce(), 0) << "no shared edge painted twice";
    EXPECT_TRUE(canvas.guardIntact());
}

TEST(RasterCoverageTest, FanAroundAPixelCentreCoversItOnce)
{
    // Eight triangles meeting at a pixel centre, with edges through neighbouring centres too.
    CoverageCanvas canvas(20, 20);
    const double cx = 10.5, cy = 10.5;
    const double ring[8][2] = {{4.5, 4.5}, {10.5, 2.5}, {16.5, 4.5}, {18.5, 10.5},
                               {16.5, 16.5}, {10.5, 18.5}, {4.5, 16.5}, {2.5, 10.5}};
    for (int i = 0; i < 8; ++i)
        canvas.add(cx, cy, ring[i][0], ring[i][1], ring[(i + 1) % 8][0], ring[(i + 1) % 8][1]);
    EXPECT_EQ(canvas.count(10, 10), 1);
    EXPECT_EQ(canvas.count(10, 5), 1);
    EXPECT_EQ(canvas.pixelsCoveredMoreThanOnce(), 0);
}

TEST(RasterCoverageTest, EitherWindingCoversTheSamePixels)
{
    CoverageCanvas clockwise(30, 30), counterClockwise(30, 30);
    clockwise.add(2.2, 3.7, 27.1, 9.5, 8.8, 26.4);
    counterClockwise.add(2.2, 3.7, 8.8, 26.4, 27.1, 9.5);
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 30; ++x)
            ASSERT_EQ(clockwise.count(x, y), counterClockwise.count(x, y)) << x << ", " << y;
    }
    EXPECT_GT(clockwise.pixelsCovered(), 150);
}

TEST(RasterCoverageTest, SubPixelTrianglesCoverAtMostTheCentreTheyHold)
{
    CoverageCanvas canvas(8, 8);
    canvas.add(2.3, 2.3, 2.8, 2.4, 2.4, 2.9); // holds the centre (2.5, 2.5)
    canvas.add(5.1, 5.1, 5.4, 5.1, 5.1, 5.4); // holds no centre
    EXPECT_EQ(canvas.count(2, 2), 1);
    EXPECT_EQ(canvas.pixelsCovered(), 1);

    // Quarter-pixel triangles tiling a 4 x 4 area cover each of its pixels once.
    CoverageCanvas tiled(8, 8);
    for (double y = 2.0; y < 6.0; y += 0.25) {
        for (double x = 2.0; x < 6.0; x += 0.25) {
            tiled.add(x, y, x + 0.25, y, x + 0.25, y + 0.25);
            tiled.add(x, y, x + 0.25, y + 0.25, x, y + 0.25);
        }
    }
    EXPECT_EQ(tiled.pixelsCovered(), 16);
    EXPECT_EQ(tiled.pixelsCoveredMoreThanOnce(), 0);
}

TEST(RasterCoverageTest, TrianglesPartlyOutsideAreClippedToTheCanvas)
{
    CoverageCanvas canvas(40, 30);
    // Over each border and corner, and one wholly outside.
    canvas.add(-20, -15, 30, -15, -20, 25);
    canvas.add(30, 20, 70, 20, 30, 60);
    canvas.add(-50, 10, 30, 10, -50, 60);
    canvas.add(41, 0, 60, 0, 41, 29);
    EXPECT_EQ(canvas.count(0, 0), 1);
    EXPECT_EQ(canvas.count(39, 29), 1);
    EXPECT_EQ(canvas.count(2, 20), 1);
    EXPECT_TRUE(canvas.guardIntact());
}

TEST(RasterCoverageTest, HugeTrianglesStillCoverTheCanvasOnce)
{
    // A quad reaching ten million pixels out, and one reaching a billion, split on its diagonal.
    for (const double reach : {1e7, 1e9}) {
        CoverageCanvas canvas(64, 48);
        canvas.add(-reach, -reach, reach, -reach, reach, reach);
        canvas.add(-reach, -reach, reach, reach, -reach, reach);
        EXPECT_EQ(canvas.pixelsCovered(), 64 * 48) << reach;
        EXPECT_EQ(canvas.pixelsCoveredMoreThanOnce(), 0) << reach;
        EXPECT_TRUE(canvas.guardIntact());
    }
    // A magnified texture far off-centre still maps: its texel under the canvas is the right one.
    Texture texture(2, 1, 0xFF0000FFu);
    texture.pixels[1] = 0xFF00FF00u;
    Canvas canvas(10, 10, 0);
    const RasterVertex corners[3] = {corner(-3e7, -1e7, 0, 0), corner(1e7, -1e7, 2, 0), corner(-3e7, 7e7, 0, 2)};
    ASSERT_TRUE(drawShaded(canvas, texture, corners, 0xFFFFFFFFu));
    EXPECT_EQ(canvas.at(5, 5), 0xFF00FF00u) << "x = 0 is three quarters across the page: the second texel's centre";
}

// ---- what is skipped

TEST(RasterSkipTest, DegenerateOrNonFiniteTrianglesAreSkipped)
{
    Canvas canvas(16, 16, 0xFF000000u);
    const Texture texture(4, 4, 0xFFFFFFFFu);
    const RasterVertex sameTexel[3] = {corner(0, 0, 1, 1), corner(16, 0, 1, 1), corner(0, 16, 1, 1)};
    const RasterVertex texelsInLine[3] = {corner(0, 0, 0, 0), corner(16, 0, 1, 1), corner(0, 16, 2, 2)};
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    const RasterVertex notANumber[3] = {corner(0, 0, 0, 0), corner(nan, 0, 4, 0), corner(0, 16, 0, 4)};
    const RasterVertex infinite[3] = {corner(-infinity, 0, 0, 0), corner(16, 0, 4, 0), corner(0, 16, 0, 4)};
    const RasterVertex badTexels[3] = {corner(0, 0, 0, 0), corner(16, 0, nan, 0), corner(0, 16, 0, 4)};
    for (const auto *corners : {&sameTexel, &texelsInLine, &notANumber, &infinite, &badTexels})
        EXPECT_FALSE(drawShaded(canvas, texture, *corners, 0xFFFFFFFFu));
    EXPECT_EQ(canvas.at(3, 3), 0xFF000000u);
    EXPECT_TRUE(canvas.guardIntact());
}

TEST(RasterSkipTest, ListSkipsTrianglesNamingMissingVerticesAndLeftoverIndices)
{
    Canvas canvas(20, 20, 0xFF000000u);
    const Texture texture(2, 2, 0xFFFFFFFFu);
    const uint32_t white = 0xFFFFFFFFu;
    const kvxRuntimeVertex vertices[4] = {{0, 0, 0, 0, white}, {20, 0, 1, 0, white}, {20, 20, 1, 1, white}, {0, 20, 0, 1, white}};
    const uint16_t indices[] = {0, 1, 2, 0, 2, 9, 0, 2}; // upper-right; one naming vertex 9; two left over
    TriangleList list;
    list.vertices = vertices;
    list.vertexCount = 4;
    list.indices = indices;
    list.indexCount = 8;
    drawTriangleList(canvas.view(), texture.sampled(), CanvasMapping{}, list);
    EXPECT_EQ(canvas.at(17, 3), white);
    EXPECT_EQ(canvas.at(3, 17), 0xFF000000u);
}

TEST(RasterSkipTest, ListMapsSkeletonSpaceAndColoursByTheFirstVertex)
{
    Canvas canvas(20, 20, 0xFF000000u);
    const Texture texture(2, 2, 0xFFFFFFFFu);
    // A unit square around (5, 5) scaled by 10 onto the canvas centre; red first vertex, blue others.
    const kvxRuntimeVertex vertices[4] = {{4.5f, 4.5f, 0, 0, 0xFFFF0000u}, {5.5f, 4.5f, 1, 0, 0xFF0000FFu},
                                          {5.5f, 5.5f, 1, 1, 0xFF0000FFu}, {4.5f, 5.5f, 0, 1, 0xFF0000FFu}};
    const uint16_t indices[] = {0, 1, 2, 2, 3, 0};
    TriangleList list;
    list.vertices = vertices;
    list.vertexCount = 4;
    list.indices = indices;
    list.indexCount = 6;
    CanvasMapping mapping;
    mapping.scale = 10;
    mapping.centreX = 5;
    mapping.centreY = 5;
    mapping.originX = 10;
    mapping.originY = 10;
    drawTriangleList(canvas.view(), texture.sampled(), mapping, list);
    EXPECT_EQ(canvas.at(13, 7), 0xFFFF0000u);
    EXPECT_EQ(canvas.at(7, 13), 0xFF0000FFu);
    EXPECT_EQ(canvas.at(2, 2), 0xFF000000u);
    EXPECT_EQ(canvas.at(16, 10), 0xFF000000u);
}

} // namespace
} // namespace kvx
