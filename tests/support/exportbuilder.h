#pragma once
// Generated Spine exports for tests and benchmarks: a skeleton the runtimes can load (a chain of
// bones, one region each, one animation), its single-page atlas and a valid page image.

#include <filesystem>
#include <string>
#include <vector>

namespace kvx::test {

// JSON skeleton data of a 4.x line ("4.2.43") with the given number of bones.
std::string chainSkeletonJson(const std::string &version, int boneCount);
// A 4.x atlas with one page and the region "r" every attachment uses.
std::string chainAtlas(const std::string &pageName);
// A 1 × 1 PNG image.
std::string tinyPng();

// Skeleton data heads as an export writes them: what detection reads, nothing a runtime could load.
std::string skeletonJson(const std::string &version);
std::string skeletonBinary(const std::string &version);
// An atlas naming the given 64 × 64 pages, one 8 × 8 region each.
std::string atlasText(const std::vector<std::string> &pageNames);

// Writes count complete exports below root, spread round-robin over the given number of
// sub-folders ("character0", …): characterF/heroN.json with heroN.atlas and heroN.png beside it.
// Returns the skeleton paths in the order written.
std::vector<std::filesystem::path> writeExportFolder(const std::filesystem::path &root, int count, int folders,
                                                     const std::string &version = "4.2.43", int boneCount = 20);

} // namespace kvx::test
