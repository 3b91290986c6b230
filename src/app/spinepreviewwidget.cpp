#include "app/spinepreviewwidget.h"

#include "preview/rasterizer.h"
#include "render/framepainter.h"
#include "render/qt/pageimages.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPaintEngine>
#include <QPainter>
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
const QColor kNoticeBand(0x10, 0x12, 0x17, 0xd8);
const QColor kNoticeColour(0xf2, 0xb8, 0x4b);
constexpr float kZoomStep = 1.12f;
constexpr float kMinZoom = 0.15f;
constexpr float kMaxZoom = 8.0f;
constexpr float kFitShare = 0.94f; // the framing fills 94 % of the limiting side at zoom 1

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

QString cleanAbsolutePath(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

SpinePreviewWidget::SpinePreviewWidget(QWidget *parent) : QWidget(parent)
{
    setMinimumSize(240, 120); // the window fits small screens; the canvas takes what is left
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAutoFillBackground(false);
    setAttribute(Qt::WA_MouseTracking);
    retranslate();
}

SpinePreviewWidget::~SpinePreviewWidget() = default;

void SpinePreviewWidget::resetView()
{
    zoom = 1.0f;
    pan = QPointF();
    contentBounds.reset();
}

void SpinePreviewWidget::setMessage(const LiveText &text, const QString &detail)
{
    frame.clear();
    messageWords = text;
    message = text.text();
    messageDetail = detail;
    update();
}

void SpinePreviewWidget::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}

void SpinePreviewWidget::retranslate()
{
    const QString hints = toolTipHints.text();
    const QString own = tr("滚轮缩放 · 中键重置 · 右键拖动 · 右键单击居中");
    setToolTip(hints.isEmpty() ? own : own + QLatin1Char('\n') + hints);
    message = messageWords.text();
    notice = noticeWords.text();
    update();
}

void SpinePreviewWidget::setToolTipHints(const LiveText &hints)
{
    toolTipHints = hints;
    retranslate();
}

void SpinePreviewWidget::setFrame(std::vector<DrawItem> items)
{
    // The first frame with an extent fixes the framing, so a moving animation does not bob.
    if (!contentBounds)
        contentBounds = extentOf(items);
    frame = std::move(items);
    messageWords = LiveText();
    message.clear();
    messageDetail.clear();
    update();
}

void SpinePreviewWidget::setFraming(std::optional<QRectF> bounds)
{
    contentBounds = bounds;
    update();
}

void SpinePreviewWidget::setPageDescriptions(const QHash<QString, PageDescription> &pages)
{
    pageDescriptions.clear();
    for (auto page = pages.begin(); page != pages.end(); ++page)
        pageDescriptions.insert(cleanAbsolutePath(page.key()), page.value());
    describeCachedPages();
}

void SpinePreviewWidget::setPageAlpha(PageAlpha alpha)
{
    if (alphaRule == alpha)
        return;
    alphaRule = alpha;
    describeCachedPages();
}

// Cached texels stay: the description only changes how they are prepared.
void SpinePreviewWidget::describeCachedPages()
{
    for (auto page = pageCache.begin(); page != pageCache.end(); ++page)
        page->description = descriptionOf(page.key());
    update();
}

void SpinePreviewWidget::setNotice(const LiveText &text)
{
    noticeWords = text;
    const QString words = text.text();
    if (notice == words)
        return;
    notice = words;
    update();
}

void SpinePreviewWidget::setRendererRules(const RendererRules &rules)
{
    framePainter.setRules(rules);
    update();
}

PageDescription SpinePreviewWidget::descriptionOf(const QString &path) const
{
    PageDescription description =
        pageDescriptions.isEmpty() ? kUndescribedPage : pageDescriptions.value(cleanAbsolutePath(path), kUndescribedPage);
    if (alphaRule != PageAlpha::Automatic)
        description.premultiplied = alphaRule == PageAlpha::Premultiplied;
    return description;
}

const QImage &SpinePreviewWidget::pageImage(const std::u16string &path)
{
    const QString key = QString::fromStdU16String(path);
    const auto cached = pageCache.constFind(key);
    if (cached != pageCache.constEnd())
        return cached->image;
    // A page that cannot be read is cached as a null image too, so it is not tried again.
    Result<QImage> read = readPageImage(key);
    if (!read) {
        const Failure why = read.failure();
        pageCache.insert(key, CachedPage{QImage(), descriptionOf(key), why});
        if (pageFailed)
            pageFailed(key, why);
        return pageCache.constFind(key)->image;
    }
    return pageCache.insert(key, CachedPage{std::move(*read), descriptionOf(key), std::nullopt})->image;
}

void SpinePreviewWidget::forgetUnreadablePages()
{
    pageCache.removeIf([](QHash<QString, CachedPage>::iterator page) { return page->failure.has_value(); });
}

void SpinePreviewWidget::setPageFailureHandler(std::function<void(const QString &path, const Failure &why)> handler)
{
    pageFailed = std::move(handler);
}

Camera SpinePreviewWidget::camera(const QSize &size, qreal pixelRatio) const
{
    const QRectF bounds = contentBounds.value_or(QRectF(0, 0, 1, 1));
    const float scale = std::min(static_cast<float>(size.height()) / std::max(static_cast<float>(bounds.height()), 1.0f),
                                 static_cast<float>(size.width()) / std::max(static_cast<float>(bounds.width()), 1.0f))
        * kFitShare * zoom;
    // The framing's centre sits at the image centre, moved by the pan; bounds are y down, the camera y up.
    Camera view;
    view.x = bounds.center().x() - pan.x() / scale;
    view.y = -bounds.center().y() + pan.y() / scale;
    view.zoom = scale * pixelRatio;
    view.width = qRound(size.width() * pixelRatio);
    view.height = qRound(size.height() * pixelRatio);
    return view;
}

