#include "plugins/hostileexports.h"

#include "plugins/exportfixtures.h"

#include <fstream>
#include <sstream>

namespace kvx::test {

namespace {

const char *const bodyRegion = R"("body": {"width": 16, "height": 16})";

std::string slotOn(const std::string &bone)
{
    return R"({"name": "body", "bone": ")" + bone + R"(", "attachment": "body"})";
}

// Resident-set figures of /proc/self/status in bytes; 0 where there is none.
int64_t statusBytes(const char *field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.rfind(prefix, 0) == 0)
            return std::stoll(line.substr(prefix.size())) * 1024;
    return 0;
}

} // namespace

std::string skeletonWithBones(const std::string &line, const std::string &bones, const std::string &slotAttachments)
{
    const std::string lastBone = bones.substr(bones.rfind(R"("name": ")") + 9);
    const std::string boneName = lastBone.substr(0, lastBone.find('"'));
    return skeletonJson(line, bones, slotOn(boneName),
                        R"("body": {)" + (slotAttachments.empty() ? std::string(bodyRegion) : slotAttachments) + "}");
}

std::string boneChainSkeleton(const std::string &line, int count)
{
    std::string bones = R"({"name": "b0"})";
    for (int i = 1; i < count; ++i)
        bones += R"(, {"name": "b)" + std::to_string(i) + R"(", "parent": "b)" + std::to_string(i - 1) + R"(", "x": 1})";
    return skeletonWithBones(line, bones);
}

std::string flatBonesSkeleton(const std::string &line, int count)
{
    std::string bones = R"({"name": "b0"})";
    for (int i = 1; i < count; ++i)
        bones += R"(, {"name": "b)" + std::to_string(i) + R"(", "parent": "b0"})";
    return skeletonWithBones(line, bones);
}

std::string longTimelineSkeleton(const std::string &line, int count)
{
    std::vector<std::pair<float, float>> keys;
    keys.reserve(size_t(count));
    for (int i = 0; i < count; ++i)
        keys.emplace_back(float(i) / 30.0f, float(i % 360));
    return skeletonJson(line, R"({"name": "root"})", slotOn("root"), R"("body": {)" + std::string(bodyRegion) + "}",
                        R"("spin": {"bones": {"root": {"rotate": )" + rotateTimeline(line, keys) + "}}}");
}

std::string manySkinsSkeleton(const std::string &line, int count)
{
    std::string skins;
    for (int i = 1; i < count; ++i) {
        const char *size = i + 1 == count ? "32" : "16";
        skins += R"(, {"name": "s)" + std::to_string(i) + R"(", "attachments": {"body": {"body": {"width": )" + size
                 + R"(, "height": )" + size + "}}}}";
    }
    return skeletonJson(line, R"({"name": "root"})", slotOn("root"), R"("body": {"body": {"width": 4, "height": 4}})",
                        R"("idle": {})", skins);
}

std::string stripMeshSkeleton(const std::string &line, int columns)
{
    std::ostringstream uvs, vertices, triangles;
    for (int c = 0; c < columns; ++c) {
        const float u = float(c) / float(columns - 1);
        uvs << (c ? ", " : "") << u << ", 0, " << u << ", 1";
        vertices << (c ? ", " : "") << c << ", 0, " << c << ", 10";
        if (c + 1 < columns) {
            const int a = 2 * c;
            triangles << (c ? ", " : "") << a << ", " << a + 1 << ", " << a + 2 << ", " << a + 1 << ", " << a + 3
                      << ", " << a + 2;
        }
    }
    const std::string mesh = R"("body": {"type": "mesh", "uvs": [)" + uvs.str() + R"(], "vertices": [)" + vertices.str()
                             + R"(], "triangles": [)" + triangles.str() + R"(], "hull": 4, "width": 16, "height": 16})";
    return skeletonWithBones(line, R"({"name": "root"})", mesh);
}

std::string overweightedMeshSkeleton(const std::string &line, int64_t boneCount)
{
    const std::string mesh = R"("body": {"type": "mesh", "uvs": [0, 0, 1, 0, 0, 1], "vertices": [)"
                             + std::to_string(boneCount)
                             + R"(, 0, 0, 0, 1, 1, 0, 5, 0, 1, 1, 0, 0, 5, 1], "triangles": [0, 1, 2], "hull": 3})";
    return skeletonWithBones(line, R"({"name": "root"}, {"name": "tip", "parent": "root"})", mesh);
}

std::string overclaimingPathSkeleton(const std::string &line, int64_t vertexCount)
{
    const std::string path = R"("body": {"type": "path", "vertexCount": )" + std::to_string(vertexCount)
                             + R"(, "vertices": [], "lengths": []})";
    return skeletonWithBones(line, R"({"name": "root"})", path);
}

std::string manyRegionAtlas(const std::string &line, int count)
{
    std::string atlas = atlasText(line, {{"body", 0, 0, 16, 16}});
    atlas.reserve(atlas.size() + size_t(count) * 16);
    for (int i = 0; i < count; ++i)
        atlas += line == "3.8" ? "r\n  xy: 0, 0\n" : "r\nbounds:0,0,1,1\n";
    return atlas;
}

PeakMemoryGauge::PeakMemoryGauge()
{
    // Writing 5 resets the peak to the current size (Linux 4.0 and later).
    std::ofstream("/proc/self/clear_refs") << "5";
    start = statusBytes("VmHWM");
}

int64_t PeakMemoryGauge::peakGrowthBytes() const
{
    return statusBytes("VmHWM") - start;
}

} // namespace kvx::test
