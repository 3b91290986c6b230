// Loading through every line's plugin: metadata, the setup pose, and bad input that must fail
// with the runtime's own message without taking the host down.

#include "plugins/exportfixtures.h"
#include "plugins/pluginharness.h"
#include "preview/dynamiclibrary.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace kvx::test {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

std::string twoAnimationSkeleton(const std::string &line)
{
    const std::string animations = R"("wave": {"bones": {"root": {"rotate": )" + rotateTimeline(line, {{0, 0}, {0.5f, 10}})
                                   + R"(}}}, "idle": {"bones": {"root": {"rotate": )"
                                   + rotateTimeline(line, {{0, 0}, {2.25f, 10}}) + "}}}";
    return skeletonJson(line, R"({"name": "root"})", R"({"name": "body", "bone": "root", "attachment": "body"})",
                        R"("body": {"body": {"width": 16, "height": 16}})", animations,
                        R"(, {"name": "alt", "attachments": {}})");
}

std::string bodyAtlas(const std::string &line)
{
    return atlasText(line, {{"body", 0, 0, 16, 16}});
}

class RuntimeLoadingTest : public ::testing::TestWithParam<std::string> {
protected:
    const std::string &line() const { return GetParam(); }

    TempFolder folder;
    PluginHarness harness{GetParam()};
};

TEST_P(RuntimeLoadingTest, ListsAnimationsWithDurationsAndSkins)
{
    const SkeletonMetadata metadata = harness.load(writeExport(folder, twoAnimationSkeleton(line()), bodyAtlas(line())));
    ASSERT_TRUE(metadata.ok) << harness.error;
    ASSERT_EQ(metadata.animations.size(), 2u);
    // Each runtime keeps the document's order.
    EXPECT_EQ(metadata.animations[0].name, "wave");
    EXPECT_FLOAT_EQ(metadata.animations[0].duration, 0.5f);
    EXPECT_EQ(metadata.animations[1].name, "idle");
    EXPECT_FLOAT_EQ(metadata.animations[1].duration, 2.25f);
    EXPECT_EQ(metadata.skins, (std::vector<std::string>{"default", "alt"}));
}

TEST_P(RuntimeLoadingTest, SkeletonWithoutAnimationsShowsItsSetupPose)
{
    const std::string skeleton = skeletonJson(line(), R"({"name": "root", "x": 5, "y": 7})",
                                              R"({"name": "body", "bone": "root", "attachment": "body"})",
                                              R"("body": {"body": {"width": 16, "height": 16}})");
    const SkeletonMetadata metadata = harness.load(writeExport(folder, skeleton, bodyAtlas(line())));
    ASSERT_TRUE(metadata.ok) << harness.error;
    EXPECT_TRUE(metadata.animations.empty());
    const PreviewFrame frame = harness.sample(0.0f);
    ASSERT_TRUE(frame.ok) << harness.error;
    ASSERT_EQ(frame.items.size(), 1u);
    const float u2 = 16 / 64.0f;
    EXPECT_TRUE(hasCorners(frame.items[0], {{-3, 1, 0, u2}, {-3, -15, 0, 0}, {13, -15, u2, 0}, {13, 1, u2, u2}}));
}

TEST_P(RuntimeLoadingTest, SkinNamedInTheSkeletonIsListedEvenWithoutDefaultSkin)
{
    std::string skeleton = twoAnimationSkeleton(line());
    // Rename the default skin: its attachments are then only reachable through the first skin.
    skeleton.replace(skeleton.find(R"("name": "default")"), 17, R"("name": "main")");
    const SkeletonMetadata metadata = harness.load(writeExport(folder, skeleton, bodyAtlas(line())));
    ASSERT_TRUE(metadata.ok) << harness.error;
    EXPECT_EQ(metadata.skins, (std::vector<std::string>{"main", "alt"}));
    const PreviewFrame frame = harness.sample(0.0f);
    ASSERT_TRUE(frame.ok) << harness.error;
    EXPECT_EQ(frame.items.size(), 1u);
}

TEST_P(RuntimeLoadingTest, MalformedSkeletonDataFailsTheLoadWithTheRuntimesMessage)
{
    const SkeletonMetadata metadata = harness.load(writeExport(folder, "{\"skeleton\": {\"spine\": ", bodyAtlas(line())));
    EXPECT_FALSE(metadata.ok);
    EXPECT_THAT(harness.error, StartsWith("Skeleton data could not be read: "));
    EXPECT_GT(harness.error.size(), std::string("Skeleton data could not be read: ").size());
    // The host survives and can load a good skeleton afterwards.
    const ExportPaths good = writeExport(folder, twoAnimationSkeleton(line()), bodyAtlas(line()), "good.json");
    EXPECT_TRUE(harness.host.loadSkeleton(good.skeleton, good.atlas, 1.0f, harness.error).ok) << harness.error;
}

