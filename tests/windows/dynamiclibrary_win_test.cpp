// Plugin libraries through LoadLibraryW: error codes, wide paths, unload and reload.

#include "preview/dynamiclibrary.h"
#include "preview/runtimeplugin.h"
#include "support/testfiles.h"
#include "testplugin/testpluginlibrary.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

using test::TempFolder;

TEST(DynamicLibraryWinTest, FileThatIsNoLibraryIsRefused)
{
    TempFolder folder;
    std::string error;
    EXPECT_EQ(openLibrary(folder.write(L"kvx-runtime-4.2.dll", "not a library"), error), nullptr);
    EXPECT_EQ(error.rfind("LoadLibraryW failed: ", 0), 0u) << error;
    EXPECT_NE(error, "LoadLibraryW failed: 126");
}

TEST(DynamicLibraryWinTest, LoadsFromANonAsciiPathWithForwardSlashes)
{
    TempFolder folder;
    const std::filesystem::path copy = folder / L"\u8fd0\u884c\u65f6 \u00e9" / L"kvx-runtime-4.2.dll";
    std::filesystem::create_directories(copy.parent_path());
    std::filesystem::copy_file(test::testPluginPath("full"), copy);
    std::string error;
    const LibraryHandle library = openLibrary(copy.generic_wstring(), error);
    ASSERT_NE(library, nullptr) << error;
    EXPECT_NE(findLibrarySymbol(library, "kvxRuntimeGetApiVersion"), nullptr);
    EXPECT_EQ(findLibrarySymbol(library, "kvxRuntimeNoSuchExport"), nullptr);
    closeLibrary(library);
}

TEST(RuntimePluginWinTest, OpensUnloadsAndReopensTheTestPlugin)
{
    TempFolder folder;
    const std::filesystem::path copy = folder / L"runtimes \u00fc" / L"kvx-runtime-4.2.dll";
    std::filesystem::create_directories(copy.parent_path());
    std::filesystem::copy_file(test::testPluginPath("full"), copy);

    RuntimePlugin plugin;
    std::string error;
    ASSERT_TRUE(plugin.open(copy, error)) << error;
    EXPECT_TRUE(plugin.isLoaded());
    plugin.unload();
    EXPECT_FALSE(plugin.isLoaded());
    ASSERT_TRUE(plugin.open(copy, error)) << error;
    ASSERT_TRUE(plugin.open(copy, error)) << "open again while loaded: " << error;
    plugin.unload();

    // Once released, the file is no longer held by the process and can be removed.
    std::error_code removeError;
    EXPECT_TRUE(std::filesystem::remove(copy, removeError)) << removeError.message();
}

TEST(RuntimePluginWinTest, FailedOpenAfterALoadLeavesTheHostEmpty)
{
    TempFolder folder;
    RuntimePlugin plugin;
    std::string error;
    ASSERT_TRUE(plugin.open(test::testPluginPath("full"), error)) << error;
    EXPECT_FALSE(plugin.open(folder / L"missing.dll", error));
    EXPECT_EQ(error, "LoadLibraryW failed: 126");
    EXPECT_FALSE(plugin.isLoaded());
}

TEST(RuntimePluginWinTest, WideSkeletonPathsReachThePluginAsUtf8)
{
    test::TestPluginLibrary library(test::testPluginPath("full"));
    ASSERT_TRUE(library.isOpen()) << library.error();
    library.setAnimations({{"walk", 1.5f}});

    RuntimePlugin plugin;
    std::string error;
    ASSERT_TRUE(plugin.open(test::testPluginPath("full"), error)) << error;
    const std::filesystem::path skeleton = L"C:\\\u5bfc\u51fa \u00e9\\hero.json";
    const std::filesystem::path atlas = L"C:\\\u5bfc\u51fa \u00e9\\hero.atlas";
    const SkeletonMetadata metadata = plugin.loadSkeleton(skeleton, atlas, 1.0f, error);
    ASSERT_TRUE(metadata.ok) << error;
    EXPECT_STREQ(library.control().loadedSkeletonPath, "C:\\\xe5\xaf\xbc\xe5\x87\xba \xc3\xa9\\hero.json");
    EXPECT_STREQ(library.control().loadedAtlasPath, "C:\\\xe5\xaf\xbc\xe5\x87\xba \xc3\xa9\\hero.atlas");
}

} // namespace
} // namespace kvx
