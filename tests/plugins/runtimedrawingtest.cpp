// Every line's plugin draws hand-made skeletons where the expected vertices are worked out by
// hand: skeleton space with y down, UVs as fractions of the 64 × 64 page.

#include "plugins/exportfixtures.h"
#include "plugins/pluginharness.h"

#include <gtest/gtest.h>

#include <cmath>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace kvx::test {
namespace {

constexpr float pageSize = 64.0f;
constexpr double pi = 3.14159265358979323846;

// A 20 × 10 region centred on bone "arm", which sits at (10, 0) turned by the given degrees.
std::string armSkeleton(const std::string &line, float armRotation, const std::string &animations = {},
                        const std::string &slotExtras = {}, const std::string &attachmentExtras = {})
{
    return skeletonJson(line,
                        R"({"name": "root"}, {"name": "arm", "parent": "root", "x": 10, "rotation": )"
                            + std::to_string(armRotation) + "}",
                        R"({"name": "arm", "bone": "arm", "attachment": "arm")" + slotExtras + "}",
                        R"("arm": {"arm": {"width": 20, "height": 10)" + attachmentExtras + "}}", animations);
}

std::string armAtlas(const std::string &line, bool withSize = true)
{
    return atlasText(line, {{"arm", 0, 0, 20, 10}}, withSize);
}

// The arm's corners for a bone turned by degrees, as the plugin must hand them out.
std::vector<Corner> armCorners(double degrees)
{
    const double c = std::cos(degrees * pi / 180.0), s = std::sin(degrees * pi / 180.0);
    const float u2 = 20 / pageSize, v2 = 10 / pageSize;
    struct Local {
        double x, y;
        float u, v;
    };
    const Local corners[] = {{-10, -5, 0, v2}, {-10, 5, 0, 0}, {10, 5, u2, 0}, {10, -5, u2, v2}};
    std::vector<Corner> expected;
    for (const Local &corner : corners)
        expected.push_back({float(10 + corner.x * c - corner.y * s), float(-(corner.x * s + corner.y * c)), corner.u,
                            corner.v});
    return expected;
}

class RuntimeDrawingTest : public ::testing::TestWithParam<std::string> {
protected:
    const std::string &line() const { return GetParam(); }

    PreviewFrame loadAndSample(const std::string &skeleton, const std::string &atlas, float delta = 0.0f)
    {
        const SkeletonMetadata metadata = harness.load(writeExport(folder, skeleton, atlas));
        EXPECT_TRUE(metadata.ok) << harness.error;
        return metadata.ok ? harness.sample(delta) : PreviewFrame{};
    }

