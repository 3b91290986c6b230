// Every line's plugin against hand-worked expectations for what real characters use: chain path
// constraints, concave clipping, skins and whole-animation framing.

#include "plugins/featurefixtures.h"
#include "plugins/pluginharness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace kvx::test {
namespace {

constexpr double pi = 3.14159265358979323846;
constexpr float pageSize = 64.0f;

// A bone's world transform, y up: its x axis (a, c), its y axis (b, d) and its origin.
struct WorldBone {
    double a, b, c, d, x, y;
};

WorldBone turnedBone(double x, double y, double degrees)
{
    const double c = std::cos(degrees * pi / 180.0), s = std::sin(degrees * pi / 180.0);
    return {c, -s, s, c, x, y};
}

// The corners of region "seg" (20 × 10, its left edge on the bone) on the bone, as the plugin
// hands them out (y down).
std::vector<Corner> segmentCorners(const WorldBone &bone)
{
    const float u2 = 20 / pageSize, v2 = 10 / pageSize;
    const Corner local[] = {{0, -5, 0, v2}, {0, 5, 0, 0}, {20, 5, u2, 0}, {20, -5, u2, v2}};
    std::vector<Corner> corners;
    for (const Corner &corner : local)
        corners.push_back({float(bone.a * corner.x + bone.b * corner.y + bone.x),
                           float(-(bone.c * corner.x + bone.d * corner.y + bone.y)), corner.u, corner.v});
    return corners;
}

std::vector<Corner> segmentCorners(double x, double y, double degrees)
{
    return segmentCorners(turnedBone(x, y, degrees));
}

struct Extent {
    float minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
};

Extent extentOf(const PreviewFrame &frame)
{
    Extent extent;
    for (const DrawItem &item : frame.items)
        for (const kvxRuntimeVertex &vertex : item.vertices) {
            extent.minX = std::min(extent.minX, vertex.x);
            extent.maxX = std::max(extent.maxX, vertex.x);
            extent.minY = std::min(extent.minY, vertex.y);
            extent.maxY = std::max(extent.maxY, vertex.y);
        }
    return extent;
}

// Exactly the same commands: pages, blending, dark colours, triangles and every vertex.
::testing::AssertionResult sameFrames(const PreviewFrame &a, const PreviewFrame &b)
{
    if (!a.ok || !b.ok || a.items.size() != b.items.size())
        return ::testing::AssertionFailure() << "frames differ in their commands";
    for (size_t i = 0; i < a.items.size(); ++i) {
        const DrawItem &m = a.items[i], &n = b.items[i];
        if (m.texturePath != n.texturePath || m.blendMode != n.blendMode || m.darkColor != n.darkColor)
            return ::testing::AssertionFailure() << "command " << i << " differs in its page, blending or dark colour";
        if (m.indices != n.indices || m.vertices.size() != n.vertices.size())
            return ::testing::AssertionFailure() << "command " << i << " differs in its triangles";
        for (size_t v = 0; v < m.vertices.size(); ++v) {
            const kvxRuntimeVertex &p = m.vertices[v], &q = n.vertices[v];
            if (p.x != q.x || p.y != q.y || p.u != q.u || p.v != q.v || p.color != q.color)
                return ::testing::AssertionFailure() << "command " << i << " vertex " << v << " moved";
        }
    }
    return ::testing::AssertionSuccess();
}

// Where the official runtimes put pathChainExport's bones. Both legs of its path are straight
// with their handles at the thirds, so the lengths the runtimes measure are exact and every point
// lies at its true distance along the path.
struct PathPlace {
    double x, y, angle;
};

// The world point at distance s along the path, with its leg's direction; the corner belongs to
// the first leg.
PathPlace placeOnPath(double s)
{
    constexpr double legLength = 60;
    if (s <= legLength)
        return {-30 + s, -20, 0};
    return {30, -20 + (s - legLength), pi / 2};
}

// b1–b3 as the path constraint leaves them, then the foot, which follows b3's tip.
std::vector<WorldBone> pathChainPose(const std::string &line, const PathChainModes &modes)
{
    constexpr double boneLength = 20, boneScale = 1.25, pathLength = 120, recordedLength = 60;
    const double space = modes.spacingMode == "percent"  ? modes.spacing * pathLength
                         : modes.spacingMode == "length" ? (boneLength + modes.spacing) * boneScale
                                                         : modes.spacing * boneScale;
    // 3.8 reads a fixed position in the path's recorded units, stretched with the path; 4.x does not.
    double along = modes.position * (line == "3.8" ? pathLength / recordedLength : 1);
    const PathPlace start = placeOnPath(along);
    double x = start.x, y = start.y;
    std::vector<WorldBone> bones;
    for (int i = 0; i < 3; ++i, along += space) {
        const PathPlace here = placeOnPath(along), next = placeOnPath(along + space);
        const double dx = next.x - x, dy = next.y - y;
        const double stretch = modes.rotateMode == "chainScale" ? std::hypot(dx, dy) / (boneLength * boneScale) : 1;
        const double angle = modes.rotateMode == "tangent" ? here.angle : std::atan2(dy, dx);
        const WorldBone turned = turnedBone(x, y, angle * 180 / pi);
        bones.push_back({turned.a * boneScale * stretch, turned.b * boneScale, turned.c * boneScale * stretch,
                         turned.d * boneScale, x, y});
        // In chain mode the next bone starts at this one's tip, otherwise at its own point.
        x = modes.rotateMode == "chain" ? x + boneLength * bones.back().a : next.x;
        y = modes.rotateMode == "chain" ? y + boneLength * bones.back().c : next.y;
    }
    WorldBone foot = bones.back();
    foot.x += boneLength * foot.a;
    foot.y += boneLength * foot.c;
    // Up to 4.2 the transform constraint also copies scale and shear; in 4.3 it copies what it names.
    if (line == "4.3")
        foot = turnedBone(foot.x, foot.y, std::atan2(foot.c, foot.a) * 180 / pi);
    bones.push_back(foot);
    return bones;
}

class RuntimeFidelityTest : public ::testing::TestWithParam<std::string> {
protected:
    const std::string &line() const { return GetParam(); }