void SpinePreviewWidget::paintContent(QPainter &painter, const QSize &size)
{
    painter.setRenderHints(painter.renderHints(), false);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (!frame.empty()) {
        paintFrame(painter, size);
    } else {
        const QRect area(QPoint(0, 0), size);
        paintBackground(painter, area);
        painter.setPen(backdrop == PreviewBackground::Dark ? kMessageColour : kMessageOnLightColour);
        painter.setFont(font());
        painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap,
                         messageDetail.isEmpty() ? message : message + QStringLiteral("\n\n") + messageDetail);
    }
    paintNotice(painter, size);
}

// A band along the top, readable on every background and over any frame.
void SpinePreviewWidget::paintNotice(QPainter &painter, const QSize &size) const
{
    if (notice.isEmpty())
        return;
    const int padding = fontMetrics().height() / 2;
    const QRect text(padding, padding, std::max(size.width() - 2 * padding, 1), size.height());
    const QRect needed = fontMetrics().boundingRect(text, Qt::TextWordWrap, notice);
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.fillRect(QRect(0, 0, size.width(), needed.height() + 2 * padding), kNoticeBand);
    painter.setPen(kNoticeColour);
    painter.setFont(font());
    painter.drawText(text, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, notice);
    painter.restore();
}

void SpinePreviewWidget::paintBackground(QPainter &painter, const QRect &area) const
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

// Where the painter's image holds the widget's pixels, when the frame can be composed there
// directly instead of in the canvas and then copied: an image in the canvas's layout (or its
// opaque twin, which an opaque frame fits too), reached at whole pixels without scaling, wholly
// inside the image and the region being painted, with nothing clipped or mixed in. Otherwise null.
QImage directTarget(QPainter &painter, const QSize &size)
{
    QPaintEngine *engine = painter.paintEngine();
    QPaintDevice *device = engine ? engine->paintDevice() : nullptr;
    if (!device || device->devType() != QInternal::Image || painter.hasClipping() || painter.opacity() != 1.0
        || (painter.compositionMode() != QPainter::CompositionMode_SourceOver
            && painter.compositionMode() != QPainter::CompositionMode_Source))
        return {};
    auto *image = static_cast<QImage *>(device);
    if (image->format() != QImage::Format_ARGB32_Premultiplied && image->format() != QImage::Format_RGB32)
        return {};
    const QTransform transform = painter.deviceTransform();
    const QPoint offset(qRound(transform.dx()), qRound(transform.dy()));
    if (transform.type() > QTransform::TxTranslate || QPointF(offset) != QPointF(transform.dx(), transform.dy()))
        return {};
    const QRect area(offset, size);
    const QRegion painted = engine->systemClip();
    if (area.isEmpty() || !image->rect().contains(area) || !(painted.isEmpty() || QRegion(area).subtracted(painted).isEmpty()))
        return {};
    uchar *first = image->bits() + offset.y() * image->bytesPerLine() + offset.x() * 4;
    return QImage(first, area.width(), area.height(), image->bytesPerLine(), image->format());
}

// The background and the triangles are composed at the device's pixel density: straight into the
// painter's image when it allows, else in the canvas image, drawn onto the painter in one piece.
void SpinePreviewWidget::paintFrame(QPainter &painter, const QSize &size)
{
    QImage direct = directTarget(painter, size);
    if (!direct.isNull()) {
        composeFrame(direct, size, 1.0);
        return;
    }
    const qreal pixelRatio = painter.device() ? painter.device()->devicePixelRatio() : 1.0;
    const QSize pixels = (QSizeF(size) * pixelRatio).toSize();
    if (canvas.size() != pixels)
        canvas = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    composeFrame(canvas, size, pixelRatio);
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QPointF(0, 0), canvas);
    painter.restore();
}

void SpinePreviewWidget::composeFrame(QImage &target, const QSize &size, qreal pixelRatio)
{
    target.setDevicePixelRatio(pixelRatio);
    {
        QPainter targetPainter(&target);
        paintBackground(targetPainter, QRect(QPoint(0, 0), size));
    }

    const PixelView pixels{reinterpret_cast<uint32_t *>(target.bits()), target.width(), target.height(),
                           target.bytesPerLine() / 4};
    const PageLookup pages = [this](const std::u16string &path) -> std::optional<PageImage> {
        const QImage &image = pageImage(path);
        if (image.isNull())
            return std::nullopt;
        return PageImage{texelsOf(image), pageCache.constFind(QString::fromStdU16String(path))->description};
    };
    framePainter.paint(frame, camera(size, pixelRatio), pixels, pages);
    // Over the opaque background only colour is shown; lines whose equations let alpha drop there
    // would otherwise leave a translucent image for the window system to blend.
    if (!keepsOpaqueTargetsOpaque(framePainter.rules())) {
        for (int y = 0; y < target.height(); ++y) {
            auto *line = reinterpret_cast<uint32_t *>(target.scanLine(y));
            for (int x = 0; x < target.width(); ++x)
                line[x] |= 0xff000000u;
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
