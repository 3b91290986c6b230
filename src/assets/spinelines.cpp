#include "assets/spinelines.h"

#include <array>

namespace kvx {
namespace {

constexpr std::array kLines{
#define KVX_SPINE_LINE(major, minor, lowestPatch) SpineLine{major, minor, lowestPatch},
#include "assets/spinelines.def"
#undef KVX_SPINE_LINE
};

} // namespace

std::string SpineLine::text() const
{
    return std::to_string(major) + '.' + std::to_string(minor);
}

std::span<const SpineLine> supportedSpineLines()
{
    return kLines;
}

const SpineLine *findSpineLine(const SpineVersion &version)
{
    for (const SpineLine &line : kLines) {
        if (line.major == version.major && line.minor == version.minor)
            return &line;
    }
    return nullptr;
}

std::string supportedLinesText(std::string_view separator)
{
    std::string text;
    for (const SpineLine &line : kLines) {
        if (!text.empty())
            text += separator;
        text += line.text();
    }
    return text;
}

std::string supportedVersionPattern()
{
    std::string alternatives;
    for (const SpineLine &line : kLines) {
        if (!alternatives.empty())
            alternatives += '|';
        alternatives += std::to_string(line.major) + R"(\.)" + std::to_string(line.minor)
                      + R"((?:\.\d+)?(?:-[A-Za-z0-9.-]+)?)";
    }
    return '(' + alternatives + ')';
}

} // namespace kvx
