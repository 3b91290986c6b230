#pragma once
// Drives a built runtime plugin through the program's own host, as the preview does.

#include "plugins/exportfixtures.h"
#include "preview/runtimeplugin.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace kvx::test {

std::filesystem::path runtimePluginPath(const std::string &line);

class PluginHarness {
public:
    explicit PluginHarness(const std::string &line);

    // Opens the line's plugin and loads the export; metadata.ok tells whether it worked.
    SkeletonMetadata load(const ExportPaths &paths);
    PreviewFrame sample(float deltaSeconds);
    bool select(const std::string &animation);

    RuntimePlugin host;
    std::string error;

private:
    std::string line;
};

// A vertex as the tests compare it, y already pointing down.
struct Corner {
    float x, y, u, v;
};

// True when every expected corner has a vertex of the item within tolerance, and the counts match.
::testing::AssertionResult hasCorners(const DrawItem &item, const std::vector<Corner> &expected, float tolerance = 1e-3f);

// Sum of the areas of the item's triangles.
double triangleArea(const DrawItem &item);

} // namespace kvx::test