    TempFolder folder;
    PluginHarness harness{GetParam()};
};

TEST_P(RuntimeDrawingTest, RegionOnRotatedBoneIsPlacedWithYDown)
{
    const PreviewFrame frame = loadAndSample(armSkeleton(line(), 90), armAtlas(line()));
    ASSERT_TRUE(frame.ok) << harness.error;
    ASSERT_EQ(frame.items.size(), 1u);
    const DrawItem &item = frame.items[0];
    EXPECT_TRUE(hasCorners(item, armCorners(90)));
    EXPECT_EQ(item.indices.size(), 6u);
    EXPECT_NEAR(triangleArea(item), 200.0, 1e-3);
    EXPECT_EQ(item.blendMode, 0);
    EXPECT_EQ(std::filesystem::path(item.texturePath), folder / "page.png");
    EXPECT_EQ(item.vertices[0].color, 0xFFFFFFFFu);
}

TEST_P(RuntimeDrawingTest, AtlasWithoutSizeLineTakesThePageSizeFromTheImage)
{
    const PreviewFrame frame = loadAndSample(armSkeleton(line(), 90), armAtlas(line(), false));
    ASSERT_TRUE(frame.ok) << harness.error;
    ASSERT_EQ(frame.items.size(), 1u);
    EXPECT_TRUE(hasCorners(frame.items[0], armCorners(90)));
}

#ifndef _WIN32
TEST_P(RuntimeDrawingTest, PageThatIsAFifoIsNeverOpenedForItsSize)
{
    const ExportPaths paths = writeExport(folder, armSkeleton(line(), 90), armAtlas(line(), false));
    std::filesystem::remove(paths.page);
    ASSERT_EQ(mkfifo(paths.page.c_str(), 0600), 0);
    // Reading the FIFO's header for the page size would block here; the load returns either way.
    const SkeletonMetadata metadata = harness.load(paths);
    if (!metadata.ok)
        EXPECT_FALSE(harness.error.empty());
}
#endif

TEST_P(RuntimeDrawingTest, RotatedAtlasRegionTurnsItsTextureCoordinates)
{
    // Packed as 10 × 20 at the page origin: the region's left edge runs along the page's top.
    AtlasRegionSpec region{"arm", 0, 0, 20, 10, true};
    const PreviewFrame frame = loadAndSample(armSkeleton(line(), 0), atlasText(line(), {region}));
    ASSERT_TRUE(frame.ok) << harness.error;
    ASSERT_EQ(frame.items.size(), 1u);
    const float u2 = 10 / pageSize, v2 = 20 / pageSize;
    EXPECT_TRUE(hasCorners(frame.items[0], {{0, 5, u2, v2}, {0, -5, 0, v2}, {20, -5, 0, 0}, {20, 5, u2, 0}}));
}

TEST_P(RuntimeDrawingTest, WeightedMeshBlendsItsBones)
{
    // b2 sits at (100, 0) turned by 90°; the third vertex is half b1 (50, 50), half b2 (-50, 50).
    const std::string skeleton = skeletonJson(
        line(),
        R"({"name": "root"}, {"name": "b1", "parent": "root"}, {"name": "b2", "parent": "root", "x": 100, "rotation": 90})",
        R"({"name": "skin", "bone": "root", "attachment": "mesh"})",
        R"("skin": {"mesh": {"type": "mesh", "uvs": [0, 1, 1, 1, 0.5, 0], "triangles": [0, 1, 2], "hull": 3,
              "vertices": [1, 1, 0, 0, 1, 1, 2, 0, 0, 1, 2, 1, 50, 50, 0.5, 2, -50, 50, 0.5],
              "width": 32, "height": 16}})");
    const PreviewFrame frame = loadAndSample(skeleton, atlasText(line(), {{"mesh", 0, 16, 32, 16}}));
    ASSERT_TRUE(frame.ok) << harness.error;
    ASSERT_EQ(frame.items.size(), 1u);
    // UVs map into the region at (0, 16) of size 32 × 16.
    EXPECT_TRUE(hasCorners(frame.items[0], {{0, 0, 0, 0.5f}, {100, 0, 0.5f, 0.5f}, {50, 0, 0.25f, 0.25f}}));
    EXPECT_EQ(frame.items[0].indices, (std::vector<uint16_t>{0, 1, 2}));
}

TEST_P(RuntimeDrawingTest, AnimationIsSampledAtTheElapsedTimeAndLoops)
{
    const std::string animations = R"("turn": {"bones": {"arm": {"rotate": )" + rotateTimeline(line(), {{0, 0}, {1, 90}}) + "}}}";
    const SkeletonMetadata metadata = harness.load(writeExport(folder, armSkeleton(line(), 0, animations), armAtlas(line())));
    ASSERT_TRUE(metadata.ok) << harness.error;
    ASSERT_EQ(metadata.animations.size(), 1u);
    EXPECT_EQ(metadata.animations[0].name, "turn");
    EXPECT_FLOAT_EQ(metadata.animations[0].duration, 1.0f);
    ASSERT_TRUE(harness.select("turn")) << harness.error;

    const PreviewFrame start = harness.sample(0.0f);
    ASSERT_TRUE(start.ok && start.items.size() == 1) << harness.error;
    EXPECT_TRUE(hasCorners(start.items[0], armCorners(0)));
    const PreviewFrame half = harness.sample(0.5f);
    ASSERT_TRUE(half.ok && half.items.size() == 1) << harness.error;
    EXPECT_TRUE(hasCorners(half.items[0], armCorners(45)));
    const PreviewFrame looped = harness.sample(0.75f); // 1.25 s: a quarter into the second loop
    ASSERT_TRUE(looped.ok && looped.items.size() == 1) << harness.error;
    EXPECT_TRUE(hasCorners(looped.items[0], armCorners(22.5)));
}

TEST_P(RuntimeDrawingTest, SelectingAnAnimationAgainStartsItOver)
{
    const std::string animations = R"("turn": {"bones": {"arm": {"rotate": )" + rotateTimeline(line(), {{0, 0}, {1, 90}}) + "}}}";
    ASSERT_TRUE(harness.load(writeExport(folder, armSkeleton(line(), 0, animations), armAtlas(line()))).ok);
    ASSERT_TRUE(harness.select("turn"));
    ASSERT_TRUE(harness.sample(0.5f).ok);
    ASSERT_TRUE(harness.select("turn"));
    const PreviewFrame frame = harness.sample(0.0f);
    ASSERT_TRUE(frame.ok && frame.items.size() == 1) << harness.error;
    EXPECT_TRUE(hasCorners(frame.items[0], armCorners(0)));
}

