#include "plugins/pluginharness.h"

#include <cmath>
#include <sstream>

namespace kvx::test {

std::filesystem::path runtimePluginPath(const std::string &line)
{
    return std::filesystem::path(KVX_RUNTIME_PLUGIN_DIR) / runtimePluginFileName(line);
}

PluginHarness::PluginHarness(const std::string &line) : line(line) {}

SkeletonMetadata PluginHarness::load(const ExportPaths &paths)
{
    if (!host.open(runtimePluginPath(line), error))
        return {};
    return host.loadSkeleton(paths.skeleton, paths.atlas, 1.0f, error);
}

PreviewFrame PluginHarness::sample(float deltaSeconds)
{
    return host.sampleFrame(deltaSeconds, error);
}

bool PluginHarness::select(const std::string &animation)
{
    return host.setAnimation(animation, true, error);
}

::testing::AssertionResult hasCorners(const DrawItem &item, const std::vector<Corner> &expected, float tolerance)
{
    if (item.vertices.size() != expected.size())
        return ::testing::AssertionFailure() << item.vertices.size() << " vertices, expected " << expected.size();
    for (const Corner &corner : expected) {
        bool found = false;
        for (const kvxRuntimeVertex &vertex : item.vertices)
            found = found || (std::fabs(vertex.x - corner.x) <= tolerance && std::fabs(vertex.y - corner.y) <= tolerance
                              && std::fabs(vertex.u - corner.u) <= tolerance && std::fabs(vertex.v - corner.v) <= tolerance);
        if (!found) {
            std::ostringstream actual;
            for (const kvxRuntimeVertex &vertex : item.vertices)
                actual << " (" << vertex.x << ", " << vertex.y << ", " << vertex.u << ", " << vertex.v << ")";
            return ::testing::AssertionFailure() << "no vertex at (" << corner.x << ", " << corner.y << ", " << corner.u
                                                 << ", " << corner.v << "); vertices:" << actual.str();
        }
    }
    return ::testing::AssertionSuccess();
}

double triangleArea(const DrawItem &item)
{
    double area = 0.0;
    for (size_t k = 0; k + 2 < item.indices.size(); k += 3) {
        const kvxRuntimeVertex &a = item.vertices[item.indices[k]];
        const kvxRuntimeVertex &b = item.vertices[item.indices[k + 1]];
        const kvxRuntimeVertex &c = item.vertices[item.indices[k + 2]];
        area += std::fabs((b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y)) / 2.0;
    }
    return area;
}

} // namespace kvx::test
