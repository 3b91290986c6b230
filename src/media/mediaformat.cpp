#include "media/mediaformat.h"

#include <algorithm>
#include <array>

namespace kvx {

namespace {

// GIF counts time in hundredths of a second and viewers slow delays under two hundredths down,
// so it shows at most 50 frames per second.
constexpr std::array<MediaFormatTraits, 6> kFormats{{
    {MediaFormat::Gif, "gif", ".gif", true, true, false, false, 50},
    {MediaFormat::Apng, "apng", ".png", true, true, true, false, 120},
    {MediaFormat::Webp, "webp", ".webp", true, true, true, false, 120},
    {MediaFormat::Webm, "webm", ".webm", true, false, false, false, 120},
    {MediaFormat::Mov, "mov", ".mov", true, false, false, false, 120},
    {MediaFormat::Mp4, "mp4", ".mp4", false, false, false, true, 120},
}};

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [&](char x, char y) { return lower(x) == lower(y); });
}

} // namespace

std::span<const MediaFormatTraits> mediaFormats()
{
    return kFormats;
}

const MediaFormatTraits &traitsOf(MediaFormat format)
{
    return kFormats[static_cast<std::size_t>(format)];
}

std::string_view mediaFormatName(MediaFormat format)
{
    return traitsOf(format).name;
}

std::string_view mediaFormatExtension(MediaFormat format)
{
    return traitsOf(format).extension;
}

std::optional<MediaFormat> mediaFormatFromName(std::string_view name)
{
    for (const MediaFormatTraits &traits : kFormats) {
        if (equalsIgnoringCase(traits.name, name))
            return traits.format;
    }
    return std::nullopt;
}

std::optional<MediaFormat> mediaFormatFromExtension(std::string_view extension)
{
    if (!extension.empty() && extension.front() == '.')
        extension.remove_prefix(1);
    for (const MediaFormatTraits &traits : kFormats) {
        if (equalsIgnoringCase(traits.extension.substr(1), extension))
            return traits.format;
    }
    return std::nullopt;
}

} // namespace kvx
