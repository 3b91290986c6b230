#pragma once
// The version record used for skeleton data and editor versions alike.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kvx {

struct SpineVersion {
    int32_t major = 0;
    int32_t minor = 0;
    std::optional<int32_t> patch;

    std::string majorMinorText() const; // "4.2": the line that keys plugins and cached editors
    std::string fullText() const;       // "4.2.43", or the line when there is no patch

    // Equal: same major and minor, and both without patch or both with the same patch.
    friend bool operator==(const SpineVersion &, const SpineVersion &) = default;
};

// Accepts "4.2", "4.2.43", "4.1.20-beta"; rejects "4", "4.", "4.1-beta", "4.2.43.1", " 4.2".
std::optional<SpineVersion> parseSpineVersion(std::string_view text);

// A line of spinelines.def, with no patch or one at least that line's lowest.
bool isSupportedSpineVersion(const SpineVersion &version);

} // namespace kvx
