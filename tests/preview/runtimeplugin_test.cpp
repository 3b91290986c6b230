// The plugin host against the configurable test plugin: every call it makes, in order, and every
// failure text it gives.

#include "preview/runtimeplugin.h"

#include "support/testfiles.h"
#include "testplugin/testpluginlibrary.h"

#include <gtest/gtest.h>

#include <type_traits>

namespace kvx {
namespace {

using testplugin::Call;
using test::TestPluginLibrary;
using test::testPluginPath;

kvxRuntimeVertex vertex(float x, float y, float u, float v, uint32_t color = 0xFFFFFFFF)
{
    return kvxRuntimeVertex{x, y, u, v, color};
}

bool isPosix()
{
    return std::is_same_v<std::filesystem::path::value_type, char>;
}

class RuntimePluginTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(plugin.isOpen()) << plugin.error(); }

    void openHost()
    {
        std::string error;
        ASSERT_TRUE(host.open(testPluginPath("full"), error)) << error;
    }
    SkeletonMetadata loadHost()
    {
        std::string error;
        SkeletonMetadata metadata = host.loadSkeleton("/data/hero.json", "/data/hero.atlas", 1.0f, error);
        EXPECT_TRUE(metadata.ok) << error;
        return metadata;
    }
    void openAndLoad()
    {
        openHost();
        loadHost();
        plugin.clearCalls();
    }

    TestPluginLibrary plugin{testPluginPath("full")};
    RuntimePlugin host;
};

// --- open ---

TEST_F(RuntimePluginTest, MissingFileFailsWithTheLoaderTextAndLeavesTheHostEmpty)
{
    openAndLoad();
    test::TempFolder folder;
    std::string error;
    EXPECT_FALSE(host.open(folder / ("absent" + std::string(sharedLibrarySuffix())), error));
    if (isPosix())
        EXPECT_EQ(error.rfind("dlopen failed: ", 0), 0u) << error;
    else
        EXPECT_EQ(error, "LoadLibraryW failed: 126");
    EXPECT_FALSE(host.isLoaded());
    EXPECT_FALSE(host.hasContext());
    // Whatever was loaded before went first, its context with it.
    EXPECT_EQ(plugin.callSequence(), std::vector<Call>{Call::Destroy});
    EXPECT_EQ(plugin.control().liveContexts, 0u);
}

TEST_F(RuntimePluginTest, WrongApiVersionIsRejectedAndAGoodLibraryOpensAfterwards)
{
    std::string error;
    EXPECT_FALSE(host.open(testPluginPath("api2"), error));
    EXPECT_EQ(error, "Runtime plugin API version is incompatible.");
    EXPECT_FALSE(host.isLoaded());

    plugin.control().apiVersion = 4;
    error.clear();
    EXPECT_FALSE(host.open(testPluginPath("full"), error));
    EXPECT_EQ(error, "Runtime plugin API version is incompatible.");
    EXPECT_FALSE(host.isLoaded());

    plugin.control().apiVersion = 3;
    error = "untouched";
    EXPECT_TRUE(host.open(testPluginPath("full"), error));
    EXPECT_EQ(error, "untouched");
    EXPECT_TRUE(host.isLoaded());
    EXPECT_FALSE(host.hasContext());
}

TEST_F(RuntimePluginTest, LibraryWithoutGetInfoIsRejectedBeforeItsVersionIsAsked)
{
    TestPluginLibrary noInfo(testPluginPath("noinfo"));
    ASSERT_TRUE(noInfo.isOpen());
    std::string error;
    EXPECT_FALSE(host.open(testPluginPath("noinfo"), error));
    EXPECT_EQ(error, "Runtime plugin does not expose the required Kovexa ABI.");
    EXPECT_FALSE(host.isLoaded());
    EXPECT_TRUE(noInfo.calls().empty());
}

TEST_F(RuntimePluginTest, RequiredOnlyLibraryOpensButProvidesNothingElse)
{
    TestPluginLibrary required(testPluginPath("required"));
    ASSERT_TRUE(required.isOpen());
    std::string error;
    ASSERT_TRUE(host.open(testPluginPath("required"), error)) << error;
    EXPECT_EQ(required.callSequence(), std::vector<Call>{Call::GetApiVersion});

    required.clearCalls();
    EXPECT_FALSE(host.loadSkeleton("/a.json", "/a.atlas", 1.0f, error).ok);
    EXPECT_EQ(error, "Runtime plugin does not provide skeleton metadata capability.");
    EXPECT_FALSE(host.setAnimation("run", true, error));
    EXPECT_EQ(error, "Runtime plugin does not provide animation playback.");
    EXPECT_FALSE(host.sampleFrame(0.016f, error).ok);
    EXPECT_EQ(error, "Runtime plugin does not provide preview drawing.");
    EXPECT_TRUE(required.calls().empty());
}

