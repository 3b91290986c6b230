#include "render/pagetexture.h"

#include "assets/atlasreader.h"
#include "assets/exportrecord.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace kvx {
namespace {

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

TextureFilter magnifying(TextureFilter filter)
{
    return filter == TextureFilter::Nearest ? TextureFilter::Nearest : TextureFilter::Linear;
}

uint32_t premultiplied(uint32_t texel)
{
    const uint32_t alpha = texel >> 24;
    uint32_t result = texel & 0xff000000u;
    for (const int shift : {16, 8, 0}) {
        const uint32_t x = ((texel >> shift) & 0xffu) * alpha + 128;
        result |= ((x + (x >> 8)) >> 8) << shift;
    }
    return result;
}

} // namespace

std::optional<TextureFilter> parseTextureFilter(std::string_view name)
{
    std::string text(trimmed(name));
    if (text.empty())
        return std::nullopt;
    text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    static constexpr std::pair<std::string_view, TextureFilter> kNames[] = {
        {"Nearest", TextureFilter::Nearest},
        {"Linear", TextureFilter::Linear},
        {"MipMap", TextureFilter::MipMapLinearLinear},
        {"MipMapNearestNearest", TextureFilter::MipMapNearestNearest},
        {"MipMapLinearNearest", TextureFilter::MipMapLinearNearest},
        {"MipMapNearestLinear", TextureFilter::MipMapNearestLinear},
        {"MipMapLinearLinear", TextureFilter::MipMapLinearLinear},
    };
    for (const auto &[known, filter] : kNames) {
        if (text == known)
            return filter;
    }
    return std::nullopt;
}

namespace {

PageDescription describe(bool premultiplied, std::string_view filter)
{
    PageDescription description;
    description.premultiplied = premultiplied;
    if (filter.empty())
        return description;
    const size_t comma = filter.find(',');
    const std::string_view minName = filter.substr(0, comma);
    const std::string_view magName = comma == std::string_view::npos ? minName : filter.substr(comma + 1);
    description.minFilter = parseTextureFilter(minName).value_or(TextureFilter::Linear);
    description.magFilter = magnifying(parseTextureFilter(magName).value_or(TextureFilter::Linear));
    return description;
}

} // namespace

PageDescription pageDescriptionOf(const AtlasPage &page)
{
    return describe(page.pma.value_or(false), page.filter);
}

PageDescription pageDescriptionOf(const PageRecord &page)
{
    return describe(page.premultiplied(), page.filter);
}

std::vector<uint32_t> halvedLevel(const TextureView &level, int &width, int &height)
{
    width = std::max(1, level.width / 2);
    height = std::max(1, level.height / 2);
    std::vector<uint32_t> texels(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
        // A level one texel high or wide repeats it.
        const int top = std::min(2 * y, level.height - 1);
        const int bottom = std::min(2 * y + 1, level.height - 1);
        const uint32_t *upper = level.pixels + top * level.stride;
        const uint32_t *lower = level.pixels + bottom * level.stride;
        for (int x = 0; x < width; ++x) {
            const int left = std::min(2 * x, level.width - 1);
            const int right = std::min(2 * x + 1, level.width - 1);
            uint32_t texel = 0;
            for (const int shift : {24, 16, 8, 0}) {
                const uint32_t sum = ((upper[left] >> shift) & 0xffu) + ((upper[right] >> shift) & 0xffu)
                    + ((lower[left] >> shift) & 0xffu) + ((lower[right] >> shift) & 0xffu);
                texel |= ((sum + 2) >> 2) << shift;
            }
            texels[static_cast<size_t>(y) * width + x] = texel;
        }
    }
    return texels;
}

PageTexture::PageTexture(const TextureView &fileTexels, const PageDescription &description, bool premultiplyOnUpload)
    : source(fileTexels), description(description), premultiplyOnUpload(premultiplyOnUpload)
{
    TextureView base = fileTexels;
    if (premultiplyOnUpload && !description.premultiplied) {
        std::vector<uint32_t> &copy = owned.emplace_back(static_cast<size_t>(fileTexels.width) * fileTexels.height);
        for (int y = 0; y < fileTexels.height; ++y) {
            const uint32_t *row = fileTexels.pixels + y * fileTexels.stride;
            std::transform(row, row + fileTexels.width, copy.begin() + static_cast<ptrdiff_t>(y) * fileTexels.width,
                           premultiplied);
        }
        base = {copy.data(), fileTexels.width, fileTexels.height, fileTexels.width};
    }
    levels.push_back(base);
    if (!usesMipmaps(description.minFilter))
        return;
    // As generateMipmap after the upload: every level down to 1 × 1.
    while (levels.back().width > 1 || levels.back().height > 1) {
        int width = 0, height = 0;
        std::vector<uint32_t> &next = owned.emplace_back(halvedLevel(levels.back(), width, height));
        levels.push_back({next.data(), width, height, width});
    }
}

bool PageTexture::isFor(const TextureView &fileTexels, const PageDescription &other, bool premultiply) const
{
    return source.pixels == fileTexels.pixels && source.width == fileTexels.width && source.height == fileTexels.height
        && source.stride == fileTexels.stride && description == other && premultiplyOnUpload == premultiply;
}

SampledTexture PageTexture::sampled() const
{
    return {levels.data(), static_cast<int>(levels.size()), description.minFilter, description.magFilter};
}

} // namespace kvx
