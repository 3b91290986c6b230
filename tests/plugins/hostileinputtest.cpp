// Crafted exports through the plugin host: each must fail its load or frame with a message,
// quickly and within a memory bound, and leave the plugin able to load a good skeleton.

#include "plugins/exportfixtures.h"
#include "plugins/hostileexports.h"
#include "plugins/pluginharness.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

namespace kvx::test {
namespace {

using ::testing::HasSubstr;

// A refused load reads nothing into the engine, and even the heaviest accepted documents stay
// far below this.
constexpr int64_t memoryBound = 512LL * 1024 * 1024;

std::string bodyAtlas(const std::string &line)
{
    return atlasText(line, {{"body", 0, 0, 16, 16}});
}

class HostileInputTest : public ::testing::TestWithParam<std::string> {
protected:
    const std::string &line() const { return GetParam(); }

    // Loads the skeleton (with the plain atlas unless one is given) and expects a refusal
    // naming expectedText.
    void expectRefused(const std::string &skeleton, const std::string &expectedText, const std::string &atlas = {})
    {
        const PeakMemoryGauge memory;
        const ExportPaths paths = writeExport(folder, skeleton, atlas.empty() ? bodyAtlas(line()) : atlas);
        EXPECT_FALSE(harness.load(paths).ok);
        EXPECT_THAT(harness.error, HasSubstr(expectedText));
        EXPECT_LT(memory.peakGrowthBytes(), memoryBound);
    }

    void expectGoodSkeletonLoads()
    {
        TempFolder good;
        const ExportPaths paths = writeExport(good, boneChainSkeleton(line(), 2), bodyAtlas(line()));
        ASSERT_TRUE(harness.load(paths).ok) << harness.error;
        const PreviewFrame frame = harness.sample(0.0f);
        ASSERT_TRUE(frame.ok) << harness.error;
        EXPECT_EQ(frame.items.size(), 1u);
    }