TEST_F(RuntimePluginTest, MetadataOnlyLibraryLoadsButNeitherPlaysNorDraws)
{
    TestPluginLibrary metadataOnly(testPluginPath("metadata"));
    metadataOnly.setAnimations({{"idle", 1.0f}});
    std::string error;
    ASSERT_TRUE(host.open(testPluginPath("metadata"), error)) << error;
    const SkeletonMetadata metadata = host.loadSkeleton("/a.json", "/a.atlas", 1.0f, error);
    ASSERT_TRUE(metadata.ok) << error;
    ASSERT_EQ(metadata.animations.size(), 1u);

    metadataOnly.clearCalls();
    EXPECT_FALSE(host.setAnimation("idle", true, error));
    EXPECT_EQ(error, "Runtime plugin does not provide animation playback.");
    EXPECT_FALSE(host.sampleFrame(0.0f, error).ok);
    EXPECT_EQ(error, "Runtime plugin does not provide preview drawing.");
    EXPECT_TRUE(metadataOnly.calls().empty());
}

TEST_F(RuntimePluginTest, EveryOpenReloadsAndUnloadsFirst)
{
    openAndLoad();
    openHost();
    EXPECT_EQ(plugin.callSequence(), (std::vector<Call>{Call::Destroy, Call::GetApiVersion}));
    EXPECT_FALSE(host.hasContext());
}

// --- loadSkeleton ---

TEST_F(RuntimePluginTest, LoadSkeletonPassesTheRequestAndReadsNamesDurationsAndSkinsInOrder)
{
    plugin.setAnimations({{"idle", 1.5f}, {"run", 0.75f}, {"jump", 2.0f}});
    plugin.control().nullAnimationName[1] = true;
    plugin.setSkins({"default", "armour"});
    plugin.control().nullSkinName[0] = true;
    openHost();
    plugin.clearCalls();

    std::string error;
    const SkeletonMetadata metadata = host.loadSkeleton("/data/hero.json", "/data/hero.atlas", 1.0f, error);
    ASSERT_TRUE(metadata.ok) << error;
    ASSERT_EQ(metadata.animations.size(), 3u);
    EXPECT_EQ(metadata.animations[0].name, "idle");
    EXPECT_EQ(metadata.animations[1].name, "");
    EXPECT_EQ(metadata.animations[2].name, "jump");
    EXPECT_FLOAT_EQ(metadata.animations[0].duration, 1.5f);
    EXPECT_FLOAT_EQ(metadata.animations[1].duration, 0.75f);
    EXPECT_EQ(metadata.skins, (std::vector<std::string>{"", "armour"}));

    const testplugin::Control &control = plugin.control();
    EXPECT_EQ(control.loadStructSize, 32u);
    EXPECT_STREQ(control.loadedSkeletonPath, "/data/hero.json");
    EXPECT_STREQ(control.loadedAtlasPath, "/data/hero.atlas");
    EXPECT_FLOAT_EQ(control.loadedScale, 1.0f);

    const std::vector<Call> expected{Call::Create, Call::Load, Call::GetSkeletonInfo,
                                     Call::GetAnimationName, Call::GetAnimationDuration,
                                     Call::GetAnimationName, Call::GetAnimationDuration,
                                     Call::GetAnimationName, Call::GetAnimationDuration,
                                     Call::GetSkinName, Call::GetSkinName};
    EXPECT_EQ(plugin.callSequence(), expected);
    const std::vector<testplugin::CallRecord> calls = plugin.calls();
    EXPECT_EQ(calls[2].structSize, 28u);
    EXPECT_TRUE(calls[2].recordWasZeroed);
    EXPECT_EQ(calls[7].index, 2u);
    EXPECT_EQ(calls[10].index, 1u);
    EXPECT_TRUE(host.hasContext());
}

