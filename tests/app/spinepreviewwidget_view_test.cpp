// View control of the canvas with synthetic wheel and mouse events: zoom about the cursor with its
// limits, right-drag pan with the drag threshold, right-click recentring, middle-click reset.

#include "app/previewframes.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace kvx {
namespace {

using namespace test;

class PreviewViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QApplication::setStartDragDistance(10);
        widget.resize(640, 440);
        widget.show();
        widget.setFrame(frameOf(rectangleItem(0, 0, 100, 100, writePage(folder, "white.png", solidImage(Qt::white)))));
    }

    bool wheel(QPointF position, int angle)
    {
        QWheelEvent event(position, widget.mapToGlobal(position), QPoint(), QPoint(0, angle), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        event.setAccepted(true);
        QCoreApplication::sendEvent(&widget, &event);
        return event.isAccepted();
    }
    bool mouse(QEvent::Type type, QPointF position, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        QMouseEvent event(type, position, widget.mapToGlobal(position), button, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(&widget, &event);
        return event.isAccepted();
    }
    void press(QPointF position, Qt::MouseButton button) { mouse(QEvent::MouseButtonPress, position, button, button); }
    void moveHeld(QPointF position) { mouse(QEvent::MouseMove, position, Qt::NoButton, Qt::RightButton); }
    void releaseRight(QPointF position) { mouse(QEvent::MouseButtonRelease, position, Qt::RightButton, Qt::NoButton); }

    // The skeleton point shown at a widget point, by the canvas's mapping (100 x 100 framing).
    QPointF skeletonPointAt(QPointF position) const
    {
        const double scale = std::min(440.0 / 100.0, 640.0 / 100.0) * 0.94 * widget.currentZoom();
        const QPointF origin(320 + widget.currentPan().x(), 220 + widget.currentPan().y());
        return (position - origin) / scale + QPointF(50, 50);
    }

    TempFolder folder;
    SpinePreviewWidget widget;
};

void expectSamePoint(QPointF actual, QPointF expected, int step)
{
    EXPECT_NEAR(actual.x(), expected.x(), 1e-3) << "step " << step;
    EXPECT_NEAR(actual.y(), expected.y(), 1e-3) << "step " << step;
}

TEST_F(PreviewViewTest, WheelUpKeepsThePointUnderTheCursorUpToTheUpperLimit)
{
    const QPointF cursor(500, 90);
    const QPointF anchored = skeletonPointAt(cursor);
    for (int step = 1; step <= 19; ++step) {
        EXPECT_TRUE(wheel(cursor, 120));
        expectSamePoint(skeletonPointAt(cursor), anchored, step);
        if (step == 18)
            EXPECT_LT(widget.currentZoom(), 8.0f);
    }
    EXPECT_FLOAT_EQ(widget.currentZoom(), 8.0f);
    wheel(cursor, 120);
    EXPECT_FLOAT_EQ(widget.currentZoom(), 8.0f);
    expectSamePoint(skeletonPointAt(cursor), anchored, 20);
}

TEST_F(PreviewViewTest, WheelDownKeepsThePointUnderTheCursorDownToTheLowerLimit)
{
    const QPointF cursor(120, 400);
    const QPointF anchored = skeletonPointAt(cursor);
    for (int step = 1; step <= 17; ++step) {
        EXPECT_TRUE(wheel(cursor, -120));
        expectSamePoint(skeletonPointAt(cursor), anchored, step);
        if (step == 16)
            EXPECT_GT(widget.currentZoom(), 0.15f);
    }
    EXPECT_FLOAT_EQ(widget.currentZoom(), 0.15f);
}

TEST_F(PreviewViewTest, EachWheelEventIsOneStepWhateverItsSize)
{
    wheel(QPointF(320, 220), 720);
    EXPECT_FLOAT_EQ(widget.currentZoom(), 1.12f);
    wheel(QPointF(320, 220), -1);
    EXPECT_FLOAT_EQ(widget.currentZoom(), 1.12f * (1.0f / 1.12f));
    EXPECT_EQ(widget.currentPan(), QPointF(0, 0)) << "zooming at the centre does not pan";
}

TEST_F(PreviewViewTest, WheelOverAMessageOrWithoutVerticalDeltaIsIgnored)
{
    EXPECT_FALSE(wheel(QPointF(100, 100), 0));
    EXPECT_FLOAT_EQ(widget.currentZoom(), 1.0f);
    widget.setMessage(LiveText::fixed("no frame"));
    EXPECT_FALSE(wheel(QPointF(100, 100), 120));
    EXPECT_FLOAT_EQ(widget.currentZoom(), 1.0f);
    EXPECT_EQ(widget.currentPan(), QPointF(0, 0));
}

TEST_F(PreviewViewTest, RightClickBelowTheDragDistanceRecentresAndKeepsTheZoom)
{
    wheel(QPointF(600, 50), 120);
    ASSERT_NE(widget.currentPan(), QPointF(0, 0));
    press(QPointF(200, 200), Qt::RightButton);
    moveHeld(QPointF(201, 201));
    EXPECT_NE(widget.currentPan(), QPointF(0, 0)) << "nothing moves below the threshold";
    releaseRight(QPointF(201, 201));
    EXPECT_EQ(widget.currentPan(), QPointF(0, 0));
    EXPECT_FLOAT_EQ(widget.currentZoom(), 1.12f);
}

TEST_F(PreviewViewTest, DragPansByTheMotionAfterTheThresholdAndDoesNotRecentre)
{
    press(QPointF(100, 100), Qt::RightButton);
    moveHeld(QPointF(105, 100)); // Manhattan 5: below 10
    EXPECT_EQ(widget.currentPan(), QPointF(0, 0));
    moveHeld(QPointF(124, 106)); // Manhattan 30: dragging from here
    EXPECT_EQ(widget.currentPan(), QPointF(19, 6));
    moveHeld(QPointF(130, 110));
    EXPECT_EQ(widget.currentPan(), QPointF(25, 10));
    releaseRight(QPointF(130, 110));
    EXPECT_EQ(widget.currentPan(), QPointF(25, 10));

    // The next gesture starts below the threshold again.
    press(QPointF(10, 10), Qt::RightButton);
    moveHeld(QPointF(14, 13)); // Manhattan 7
    releaseRight(QPointF(14, 13));
    EXPECT_EQ(widget.currentPan(), QPointF(0, 0));
}

TEST_F(PreviewViewTest, ManhattanDistanceDecidesTheThreshold)
{
    press(QPointF(100, 100), Qt::RightButton);
    moveHeld(QPointF(106, 104)); // Euclidean 7.2, Manhattan 10
    EXPECT_EQ(widget.currentPan(), QPointF(6, 4));
    releaseRight(QPointF(106, 104));
    EXPECT_EQ(widget.currentPan(), QPointF(6, 4));
}

TEST_F(PreviewViewTest, MovesWithoutTheRightButtonAreIgnored)
{
    EXPECT_FALSE(mouse(QEvent::MouseMove, QPointF(300, 300), Qt::NoButton, Qt::NoButton));
    EXPECT_FALSE(mouse(QEvent::MouseMove, QPointF(300, 300), Qt::NoButton, Qt::LeftButton));
    EXPECT_EQ(widget.currentPan(), QPointF(0, 0));
}

TEST_F(PreviewViewTest, RightButtonShowsTheClosedHandWhileHeld)
{
    QWidget window;
    widget.setParent(&window); // a child, as in the main window: its own cursor can be unset
    EXPECT_FALSE(widget.testAttribute(Qt::WA_SetCursor));
    press(QPointF(50, 50), Qt::RightButton);
    EXPECT_TRUE(widget.testAttribute(Qt::WA_SetCursor));
    EXPECT_EQ(widget.cursor().shape(), Qt::ClosedHandCursor);
    releaseRight(QPointF(50, 50));
    EXPECT_FALSE(widget.testAttribute(Qt::WA_SetCursor));
    widget.setParent(nullptr);
}

TEST_F(PreviewViewTest, MiddleClickResetsZoomAndPanButNotTheFraming)
{
    const std::optional<QRectF> framing = widget.framing();
    wheel(QPointF(600, 400), 120);
    wheel(QPointF(600, 400), 120);
    ASSERT_NE(widget.currentPan(), QPointF(0, 0));
    EXPECT_TRUE(mouse(QEvent::MouseButtonPress, QPointF(10, 10), Qt::MiddleButton, Qt::MiddleButton));
    EXPECT_FLOAT_EQ(widget.currentZoom(), 1.0f);
    EXPECT_EQ(widget.currentPan(), QPointF(0, 0));
    EXPECT_EQ(widget.framing(), framing);

    // Also while a message is shown.
    wheel(QPointF(600, 400), 120);
    widget.setMessage(LiveText::fixed("text"));
    press(QPointF(10, 10), Qt::MiddleButton);
    EXPECT_FLOAT_EQ(widget.currentZoom(), 1.0f);
}

TEST_F(PreviewViewTest, ResetViewRestoresZoomPanAndFraming)
{
    wheel(QPointF(600, 400), 120);
    widget.resetView();
    EXPECT_FLOAT_EQ(widget.currentZoom(), 1.0f);
    EXPECT_EQ(widget.currentPan(), QPointF(0, 0));
    EXPECT_FALSE(widget.framing().has_value());
    EXPECT_TRUE(widget.showsFrame()) << "the frame stays until the next setFrame or setMessage";
}

} // namespace
} // namespace kvx
