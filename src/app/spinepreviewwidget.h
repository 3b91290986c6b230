#pragma once
// The preview canvas: a centred message, or one sampled frame with wheel zoom and right-drag pan.

#include "common/failure.h"
#include "common/qt/livetext.h"
#include "preview/runtimeplugin.h"
#include "render/camera.h"
#include "render/framepainter.h"
#include "render/pagetexture.h"
#include "render/rendererrules.h"

#include <QHash>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

namespace kvx {

// What the canvas shows behind the skeleton; the checkerboard reveals transparency.
enum class PreviewBackground { Dark, Light, Checkerboard };

// How the canvas takes the pages' colour: as the atlas describes each page, or every page as
// premultiplied, or every page as straight alpha, whatever the atlas says.
enum class PageAlpha { Automatic, Premultiplied, Straight };

class SpinePreviewWidget : public QWidget {
    Q_OBJECT
public:
    explicit SpinePreviewWidget(QWidget *parent = nullptr);
    ~SpinePreviewWidget() override;

    void resetView();
    // A centred message, worded again when the language changes; the detail (a plugin's reason,
    // say, in no language of the window's) goes below it.
    void setMessage(const LiveText &text, const QString &detail = QString());
    void setFrame(std::vector<DrawItem> items);
    // Fixes the framing to bounds (skeleton space, y down); without bounds the next frame fixes it.
    void setFraming(std::optional<QRectF> bounds);
    // What the atlas says of each page image (premultiplied alpha, filters), by image path. Pages
    // without a description are straight and filtered linearly.
    void setPageDescriptions(const QHash<QString, PageDescription> &pages);
    // Overrides what the descriptions say of premultiplied alpha, or (Automatic) follows them.
    void setPageAlpha(PageAlpha alpha);
    PageAlpha pageAlpha() const { return alphaRule; }
    // A line over the frame or message saying why something is missing from it; empty for none.
    void setNotice(const LiveText &text);
    // Lines the tool tip shows below the canvas's own (the window's shortcuts).
    void setToolTipHints(const LiveText &hints);
    // The line whose official renderer the canvas follows (its blend equations and page handling).
    void setRendererRules(const RendererRules &rules);
    // The page's texels as stored in its file, ARGB32; null when it cannot be read.
    const QImage &pageImage(const std::u16string &path);
    // Told once for each page that cannot be read (render/qt/pageimages.h says why), when a frame
    // first needs it (while painting).
    void setPageFailureHandler(std::function<void(const QString &path, const Failure &why)> handler);
    // Pages that could not be read are tried again when next needed (and reported again).
    void forgetUnreadablePages();
    // The view (framing, zoom, pan) as a camera on an image of size at the pixel ratio.
    Camera camera(const QSize &size, qreal pixelRatio = 1.0) const;

    void setBackground(PreviewBackground background);
    PreviewBackground background() const { return backdrop; }
    // One wheel step in (positive) or out (negative) about the canvas centre; ignored over a message,
    // like the wheel.
    void zoomAboutCentre(int steps);
    // What the middle button does: zoom 1, no pan; the framing stays.
    void resetZoomAndPan();

    // Read access for the window and for tests.
    QString currentMessage() const { return message; }
    QString currentMessageDetail() const { return messageDetail; }
    QString currentNotice() const { return notice; }
    bool showsFrame() const { return !frame.empty(); }
    const std::vector<DrawItem> &currentFrame() const { return frame; }
    float currentZoom() const { return zoom; }
    QPointF currentPan() const { return pan; }
    std::optional<QRectF> framing() const { return contentBounds; }

    // Paints what paintEvent would paint, onto any device (used by paintEvent, tests and benchmarks).
    void paintContent(QPainter &painter, const QSize &size);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    struct CachedPage {
        QImage image;
        PageDescription description;
        std::optional<Failure> failure;
    };

    void retranslate();
    void paintBackground(QPainter &painter, const QRect &area) const;
    void paintNotice(QPainter &painter, const QSize &size) const;
    void describeCachedPages();
    void paintFrame(QPainter &painter, const QSize &size);
    // The background and the frame in the target image, which shows size at the pixel ratio.
    void composeFrame(QImage &target, const QSize &size, qreal pixelRatio);
    // Scales the zoom by the factor (clamped) keeping the point at anchor (from the centre) in place.
    void zoomAbout(const QPointF &anchor, float factor);
    PageDescription descriptionOf(const QString &path) const;

    std::vector<DrawItem> frame;
    QHash<QString, CachedPage> pageCache;
    std::function<void(const QString &, const Failure &)> pageFailed;
    QHash<QString, PageDescription> pageDescriptions; // by cleaned absolute path
    FramePainter framePainter;
    QImage canvas;                    // the frame is composed here, then drawn in one piece
    LiveText messageWords;
    QString message; // messageWords in the language in use
    QString messageDetail;
    LiveText noticeWords;
    QString notice;
    LiveText toolTipHints;
    PageAlpha alphaRule = PageAlpha::Automatic;
    std::optional<QRectF> contentBounds;
    float zoom = 1.0f;
    QPointF pan;
    QPointF pressPosition;
    QPointF lastPosition;
    bool dragging = false;
    PreviewBackground backdrop = PreviewBackground::Dark;
};

} // namespace kvx