TEST_F(RuntimePluginTest, SecondLoadDestroysTheFirstContextBeforeCreatingTheNext)
{
    openHost();
    loadHost();
    plugin.clearCalls();
    loadHost();
    const std::vector<testplugin::CallRecord> calls = plugin.calls();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[0].call, Call::Destroy);
    EXPECT_EQ(calls[0].context, 1u);
    EXPECT_EQ(calls[1].call, Call::Create);
    EXPECT_EQ(plugin.callsOf(Call::Destroy).size(), 1u);
    EXPECT_EQ(plugin.callsOf(Call::Load).front().context, 2u);
    EXPECT_EQ(plugin.control().liveContexts, 1u);
}

TEST_F(RuntimePluginTest, FailedLoadKeepsItsContextUntilUnload)
{
    plugin.control().failLoad = true;
    plugin.setLastError("Skeleton data is truncated.");
    openHost();
    std::string error;
    EXPECT_FALSE(host.loadSkeleton("/a.json", "/a.atlas", 1.0f, error).ok);
    EXPECT_EQ(error, "Skeleton data is truncated.");
    EXPECT_EQ(plugin.callSequence().back(), Call::GetLastError);
    EXPECT_TRUE(host.hasContext());
    EXPECT_EQ(plugin.control().liveContexts, 1u);

    plugin.clearCalls();
    host.unload();
    ASSERT_EQ(plugin.callSequence(), std::vector<Call>{Call::Destroy});
    EXPECT_EQ(plugin.calls()[0].context, 1u);
    EXPECT_EQ(plugin.control().liveContexts, 0u);
    EXPECT_FALSE(host.isLoaded());
}

TEST_F(RuntimePluginTest, FailedLoadWithoutPluginTextUsesTheFixedText)
{
    plugin.control().failLoad = true;
    openHost();
    std::string error;
    EXPECT_FALSE(host.loadSkeleton("/a.json", "/a.atlas", 1.0f, error).ok);
    EXPECT_EQ(error, "Runtime plugin failed to load skeleton data.");
}

TEST_F(RuntimePluginTest, FailedSkeletonInfoStopsWithoutAskingForTheErrorText)
{
    plugin.control().failSkeletonInfo = true;
    plugin.setLastError("not to be asked");
    openHost();
    plugin.clearCalls();
    std::string error;
    EXPECT_FALSE(host.loadSkeleton("/a.json", "/a.atlas", 1.0f, error).ok);
    EXPECT_EQ(error, "Runtime plugin failed to return skeleton metadata.");
    EXPECT_EQ(plugin.callSequence(), (std::vector<Call>{Call::Create, Call::Load, Call::GetSkeletonInfo}));
    EXPECT_TRUE(host.hasContext());
}

TEST_F(RuntimePluginTest, NullContextFromCreateFailsAfterTheOldContextIsGone)
{
    openAndLoad();
    plugin.control().createReturnsNull = true;
    std::string error;
    EXPECT_FALSE(host.loadSkeleton("/a.json", "/a.atlas", 1.0f, error).ok);
    EXPECT_EQ(error, "Runtime plugin could not create a context.");
    EXPECT_EQ(plugin.callSequence(), (std::vector<Call>{Call::Destroy, Call::Create}));
    EXPECT_FALSE(host.hasContext());
    EXPECT_TRUE(host.isLoaded());
}

TEST_F(RuntimePluginTest, PathThatIsNotUnicodeFailsTheLoadWithoutCallingThePlugin)
{
    if (isPosix())
        GTEST_SKIP() << "POSIX paths are bytes and reach the plugin unchanged.";
    openAndLoad();
    const std::filesystem::path broken(std::wstring{L'a', static_cast<wchar_t>(0xD800), L'.', L'j'});
    std::string error;
    EXPECT_FALSE(host.loadSkeleton(broken, "/a.atlas", 1.0f, error).ok);
    EXPECT_EQ(error, "Skeleton or atlas path cannot be passed to the runtime plugin as UTF-8.");
    EXPECT_TRUE(plugin.calls().empty());
    EXPECT_TRUE(host.hasContext());
}

