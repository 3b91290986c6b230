#include "preview/spinepreviewwidget.h"

#include <QApplication>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QTransform>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <limits>

namespace kvx {
namespace {

const QColor kBackground(0x10, 0x12, 0x17);
const QColor kLightBackground(0xe8, 0xea, 0xee);
const QColor kCheckerLight(0xf4, 0xf5, 0xf7);
const QColor kCheckerDark(0xc9, 0xcd, 0xd4);
constexpr int kCheckerSquare = 10;
const QColor kMessageColour(0xa7, 0xad, 0xb8);
const QColor kMessageOnLightColour(0x4b, 0x51, 0x60);
constexpr float kZoomStep = 1.12f;
constexpr float kMinZoom = 0.15f;
constexpr float kMaxZoom = 8.0f;
constexpr float kFitShare = 0.94f; // the framing fills 94 % of the limiting side at zoom 1

QPainter::CompositionMode compositionFor(int32_t blendMode)
{
    switch (blendMode) {
    case 1:
        return QPainter::CompositionMode_Plus;
    case 2:
        return QPainter::CompositionMode_Multiply;
    case 3:
        return QPainter::CompositionMode_Screen;
    default:
        return QPainter::CompositionMode_SourceOver;
    }
}

// One tile of the checkerboard: two light and two dark squares.
const QImage &checkerTile()
{
    static const QImage tile = [] {
        QImage image(2 * kCheckerSquare, 2 * kCheckerSquare, QImage::Format_RGB32);
        image.fill(kCheckerLight);
        QPainter painter(&image);
        painter.fillRect(kCheckerSquare, 0, kCheckerSquare, kCheckerSquare, kCheckerDark);
        painter.fillRect(0, kCheckerSquare, kCheckerSquare, kCheckerSquare, kCheckerDark);
        return image;
    }();
    return tile;
}

// The extent of every vertex, in single precision; none when it spans no area.
std::optional<QRectF> extentOf(const std::vector<DrawItem> &items)
{
    float minX = std::numeric_limits<float>::max();
    float minY = std::numeric_limits<float>::max();
    float maxX = -std::numeric_limits<float>::max();
    float maxY = -std::numeric_limits<float>::max();
    for (const DrawItem &item : items) {
        for (const kvxRuntimeVertex &vertex : item.vertices) {
            minX = std::min(minX, vertex.x);
            minY = std::min(minY, vertex.y);
            maxX = std::max(maxX, vertex.x);
            maxY = std::max(maxY, vertex.y);
        }
    }
    if (maxX > minX && maxY > minY)
        return QRectF(minX, minY, maxX - minX, maxY - minY);
    return std::nullopt;
}

// Skeleton space to widget pixels for one paint.
struct ViewMapping {
    float scale = 1.0f;
    QPointF centre;
    QPointF origin; // where the framing's centre lands: the widget's centre moved by the pan

    QPointF map(const kvxRuntimeVertex &vertex) const
    {
        return QPointF((vertex.x - centre.x()) * scale + origin.x(), (vertex.y - centre.y()) * scale + origin.y());
    }
};

QPointF texturePoint(const kvxRuntimeVertex &vertex, const QImage &image)
{
    return QPointF(vertex.u * static_cast<float>(image.width()), vertex.v * static_cast<float>(image.height()));
}

// Draws the page image affinely mapped onto one triangle and clipped to it.
void paintTriangle(QPainter &painter, const QImage &image, const ViewMapping &mapping, const kvxRuntimeVertex &v0,
                   const kvxRuntimeVertex &v1, const kvxRuntimeVertex &v2)
{
    const QPointF t0 = texturePoint(v0, image);
    const QPointF t1 = texturePoint(v1, image);
    const QPointF t2 = texturePoint(v2, image);
    const QPointF d0 = mapping.map(v0);
    const QPointF d1 = mapping.map(v1);
    const QPointF d2 = mapping.map(v2);
    // The fourth corners complete parallelograms, so the quad map is the triangles' affine map.
    QTransform transform;
    if (!QTransform::quadToQuad(QPolygonF({t0, t1, t2, t1 + t2 - t0}), QPolygonF({d0, d1, d2, d1 + d2 - d0}), transform))
        return;
    QPainterPath clip;
    clip.addPolygon(QPolygonF({d0, d1, d2}));
    painter.save();
    painter.setClipPath(clip, Qt::ReplaceClip);
    painter.setOpacity(qAlpha(v0.color) / 255.0);
    painter.setWorldTransform(transform, false);
    painter.drawImage(QPointF(0, 0), image);
    painter.restore();
}

} // namespace

SpinePreviewWidget::SpinePreviewWidget(QWidget *parent) : QWidget(parent)
{
    setMinimumSize(640, 440);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAutoFillBackground(false);
    setAttribute(Qt::WA_MouseTracking);
    setToolTip(tr("滚轮缩放 · 中键重置 · 右键拖动 · 右键单击居中"));
}

SpinePreviewWidget::~SpinePreviewWidget() = default;

void SpinePreviewWidget::resetView()
{
    zoom = 1.0f;
    pan = QPointF();
    contentBounds.reset();
}

void SpinePreviewWidget::setMessage(const QString &text)
{
    frame.clear();
    message = text;
    update();
}

void SpinePreviewWidget::setFrame(std::vector<DrawItem> items)
{
    // The first frame with an extent fixes the framing, so a moving animation does not bob.
    if (!contentBounds)
        contentBounds = extentOf(items);
    frame = std::move(items);
    message.clear();
    update();
}

void SpinePreviewWidget::setFraming(std::optional<QRectF> bounds)
{
    contentBounds = bounds;
    update();
}

const QImage &SpinePreviewWidget::pageImage(const std::u16string &path)
{
    const QString key = QString::fromStdU16String(path);
    const auto cached = pageCache.constFind(key);
    if (cached != pageCache.constEnd())
        return *cached;
    // A page that cannot be read is cached as a null image too, so it is not tried again. Only
    // regular files are opened: reading a FIFO named like a page would block the window.
    const QImage image = QFileInfo(key).isFile() ? QImage(key) : QImage();
    return *pageCache.insert(key, image);
}

void SpinePreviewWidget::paintContent(QPainter &painter, const QSize &size)
{
    painter.setRenderHints(painter.renderHints(), false);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRect area(QPoint(0, 0), size);
    fillBackground(painter, area);
    if (frame.empty()) {
        painter.setPen(backdrop == PreviewBackground::Dark ? kMessageColour : kMessageOnLightColour);
        painter.setFont(font());
        painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, message);
        return;
    }
    painter.save();
    paintFrame(painter, size);
    painter.restore();
}