    SkeletonMetadata load(const FixtureExport &fixture)
    {
        const SkeletonMetadata metadata = harness.load(writeExport(folder, fixture.skeleton, fixture.atlas));
        EXPECT_TRUE(metadata.ok) << harness.error;
        return metadata;
    }

    TempFolder folder;
    PluginHarness harness{GetParam()};
};

TEST_P(RuntimeFidelityTest, ChainPathConstraintTurnsEveryBoneAlongThePath)
{
    ASSERT_TRUE(load(chainPathExport(line())).ok);
    const PreviewFrame frame = harness.sample(0.0f);
    ASSERT_TRUE(frame.ok) << harness.error;
    ASSERT_EQ(frame.items.size(), 1u);
    // b1 at the path's start, b2 one bone length (20) further along the 45° line; both turned by 45°.
    std::vector<Corner> expected = segmentCorners(0, 0, 45);
    const double along = 20 * std::cos(pi / 4);
    for (const Corner &corner : segmentCorners(along, along, 45))
        expected.push_back(corner);
    EXPECT_TRUE(hasCorners(frame.items[0], expected));
}

// Every spacing and rotate mode the editor writes, starting at the path's start and further on,
// with bones and path scaled so that each mode's use of their world size shows.
TEST_P(RuntimeFidelityTest, PathChainAndTheFootFollowingItsTipLieWhereTheRuntimePutsThem)
{
    const PathChainModes cases[] = {
        {"fixed", 18, "tangent", 0},   {"fixed", 18, "chain", 10},   {"fixed", 18, "chainScale", 5},
        {"length", 2, "tangent", 10},  {"length", 2, "chain", 0},    {"length", 2, "chainScale", 5},
        {"percent", 0.2, "tangent", 5}, {"percent", 0.2, "chain", 10}, {"percent", 0.2, "chainScale", 0}};
    for (const PathChainModes &modes : cases) {
        SCOPED_TRACE(modes.spacingMode + " spacing, " + modes.rotateMode + " rotation, position "
                     + std::to_string(modes.position));
        const FixtureExport fixture = pathChainExport(line(), modes);
        PluginHarness run(line());
        ASSERT_TRUE(run.load(writeExport(folder, fixture.skeleton, fixture.atlas)).ok) << run.error;
        const PreviewFrame frame = run.sample(0.0f);
        ASSERT_TRUE(frame.ok) << run.error;
        ASSERT_EQ(frame.items.size(), 1u);
        std::vector<Corner> expected;
        for (const WorldBone &bone : pathChainPose(line(), modes))
            for (const Corner &corner : segmentCorners(bone))
                expected.push_back(corner);
        EXPECT_TRUE(hasCorners(frame.items[0], expected));
    }
}

TEST_P(RuntimeFidelityTest, ConcaveClippingKeepsExactlyThePolygonsArea)
{
    ASSERT_TRUE(load(concaveClipExport(line())).ok);
    const PreviewFrame frame = harness.sample(0.0f);
    ASSERT_TRUE(frame.ok) << harness.error;
    ASSERT_EQ(frame.items.size(), 1u);
    EXPECT_NEAR(triangleArea(frame.items[0]), concaveClipArea, 0.05);
    const Extent extent = extentOf(frame);
    EXPECT_NEAR(extent.minX, -30, 1e-3);
    EXPECT_NEAR(extent.maxX, 30, 1e-3);
    EXPECT_NEAR(extent.minY, -30, 1e-3);
    EXPECT_NEAR(extent.maxY, 30, 1e-3);
}

TEST_P(RuntimeFidelityTest, ChosenSkinDrawsItsOwnAttachmentAtOnce)
{
    const SkeletonMetadata metadata = load(skinsExport(line()));
    ASSERT_TRUE(metadata.ok);
    EXPECT_EQ(metadata.skins, (std::vector<std::string>{"default", "small", "large"}));
    ASSERT_TRUE(harness.host.canChooseSkin());
    ASSERT_TRUE(harness.select("idle"));
    ASSERT_TRUE(harness.sample(0.25f).ok);

    ASSERT_TRUE(harness.host.setSkin("small", harness.error)) << harness.error;
    PreviewFrame frame = harness.sample(0.0f);
    ASSERT_TRUE(frame.ok) << harness.error;
    ASSERT_EQ(frame.items.size(), 1u);
    EXPECT_TRUE(hasCorners(frame.items[0], segmentCorners(40, 0, 0)));

    ASSERT_TRUE(harness.host.setSkin("large", harness.error)) << harness.error;
    frame = harness.sample(0.0f);
    ASSERT_TRUE(frame.ok) << harness.error;
    ASSERT_EQ(frame.items.size(), 1u);
    EXPECT_NEAR(triangleArea(frame.items[0]), 1600.0, 1e-2);
    const Extent extent = extentOf(frame);
    EXPECT_NEAR(extent.minX, -70, 1e-3);
    EXPECT_NEAR(extent.maxX, -30, 1e-3);
}

TEST_P(RuntimeFidelityTest, UnknownSkinFailsWithTheRuntimesTextAndKeepsTheShownSkin)
{
    ASSERT_TRUE(load(skinsExport(line())).ok);
    ASSERT_TRUE(harness.host.setSkin("small", harness.error));
    EXPECT_FALSE(harness.host.setSkin("absent", harness.error));
    EXPECT_NE(harness.error.find("absent"), std::string::npos) << harness.error;
    const PreviewFrame frame = harness.sample(0.0f);
    ASSERT_TRUE(frame.ok);
    ASSERT_EQ(frame.items.size(), 1u);
    EXPECT_TRUE(hasCorners(frame.items[0], segmentCorners(40, 0, 0)));
}

TEST_P(RuntimeFidelityTest, InitialSkinIsTheOneThatDrawsTheMost)
{
    const SkeletonMetadata metadata = load(skinsExport(line()));
    ASSERT_TRUE(metadata.ok);
    const std::optional<size_t> chosen = harness.host.chooseInitialSkin(metadata.skins, "idle", harness.error);
    ASSERT_TRUE(chosen) << harness.error;
    EXPECT_EQ(*chosen, 2u); // "large": 1600 square units against 200 and the default's 16
    const PreviewFrame frame = harness.sample(0.0f);
    ASSERT_TRUE(frame.ok);
    EXPECT_NEAR(drawnArea(frame.items), 1600.0, 1e-2);
}

TEST_P(RuntimeFidelityTest, AnimationBoundsUniteEveryFrameNotJustTheFirst)
{
    const FixtureExport fixture = growingExport(line());
    ASSERT_TRUE(load(fixture).ok);
    ASSERT_TRUE(harness.select(fixture.animation));
    const Extent first = extentOf(harness.sample(0.0f));
    EXPECT_NEAR(first.maxX, 10, 1e-3);

    const std::optional<SkeletonBox> box = harness.host.animationBounds(fixture.animation, harness.error);
    ASSERT_TRUE(box) << harness.error;
    EXPECT_NEAR(box->x, -10, 1e-3);
    EXPECT_NEAR(box->y, -5, 1e-3);
    EXPECT_NEAR(box->width, 120, 1e-3);
    EXPECT_NEAR(box->height, 10, 1e-3);
}

TEST_P(RuntimeFidelityTest, AnimationBoundsKeepClippedContentInsideTheClip)
{
    const FixtureExport fixture = concaveClipExport(line());
    ASSERT_TRUE(load(fixture).ok);
    const std::optional<SkeletonBox> box = harness.host.animationBounds(fixture.animation, harness.error);
    ASSERT_TRUE(box) << harness.error;
    // The region reaches ±50; only the comb's box (±30) shows.
    EXPECT_NEAR(box->x, -30, 1e-3);
    EXPECT_NEAR(box->y, -30, 1e-3);
    EXPECT_NEAR(box->width, 60, 1e-3);
    EXPECT_NEAR(box->height, 60, 1e-3);
}

TEST_P(RuntimeFidelityTest, MeasuringAnAnimationLeavesThePlayingPoseAlone)
{
    const FixtureExport fixture = growingExport(line());
    ASSERT_TRUE(load(fixture).ok);
    ASSERT_TRUE(harness.select(fixture.animation));
    ASSERT_TRUE(harness.sample(0.5f).ok);
    ASSERT_TRUE(harness.host.animationBounds(fixture.animation, harness.error)) << harness.error;
    const Extent extent = extentOf(harness.sample(0.0f));
    EXPECT_NEAR(extent.minX, 40, 1e-3); // still half way: the region centred on x 50
    EXPECT_NEAR(extent.maxX, 60, 1e-3);
}

TEST_P(RuntimeFidelityTest, MeasuringBeforePlaybackChangesNoFramePhysicsIncluded)
{
    const FixtureExport fixture = fullRigExport(line());
    std::vector<PreviewFrame> plain, measured;
    for (std::vector<PreviewFrame> *frames : {&plain, &measured}) {
        PluginHarness run(line());
        const SkeletonMetadata metadata = run.load(writeExport(folder, fixture.skeleton, fixture.atlas));
        ASSERT_TRUE(metadata.ok) << run.error;
        ASSERT_TRUE(run.select(fixture.animation)) << run.error;
        if (frames == &measured)
            ASSERT_TRUE(run.host.animationBounds(fixture.animation, run.error)) << run.error;
        frames->push_back(run.sample(0.0f));
        for (int i = 0; i < 8; ++i)
            frames->push_back(run.sample(0.1f));
    }
    for (size_t i = 0; i < plain.size(); ++i)
        EXPECT_TRUE(sameFrames(plain[i], measured[i])) << "frame " << i;
}

// Selecting an animation poses it from a fresh state, physics and the skeleton's clock included,
// on the skin shown: a context that played other animations on other skins first, or the same
// animation part way, gives exactly the frames of a fresh load.
TEST_P(RuntimeFidelityTest, SelectedAnimationPlaysAsAfterAFreshLoad)
{
    struct Played {
        std::string skin; // empty: the skin shown stays
        std::string animation;
        int frames;
    };
    struct Case {
        FixtureExport fixture;
        std::string skin;
        std::vector<Played> before;
    };
    const Case cases[] = {
        {fullRigExport(line()), "", {{"", "kick", 20}, {"", "move", 7}}},
        {skinsExport(line()), "small", {{"large", "idle", 5}, {"", "idle", 3}}},
    };
    const auto play = [](PluginHarness &run, const Played &played) {
        std::vector<PreviewFrame> frames;
        if (!played.skin.empty() && !run.host.setSkin(played.skin, run.error))
            return frames;
        if (!run.select(played.animation))
            return frames;
        frames.push_back(run.sample(0.0f));
        for (int i = 1; i < played.frames; ++i)
            frames.push_back(run.sample(1.0f / 30));
        return frames;
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.fixture.animation);
        const ExportPaths paths = writeExport(folder, c.fixture.skeleton, c.fixture.atlas);
        const Played wanted{c.skin, c.fixture.animation, 24};
        PluginHarness fresh(line()), used(line());
        ASSERT_TRUE(fresh.load(paths).ok) << fresh.error;
        ASSERT_TRUE(used.load(paths).ok) << used.error;
        const std::vector<PreviewFrame> expected = play(fresh, wanted);
        ASSERT_EQ(expected.size(), 24u) << fresh.error;
        for (const Played &played : c.before)
            ASSERT_EQ(play(used, played).size(), size_t(played.frames)) << used.error;
        const std::vector<PreviewFrame> frames = play(used, wanted);
        ASSERT_EQ(frames.size(), expected.size()) << used.error;
        for (size_t i = 0; i < frames.size(); ++i)
            EXPECT_TRUE(sameFrames(expected[i], frames[i])) << "frame " << i;
    }
}

TEST_P(RuntimeFidelityTest, UnknownAnimationCannotBeMeasured)
{
    ASSERT_TRUE(load(growingExport(line())).ok);
    EXPECT_FALSE(harness.host.animationBounds("absent", harness.error));
    EXPECT_NE(harness.error.find("absent"), std::string::npos) << harness.error;
}

INSTANTIATE_TEST_SUITE_P(EveryLine, RuntimeFidelityTest, ::testing::ValuesIn(runtimeLines()),
                         [](const auto &info) { return "Spine" + info.param.substr(0, 1) + info.param.substr(2); });

} // namespace
} // namespace kvx::test