TEST_F(RuntimePluginTest, PosixPathBytesReachThePluginUnchanged)
{
    if (!isPosix())
        GTEST_SKIP() << "Windows paths are UTF-16.";
    openHost();
    std::string error;
    const std::string latin1Name = "/data/h\xE9ros.json"; // not UTF-8, but a valid POSIX name
    ASSERT_TRUE(host.loadSkeleton(latin1Name, "/data/\xE8\x8B\xB1\xE9\x9B\x84.atlas", 1.0f, error).ok) << error;
    EXPECT_EQ(std::string(plugin.control().loadedSkeletonPath), latin1Name);
    EXPECT_EQ(std::string(plugin.control().loadedAtlasPath), "/data/\xE8\x8B\xB1\xE9\x9B\x84.atlas");
}

TEST_F(RuntimePluginTest, DestructorReleasesTheContext)
{
    {
        RuntimePlugin scoped;
        std::string error;
        ASSERT_TRUE(scoped.open(testPluginPath("full"), error));
        ASSERT_TRUE(scoped.loadSkeleton("/a.json", "/a.atlas", 1.0f, error).ok);
        EXPECT_EQ(plugin.control().liveContexts, 1u);
    }
    EXPECT_EQ(plugin.control().liveContexts, 0u);
    EXPECT_EQ(plugin.callSequence().back(), Call::Destroy);
}

// --- setAnimation ---

TEST_F(RuntimePluginTest, SetAnimationPassesTheNameAndLoopFlag)
{
    openAndLoad();
    std::string error = "untouched";
    EXPECT_TRUE(host.setAnimation("walk \xE8\xB5\xB0", true, error));
    EXPECT_TRUE(host.setAnimation("walk", false, error));
    EXPECT_EQ(error, "untouched");
    const std::vector<testplugin::CallRecord> calls = plugin.callsOf(Call::SetAnimation);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_STREQ(calls[0].text, "walk \xE8\xB5\xB0");
    EXPECT_EQ(calls[0].loop, 1);
    EXPECT_EQ(calls[1].loop, 0);
}

TEST_F(RuntimePluginTest, RejectedAnimationReportsThePluginTextOrTheFixedText)
{
    openAndLoad();
    plugin.setRejectedAnimation("broken");
    std::string error;
    EXPECT_FALSE(host.setAnimation("broken", true, error));
    EXPECT_EQ(error, "Animation could not be selected.");
    EXPECT_EQ(plugin.callSequence(), (std::vector<Call>{Call::SetAnimation, Call::GetLastError}));

    plugin.setLastError("Animation not found: broken");
    EXPECT_FALSE(host.setAnimation("broken", true, error));
    EXPECT_EQ(error, "Animation not found: broken");
}

TEST_F(RuntimePluginTest, SetAnimationAndSampleFrameWithoutContextCallNothing)
{
    openHost();
    plugin.clearCalls();
    std::string error;
    EXPECT_FALSE(host.setAnimation("idle", true, error));
    EXPECT_EQ(error, "Runtime plugin does not provide animation playback.");
    const PreviewFrame frame = host.sampleFrame(0.016f, error);
    EXPECT_FALSE(frame.ok);
    EXPECT_EQ(error, "Runtime plugin does not provide preview drawing.");
    EXPECT_TRUE(plugin.calls().empty());

    RuntimePlugin empty;
    EXPECT_FALSE(empty.loadSkeleton("/a.json", "/a.atlas", 1.0f, error).ok);
    EXPECT_EQ(error, "Runtime plugin does not provide skeleton metadata capability.");
}

// --- sampleFrame ---

