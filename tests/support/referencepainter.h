#pragma once
// The preview's first frame painter, kept as a reference for the rasterizer: every triangle is one
// clipped, transformed draw of its whole page with QPainter. It shows straight-alpha pages and
// white vertex colours right (only the alpha of a triangle's first vertex is used); tests compare
// against it and the paint benchmark times it.

#include "preview/runtimeplugin.h"

#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QSize>
#include <functional>
#include <string>
#include <vector>

class QPainter;

namespace kvx::test {

struct ReferenceView {
    QRectF framing{0, 0, 1, 1};
    float zoom = 1.0f;
    QPointF pan;
};

// Paints the background "#101217" and the frame; pages come from the lookup (null ones are skipped).
void paintReferenceFrame(QPainter &painter, const QSize &size, const std::vector<DrawItem> &frame,
                         const ReferenceView &view, const std::function<const QImage &(const std::u16string &)> &pages);

} // namespace kvx::test
