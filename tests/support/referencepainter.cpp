#include "support/referencepainter.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QTransform>
#include <algorithm>

namespace kvx::test {
namespace {

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

struct ViewMapping {
    float scale = 1.0f;
    QPointF centre;
    QPointF origin;

    QPointF map(const kvxRuntimeVertex &vertex) const
    {
        return QPointF((vertex.x - centre.x()) * scale + origin.x(), (vertex.y - centre.y()) * scale + origin.y());
    }
};

QPointF texturePoint(const kvxRuntimeVertex &vertex, const QImage &image)
{
    return QPointF(vertex.u * static_cast<float>(image.width()), vertex.v * static_cast<float>(image.height()));
}

void paintTriangle(QPainter &painter, const QImage &image, const ViewMapping &mapping, const kvxRuntimeVertex &v0,
                   const kvxRuntimeVertex &v1, const kvxRuntimeVertex &v2)
{
    const QPointF t0 = texturePoint(v0, image);
    const QPointF t1 = texturePoint(v1, image);
    const QPointF t2 = texturePoint(v2, image);
    const QPointF d0 = mapping.map(v0);
    const QPointF d1 = mapping.map(v1);
    const QPointF d2 = mapping.map(v2);
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

void paintReferenceFrame(QPainter &painter, const QSize &size, const std::vector<DrawItem> &frame,
                         const ReferenceView &view, const std::function<const QImage &(const std::u16string &)> &pages)
{
    painter.save();
    painter.setRenderHints(painter.renderHints(), false);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.fillRect(QRect(QPoint(0, 0), size), QColor(0x10, 0x12, 0x17));
    const float width = static_cast<float>(size.width());
    const float height = static_cast<float>(size.height());
    ViewMapping mapping;
    mapping.scale = std::min(height / std::max(static_cast<float>(view.framing.height()), 1.0f),
                             width / std::max(static_cast<float>(view.framing.width()), 1.0f))
        * 0.94f * view.zoom;
    mapping.centre = view.framing.center();
    mapping.origin = QPointF(width * 0.5 + view.pan.x(), height * 0.5 + view.pan.y());
    for (const DrawItem &item : frame) {
        const QImage &image = pages(item.texturePath);
        if (image.isNull())
            continue;
        painter.setCompositionMode(compositionFor(item.blendMode));
        const size_t vertexCount = item.vertices.size();
        for (size_t k = 0; k + 2 < item.indices.size(); k += 3) {
            const size_t i0 = item.indices[k];
            const size_t i1 = item.indices[k + 1];
            const size_t i2 = item.indices[k + 2];
            if (i0 >= vertexCount || i1 >= vertexCount || i2 >= vertexCount)
                continue;
            paintTriangle(painter, image, mapping, item.vertices[i0], item.vertices[i1], item.vertices[i2]);
        }
    }
    painter.restore();
}

} // namespace kvx::test