TEST_F(RuntimePluginTest, SampleFrameCopiesEveryCommandRightAfterItsCall)
{
    plugin.control().commandCount = 2;
    plugin.setCommand(0, {vertex(0, 0, 0, 0), vertex(10, 0, 1, 0), vertex(0, 10, 0, 1, 0x80FFFFFF)},
                      {0, 1, 2}, "/pages/hero.png", 1)
        .darkColor = 0x00402010u;
    plugin.setCommand(1, {vertex(5, 5, 0.5f, 0.5f)}, {0, 0, 0, 0}, "/pages/\xE9\xA1\xB5.png", 7).darkColor =
        0xFF000080u; // the top byte is not the plugin's to set
    openAndLoad();

    std::string error = "untouched";
    const PreviewFrame frame = host.sampleFrame(0.016f, error);
    ASSERT_TRUE(frame.ok) << error;
    EXPECT_EQ(error, "untouched");
    ASSERT_EQ(frame.items.size(), 2u);
    // The plugin hands both commands out of one reused buffer: the first must survive the second.
    ASSERT_EQ(frame.items[0].vertices.size(), 3u);
    EXPECT_FLOAT_EQ(frame.items[0].vertices[1].x, 10.0f);
    EXPECT_EQ(frame.items[0].vertices[2].color, 0x80FFFFFFu);
    EXPECT_EQ(frame.items[0].indices, (std::vector<uint16_t>{0, 1, 2}));
    EXPECT_EQ(frame.items[0].texturePath, u"/pages/hero.png");
    EXPECT_EQ(frame.items[0].blendMode, 1);
    ASSERT_EQ(frame.items[1].vertices.size(), 1u);
    EXPECT_FLOAT_EQ(frame.items[1].vertices[0].u, 0.5f);
    EXPECT_EQ(frame.items[1].indices.size(), 4u);
    EXPECT_EQ(frame.items[1].texturePath, u"/pages/\u9875.png");
    EXPECT_EQ(frame.items[1].blendMode, 7);
    EXPECT_EQ(frame.items[0].darkColor, 0x00402010u);
    EXPECT_EQ(frame.items[1].darkColor, 0x00000080u);

    EXPECT_EQ(plugin.callSequence(),
              (std::vector<Call>{Call::Update, Call::GetDrawCommandCount, Call::GetDrawCommand,
                                 Call::GetDrawCommandDarkColor, Call::GetDrawCommand, Call::GetDrawCommandDarkColor}));
    const std::vector<testplugin::CallRecord> calls = plugin.calls();
    EXPECT_FLOAT_EQ(calls[0].seconds, 0.016f);
    EXPECT_EQ(calls[2].structSize, 56u);
    EXPECT_TRUE(calls[2].recordWasZeroed);
    EXPECT_TRUE(calls[4].recordWasZeroed);
    EXPECT_EQ(calls[4].index, 1u);
    EXPECT_EQ(calls[5].index, 1u);
}

TEST_F(RuntimePluginTest, DarkColoursAreBlackWithoutTheExportAndAFailedOneDiscardsTheFrame)
{
    TestPluginLibrary drawing(testPluginPath("drawing"));
    drawing.control().commandCount = 1;
    drawing.setCommand(0, {vertex(0, 0, 0, 0)}, {0, 0, 0}, "/pages/hero.png").darkColor = 0x00FF0000u;
    RuntimePlugin older;
    std::string error;
    ASSERT_TRUE(older.open(testPluginPath("drawing"), error)) << error;
    ASSERT_TRUE(older.loadSkeleton("/data/hero.json", "/data/hero.atlas", 1.0f, error).ok) << error;
    EXPECT_FALSE(older.reportsDarkColours());
    const PreviewFrame plain = older.sampleFrame(0.0f, error);
    ASSERT_TRUE(plain.ok) << error;
    EXPECT_EQ(plain.items.front().darkColor, 0u);

    plugin.control().commandCount = 1;
    plugin.setCommand(0, {vertex(0, 0, 0, 0)}, {0, 0, 0}, "/pages/hero.png").failDarkColor = true;
    openAndLoad();
    EXPECT_TRUE(host.reportsDarkColours());
    EXPECT_FALSE(host.sampleFrame(0.0f, error).ok);
    EXPECT_EQ(error, "Runtime plugin returned an invalid draw command.");
}

TEST_F(RuntimePluginTest, CountZeroGivesAnEmptyFrame)
{
    openAndLoad();
    std::string error;
    const PreviewFrame frame = host.sampleFrame(0.0f, error);
    EXPECT_TRUE(frame.ok);
    EXPECT_TRUE(frame.items.empty());
    EXPECT_EQ(plugin.callSequence(), (std::vector<Call>{Call::Update, Call::GetDrawCommandCount}));
}

TEST_F(RuntimePluginTest, NullPageAtCommandThreeOfFiveDiscardsTheFrameAndAsksNoFurther)
{
    plugin.control().commandCount = 5;
    for (uint32_t i = 0; i < 5; ++i)
        plugin.setCommand(i, {vertex(0, 0, 0, 0)}, {0, 0, 0}, "/pages/hero.png");
    plugin.control().commands[2].nullTexturePath = true;
    plugin.setLastError("not to be asked");
    openAndLoad();

    std::string error;
    const PreviewFrame frame = host.sampleFrame(0.016f, error);
    EXPECT_FALSE(frame.ok);
    EXPECT_TRUE(frame.items.empty());
    EXPECT_EQ(error, "Runtime plugin returned an invalid draw command.");
    const std::vector<testplugin::CallRecord> commands = plugin.callsOf(Call::GetDrawCommand);
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(commands.back().index, 2u);
    EXPECT_TRUE(plugin.callsOf(Call::GetLastError).empty());
}

