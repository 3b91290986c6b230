#include "assets/spineversion.h"

#include "assets/asciinumber.h"
#include "assets/spinelines.h"


namespace kvx {
namespace {

// A run of ASCII digits, optionally followed by "-" and anything (a pre-release suffix).
std::optional<int32_t> parsePatch(std::string_view text)
{
    size_t digitCount = 0;
    while (digitCount < text.size() && isAsciiDigit(text[digitCount]))
        ++digitCount;
    if (digitCount == 0)
        return std::nullopt;
    if (digitCount < text.size() && text[digitCount] != '-')
        return std::nullopt;
    return parseWholeInt32(text.substr(0, digitCount));
}

} // namespace

std::string SpineVersion::majorMinorText() const
{
    return std::to_string(major) + '.' + std::to_string(minor);
}

std::string SpineVersion::fullText() const
{
    std::string text = majorMinorText();
    if (patch)
        text += '.' + std::to_string(*patch);
    return text;
}

std::optional<SpineVersion> parseSpineVersion(std::string_view text)
{
    const size_t firstDot = text.find('.');
    if (firstDot == std::string_view::npos)
        return std::nullopt;
    const size_t secondDot = text.find('.', firstDot + 1);
    const std::optional<int32_t> major = parseWholeInt32(text.substr(0, firstDot));
    const std::optional<int32_t> minor =
        parseWholeInt32(text.substr(firstDot + 1, secondDot == std::string_view::npos
                                                        ? std::string_view::npos
                                                        : secondDot - firstDot - 1));
    if (!major || !minor)
        return std::nullopt;
    SpineVersion version{*major, *minor, std::nullopt};
    if (secondDot == std::string_view::npos)
        return version;
    version.patch = parsePatch(text.substr(secondDot + 1));
    if (!version.patch)
        return std::nullopt;
    return version;
}

bool isSupportedSpineVersion(const SpineVersion &version)
{
    const SpineLine *line = findSpineLine(version);
    return line && (!version.patch || *version.patch >= line->lowestPatch);
}

} // namespace kvx
