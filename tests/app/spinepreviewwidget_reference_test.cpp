// The rasterizing canvas against the first frame painter (tests/support/referencepainter) where
// that painter was right: straight-alpha pages and white vertex colours. Frames must agree within
// 3/255 per channel on at least 99.5 % of the pixels, and within 16/255 on all but one pixel in
// 10,000: a pixel whose centre lies on a triangle's edge, within the reference clip's rounding,
// may be painted by one and not the other.

#include "app/previewframes.h"
#include "support/referencepainter.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kvx {
namespace {

using namespace test;

struct Difference {
    double shareWithinTolerance = 0; // pixels whose every channel is within 3/255
    int beyondLimit = 0;             // pixels with a channel more than 16/255 off
};

Difference compare(const QImage &actual, const QImage &expected)
{
    Difference difference;
    int within = 0;
    for (int y = 0; y < actual.height(); ++y) {
        for (int x = 0; x < actual.width(); ++x) {
            const QRgb a = actual.pixel(x, y);
            const QRgb b = expected.pixel(x, y);
            const int largest = std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                          std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b))});
            within += largest <= 3;
            difference.beyondLimit += largest > 16;
        }
    }
    difference.shareWithinTolerance = double(within) / (actual.width() * actual.height());
    return difference;
}

// Soft coloured blobs with transparent gutters, like packed regions. Colour changes by at most three
// steps per texel: on rotated draws the reference interpolates with sixteenth-texel weights, which
// alone would put it off by up to a sixteenth of any sharper step.
QImage detailedPage()
{
    QImage page(256, 256, QImage::Format_ARGB32);
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            const int cellX = x % 64 - 32;
            const int cellY = y % 64 - 32;
            const int alpha = std::clamp(300 - (cellX * cellX + cellY * cellY) / 3, 0, 255);
            page.setPixel(x, y, qRgba(x, y, (x * 3 + y) / 4, alpha));
        }
    }
    return page;
}

kvxRuntimeVertex at(float x, float y, float u, float v, uint32_t alpha = 0xFF)
{
    return makeVertex(x, y, u, v, alpha);
}

class PreviewReferenceTest : public ::testing::Test {
protected:
    // Paints the frame both ways at the given size and zoom and compares.
    void expectEquivalent(std::vector<DrawItem> frame, const QSize &size)
    {
        SpinePreviewWidget widget;
        widget.setFrame(frame);
        const QImage painted = render(widget, size);

        QImage reference(size, QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&reference);
        ReferenceView view;
        view.framing = widget.framing().value_or(QRectF(0, 0, 1, 1));
        QHash<std::u16string, QImage> pages;
        paintReferenceFrame(painter, size, frame, view, [&](const std::u16string &path) -> const QImage & {
            if (!pages.contains(path))
                pages.insert(path, QImage(QString::fromStdU16String(path)));
            return pages[path];
        });
        painter.end();

        const Difference difference = compare(painted, reference);
        EXPECT_GE(difference.shareWithinTolerance, 0.995);
        EXPECT_LE(difference.beyondLimit, size.width() * size.height() / 10000);
    }

    std::u16string detailed() { return writePage(folder, "detailed.png", detailedPage()); }

    TempFolder folder;
};

TEST_F(PreviewReferenceTest, OverlappingQuadsOfADetailedPage)
{
    // A 6 x 5 grid of quads, each showing its own part of the page, overlapping their neighbours.
    DrawItem item;
    item.texturePath = detailed();
    for (int q = 0; q < 30; ++q) {
        const float x = (q % 6) * 40.0f + 0.37f, y = (q / 6) * 40.0f + 0.61f;
        const float u = (q * 7 % 8) / 8.0f, v = (q * 3 % 8) / 8.0f;
        const auto base = static_cast<uint16_t>(item.vertices.size());
        item.vertices.insert(item.vertices.end(), {at(x, y, u, v), at(x + 47, y, u + 0.25f, v),
                                                   at(x + 47, y + 45, u + 0.25f, v + 0.25f), at(x, y + 45, u, v + 0.25f)});
        for (const int corner : {0, 1, 2, 0, 2, 3})
            item.indices.push_back(static_cast<uint16_t>(base + corner));
    }
    expectEquivalent(frameOf(std::move(item)), QSize(320, 260));
}

TEST_F(PreviewReferenceTest, RotatedFanWithEveryBlendModeAndOpacity)
{
    const std::u16string page = detailed();
    std::vector<DrawItem> frame;
    for (int32_t mode = 0; mode < 4; ++mode) {
        DrawItem item;
        item.texturePath = page;
        item.blendMode = mode;
        const float cx = 60.0f + mode * 70.0f, cy = 80.0f;
        const uint32_t alpha = mode == 1 ? 0x60 : 0xC0 + mode * 0x10; // additive kept below saturation
        item.vertices.push_back(at(cx, cy, 0.5f, 0.5f, alpha));
        for (int i = 0; i < 7; ++i) {
            const double angle = 0.3 + i * 2 * M_PI / 6;
            item.vertices.push_back(at(cx + 52 * float(std::cos(angle)), cy + 52 * float(std::sin(angle)),
                                       0.5f + 0.45f * float(std::cos(angle * 1.1)), 0.5f + 0.45f * float(std::sin(angle * 1.1)),
                                       alpha));
        }
        for (uint16_t i = 1; i < 7; ++i)
            item.indices.insert(item.indices.end(), {0, i, static_cast<uint16_t>(i + 1)});
        frame.push_back(std::move(item));
    }
    expectEquivalent(std::move(frame), QSize(300, 160));
}

TEST_F(PreviewReferenceTest, MagnifiedAndMinifiedPages)
{
    const std::u16string page = detailed();
    std::vector<DrawItem> frame;
    frame.push_back(rectangleItem(0, 0, 400, 300, page));                    // magnified about 1.2 times
    frame.push_back(rectangleItem(410.3f, 20.7f, 470.1f, 70.2f, page));      // minified about 4 times
    frame.push_back(rectangleItem(300.5f, 200.5f, 330.25f, 290.75f, page));  // squeezed across
    expectEquivalent(std::move(frame), QSize(500, 330));
}

} // namespace
} // namespace kvx
