#include "render/framepainter.h"

namespace kvx {

FramePainter::FramePainter(const RendererRules &rules) : lineRules(&rules) {}

void FramePainter::setRules(const RendererRules &rules)
{
    lineRules = &rules;
}

const PageTexture *FramePainter::preparedPage(const std::u16string &path, const PageImage &image)
{
    const bool premultiply = lineRules->premultipliesPages;
    auto found = prepared.find(path);
    if (found != prepared.end() && found->second.isFor(image.texels, image.description, premultiply))
        return &found->second;
    if (found != prepared.end())
        prepared.erase(found);
    return &prepared.try_emplace(path, image.texels, image.description, premultiply).first->second;
}

void FramePainter::paint(const std::vector<DrawItem> &items, const Camera &camera, const PixelView &target,
                         const PageLookup &pages)
{
    const CanvasMapping mapping = camera.canvasMapping();
    for (const DrawItem &item : items) {
        const std::optional<PageImage> image = pages(item.texturePath);
        if (!image || !image->texels.pixels || image->texels.width <= 0 || image->texels.height <= 0)
            continue;
        const PageTexture *page = preparedPage(item.texturePath, *image);
        TriangleList list;
        list.vertices = item.vertices.data();
        list.vertexCount = item.vertices.size();
        list.indices = item.indices.data();
        list.indexCount = item.indices.size();
        list.tint = tintSetupFor(*lineRules, image->description.premultiplied, item.blendMode, item.darkColor);
        drawTriangleList(target, page->sampled(), mapping, list);
    }
}

} // namespace kvx