TEST_P(RuntimeLoadingTest, RegionMissingFromTheAtlasFailsTheLoad)
{
    const SkeletonMetadata metadata =
        harness.load(writeExport(folder, twoAnimationSkeleton(line()), atlasText(line(), {{"other", 0, 0, 8, 8}})));
    EXPECT_FALSE(metadata.ok);
    EXPECT_THAT(harness.error, HasSubstr("Region not found in atlas: body"));
}

TEST_P(RuntimeLoadingTest, MissingAtlasFileFailsTheLoad)
{
    ExportPaths paths = writeExport(folder, twoAnimationSkeleton(line()), bodyAtlas(line()));
    paths.atlas = folder / "absent.atlas";
    EXPECT_FALSE(harness.load(paths).ok);
    EXPECT_THAT(harness.error, HasSubstr("absent.atlas"));
}

TEST_P(RuntimeLoadingTest, UnknownAnimationIsRejectedAndPlaybackGoesOn)
{
    ASSERT_TRUE(harness.load(writeExport(folder, twoAnimationSkeleton(line()), bodyAtlas(line()))).ok) << harness.error;
    ASSERT_TRUE(harness.select("wave")) << harness.error;
    EXPECT_FALSE(harness.select("missing"));
    EXPECT_THAT(harness.error, HasSubstr("Animation not found: missing"));
    EXPECT_TRUE(harness.sample(0.016f).ok) << harness.error;
}

TEST_P(RuntimeLoadingTest, EveryLineExportsTheWholeInterfaceAtVersion3)
{
    std::string error;
    LibraryHandle library = openLibrary(runtimePluginPath(line()), error);
    ASSERT_NE(library, nullptr) << error;
    const char *names[] = {"kvxRuntimeGetApiVersion", "kvxRuntimeGetInfo", "kvxRuntimeCreate", "kvxRuntimeDestroy",
                           "kvxRuntimeLoad", "kvxRuntimeGetSkeletonInfo", "kvxRuntimeGetAnimationName",
                           "kvxRuntimeGetAnimationDuration", "kvxRuntimeGetSkinName", "kvxRuntimeGetLastError",
                           "kvxRuntimeSetAnimation", "kvxRuntimeUpdate", "kvxRuntimeGetDrawCommandCount",
                           "kvxRuntimeGetDrawCommand"};
    for (const char *name : names)
        EXPECT_NE(findLibrarySymbol(library, name), nullptr) << name;
    auto version = reinterpret_cast<kvxRuntimeGetApiVersionFn>(findLibrarySymbol(library, "kvxRuntimeGetApiVersion"));
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version(), 3);
    auto info = reinterpret_cast<kvxRuntimeGetInfoFn>(findLibrarySymbol(library, "kvxRuntimeGetInfo"));
    ASSERT_NE(info, nullptr);
    EXPECT_THAT(static_cast<const char *>(info()), HasSubstr("Spine " + line()));
    closeLibrary(library);
}

TEST_P(RuntimeLoadingTest, CallsOutOfOrderFailWithoutCrashing)
{
    std::string error;
    LibraryHandle library = openLibrary(runtimePluginPath(line()), error);
    ASSERT_NE(library, nullptr) << error;
    auto create = reinterpret_cast<kvxRuntimeCreateFn>(findLibrarySymbol(library, "kvxRuntimeCreate"));
    auto destroy = reinterpret_cast<kvxRuntimeDestroyFn>(findLibrarySymbol(library, "kvxRuntimeDestroy"));
    auto update = reinterpret_cast<kvxRuntimeUpdateFn>(findLibrarySymbol(library, "kvxRuntimeUpdate"));
    auto select = reinterpret_cast<kvxRuntimeSetAnimationFn>(findLibrarySymbol(library, "kvxRuntimeSetAnimation"));
    auto load = reinterpret_cast<kvxRuntimeLoadFn>(findLibrarySymbol(library, "kvxRuntimeLoad"));
    auto command = reinterpret_cast<kvxRuntimeGetDrawCommandFn>(findLibrarySymbol(library, "kvxRuntimeGetDrawCommand"));
    kvxRuntimeContext context = create();
    ASSERT_NE(context, nullptr);
    EXPECT_NE(update(context, 0.0f), 0);
    EXPECT_NE(select(context, "walk", 1), 0);
    EXPECT_NE(load(context, nullptr), 0);
    kvxRuntimeLoadRequest request{32, 0, nullptr, nullptr, 1.0f, 0};
    EXPECT_NE(load(context, &request), 0);
    kvxRuntimeDrawCommand record{};
    EXPECT_NE(command(context, 0, &record), 0);
    destroy(context);
    closeLibrary(library);
}

INSTANTIATE_TEST_SUITE_P(Lines, RuntimeLoadingTest, ::testing::ValuesIn(runtimeLines()),
                         [](const auto &info) { return "Spine" + info.param.substr(0, 1) + info.param.substr(2); });

} // namespace
} // namespace kvx::test
