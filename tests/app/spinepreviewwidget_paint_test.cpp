// Painting the canvas into an image: message and background, framing, the affine mapping of each
// triangle, blend modes, opacity, and what is skipped.

#include "app/previewframes.h"

#include <QFont>
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace kvx {
namespace {

using namespace test;

class PreviewPaintTest : public ::testing::Test {
protected:
    QColor pixel(const QImage &image, int x, int y) const { return image.pixelColor(x, y); }

    TempFolder folder;
    SpinePreviewWidget widget;
};

bool onlyBackground(const QImage &image)
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y) != backgroundColour())
                return false;
        }
    }
    return true;
}

TEST_F(PreviewPaintTest, ConstructionSettings)
{
    EXPECT_EQ(widget.minimumSize(), QSize(240, 120)); // small enough for the window to fit 800 × 500
    EXPECT_EQ(widget.sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
    EXPECT_EQ(widget.sizePolicy().verticalPolicy(), QSizePolicy::Expanding);
    EXPECT_FALSE(widget.autoFillBackground());
    EXPECT_TRUE(widget.hasMouseTracking());
    EXPECT_EQ(widget.toolTip(), QString::fromUtf8("滚轮缩放 · 中键重置 · 右键拖动 · 右键单击居中"));
    EXPECT_FALSE(widget.showsFrame());
    EXPECT_TRUE(widget.currentMessage().isEmpty());
    EXPECT_TRUE(onlyBackground(render(widget, QSize(64, 48))));
}

TEST_F(PreviewPaintTest, MessageIsDrawnCentredInItsColour)
{
    QFont font = widget.font();
    font.setPixelSize(40);
    widget.setFont(font);
    widget.setMessage(LiveText::fixed(QString::fromUtf8("\u2588\u2588\u2588\n\n\u2588\u2588\u2588")));
    const QImage image = render(widget, QSize(640, 440));
    int left = 640, right = -1, top = 440, bottom = -1;
    bool exactColour = false;
    for (int y = 0; y < 440; ++y) {
        for (int x = 0; x < 640; ++x) {
            const QColor colour = image.pixelColor(x, y);
            if (colour == backgroundColour())
                continue;
            exactColour = exactColour || colour == QColor(0xa7, 0xad, 0xb8);
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    ASSERT_GE(right, 0) << "nothing drawn";
    EXPECT_TRUE(exactColour);
    EXPECT_NEAR((left + right) / 2.0, 320, 6);
    EXPECT_NEAR((top + bottom) / 2.0, 220, 12);
    EXPECT_GT(bottom - top, 80) << "the line breaks are kept";
}

TEST_F(PreviewPaintTest, EmptyFrameClearsTheMessageAndPaintsOnlyTheBackground)
{
    widget.setMessage(LiveText::fixed("some text"));
    widget.setFrame({});
    EXPECT_TRUE(widget.currentMessage().isEmpty());
    EXPECT_TRUE(onlyBackground(render(widget, QSize(200, 120))));
}

TEST_F(PreviewPaintTest, TexturedQuadLandsWhereTheMappingPutsIt)
{
    widget.setFrame(frameOf(rectangleItem(0, 0, 100, 100, writePage(folder, "page.png", quadrantImage()))));
    const QImage image = render(widget, QSize(200, 200));
    // 100 x 100 fits 200 x 200 at 1.88 px per unit: the quad covers 6 ... 194 on both axes.
    EXPECT_EQ(pixel(image, 30, 30), QColor(Qt::red));
    EXPECT_EQ(pixel(image, 170, 30), QColor(Qt::green));
    EXPECT_EQ(pixel(image, 30, 170), QColor(Qt::blue));
    EXPECT_EQ(pixel(image, 170, 170), QColor(Qt::yellow));
    EXPECT_EQ(pixel(image, 60, 60), QColor(Qt::red)) << "on the diagonal between the two triangles";
    EXPECT_EQ(pixel(image, 3, 100), backgroundColour());
    EXPECT_EQ(pixel(image, 197, 100), backgroundColour());
    EXPECT_EQ(pixel(image, 100, 3), backgroundColour());
    EXPECT_EQ(pixel(image, 100, 197), backgroundColour());
    EXPECT_EQ(pixel(image, 8, 8), QColor(Qt::red));
}

TEST_F(PreviewPaintTest, TriangleMapsItsOwnTextureTriangle)
{
    // One triangle taking the page's lower-left half, drawn mirrored left to right.
    DrawItem item;
    item.vertices = {makeVertex(100, 0, 0, 0), makeVertex(100, 100, 0, 1), makeVertex(0, 100, 1, 1)};
    item.indices = {0, 1, 2};
    item.texturePath = writePage(folder, "page.png", quadrantImage());
    widget.setFrame(frameOf(std::move(item)));
    const QImage image = render(widget, QSize(200, 200));
    EXPECT_EQ(pixel(image, 180, 40), QColor(Qt::red));    // texture top-left, now top-right
    EXPECT_EQ(pixel(image, 180, 170), QColor(Qt::blue));  // texture bottom-left
    EXPECT_EQ(pixel(image, 40, 185), QColor(Qt::yellow)); // texture bottom-right, now bottom-left
    EXPECT_EQ(pixel(image, 30, 30), backgroundColour());  // outside the triangle
}

TEST_F(PreviewPaintTest, ExampleFramingCentresAndScalesTheFirstFrame)
{
    widget.setFrame(frameOf(rectangleItem(-100, -300, 100, 0, writePage(folder, "white.png", solidImage(Qt::white)))));
    ASSERT_TRUE(widget.framing().has_value());
    EXPECT_EQ(*widget.framing(), QRectF(-100, -300, 200, 300));
    const QImage image = render(widget, QSize(640, 440));
    // Scale min(440/300, 640/200) x 0.94 = 1.3787: x 182.1 ... 457.9, y 13.2 ... 426.8.
    EXPECT_EQ(pixel(image, 185, 220), QColor(Qt::white));
    EXPECT_EQ(pixel(image, 179, 220), backgroundColour());
    EXPECT_EQ(pixel(image, 455, 220), QColor(Qt::white));
    EXPECT_EQ(pixel(image, 461, 220), backgroundColour());
    EXPECT_EQ(pixel(image, 320, 16), QColor(Qt::white));
    EXPECT_EQ(pixel(image, 320, 10), backgroundColour());
    EXPECT_EQ(pixel(image, 320, 424), QColor(Qt::white));
    EXPECT_EQ(pixel(image, 320, 430), backgroundColour());
}

TEST_F(PreviewPaintTest, FramingIsFixedByTheFirstFrameWithAnExtent)
{
    const std::u16string page = writePage(folder, "white.png", solidImage(Qt::white));
    DrawItem line;
    line.vertices = {makeVertex(0, 5, 0, 0), makeVertex(40, 5, 1, 0)}; // no height
    line.texturePath = page;
    widget.setFrame(frameOf(line));
    EXPECT_FALSE(widget.framing().has_value());
    // Without framing the unit rectangle at the origin is used.
    const QImage unframed = render(widget, QSize(200, 200));
    EXPECT_TRUE(onlyBackground(unframed));

    widget.setFrame(frameOf(rectangleItem(0, 0, 100, 50, page)));
    EXPECT_EQ(*widget.framing(), QRectF(0, 0, 100, 50));
    widget.setFrame(frameOf(rectangleItem(-500, -500, 500, 500, page)));
    EXPECT_EQ(*widget.framing(), QRectF(0, 0, 100, 50)) << "later frames keep the framing";
    widget.resetView();
    EXPECT_FALSE(widget.framing().has_value());
    widget.setFrame(frameOf(rectangleItem(-500, -500, 500, 500, page)));
    EXPECT_EQ(*widget.framing(), QRectF(-500, -500, 1000, 1000));
}

TEST_F(PreviewPaintTest, UnindexedVerticesCountForTheFraming)
{
    DrawItem item = rectangleItem(0, 0, 10, 10, writePage(folder, "white.png", solidImage(Qt::white)));
    item.vertices.push_back(makeVertex(90, 40, 0, 0));
    widget.setFrame(frameOf(item));
    EXPECT_EQ(*widget.framing(), QRectF(0, 0, 90, 40));
}

struct BlendCase {
    int32_t mode;
    QColor expected;
};

class PreviewBlendTest : public PreviewPaintTest, public ::testing::WithParamInterface<BlendCase> {};

TEST_P(PreviewBlendTest, ComposesOverWhatIsAlreadyDrawn)
{
    std::vector<DrawItem> items;
    items.push_back(rectangleItem(0, 0, 100, 100, writePage(folder, "grey.png", solidImage(QColor(128, 128, 128)))));
    items.push_back(rectangleItem(0, 0, 100, 100, writePage(folder, "tint.png", solidImage(QColor(64, 128, 192))),
                                  GetParam().mode));
    widget.setFrame(std::move(items));
    const QColor colour = render(widget, QSize(200, 200)).pixelColor(100, 60);
    EXPECT_TRUE(near(colour, GetParam().expected)) << describe(colour);
}

INSTANTIATE_TEST_SUITE_P(Modes, PreviewBlendTest,
                         ::testing::Values(BlendCase{0, QColor(64, 128, 192)},    // normal
                                           BlendCase{1, QColor(192, 255, 255)},   // additive, saturating
                                           BlendCase{2, QColor(32, 64, 96)},      // multiply
                                           BlendCase{3, QColor(160, 192, 224)},   // screen
                                           BlendCase{7, QColor(64, 128, 192)},    // unknown: normal
                                           BlendCase{-1, QColor(64, 128, 192)}));

TEST_F(PreviewPaintTest, OpacityComesFromTheFirstVertexOfEachTriangleOnly)
{
    const std::u16string page = writePage(folder, "white.png", solidImage(Qt::white));
    DrawItem item;
    // Left triangle: first vertex half transparent. Right triangle: only the others transparent.
    item.vertices = {makeVertex(0, 0, 0, 0, 0x80), makeVertex(100, 0, 1, 0, 0xFF), makeVertex(0, 100, 0, 1, 0xFF),
                     makeVertex(100, 100, 1, 1, 0xFF), makeVertex(100, 0, 1, 0, 0x00), makeVertex(0, 100, 0, 1, 0x00)};
    item.indices = {0, 1, 2, 3, 4, 5};
    item.texturePath = page;
    widget.setFrame(frameOf(std::move(item)));
    const QImage image = render(widget, QSize(200, 200));
    const QColor half = image.pixelColor(40, 40);
    // 128/255 of white over the background.
    EXPECT_TRUE(near(half, QColor(16 + (239 * 128) / 255, 18 + (237 * 128) / 255, 23 + (232 * 128) / 255))) << describe(half);
    EXPECT_EQ(image.pixelColor(160, 160), QColor(Qt::white));
}

TEST_F(PreviewPaintTest, TrianglesNamingMissingVerticesAreSkipped)
{
    DrawItem item = rectangleItem(0, 0, 100, 100, writePage(folder, "white.png", solidImage(Qt::white)));
    item.indices = {0, 1, 2, 0, 2, 9};
    widget.setFrame(frameOf(std::move(item)));
    const QImage image = render(widget, QSize(200, 200));
    EXPECT_EQ(image.pixelColor(160, 40), QColor(Qt::white));  // upper-right triangle
    EXPECT_EQ(image.pixelColor(40, 160), backgroundColour()); // lower-left names vertex 9 of 4
}

TEST_F(PreviewPaintTest, OneOrTwoLeftoverIndicesAreIgnored)
{
    const std::u16string page = writePage(folder, "white.png", solidImage(Qt::white));
    for (const std::vector<uint16_t> &indices :
         {std::vector<uint16_t>{0, 1, 2, 0, 2, 3, 1}, std::vector<uint16_t>{0, 1, 2, 0, 2, 3, 1, 2}}) {
        DrawItem item = rectangleItem(0, 0, 100, 100, page);
        item.indices = indices;
        widget.setFrame(frameOf(std::move(item)));
        const QImage image = render(widget, QSize(200, 200));
        EXPECT_EQ(image.pixelColor(160, 40), QColor(Qt::white));
        EXPECT_EQ(image.pixelColor(40, 160), QColor(Qt::white));
    }
    DrawItem five = rectangleItem(0, 0, 100, 100, page);
    five.indices = {0, 1, 2, 0, 2};
    widget.setFrame(frameOf(std::move(five)));
    QImage image = render(widget, QSize(200, 200));
    EXPECT_EQ(image.pixelColor(160, 40), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(40, 160), backgroundColour());

    DrawItem two = rectangleItem(0, 0, 100, 100, page);
    two.indices = {0, 1};
    widget.setFrame(frameOf(std::move(two)));
    EXPECT_TRUE(onlyBackground(render(widget, QSize(200, 200))));
}

TEST_F(PreviewPaintTest, DegenerateTextureTrianglesAreSkipped)
{
    DrawItem item = rectangleItem(0, 0, 100, 100, writePage(folder, "white.png", solidImage(Qt::white)));
    for (kvxRuntimeVertex &vertex : item.vertices) {
        vertex.u = 0.5f;
        vertex.v = 0.5f;
    }
    widget.setFrame(frameOf(std::move(item)));
    EXPECT_TRUE(onlyBackground(render(widget, QSize(200, 200))));
}

TEST_F(PreviewPaintTest, UnloadablePageIsSkippedAndNotTriedAgain)
{
    const std::u16string missing = (QString::fromStdString(folder.path().string()) + "/late.png").toStdU16String();
    std::vector<DrawItem> items;
    items.push_back(rectangleItem(0, 0, 100, 100, missing));
    items.push_back(rectangleItem(0, 0, 50, 50, writePage(folder, "white.png", solidImage(Qt::white))));
    widget.setFrame(std::move(items));
    QImage image = render(widget, QSize(200, 200));
    EXPECT_EQ(image.pixelColor(160, 160), backgroundColour());
    EXPECT_EQ(image.pixelColor(30, 30), QColor(Qt::white)) << "the next item still paints";
    EXPECT_TRUE(widget.pageImage(missing).isNull());

    // The file appearing later does not help: the null image stays cached.
    writePage(folder, "late.png", solidImage(Qt::red));
    image = render(widget, QSize(200, 200));
    EXPECT_EQ(image.pixelColor(160, 160), backgroundColour());
    EXPECT_TRUE(widget.pageImage(missing).isNull());
}

#ifndef _WIN32
TEST_F(PreviewPaintTest, PageThatIsAFifoIsNeverOpened)
{
    const std::filesystem::path fifo = folder / "page.png";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::u16string page = QString::fromStdString(fifo.string()).toStdU16String();
    widget.setFrame(frameOf(rectangleItem(0, 0, 100, 100, page)));
    // Opening the FIFO for reading would block here until a writer appeared.
    EXPECT_TRUE(onlyBackground(render(widget, QSize(200, 200))));
}
#endif

TEST_F(PreviewPaintTest, PageImagesAreReadOnce)
{
    const std::u16string page = writePage(folder, "page.png", solidImage(Qt::green));
    widget.setFrame(frameOf(rectangleItem(0, 0, 100, 100, page)));
    EXPECT_EQ(render(widget, QSize(200, 200)).pixelColor(100, 100), QColor(Qt::green));
    writePage(folder, "page.png", solidImage(Qt::red));
    EXPECT_EQ(render(widget, QSize(200, 200)).pixelColor(100, 100), QColor(Qt::green));
    EXPECT_EQ(&widget.pageImage(page), &widget.pageImage(page));
}

TEST_F(PreviewPaintTest, VertexColourTintsRedGreenAndBlueAsWellAsAlpha)
{
    DrawItem item = rectangleItem(0, 0, 100, 100, writePage(folder, "white.png", solidImage(Qt::white)));
    for (kvxRuntimeVertex &vertex : item.vertices)
        vertex.color = 0xFFFF8000u; // a gold tint
    widget.setFrame(frameOf(std::move(item)));
    const QColor tinted = render(widget, QSize(200, 200)).pixelColor(100, 100);
    EXPECT_TRUE(near(tinted, QColor(255, 128, 0))) << describe(tinted);

    DrawItem black = rectangleItem(0, 0, 100, 100, writePage(folder, "white.png", solidImage(Qt::white)));
    for (kvxRuntimeVertex &vertex : black.vertices)
        vertex.color = 0x80000000u; // faded to black at half opacity
    widget.setFrame(frameOf(std::move(black)));
    const QColor faded = render(widget, QSize(200, 200)).pixelColor(100, 100);
    EXPECT_TRUE(near(faded, QColor(8, 9, 11))) << describe(faded);
}

// The stored texel (red 128, alpha 128) is dark red at half cover when straight, and full red at
// half cover when the atlas declares the page premultiplied.
TEST_F(PreviewPaintTest, PremultipliedPagesAreCompositedAsPremultiplied)
{
    const std::u16string page = writePage(folder, "page.png", solidImage(QColor(128, 0, 0, 128)));
    widget.setFrame(frameOf(rectangleItem(0, 0, 100, 100, page)));
    const QColor straight = render(widget, QSize(200, 200)).pixelColor(100, 100);
    EXPECT_TRUE(near(straight, QColor(72, 9, 11))) << describe(straight);

    // Named the way the atlas reader's folder and page name make it; the texels read stay cached.
    const QImage *read = &widget.pageImage(page);
    widget.setPageDescriptions({{toQString(folder.path() / "." / "page.png"),
                                 PageDescription{true, TextureFilter::Linear, TextureFilter::Linear}}});
    const QColor premultiplied = render(widget, QSize(200, 200)).pixelColor(100, 100);
    EXPECT_TRUE(near(premultiplied, QColor(136, 9, 11))) << describe(premultiplied);
    EXPECT_EQ(&widget.pageImage(page), read);

    widget.setPageDescriptions({});
    EXPECT_TRUE(near(render(widget, QSize(200, 200)).pixelColor(100, 100), QColor(72, 9, 11)));
}

TEST_F(PreviewPaintTest, PremultipliedPageBrighterThanItsAlphaAddsLight)
{
    // Colour with no cover, as premultiplied pages may hold for glows: added, saturating per channel.
    const std::u16string page = writePage(folder, "glow.png", solidImage(QColor(255, 64, 0, 0)));
    widget.setPageDescriptions({{QString::fromStdU16String(page), PageDescription{true, TextureFilter::Linear,
                                                                                   TextureFilter::Linear}}});
    widget.setFrame(frameOf(rectangleItem(0, 0, 100, 100, page)));
    const QColor glow = render(widget, QSize(200, 200)).pixelColor(100, 100);
    EXPECT_TRUE(near(glow, QColor(255, 82, 23))) << describe(glow);
}

// Two texels, black and white, magnified across the canvas: linear filtering greys the middle,
// the atlas's Nearest keeps it black or white.
TEST_F(PreviewPaintTest, PageFiltersComeFromTheDescriptions)
{
    QImage twoTexels(2, 1, QImage::Format_ARGB32);
    twoTexels.setPixelColor(0, 0, Qt::black);
    twoTexels.setPixelColor(1, 0, Qt::white);
    const std::u16string page = writePage(folder, "two.png", twoTexels);
    widget.setFrame(frameOf(rectangleItem(0, 0, 100, 100, page)));
    EXPECT_NEAR(render(widget, QSize(200, 200)).pixelColor(95, 100).red(), 114, 3);
    widget.setPageDescriptions({{QString::fromStdU16String(page),
                                 PageDescription{false, TextureFilter::Nearest, TextureFilter::Nearest}}});
    EXPECT_EQ(render(widget, QSize(200, 200)).pixelColor(95, 100), QColor(Qt::black));
    EXPECT_EQ(render(widget, QSize(200, 200)).pixelColor(105, 100), QColor(Qt::white));
}

TEST_F(PreviewPaintTest, HighDensityDevicesGetTheFrameAtTheirOwnPixels)
{
    const std::u16string white = writePage(folder, "white.png", solidImage(Qt::white));
    std::vector<DrawItem> items;
    items.push_back(rectangleItem(0, 0, 100, 100, white)); // frames x = (s - 50) * 1.88 + 100
    // Its left edge at x = 50.3 in widget units: device pixel 100 (centre 100.5) lies outside it,
    // though its widget pixel 50 (centre 50.5) lies inside.
    items.push_back(rectangleItem(23.5638f, 40, 60, 60, writePage(folder, "red.png", solidImage(Qt::red))));
    widget.setFrame(std::move(items));
    QImage image(QSize(400, 400), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2.0);
    QPainter painter(&image);
    widget.paintContent(painter, QSize(200, 200));
    painter.end();
    EXPECT_EQ(image.pixelColor(100, 200), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(101, 200), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(10, 200), backgroundColour());
}

} // namespace
} // namespace kvx