TEST_P(RuntimeDrawingTest, ClippingAttachmentCutsTheRegion)
{
    // A 20 × 20 square at the origin, clipped to x ≥ 0 by a polygon ending at the square's slot.
    const std::string skeleton = skeletonJson(
        line(), R"({"name": "root"})",
        R"({"name": "clip", "bone": "root", "attachment": "clip"}, {"name": "square", "bone": "root", "attachment": "square"})",
        R"("clip": {"clip": {"type": "clipping", "end": "square", "vertexCount": 4,
               "vertices": [0, -20, 20, -20, 20, 20, 0, 20]}},
           "square": {"square": {"width": 20, "height": 20}})");
    const PreviewFrame frame = loadAndSample(skeleton, atlasText(line(), {{"square", 0, 0, 20, 20}}));
    ASSERT_TRUE(frame.ok) << harness.error;
    ASSERT_EQ(frame.items.size(), 1u);
    const DrawItem &item = frame.items[0];
    EXPECT_NEAR(triangleArea(item), 200.0, 1e-2);
    for (const kvxRuntimeVertex &vertex : item.vertices) {
        EXPECT_GE(vertex.x, -1e-3f);
        EXPECT_LE(vertex.x, 10.001f);
        EXPECT_NEAR(vertex.u, 10 / pageSize + vertex.x / pageSize, 1e-4); // u follows x across the cut
        EXPECT_LE(std::fabs(vertex.y), 10.001f);
    }
}

TEST_P(RuntimeDrawingTest, ClippingThatEndsAtItsOwnSlotClipsTheRestOfTheDrawOrder)
{
    // The runtimes end a clip only at a later slot: one naming its own slot clips to the end.
    const std::string skeleton = skeletonJson(
        line(), R"({"name": "root"})",
        R"({"name": "clip", "bone": "root", "attachment": "clip"}, {"name": "square", "bone": "root", "attachment": "square"})",
        R"("clip": {"clip": {"type": "clipping", "end": "clip", "vertexCount": 4,
               "vertices": [0, -20, 20, -20, 20, 20, 0, 20]}},
           "square": {"square": {"width": 20, "height": 20}})");
    const PreviewFrame frame = loadAndSample(skeleton, atlasText(line(), {{"square", 0, 0, 20, 20}}));
    ASSERT_TRUE(frame.ok) << harness.error;
    ASSERT_EQ(frame.items.size(), 1u);
    EXPECT_NEAR(triangleArea(frame.items[0]), 200.0, 1e-2);
}

TEST_P(RuntimeDrawingTest, BlendModesSplitCommandsInDrawOrder)
{
    std::string slotList, attachments;
    const char *blends[] = {"normal", "normal", "additive", "multiply", "screen"};
    for (int i = 0; i < 5; ++i) {
        const std::string name = "s" + std::to_string(i);
        slotList += std::string(i ? ", " : "") + R"({"name": ")" + name + R"(", "bone": "root", "attachment": "dot", "blend": ")" + blends[i] + "\"}";
        attachments += std::string(i ? ", " : "") + ("\"" + name + R"(": {"dot": {"x": )" + std::to_string(i * 10) + R"(, "width": 8, "height": 8}})");
    }
    const PreviewFrame frame =
        loadAndSample(skeletonJson(line(), R"({"name": "root"})", slotList, attachments), atlasText(line(), {{"dot", 0, 0, 8, 8}}));
    ASSERT_TRUE(frame.ok) << harness.error;
    ASSERT_EQ(frame.items.size(), 4u);
    EXPECT_EQ(frame.items[0].blendMode, 0);
    EXPECT_EQ(frame.items[1].blendMode, 1);
    EXPECT_EQ(frame.items[2].blendMode, 2);
    EXPECT_EQ(frame.items[3].blendMode, 3);
    // The two normal slots share one command; the second quad's indices follow its own vertices.
    ASSERT_EQ(frame.items[0].vertices.size(), 8u);
    EXPECT_EQ(frame.items[0].indices, (std::vector<uint16_t>{0, 1, 2, 2, 3, 0, 4, 5, 6, 6, 7, 4}));
    EXPECT_NEAR(frame.items[0].vertices[4].x, 6.0f, 1e-3); // x 10, width 8: left edge at 6
    EXPECT_NEAR(frame.items[3].vertices[0].x, 36.0f, 1e-3);
}

