#pragma once
// Paints a sampled frame as the official renderer of its line draws it: every draw command back to
// front through a camera into a premultiplied target, with its page's filters, the line's blend
// equations and two-colour tint. The one painter of the window's canvas and of rendered frames.

#include "preview/runtimeplugin.h"
#include "render/camera.h"
#include "render/pagetexture.h"
#include "render/rendererrules.h"

#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace kvx {

// A page image: its ARGB32 texels as stored in the file (neither premultiplied nor
// unpremultiplied by the reader) and what the atlas says of it.
struct PageImage {
    TextureView texels;
    PageDescription description;
};

// The page image for a draw command's page path; empty when it cannot be read (its commands are
// skipped). The texels must stay valid until the painter's next forgetPages() or its end.
using PageLookup = std::function<std::optional<PageImage>(const std::u16string &path)>;

class FramePainter {
public:
    explicit FramePainter(const RendererRules &rules = rendererRulesFor(4, 3));

    // The line whose renderer is followed; prepared pages are kept. The rules are referred to, not
    // copied: rendererRulesFor's tables last as long as the program.
    void setRules(const RendererRules &rules);
    const RendererRules &rules() const { return *lineRules; }

    // Draws over what the target holds, in the camera's mapping (the target is the camera's image).
    void paint(const std::vector<DrawItem> &items, const Camera &camera, const PixelView &target,
               const PageLookup &pages);

    // Drops what was prepared from page images (premultiplied copies, mip chains): to be called
    // when the images behind the lookup go away or change.
    void forgetPages() { prepared.clear(); }

private:
    const PageTexture *preparedPage(const std::u16string &path, const PageImage &image);

    const RendererRules *lineRules;
    std::unordered_map<std::u16string, PageTexture> prepared;
};

} // namespace kvx
