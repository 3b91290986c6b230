#pragma once
// Small hand-written Spine exports for the runtime plugin tests: skeleton JSON in the dialect
// of each line, an atlas in the format of its time, and a page image.

#include "support/testfiles.h"

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace kvx::test {

inline const std::vector<std::string> &runtimeLines()
{
    static const std::vector<std::string> lines{"3.8", "4.0", "4.1", "4.2", "4.3"};
    return lines;
}

struct AtlasRegionSpec {
    std::string name;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool rotated = false; // packed turned by 90°, so it takes height × width on the page
};

// Page "page.png" of 64 × 64 pixels; without a size line when withSize is false.
std::string atlasText(const std::string &line, const std::vector<AtlasRegionSpec> &regions, bool withSize = true);

// A skeleton document with the given bones, slots, default-skin attachments and animations
// (each the inside of its JSON array or object).
std::string skeletonJson(const std::string &line, const std::string &bones, const std::string &slotList,
                         const std::string &attachments, const std::string &animations = {},
                         const std::string &extraSkins = {});

// A rotate timeline with linear keys (time, degrees), in the line's key format.
std::string rotateTimeline(const std::string &line, const std::vector<std::pair<float, float>> &keys);

// Writes skeleton.json (or the given name), skeleton.atlas and page.png into folder.
struct ExportPaths {
    std::filesystem::path skeleton;
    std::filesystem::path atlas;
    std::filesystem::path page;
};
ExportPaths writeExport(const TempFolder &folder, const std::string &skeleton, const std::string &atlas,
                        const std::string &skeletonName = "skeleton.json");

} // namespace kvx::test
