#pragma once
// Generators of crafted skeletons and atlases, each the smallest document that shows one way a
// hostile export attacks the preview, and a gauge of the memory a load takes.

#include <cstdint>
#include <string>

namespace kvx::test {

// A skeleton JSON of the line with the given bones, and one slot on the last of them showing
// region "body" (or the given attachments, the inside of the slot's attachment map).
std::string skeletonWithBones(const std::string &line, const std::string &bones,
                              const std::string &slotAttachments = {});

// count bones, each the parent of the next.
std::string boneChainSkeleton(const std::string &line, int count);
// count bones, all children of the root.
std::string flatBonesSkeleton(const std::string &line, int count);
// A rotate timeline with count keys on the root.
std::string longTimelineSkeleton(const std::string &line, int count);
// A mesh "body" of columns × 2 vertices in a strip, with its triangles.
std::string stripMeshSkeleton(const std::string &line, int columns);
// A mesh whose one vertex is weighted to boneCount bones while the skeleton has two.
std::string overweightedMeshSkeleton(const std::string &line, int64_t boneCount);
// A path attachment claiming vertexCount vertices and listing none.
std::string overclaimingPathSkeleton(const std::string &line, int64_t vertexCount);
// count skins showing region "body" on one slot: "default" 4 × 4, then "s1", "s2", ... 16 × 16
// and the last 32 × 32, so that the last draws the most; animation "idle" holds the setup pose.
std::string manySkinsSkeleton(const std::string &line, int count);
// An atlas of the line with region "body" followed by count tiny regions (two lines each).
std::string manyRegionAtlas(const std::string &line, int count);

// Growth of the process's peak resident memory from construction to peakGrowthBytes.
class PeakMemoryGauge {
public:
    PeakMemoryGauge();
    int64_t peakGrowthBytes() const;

private:
    int64_t start = 0;
};

} // namespace kvx::test
