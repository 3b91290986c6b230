// The canvas background choices and the keyboard's view control: zoom about the centre and reset.

#include "app/previewframes.h"

#include <QCoreApplication>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace kvx {
namespace {

using namespace test;

const QSize kSize(640, 440);

TEST(PreviewBackgroundTest, DarkLightAndCheckerboardFillTheCanvas)
{
    SpinePreviewWidget widget;
    EXPECT_EQ(widget.background(), PreviewBackground::Dark);
    EXPECT_EQ(render(widget, kSize).pixelColor(5, 5), backgroundColour());

    widget.setBackground(PreviewBackground::Light);
    const QImage light = render(widget, kSize);
    EXPECT_GT(light.pixelColor(5, 5).lightness(), 200);
    EXPECT_EQ(light.pixelColor(5, 5), light.pixelColor(600, 400)) << "one flat colour";

    widget.setBackground(PreviewBackground::Checkerboard);
    const QImage checker = render(widget, kSize);
    // Neighbouring squares differ; squares a whole tile apart match; both are light.
    const QColor first = checker.pixelColor(2, 2);
    const QColor next = checker.pixelColor(12, 2);
    EXPECT_NE(first, next);
    EXPECT_EQ(first, checker.pixelColor(22, 2));
    EXPECT_EQ(next, checker.pixelColor(2, 12));
    EXPECT_GT(first.lightness(), 150);
    EXPECT_GT(next.lightness(), 150);
}

TEST(PreviewBackgroundTest, MessagesStayReadableOnALightBackground)
{
    SpinePreviewWidget widget;
    widget.setMessage(LiveText::fixed(QStringLiteral("██████")));
    widget.setBackground(PreviewBackground::Light);
    const QImage image = render(widget, kSize);
    int darkest = 255;
    for (int x = 200; x < 440; ++x)
        darkest = std::min(darkest, image.pixelColor(x, 220).lightness());
    EXPECT_LT(darkest, 128) << "the text is dark on a light canvas";
}

TEST(PreviewBackgroundTest, TransparentPartsOfAFrameShowTheBackground)
{
    TempFolder folder;
    SpinePreviewWidget widget;
    widget.setBackground(PreviewBackground::Checkerboard);
    const std::u16string page = writePage(folder, "clear.png", solidImage(QColor(255, 0, 0, 0)));
    widget.setFrame(frameOf(rectangleItem(0, 0, 100, 100, page)));
    SpinePreviewWidget bare;
    bare.setBackground(PreviewBackground::Checkerboard);
    EXPECT_EQ(render(widget, kSize), render(bare, kSize));
}

class KeyboardZoomTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        widget.resize(kSize);
        widget.setFrame(frameOf(rectangleItem(0, 0, 100, 100, writePage(folder, "white.png", solidImage(Qt::white)))));
    }
    TempFolder folder;
    SpinePreviewWidget widget;
};

TEST_F(KeyboardZoomTest, ZoomsInStepsAboutTheCentreKeepingThePannedPointThere)
{
    widget.zoomAboutCentre(1);
    EXPECT_FLOAT_EQ(widget.currentZoom(), 1.12f);
    EXPECT_EQ(widget.currentPan(), QPointF()) << "the centre stays put";

    // With a pan, the skeleton point at the canvas centre stays at the centre: the pan scales.
    widget.resetZoomAndPan();
    QWheelEvent wheel(QPointF(100, 100), QPointF(100, 100), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&widget, &wheel);
    const QPointF pan = widget.currentPan();
    const float zoom = widget.currentZoom();
    widget.zoomAboutCentre(-1);
    const float ratio = widget.currentZoom() / zoom;
    EXPECT_NEAR(widget.currentPan().x(), pan.x() * ratio, 1e-3);
    EXPECT_NEAR(widget.currentPan().y(), pan.y() * ratio, 1e-3);
}

TEST_F(KeyboardZoomTest, KeepsToTheWheelLimits)
{
    for (int i = 0; i < 40; ++i)
        widget.zoomAboutCentre(1);
    EXPECT_FLOAT_EQ(widget.currentZoom(), 8.0f);
    for (int i = 0; i < 60; ++i)
        widget.zoomAboutCentre(-1);
    EXPECT_FLOAT_EQ(widget.currentZoom(), 0.15f);
}

TEST_F(KeyboardZoomTest, ResetKeepsTheFramingAndMessagesIgnoreZoom)
{
    const std::optional<QRectF> framing = widget.framing();
    widget.zoomAboutCentre(1);
    widget.resetZoomAndPan();
    EXPECT_FLOAT_EQ(widget.currentZoom(), 1.0f);
    EXPECT_EQ(widget.currentPan(), QPointF());
    EXPECT_EQ(widget.framing(), framing);

    widget.setMessage(LiveText::fixed(QStringLiteral("hint")));
    widget.zoomAboutCentre(1);
    EXPECT_FLOAT_EQ(widget.currentZoom(), 1.0f) << "like the wheel, no zoom over a message";
}

} // namespace
} // namespace kvx