TEST_P(RuntimeDrawingTest, DrawOrderTimelineReordersTheCommands)
{
    const std::string skeleton = skeletonJson(
        line(), R"({"name": "root"})",
        R"({"name": "s0", "bone": "root", "attachment": "dot", "blend": "additive"},
           {"name": "s1", "bone": "root", "attachment": "dot"})",
        R"("s0": {"dot": {"width": 8, "height": 8}}, "s1": {"dot": {"x": 10, "width": 8, "height": 8}})",
        R"("swap": {"drawOrder": [{"time": 0, "offsets": [{"slot": "s0", "offset": 1}]}]})");
    const SkeletonMetadata metadata = harness.load(writeExport(folder, skeleton, atlasText(line(), {{"dot", 0, 0, 8, 8}})));
    ASSERT_TRUE(metadata.ok) << harness.error;
    const PreviewFrame setup = harness.sample(0.0f);
    ASSERT_TRUE(setup.ok && setup.items.size() == 2) << harness.error;
    EXPECT_EQ(setup.items[0].blendMode, 1);
    ASSERT_TRUE(harness.select("swap")) << harness.error;
    const PreviewFrame swapped = harness.sample(0.0f);
    ASSERT_TRUE(swapped.ok && swapped.items.size() == 2) << harness.error;
    EXPECT_EQ(swapped.items[0].blendMode, 0);
    EXPECT_EQ(swapped.items[1].blendMode, 1);
    EXPECT_NEAR(swapped.items[0].vertices[0].x, 6.0f, 1e-3);
}

TEST_P(RuntimeDrawingTest, PageChangesSplitCommandsInDrawOrder)
{
    std::string secondPage = atlasText(line(), {{"dot2", 8, 8, 8, 8}});
    secondPage.replace(secondPage.find("page.png"), 8, "second.png");
    const std::string atlas = atlasText(line(), {{"dot", 0, 0, 8, 8}}) + (line() == "3.8" ? "" : "\n") + secondPage;
    std::string slotList, attachments;
    const char *regions[] = {"dot", "dot", "dot2", "dot"};
    for (int i = 0; i < 4; ++i) {
        const std::string name = "s" + std::to_string(i);
        slotList += std::string(i ? ", " : "") + R"({"name": ")" + name + R"(", "bone": "root", "attachment": ")" + regions[i] + "\"}";
        attachments += std::string(i ? ", " : "") + ("\"" + name + R"(": {")" + regions[i] + R"(": {"width": 8, "height": 8}})");
    }
    const PreviewFrame frame = loadAndSample(skeletonJson(line(), R"({"name": "root"})", slotList, attachments), atlas);
    ASSERT_TRUE(frame.ok) << harness.error;
    ASSERT_EQ(frame.items.size(), 3u);
    EXPECT_EQ(std::filesystem::path(frame.items[0].texturePath), folder / "page.png");
    EXPECT_EQ(std::filesystem::path(frame.items[1].texturePath), folder / "second.png");
    EXPECT_EQ(frame.items[2].texturePath, frame.items[0].texturePath);
    EXPECT_EQ(frame.items[0].vertices.size(), 8u);
    EXPECT_EQ(frame.items[1].vertices.size(), 4u);
    EXPECT_EQ(frame.items[2].vertices.size(), 4u);
    for (const kvxRuntimeVertex &vertex : frame.items[1].vertices) // the region at (8, 8) of the second page
        EXPECT_TRUE(std::fabs(vertex.u - 0.125f) < 1e-4f || std::fabs(vertex.u - 0.25f) < 1e-4f) << vertex.u;
}

TEST_P(RuntimeDrawingTest, VertexColourMultipliesSlotAndAttachmentColours)
{
    const PreviewFrame frame = loadAndSample(
        armSkeleton(line(), 0, {}, R"(, "color": "ffffff80")", R"(, "color": "ff800080")"), armAtlas(line()));
    ASSERT_TRUE(frame.ok) << harness.error;
    ASSERT_EQ(frame.items.size(), 1u);
    for (const kvxRuntimeVertex &vertex : frame.items[0].vertices)
        EXPECT_EQ(vertex.color, 0x40FF8000u); // alpha 0x80 × 0x80, red and green from the attachment
}

TEST_P(RuntimeDrawingTest, InvisibleSlotDrawsNothing)
{
    const PreviewFrame frame = loadAndSample(armSkeleton(line(), 0, {}, R"(, "color": "ffffff00")"), armAtlas(line()));
    ASSERT_TRUE(frame.ok) << harness.error;
    EXPECT_TRUE(frame.items.empty());
}

INSTANTIATE_TEST_SUITE_P(Lines, RuntimeDrawingTest, ::testing::ValuesIn(runtimeLines()),
                         [](const auto &info) { return "Spine" + info.param.substr(0, 1) + info.param.substr(2); });

} // namespace
} // namespace kvx::test
