#pragma once
// Frames, page images and renders for the preview canvas tests.

#include "app/spinepreviewwidget.h"

#include "common/qt/pathtext.h"
#include "support/testfiles.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <cstdlib>
#include <string>
#include <vector>

namespace kvx::test {

inline kvxRuntimeVertex makeVertex(float x, float y, float u, float v, uint32_t alpha = 0xFF)
{
    return kvxRuntimeVertex{x, y, u, v, (alpha << 24) | 0x00FFFFFFu};
}

// Writes a page image into the folder and returns its path as the plugin would hand it out.
inline std::u16string writePage(const TempFolder &folder, const std::string &name, const QImage &image)
{
    const QString path = toQString(folder / name);
    image.save(path, "PNG");
    return path.toStdU16String();
}

inline QImage solidImage(const QColor &colour, int size = 8)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

// Four quadrants of 4 x 4 pixels: red, green on top; blue, yellow below.
inline QImage quadrantImage()
{
    QImage image(8, 8, QImage::Format_ARGB32);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            const bool right = x >= 4;
            const bool bottom = y >= 4;
            image.setPixelColor(x, y, bottom ? (right ? Qt::yellow : Qt::blue) : (right ? Qt::green : Qt::red));
        }
    }
    return image;
}

// An axis-aligned rectangle in skeleton space showing the whole page, as two triangles.
inline DrawItem rectangleItem(float left, float top, float right, float bottom, const std::u16string &page,
                              int32_t blendMode = 0, uint32_t alpha = 0xFF)
{
    DrawItem item;
    item.vertices = {makeVertex(left, top, 0, 0, alpha), makeVertex(right, top, 1, 0, alpha),
                     makeVertex(right, bottom, 1, 1, alpha), makeVertex(left, bottom, 0, 1, alpha)};
    item.indices = {0, 1, 2, 0, 2, 3};
    item.texturePath = page;
    item.blendMode = blendMode;
    return item;
}

inline std::vector<DrawItem> frameOf(DrawItem item)
{
    std::vector<DrawItem> items;
    items.push_back(std::move(item));
    return items;
}

inline QImage render(SpinePreviewWidget &widget, const QSize &size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::magenta);
    QPainter painter(&image);
    widget.paintContent(painter, size);
    painter.end();
    return image;
}

inline QColor backgroundColour()
{
    return QColor(0x10, 0x12, 0x17);
}

inline bool near(const QColor &actual, const QColor &expected, int tolerance = 2)
{
    return std::abs(actual.red() - expected.red()) <= tolerance && std::abs(actual.green() - expected.green()) <= tolerance
        && std::abs(actual.blue() - expected.blue()) <= tolerance;
}

inline std::string describe(const QColor &colour)
{
    return colour.name().toStdString();
}

} // namespace kvx::test
