#pragma once
// The Spine lines Kovexa supports (spinelines.def), and everything that is derived from them.

#include "assets/spineversion.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kvx {

struct SpineLine {
    int32_t major = 0;
    int32_t minor = 0;
    int32_t lowestPatch = 0;

    std::string text() const; // "4.2"
};

// Oldest first.
std::span<const SpineLine> supportedSpineLines();

// The line of the version's major.minor, or null when that line is not supported at all.
const SpineLine *findSpineLine(const SpineVersion &version);

// "3.8、4.0、4.1、4.2、4.3" with the separator given.
std::string supportedLinesText(std::string_view separator);

// ECMAScript pattern with one group matching a supported version written in a binary head,
// such as "4.2.43" or "3.8.99-beta".
std::string supportedVersionPattern();

} // namespace kvx
