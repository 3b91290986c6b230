#pragma once
// A page image as the renderer samples it: its texels as uploaded (premultiplied there where the
// line does so) and, for mipmapped filters, the mip chain the renderer has generated.

#include "preview/rasterizer.h"

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace kvx {

struct AtlasPage;
struct PageRecord;

// What the atlas says of a page: premultiplied alpha ("pma") and its filters ("filter: min,mag").
struct PageDescription {
    bool premultiplied = false;
    TextureFilter minFilter = TextureFilter::Nearest; // the atlas format's default without a filter line
    TextureFilter magFilter = TextureFilter::Nearest;

    bool operator==(const PageDescription &) const = default;
};

// One filter name as atlases write it: Nearest, Linear, MipMap (MipMapLinearLinear) and the four
// MipMap<texel><level> names; the first letter in either case. Empty for anything else.
std::optional<TextureFilter> parseTextureFilter(std::string_view name);

// The description of an atlas page. An unknown filter name leaves the renderer's own setting,
// Linear; a mipmapped magnifying filter magnifies as Linear.
PageDescription pageDescriptionOf(const AtlasPage &page);
PageDescription pageDescriptionOf(const PageRecord &page);

class PageTexture {
public:
    // fileTexels: the page's ARGB32 values as stored in the file (premultiplied ones for a
    // premultiplied page), which must stay valid while this texture is used unless
    // premultiplyOnUpload copies them.
    PageTexture(const TextureView &fileTexels, const PageDescription &description, bool premultiplyOnUpload);

    bool isFor(const TextureView &fileTexels, const PageDescription &description, bool premultiplyOnUpload) const;
    SampledTexture sampled() const;
    int levelCount() const { return static_cast<int>(levels.size()); }
    const TextureView &level(int index) const { return levels[static_cast<size_t>(index)]; }

private:
    TextureView source;
    PageDescription description;
    bool premultiplyOnUpload = false;
    std::vector<std::vector<uint32_t>> owned; // converted level 0 and the mip chain
    std::vector<TextureView> levels;
};

// The next mip level of a level: size halved (rounded down, at least 1), each texel the rounded
// mean of the 2 × 2 texels it covers; an odd size's last row or column falls outside every box.
std::vector<uint32_t> halvedLevel(const TextureView &level, int &width, int &height);

} // namespace kvx
