// Skeleton and atlas files under non-ASCII paths open through the wide file APIs, and atlas page
// names become paths from their bytes in the ANSI code page. The suite also runs under a
// double-byte code pages (936 and 932, see CMakeLists.txt), where invalid page-name bytes and
// trail bytes equal to a backslash occur.

#include "assets/atlasreader.h"
#include "assets/narrowpath.h"
#include "assets/versiondetection.h"
#include "support/testfiles.h"
#include "windows/wintestsupport.h"

#include <gtest/gtest.h>

#include <fstream>

namespace kvx {
namespace {

using test::TempFolder;

const std::wstring kNonAsciiFolder = L"\u5bfc\u51fa \u00e9\u00fc \u0416 \U0001f600";

std::string atlasWithPage(const std::string &pageName)
{
    return pageName + "\nsize: 64,32\nformat: RGBA8888\nfilter: Linear,Linear\nrepeat: none\narm\n  bounds: 0,0,16,16\n";
}

TEST(WidePathTest, SkeletonUnderNonAsciiFolderIsDetected)
{
    TempFolder folder;
    const std::filesystem::path skeleton = folder.write(
        std::filesystem::path(kNonAsciiFolder) / L"\u82f1\u96c4.json", R"({"skeleton":{"spine":"4.2.43"},"bones":[]})");
    const VersionDetection detection = detectSpineVersion(skeleton);
    EXPECT_EQ(detection.status, DetectionStatus::Supported) << detection.message;
    EXPECT_EQ(detection.format, SkeletonFormat::Json);
    ASSERT_TRUE(detection.version.has_value());
    EXPECT_EQ(detection.version->fullText(), "4.2.43");
}

TEST(WidePathTest, MissingNonAsciiSkeletonIsAnOpenFailure)
{
    TempFolder folder;
    const VersionDetection detection = detectSpineVersion(folder / kNonAsciiFolder / L"gone.skel");
    EXPECT_EQ(detection.status, DetectionStatus::OpenFailed);
}

TEST(WidePathTest, AtlasUnderNonAsciiFolderIsRead)
{
    TempFolder folder;
    const std::filesystem::path atlas =
        folder.write(std::filesystem::path(kNonAsciiFolder) / L"\u82f1\u96c4.atlas", atlasWithPage("hero.png"));
    const AtlasReadResult result = readAtlasFile(atlas);
    ASSERT_TRUE(result.ok) << result.error;
    ASSERT_EQ(result.pages.size(), 1u);
    EXPECT_EQ(result.pages[0].name, std::filesystem::path(L"hero.png"));
    ASSERT_EQ(result.pages[0].regions.size(), 1u);
}

TEST(NarrowPathTest, AsciiBytesAreTheSamePath)
{
    const auto path = pathFromNarrowBytes("pages/hero 1.png");
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(path->native(), L"pages/hero 1.png");
}

TEST(NarrowPathTest, AnsiBytesBecomeTheWideName)
{
    const std::wstring name = test::ansiRepresentableName() + L".png";
    const std::string bytes = test::toAnsi(name).value();
    const auto path = pathFromNarrowBytes(bytes);
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(path->native(), name) << "code page " << GetACP();
}

TEST(NarrowPathTest, DoubleByteCharacterWithABackslashTrailByteStaysOneName)
{
    // In code page 932 the second byte of U+8868 is 0x5C, the byte of a backslash.
    const std::wstring name = L"\u8868 \u30bd.png";
    const std::optional<std::string> bytes = test::toAnsi(name);
    if (!bytes || bytes->find('\\') == std::string::npos)
        GTEST_SKIP() << "code page " << GetACP() << " has no such character";
    const auto path = pathFromNarrowBytes("pages/" + *bytes);
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(path->filename().native(), name);
    EXPECT_EQ(path->parent_path().native(), L"pages");
}

TEST(NarrowPathTest, BytesInvalidInTheCodePageGiveNone)
{
    const std::optional<std::string> invalid = test::invalidAnsiBytes();
    if (!invalid)
        GTEST_SKIP() << "code page " << GetACP() << " maps every byte";
    EXPECT_FALSE(pathFromNarrowBytes("page" + *invalid).has_value());
}

TEST(NarrowPathTest, AtlasPageNameInTheCodePageFindsItsImage)
{
    TempFolder folder;
    const std::wstring pageName = test::ansiRepresentableName() + L".png";
    const std::filesystem::path atlasFolder = folder / kNonAsciiFolder;
    const std::filesystem::path atlas = folder.write(
        std::filesystem::path(kNonAsciiFolder) / L"hero.atlas", atlasWithPage(test::toAnsi(pageName).value()));
    folder.write(std::filesystem::path(kNonAsciiFolder) / pageName, "png bytes");
    const AtlasReadResult result = readAtlasFile(atlas);
    ASSERT_TRUE(result.ok) << result.error;
    ASSERT_EQ(result.pages.size(), 1u);
    EXPECT_EQ(result.pages[0].name.native(), pageName);
    EXPECT_EQ(test::readFileBytes(atlasFolder / result.pages[0].name), "png bytes");
}

TEST(NarrowPathTest, AtlasPageNameInvalidInTheCodePageFailsTheRead)
{
    const std::optional<std::string> invalid = test::invalidAnsiBytes();
    if (!invalid)
        GTEST_SKIP() << "code page " << GetACP() << " maps every byte";
    const AtlasReadResult result = parseAtlasText(atlasWithPage("page" + *invalid));
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, "Atlas page name cannot be converted to a path.");
    EXPECT_EQ(result.errorLine, 1);
}

} // namespace
} // namespace kvx
