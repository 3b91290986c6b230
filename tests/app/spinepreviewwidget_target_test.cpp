// The frame composed straight into the painter's image and composed in the canvas then copied
// must look the same, land at the painter's origin and touch nothing outside the widget.

#include "app/previewframes.h"
#include "support/waits.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>
#include <gtest/gtest.h>

namespace kvx {
namespace {

using namespace test;

constexpr QSize kSize(120, 90);

class PreviewTargetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A coloured page under a translucent, tinted, additive and multiplied quad: every kind of
        // pixel the rasterizer makes, over the checkerboard.
        const std::u16string quadrants = writePage(folder, "quadrants.png", quadrantImage());
        std::vector<DrawItem> items;
        items.push_back(rectangleItem(0, 0, 100, 80, quadrants));
        items.push_back(rectangleItem(10, 10, 60, 50, quadrants, 1, 0xA0));
        items.push_back(rectangleItem(40, 30, 90, 70, quadrants, 2));
        items.push_back(rectangleItem(20, 40, 70, 75, quadrants, 0, 0x60));
        items.back().vertices[0].color = 0xC0FF8040u;
        widget.setBackground(PreviewBackground::Checkerboard);
        widget.setFrame(std::move(items));
    }

    // Painted into an image of the given format, through a painter prepared by the caller.
    QImage paintInto(QImage::Format format, const QSize &imageSize, const std::function<void(QPainter &)> &prepare)
    {
        QImage image(imageSize, format);
        image.fill(Qt::magenta);
        QPainter painter(&image);
        prepare(painter);
        widget.paintContent(painter, kSize);
        painter.end();
        return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }

    TempFolder folder;
    SpinePreviewWidget widget;
};

TEST_F(PreviewTargetTest, EveryTargetShowsTheSamePixels)
{
    const auto nothing = [](QPainter &) {};
    // The canvas is used for a straight-alpha image, which cannot be composed into directly.
    const QImage viaCanvas = paintInto(QImage::Format_ARGB32, kSize, nothing);
    EXPECT_EQ(paintInto(QImage::Format_ARGB32_Premultiplied, kSize, nothing), viaCanvas);
    EXPECT_EQ(paintInto(QImage::Format_RGB32, kSize, nothing), viaCanvas);
    // A painter clipped to the whole area, or one at half opacity with the canvas made opaque, is
    // refused the direct path; the first must still show the same.
    EXPECT_EQ(paintInto(QImage::Format_ARGB32_Premultiplied, kSize,
                        [](QPainter &p) { p.setClipRect(QRect(QPoint(0, 0), kSize)); }),
              viaCanvas);
    // Painting twice into the same image gives the same frame again: nothing is mixed with what
    // was there.
    QImage twice(kSize, QImage::Format_ARGB32_Premultiplied);
    for (int i = 0; i < 2; ++i) {
        QPainter painter(&twice);
        widget.paintContent(painter, kSize);
    }
    EXPECT_EQ(twice, viaCanvas);
}

TEST_F(PreviewTargetTest, TranslatedPainterGetsTheFrameAtItsOriginAndNothingElse)
{
    const QImage alone = paintInto(QImage::Format_ARGB32_Premultiplied, kSize, [](QPainter &) {});
    const QPoint offset(17, 9);
    const QImage larger = paintInto(QImage::Format_ARGB32_Premultiplied, kSize + QSize(40, 30),
                                    [&](QPainter &p) { p.translate(offset); });
    EXPECT_EQ(larger.copy(QRect(offset, kSize)), alone);
    const QColor untouched = QColor(Qt::magenta);
    for (int y = 0; y < larger.height(); ++y) {
        for (int x = 0; x < larger.width(); ++x) {
            if (!QRect(offset, kSize).contains(x, y))
                ASSERT_EQ(larger.pixelColor(x, y), untouched) << x << "," << y;
        }
    }
    // Half a pixel off, or reaching past the image, goes through the canvas and is clipped as usual.
    const QImage halfOff = paintInto(QImage::Format_ARGB32_Premultiplied, kSize + QSize(40, 30),
                                     [&](QPainter &p) { p.translate(QPointF(offset) + QPointF(0.5, 0)); });
    EXPECT_EQ(halfOff.pixelColor(0, 0), untouched);
    const QImage pastTheEdge = paintInto(QImage::Format_ARGB32_Premultiplied, kSize,
                                         [&](QPainter &p) { p.translate(offset); });
    EXPECT_EQ(pastTheEdge.copy(QRect(offset, kSize - QSize(offset.x(), offset.y()))),
              alone.copy(QRect(QPoint(0, 0), kSize - QSize(offset.x(), offset.y()))));
    EXPECT_EQ(pastTheEdge.pixelColor(0, 0), untouched);
}

TEST_F(PreviewTargetTest, InAWindowTheFrameFillsTheWidgetOnly)
{
    QWidget window;
    window.resize(800, 560);
    window.setAutoFillBackground(true);
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, Qt::magenta);
    window.setPalette(palette);
    widget.setParent(&window);
    widget.setGeometry(QRect(QPoint(31, 22), widget.minimumSize()));
    window.show();
    ASSERT_TRUE(waitFor([&] { return window.windowHandle() && window.windowHandle()->isExposed(); }));
    window.repaint();
    const QImage expected = render(widget, widget.size());
    const QImage shown = QGuiApplication::primaryScreen()
                             ->grabWindow(window.winId())
                             .toImage()
                             .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    ASSERT_GE(shown.width(), widget.geometry().right());
    EXPECT_EQ(shown.copy(widget.geometry()), expected);
    EXPECT_EQ(shown.pixelColor(widget.geometry().left() - 1, 100), QColor(Qt::magenta));
    EXPECT_EQ(shown.pixelColor(100, widget.geometry().top() - 1), QColor(Qt::magenta));
    EXPECT_EQ(shown.pixelColor(widget.geometry().right() + 1, 100), QColor(Qt::magenta));
    widget.setParent(nullptr);
}

} // namespace
} // namespace kvx