void SpinePreviewWidget::fillBackground(QPainter &painter, const QRect &area) const
{
    switch (backdrop) {
    case PreviewBackground::Dark:
        painter.fillRect(area, kBackground);
        break;
    case PreviewBackground::Light:
        painter.fillRect(area, kLightBackground);
        break;
    case PreviewBackground::Checkerboard:
        painter.fillRect(area, QBrush(checkerTile()));
        break;
    }
}

void SpinePreviewWidget::setBackground(PreviewBackground background)
{
    if (backdrop == background)
        return;
    backdrop = background;
    update();
}

void SpinePreviewWidget::zoomAboutCentre(int steps)
{
    if (frame.empty() || steps == 0)
        return;
    zoomAbout(QPointF(), steps > 0 ? kZoomStep : 1.0f / kZoomStep);
    update();
}

void SpinePreviewWidget::resetZoomAndPan()
{
    zoom = 1.0f;
    pan = QPointF();
    update();
}

void SpinePreviewWidget::zoomAbout(const QPointF &anchor, float factor)
{
    const float newZoom = std::clamp(zoom * factor, kMinZoom, kMaxZoom);
    const float ratio = newZoom / zoom;
    zoom = newZoom;
    // Scale the pan about the anchor, so the skeleton point there stays where it is.
    pan = anchor - (anchor - pan) * ratio;
}

void SpinePreviewWidget::paintFrame(QPainter &painter, const QSize &size)
{
    const QRectF bounds = contentBounds.value_or(QRectF(0, 0, 1, 1));
    const float width = static_cast<float>(size.width());
    const float height = static_cast<float>(size.height());
    ViewMapping mapping;
    mapping.scale = std::min(height / std::max(static_cast<float>(bounds.height()), 1.0f),
                             width / std::max(static_cast<float>(bounds.width()), 1.0f))
        * kFitShare * zoom;
    mapping.centre = bounds.center();
    mapping.origin = QPointF(width * 0.5 + pan.x(), height * 0.5 + pan.y());

    for (const DrawItem &item : frame) {
        const QImage &image = pageImage(item.texturePath);
        if (image.isNull())
            continue;
        painter.setCompositionMode(compositionFor(item.blendMode));
        const size_t vertexCount = item.vertices.size();
        // One or two indices left over at the end make no triangle.
        for (size_t k = 0; k + 2 < item.indices.size(); k += 3) {
            const size_t i0 = item.indices[k];
            const size_t i1 = item.indices[k + 1];
            const size_t i2 = item.indices[k + 2];
            if (i0 >= vertexCount || i1 >= vertexCount || i2 >= vertexCount)
                continue;
            paintTriangle(painter, image, mapping, item.vertices[i0], item.vertices[i1], item.vertices[i2]);
        }
    }
}

void SpinePreviewWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintContent(painter, size());
}

void SpinePreviewWidget::wheelEvent(QWheelEvent *event)
{
    const int delta = event->angleDelta().y();
    if (frame.empty() || delta == 0) {
        event->ignore();
        return;
    }
    zoomAbout(event->position() - QPointF(width() * 0.5, height() * 0.5), delta > 0 ? kZoomStep : 1.0f / kZoomStep);
    update();
    event->accept();
}

void SpinePreviewWidget::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::MiddleButton) {
        resetZoomAndPan();
        event->accept();
    } else if (event->button() == Qt::RightButton) {
        pressPosition = event->position();
        lastPosition = event->position();
        dragging = false;
        setCursor(Qt::ClosedHandCursor);
        event->accept();
    } else {
        QWidget::mousePressEvent(event);
    }
}

void SpinePreviewWidget::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::RightButton)) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    const QPointF position = event->position();
    if (!dragging) {
        const QPointF moved = position - pressPosition;
        dragging = std::abs(moved.x()) + std::abs(moved.y()) >= QApplication::startDragDistance();
    }
    // Movement below the threshold is never applied: only what follows the last such event.
    if (dragging) {
        pan += position - lastPosition;
        update();
    }
    lastPosition = position;
    event->accept();
}

void SpinePreviewWidget::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::RightButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    unsetCursor();
    if (!dragging) {
        pan = QPointF(); // a right click recentres, keeping the zoom
        update();
    }
    dragging = false;
    event->accept();
}

} // namespace kvx
