// Paints frames of textured triangles into a 960 x 680 image the way the preview canvas does and
// prints milliseconds per frame. Besides the canvas itself it times two variations of the same
// per-triangle procedure, to show where the time goes: a premultiplied page, and no triangle clip.
//
// Run: kvx-bench-preview-paint [seconds per measurement, default 1]

#include "preview/spinepreviewwidget.h"

#include "common/pathtext.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPainter>
#include <QPainterPath>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>

namespace {

using kvx::DrawItem;

constexpr QSize kCanvas(960, 680);
constexpr int kPageSize = 1024;
constexpr int kTrianglesPerItem = 40; // about one mesh attachment

// A page with soft-edged coloured blobs, like packed regions with transparent gutters.
QImage makePage()
{
    QImage page(kPageSize, kPageSize, QImage::Format_ARGB32);
    for (int y = 0; y < kPageSize; ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(page.scanLine(y));
        for (int x = 0; x < kPageSize; ++x) {
            const int cellX = x % 128 - 64;
            const int cellY = y % 128 - 64;
            const int alpha = std::max(0, 255 - (cellX * cellX + cellY * cellY) / 16);
            line[x] = qRgba(x / 4, y / 4, (x + y) / 8, alpha);
        }
    }
    return page;
}

kvxRuntimeVertex vertex(float x, float y, float u, float v)
{
    return kvxRuntimeVertex{x, y, u, v, 0xFFFFFFFFu};
}

// Triangles spread over a 400 x 600 figure in skeleton space, in pairs forming quads on a grid.
// Each quad samples its own 64 x 64 texel region of the page; neighbours overlap a little.
std::vector<DrawItem> makeFrame(int triangles, const std::u16string &page)
{
    const int quads = (triangles + 1) / 2;
    const int columns = std::max(1, static_cast<int>(std::lround(std::sqrt(quads * 400.0 / 600.0))));
    const int rows = (quads + columns - 1) / columns;
    const float cellWidth = 400.0f / columns;
    const float cellHeight = 600.0f / rows;
    std::vector<DrawItem> items;
    int made = 0;
    for (int q = 0; q < quads; ++q) {
        if (items.empty() || items.back().indices.size() >= kTrianglesPerItem * 3) {
            items.emplace_back();
            items.back().texturePath = page;
        }
        DrawItem &item = items.back();
        const float x = (q % columns) * cellWidth - 200.0f;
        const float y = (q / columns) * cellHeight - 600.0f;
        const float u = ((q * 7) % 16) / 16.0f;
        const float v = ((q * 11) % 16) / 16.0f;
        const float span = 1.0f / 16.0f;
        const auto base = static_cast<uint16_t>(item.vertices.size());
        item.vertices.push_back(vertex(x, y, u, v));
        item.vertices.push_back(vertex(x + cellWidth * 1.1f, y, u + span, v));
        item.vertices.push_back(vertex(x + cellWidth * 1.1f, y + cellHeight * 1.1f, u + span, v + span));
        item.vertices.push_back(vertex(x, y + cellHeight * 1.1f, u, v + span));
        for (const uint16_t corner : {0, 1, 2, 0, 2, 3}) {
            if (made == triangles)
                break;
            item.indices.push_back(static_cast<uint16_t>(base + corner));
            if (item.indices.size() % 3 == 0)
                ++made;
        }
    }
    return items;
}

// The canvas's per-triangle procedure without the widget, for the variations.
void paintVariation(QPainter &painter, const std::vector<DrawItem> &frame, const QRectF &bounds, const QImage &page,
                    bool clipToTriangle)
{
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.fillRect(QRect(QPoint(0, 0), kCanvas), QColor(0x10, 0x12, 0x17));
    const double scale = std::min(kCanvas.height() / bounds.height(), kCanvas.width() / bounds.width()) * 0.94;
    const QPointF centre = bounds.center();
    const auto map = [&](const kvxRuntimeVertex &v) {
        return QPointF((v.x - centre.x()) * scale + kCanvas.width() * 0.5,
                       (v.y - centre.y()) * scale + kCanvas.height() * 0.5);
    };
    for (const DrawItem &item : frame) {
        for (size_t k = 0; k + 2 < item.indices.size(); k += 3) {
            const kvxRuntimeVertex &v0 = item.vertices[item.indices[k]];
            const kvxRuntimeVertex &v1 = item.vertices[item.indices[k + 1]];
            const kvxRuntimeVertex &v2 = item.vertices[item.indices[k + 2]];
            const QPointF t0(v0.u * page.width(), v0.v * page.height());
            const QPointF t1(v1.u * page.width(), v1.v * page.height());
            const QPointF t2(v2.u * page.width(), v2.v * page.height());
            const QPointF d0 = map(v0), d1 = map(v1), d2 = map(v2);
            QTransform transform;
            if (!QTransform::quadToQuad(QPolygonF({t0, t1, t2, t1 + t2 - t0}), QPolygonF({d0, d1, d2, d1 + d2 - d0}),
                                        transform))
                continue;
            painter.save();
            if (clipToTriangle) {
                QPainterPath clip;
                clip.addPolygon(QPolygonF({d0, d1, d2}));
                painter.setClipPath(clip, Qt::ReplaceClip);
            } else {
                painter.setClipRect(QPolygonF({d0, d1, d2}).boundingRect(), Qt::ReplaceClip);
            }
            painter.setWorldTransform(transform, false);
            painter.drawImage(QPointF(0, 0), page);
            painter.restore();
        }
    }
}

struct Timing {
    double wall = 0;    // milliseconds per frame
    double process = 0; // CPU milliseconds per frame: steadier than wall time on a busy machine
};

Timing millisecondsPerFrame(double seconds, const std::function<void(QPainter &)> &paint)
{
    QImage target(kCanvas, QImage::Format_ARGB32_Premultiplied);
    {
        QPainter warmUp(&target);
        paint(warmUp);
    }
    QElapsedTimer clock;
    clock.start();
    const std::clock_t cpuStart = std::clock();
    int frames = 0;
    while (frames < 3 || clock.nsecsElapsed() < seconds * 1e9) {
        QPainter painter(&target);
        paint(painter);
        painter.end();
        ++frames;
    }
    Timing timing;
    timing.wall = clock.nsecsElapsed() / 1e6 / frames;
    timing.process = (std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC / frames;
    return timing;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 1.0;

    QTemporaryDir folder;
    const QString pagePath = QDir(folder.path()).filePath("page.png");
    const QImage page = makePage();
    page.save(pagePath);
    const QImage premultiplied = page.convertToFormat(QImage::Format_ARGB32_Premultiplied);

    std::printf("Preview frame painting, %dx%d target, %dx%d page, textured triangles\n", kCanvas.width(),
                kCanvas.height(), kPageSize, kPageSize);
    std::printf("milliseconds per frame, wall (CPU)\n");
    std::printf("%10s %18s %18s %18s\n", "triangles", "canvas", "premult page", "rect clip");
    for (const int triangles : {100, 500, 2000, 5000}) {
        kvx::SpinePreviewWidget widget;
        std::vector<DrawItem> frame = makeFrame(triangles, pagePath.toStdU16String());
        const std::vector<DrawItem> copy = frame;
        widget.setFrame(std::move(frame));
        const QRectF bounds = widget.framing().value_or(QRectF(0, 0, 1, 1));
        const Timing canvas = millisecondsPerFrame(seconds, [&](QPainter &p) { widget.paintContent(p, kCanvas); });
        const Timing premultipliedPage =
            millisecondsPerFrame(seconds, [&](QPainter &p) { paintVariation(p, copy, bounds, premultiplied, true); });
        const Timing rectangleClip =
            millisecondsPerFrame(seconds, [&](QPainter &p) { paintVariation(p, copy, bounds, page, false); });
        std::printf("%10d %9.2f (%6.2f) %9.2f (%6.2f) %9.2f (%6.2f)\n", triangles, canvas.wall, canvas.process,
                    premultipliedPage.wall, premultipliedPage.process, rectangleClip.wall, rectangleClip.process);
    }
    return 0;
}