    TempFolder folder;
    PluginHarness harness{GetParam()};
};

// Qt's engine crashes on about 560,000 values held at once: the split of an atlas of that many
// lines, and JSON arrays of that many elements (a million no longer fits the size limit).
TEST_P(HostileInputTest, AtlasWithMoreLinesThanTheEngineSplitsIsRefused)
{
    expectRefused(boneChainSkeleton(line(), 2), "lines; the preview reads at most 262144.",
                  manyRegionAtlas(line(), 300000));
    expectGoodSkeletonLoads();
}

TEST_P(HostileInputTest, ArraysTooLongForTheEngineAreRefusedBeforeParsing)
{
    expectRefused(flatBonesSkeleton(line(), 600000), "Skeleton data holds arrays of 600");
    expectRefused(longTimelineSkeleton(line(), 600000), "Skeleton data holds arrays of 600");
    expectRefused(stripMeshSkeleton(line(), 100001), "Skeleton data holds arrays of 600");
}

TEST_P(HostileInputTest, BoneChainOfAHundredThousandIsRefused)
{
    expectRefused(boneChainSkeleton(line(), 100000), "100000 bones; the preview plays at most");
}

TEST_P(HostileInputTest, WeightsNamingABillionBonesAreRefused)
{
    expectRefused(overweightedMeshSkeleton(line(), 1000000000), "weighted to 1000000000 bones");
    expectRefused(overweightedMeshSkeleton(line(), -1), "weighted to -1 bones");
    expectGoodSkeletonLoads();
}

TEST_P(HostileInputTest, WeightsNamingAMissingBoneAreRefused)
{
    // One bone per vertex, the first naming bone 7 of a skeleton of two.
    const std::string mesh = R"("body": {"type": "mesh", "uvs": [0, 0, 1, 0, 0, 1], "vertices": [1, 7, 0, 0, 1, )"
                             R"(1, 0, 5, 0, 1, 1, 0, 0, 5, 1], "triangles": [0, 1, 2], "hull": 3})";
    expectRefused(skeletonWithBones(line(), R"({"name": "root"}, {"name": "tip", "parent": "root"})", mesh),
                  "names bone 7; the skeleton has 2");
}

TEST_P(HostileInputTest, TriangleCornerBeyondTheVerticesIsRefused)
{
    const std::string mesh = R"("body": {"type": "mesh", "uvs": [0, 0, 1, 0, 0, 1], "vertices": [0, 0, 5, 0, 0, 5], )"
                             R"("triangles": [0, 1, 70000], "hull": 3})";
    expectRefused(skeletonWithBones(line(), R"({"name": "root"})", mesh), "triangle corner 70000");
}

TEST_P(HostileInputTest, PathClaimingHundredsOfMillionsOfVerticesIsRefused)
{
    expectRefused(overclaimingPathSkeleton(line(), 300000000), "lists 0 vertices but claims 300000000");
}

TEST_P(HostileInputTest, FilesLargerThanAnyExportAreRefusedUnread)
{
    // Sparse files: their size is what matters, and it costs no disk.
    const ExportPaths paths = writeExport(folder, boneChainSkeleton(line(), 2), bodyAtlas(line()));
    const PeakMemoryGauge memory;
    std::filesystem::resize_file(paths.skeleton, 600LL * 1024 * 1024);
    EXPECT_FALSE(harness.load(paths).ok);
    EXPECT_EQ(harness.error, "Skeleton data is 600.0 MB; the preview reads at most 32.0 MB.");

    const std::filesystem::path skel = folder / "skeleton.skel";
    folder.write("skeleton.skel", "x");
    std::filesystem::resize_file(skel, 1200LL * 1024 * 1024);
    EXPECT_FALSE(harness.load({skel, paths.atlas, paths.page}).ok);
    EXPECT_EQ(harness.error, "Skeleton data is 1200.0 MB; the preview reads at most 16.0 MB.");

    std::filesystem::resize_file(paths.atlas, 40LL * 1024 * 1024);
    std::filesystem::resize_file(paths.skeleton, 100);
    EXPECT_FALSE(harness.load(paths).ok);
    EXPECT_EQ(harness.error, "Atlas is 40.0 MB; the preview reads at most 16.0 MB.");
    EXPECT_LT(memory.peakGrowthBytes(), 64LL * 1024 * 1024);
}

// More vertices than 16-bit indices can name: the mesh is split over several commands, each
// naming only its own vertices, and no triangle is lost.
TEST_P(HostileInputTest, MeshBeyondSixteenBitIndicesIsSplitIntoCommands)
{
    const int columns = 35000; // 70,000 vertices, 69,998 triangles
    ASSERT_TRUE(harness.load(writeExport(folder, stripMeshSkeleton(line(), columns), bodyAtlas(line()))).ok)
        << harness.error;
    const PreviewFrame frame = harness.sample(0.0f);
    ASSERT_TRUE(frame.ok) << harness.error;
    ASSERT_GE(frame.items.size(), 2u);
    size_t triangles = 0;
    double area = 0;
    for (const DrawItem &item : frame.items) {
        EXPECT_LE(item.vertices.size(), 65536u);
        for (uint16_t index : item.indices)
            ASSERT_LT(index, item.vertices.size());
        triangles += item.indices.size() / 3;
        area += triangleArea(item);
    }
    EXPECT_EQ(triangles, size_t(2 * (columns - 1)));
    // The strip is (columns − 1) units long and 10 high.
    EXPECT_NEAR(area, double(columns - 1) * 10.0, 1.0);
}

TEST_P(HostileInputTest, LongTimelineWithinTheBoundPlays)
{
    const SkeletonMetadata metadata =
        harness.load(writeExport(folder, longTimelineSkeleton(line(), 60000), bodyAtlas(line())));
    ASSERT_TRUE(metadata.ok) << harness.error;
    ASSERT_EQ(metadata.animations.size(), 1u);
    ASSERT_TRUE(harness.select(metadata.animations[0].name)) << harness.error;
    EXPECT_TRUE(harness.sample(0.5f).ok) << harness.error;
}

// Work past its budget is stopped with a message; budgets are lowered so that ordinary heavy
// skeletons overrun them.
TEST_P(HostileInputTest, LoadPastItsBudgetIsStoppedAndTheNextLoadWorks)
{
    const ExportPaths paths = writeExport(folder, longTimelineSkeleton(line(), 60000), bodyAtlas(line()));
    {
        const ScopedEnvironment budget("KVX_RUNTIME_LOAD_BUDGET_MS", std::string("1"));
        EXPECT_FALSE(harness.load(paths).ok);
        EXPECT_EQ(harness.error,
                  "Loading the skeleton took longer than 0.001 s and was stopped; the skeleton is too heavy to preview.");
    }
    expectGoodSkeletonLoads();
}

TEST_P(HostileInputTest, FramePastItsBudgetIsStoppedAndTheSkeletonRefusesFurtherFrames)
{
    const std::string animation = R"("spin": {"bones": {"b0": {"rotate": )" + rotateTimeline(line(), {{0, 0}, {1, 90}}) + "}}}";
    std::string skeleton = boneChainSkeleton(line(), 10000);
    skeleton.insert(skeleton.rfind('}'), R"(, "animations": {)" + animation + "}");
    const SkeletonMetadata metadata = harness.load(writeExport(folder, skeleton, bodyAtlas(line())));
    ASSERT_TRUE(metadata.ok) << harness.error;
    ASSERT_TRUE(harness.select("spin")) << harness.error;
    {
        const ScopedEnvironment budget("KVX_RUNTIME_FRAME_BUDGET_MS", std::string("1"));
        const std::string stopped =
            "Posing the frame took longer than 0.001 s and was stopped; the skeleton is too heavy to preview.";
        EXPECT_FALSE(harness.sample(0.016f).ok);
        EXPECT_EQ(harness.error, stopped);
        // The pose was left half done: the context stays stopped until the next load.
        EXPECT_FALSE(harness.sample(0.016f).ok);
        EXPECT_EQ(harness.error, stopped);
        EXPECT_FALSE(harness.select("spin"));
        EXPECT_EQ(harness.error, stopped);
    }
    expectGoodSkeletonLoads();
}

// The checks run before the line's runtime reads anything, so one line shows them.
INSTANTIATE_TEST_SUITE_P(Lines, HostileInputTest, ::testing::Values("4.3"));

// Each line's runtime gets its own bone index: the longest accepted chain loads well within the
// load budget.
class LineGuardTest : public HostileInputTest {};

TEST_P(LineGuardTest, LongestAcceptedBoneChainLoadsAndPoses)
{
    const PeakMemoryGauge memory;
    const ExportPaths paths = writeExport(folder, boneChainSkeleton(line(), 10000), bodyAtlas(line()));
    ASSERT_TRUE(harness.load(paths).ok) << harness.error;
    const PreviewFrame frame = harness.sample(0.0f);
    ASSERT_TRUE(frame.ok) << harness.error;
    ASSERT_EQ(frame.items.size(), 1u);
    // The slot sits on the last bone, 9,999 units along the chain.
    EXPECT_NEAR(frame.items[0].vertices[0].x, 9999.0f, 20.0f);
    EXPECT_LT(memory.peakGrowthBytes(), memoryBound);
}

INSTANTIATE_TEST_SUITE_P(Lines, LineGuardTest, ::testing::Values("3.8", "4.3"));

} // namespace
} // namespace kvx::test