TEST_F(RuntimePluginTest, FailedDrawCommandDiscardsTheFrame)
{
    plugin.control().commandCount = 2;
    plugin.setCommand(0, {vertex(0, 0, 0, 0)}, {0, 0, 0}, "/pages/hero.png");
    plugin.setCommand(1, {vertex(0, 0, 0, 0)}, {0, 0, 0}, "/pages/hero.png").fail = true;
    openAndLoad();
    std::string error;
    const PreviewFrame frame = host.sampleFrame(0.016f, error);
    EXPECT_FALSE(frame.ok);
    EXPECT_TRUE(frame.items.empty());
    EXPECT_EQ(error, "Runtime plugin returned an invalid draw command.");
}

TEST_F(RuntimePluginTest, PagePathThatIsNotUtf8IsAnInvalidCommand)
{
    plugin.control().commandCount = 1;
    plugin.setCommand(0, {vertex(0, 0, 0, 0)}, {0, 0, 0}, "/pages/h\xE9ro.png");
    openAndLoad();
    std::string error;
    EXPECT_FALSE(host.sampleFrame(0.016f, error).ok);
    EXPECT_EQ(error, "Runtime plugin returned an invalid draw command.");
}

TEST_F(RuntimePluginTest, NullVertexArrayWithVerticesIsAnInvalidCommandNotACrash)
{
    plugin.control().commandCount = 1;
    plugin.setCommand(0, {vertex(0, 0, 0, 0), vertex(1, 0, 1, 0), vertex(0, 1, 0, 1)}, {0, 1, 2}, "/p.png")
        .nullVertices = true;
    openAndLoad();
    std::string error;
    EXPECT_FALSE(host.sampleFrame(0.016f, error).ok);
    EXPECT_EQ(error, "Runtime plugin returned an invalid draw command.");
}

TEST_F(RuntimePluginTest, CommandWithoutVerticesOrIndicesIsCopiedEmpty)
{
    plugin.control().commandCount = 1;
    plugin.setCommand(0, {}, {}, "/p.png").nullVertices = true;
    openAndLoad();
    std::string error;
    const PreviewFrame frame = host.sampleFrame(0.016f, error);
    ASSERT_TRUE(frame.ok) << error;
    ASSERT_EQ(frame.items.size(), 1u);
    EXPECT_TRUE(frame.items[0].vertices.empty());
    EXPECT_TRUE(frame.items[0].indices.empty());
}

TEST_F(RuntimePluginTest, AbsurdCommandCountFailsTheFrameInsteadOfEndingTheProcess)
{
    plugin.control().commandCount = 0xFFFFFFFFu;
    openAndLoad();
    std::string error;
    const PreviewFrame frame = host.sampleFrame(0.016f, error);
    EXPECT_FALSE(frame.ok);
    EXPECT_TRUE(frame.items.empty());
    // Nothing is reserved for the count as such: the first missing command ends the frame.
    EXPECT_EQ(error, "Runtime plugin returned an invalid draw command.");
}

TEST_F(RuntimePluginTest, FailedUpdateReportsThePluginTextOrTheFixedText)
{
    plugin.control().failUpdate = true;
    plugin.control().commandCount = 1;
    openAndLoad();
    std::string error;
    EXPECT_FALSE(host.sampleFrame(0.016f, error).ok);
    EXPECT_EQ(error, "Preview frame could not be sampled.");
    EXPECT_EQ(plugin.callSequence(), (std::vector<Call>{Call::Update, Call::GetLastError}));

    plugin.setLastError("Pose failed.");
    EXPECT_FALSE(host.sampleFrame(0.016f, error).ok);
    EXPECT_EQ(error, "Pose failed.");
}

TEST(RuntimePluginFileName, NamesTheLineWithThePlatformSuffix)
{
    EXPECT_EQ(runtimePluginFileName("4.2"), std::string("kvx-runtime-4.2") + sharedLibrarySuffix());
    if (isPosix())
        EXPECT_STREQ(sharedLibrarySuffix(), ".so");
    else
        EXPECT_STREQ(sharedLibrarySuffix(), ".dll");
}

} // namespace
} // namespace kvx
