#pragma once
// Reads Spine texture atlas text (both the older and the newer layout) into pages and regions.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kvx {

struct AtlasRegion {
    std::string name;
    bool rotate = false;  // packed a quarter turn (90 or 270 degrees): across and down swap on the page
    int32_t degrees = 0;  // how far the packer turned it: 0, 90, 180 or 270 ("true" is 90; other values 0)
    std::vector<int32_t> bounds;
    std::vector<int32_t> xy;
    std::vector<int32_t> size;
    std::vector<int32_t> orig;
    std::vector<int32_t> offsets;
    std::vector<int32_t> split;
    std::vector<int32_t> pad;
    std::optional<int32_t> index;
};

struct AtlasPage {
    std::filesystem::path name; // from the line's bytes in the narrow file-system encoding
    std::string rawName;        // the trimmed bytes of the page-name line
    std::vector<int32_t> size;
    std::string format;
    std::string filter;
    std::string repeat;
    std::optional<bool> pma;
    std::optional<double> scale; // absent means 1
    std::vector<AtlasRegion> regions;
};

struct AtlasReadResult {
    std::vector<AtlasPage> pages;     // only when ok
    std::vector<std::string> warnings; // only when ok
    bool ok = false;
    std::string error;      // English diagnostic, empty when ok
    int64_t errorLine = 0;  // 1-based line of a line error, else 0
};

// Besides the parser's failures: "Atlas file could not be opened." (also for anything but a regular
// file: a folder, a FIFO, a device), "Atlas file could not be read." and "Atlas file is too large."
// (above 16 MiB).
AtlasReadResult readAtlasFile(const std::filesystem::path &path);

// A page-name line whose bytes cannot become a path (invalid in the narrow encoding, or holding
// a zero byte) fails the read with "Atlas page name cannot be converted to a path." and its line.
AtlasReadResult parseAtlasText(std::string_view text);
std::optional<std::vector<int32_t>> parseIntList(std::string_view text);

} // namespace kvx
