// Editor discovery with the Windows locations: Program Files, the update folders under APPDATA,
// LOCALAPPDATA and USERPROFILE (read from the wide environment), and Spine.com preferred to
// Spine.exe.

#include "editor/editordiscovery.h"
#include "editor/editorlocations.h"
#include "support/testfiles.h"
#include "windows/wintestsupport.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

using test::ScopedEnvironment;
using test::TempFolder;

std::string ansi(const std::filesystem::path &path)
{
    return test::toAnsi(path.native()).value();
}

// Every variable discovery reads, cleared, so that the machine's own folders never leak in.
class WindowsLocationsTest : public testing::Test {
protected:
    TempFolder folder;
    ScopedEnvironment programFiles{"ProgramFiles", nullptr};
    ScopedEnvironment programFilesX86{"ProgramFiles(x86)", nullptr};
    ScopedEnvironment appData{"APPDATA", nullptr};
    ScopedEnvironment localAppData{"LOCALAPPDATA", nullptr};
    ScopedEnvironment userProfile{"USERPROFILE", nullptr};

    std::filesystem::path installEditor(const std::filesystem::path &programFilesFolder) const
    {
        return folder.write(programFilesFolder / L"Spine" / L"Spine.com", "stand-in");
    }
};

TEST_F(WindowsLocationsTest, InstallCandidatesFollowProgramFilesThenProgramFilesX86)
{
    const ScopedEnvironment first("ProgramFiles", ansi(folder / L"PF"));
    const ScopedEnvironment second("ProgramFiles(x86)", ansi(folder / L"PF86"));
    const std::vector<std::filesystem::path> expected = {folder / L"PF" / L"Spine" / L"Spine.com",
                                                         folder / L"PF86" / L"Spine" / L"Spine.com"};
    EXPECT_EQ(spineInstallCandidates(), expected);
}

TEST_F(WindowsLocationsTest, UnsetOrEmptyVariablesGiveNoCandidates)
{
    EXPECT_TRUE(spineInstallCandidates().empty());
    EXPECT_TRUE(updateDirectoryCandidates().empty());
    EXPECT_TRUE(findSpineInProgramFiles().empty());
    EXPECT_TRUE(listCachedEditorVersions().empty());
}

TEST_F(WindowsLocationsTest, NonAsciiValueSetInTheAnsiCodePageIsFound)
{
    const std::filesystem::path programFilesFolder = folder / test::ansiRepresentableName();
    const std::filesystem::path editor = installEditor(programFilesFolder);
    const ScopedEnvironment variable("ProgramFiles", ansi(programFilesFolder));
    const PathList found = findSpineInProgramFiles();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_TRUE(std::filesystem::equivalent(found[0], editor));
    EXPECT_EQ(found[0].filename(), std::filesystem::path(L"Spine.com"));
}

TEST_F(WindowsLocationsTest, ValuesOutsideTheAnsiCodePageAreReadExactly)
{
    // No single-byte or double-byte code page holds all of these.
    const std::filesystem::path profile = folder / L"\u5f20\u4e09 \u0416\u00e9 \U0001f600";
    folder.write(profile.filename() / L"Spine" / L"updates" / L"4.2.43", "x");
    const std::filesystem::path editor = installEditor(profile.filename());
    const test::ScopedWideEnvironment user(L"USERPROFILE", profile.native());
    const test::ScopedWideEnvironment programs(L"ProgramFiles", profile.native());
    EXPECT_EQ(updateDirectoryCandidates(), PathList{profile / L"Spine" / L"updates"});
    EXPECT_EQ(listCachedEditorVersions(), (std::vector<SpineVersion>{{4, 2, 43}}));
    const PathList found = findSpineInProgramFiles();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_TRUE(std::filesystem::equivalent(found[0], editor));
}

TEST_F(WindowsLocationsTest, ValuesComeFromTheProcessEnvironmentBlock)
{
    // Longer than the first buffer tried, and outside every ANSI code page.
    const std::filesystem::path profile = folder / (L"\u5f20\u4e09 \U0001f600 " + std::wstring(300, L'x'));
    const test::ScopedBlockEnvironment user(L"USERPROFILE", profile.native());
    const test::ScopedBlockEnvironment programs(L"ProgramFiles", profile.native());
    EXPECT_EQ(updateDirectoryCandidates(), PathList{profile / L"Spine" / L"updates"});
    EXPECT_EQ(spineInstallCandidates(), PathList{profile / L"Spine" / L"Spine.com"});
}

TEST_F(WindowsLocationsTest, OnlyInstalledFoldersAreFoundPreferredFirst)
{
    const std::filesystem::path editor = installEditor(L"PF86");
    const ScopedEnvironment first("ProgramFiles", ansi(folder / L"PF"));
    const ScopedEnvironment second("ProgramFiles(x86)", ansi(folder / L"PF86"));
    PathList found = findSpineInProgramFiles();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_TRUE(std::filesystem::equivalent(found[0], editor));

    const std::filesystem::path preferred = installEditor(L"PF");
    found = findSpineInProgramFiles();
    ASSERT_EQ(found.size(), 2u);
    EXPECT_TRUE(std::filesystem::equivalent(found[0], preferred));
    EXPECT_TRUE(std::filesystem::equivalent(found[1], editor));
}

TEST_F(WindowsLocationsTest, SameFolderTwiceGivesOneCandidate)
{
    installEditor(L"PF");
    const ScopedEnvironment first("ProgramFiles", ansi(folder / L"PF"));
    // The same folder spelled with forward slashes and a trailing separator.
    const ScopedEnvironment second("ProgramFiles(x86)", ansi((folder / L"PF").generic_wstring() + L"/"));
    EXPECT_EQ(findSpineInProgramFiles().size(), 1u);
}

TEST_F(WindowsLocationsTest, ProgramFilesSearchIgnoresSpineExe)
{
    folder.write(L"PF/Spine/Spine.exe", "launcher");
    const ScopedEnvironment first("ProgramFiles", ansi(folder / L"PF"));
    EXPECT_TRUE(findSpineInProgramFiles().empty());
}

TEST_F(WindowsLocationsTest, UpdateFoldersComeFromAppDataLocalAppDataAndUserProfile)
{
    const ScopedEnvironment roaming("APPDATA", ansi(folder / L"Roaming"));
    const ScopedEnvironment local("LOCALAPPDATA", ansi(folder / L"Local"));
    const ScopedEnvironment profile("USERPROFILE", ansi(folder / L"User"));
    const PathList expected = {folder / L"Roaming" / L"Spine" / L"updates", folder / L"Local" / L"Spine" / L"updates",
                               folder / L"User" / L"Spine" / L"updates"};
    EXPECT_EQ(updateDirectoryCandidates(), expected);
    EXPECT_EQ(defaultUpdateDirectories(), expected);
}

TEST_F(WindowsLocationsTest, CachedVersionsAreGatheredFromEveryUpdateFolderOnce)
{
    folder.write(L"Roaming/Spine/updates/4.1.24", "x");
    folder.write(L"Roaming/Spine/updates/readme.txt", "x");
    folder.write(L"User/Spine/updates/4.1.24", "x");
    folder.write(L"User/Spine/updates/4.2.3", "x");
    folder.write(L"Local/Spine/updates/4.1.9", "x");
    folder.write(L"Local/Spine/updates/4.1.30", "");
    const ScopedEnvironment roaming("APPDATA", ansi(folder / L"Roaming"));
    const ScopedEnvironment local("LOCALAPPDATA", ansi(folder / L"Local"));
    const ScopedEnvironment profile("USERPROFILE", ansi(folder / L"User"));
    const std::vector<SpineVersion> expected = {{4, 1, 9}, {4, 1, 24}, {4, 2, 3}};
    EXPECT_EQ(listCachedEditorVersions(), expected);
    EXPECT_EQ(findCachedEditorVersion("4.1"), (SpineVersion{4, 1, 24}));
    EXPECT_FALSE(isEditorVersionCached({4, 1, 30}));
}

class NormalizeOnWindowsTest : public testing::Test {
protected:
    TempFolder folder;
};

TEST_F(NormalizeOnWindowsTest, FolderGetsSpineComAppended)
{
    const std::filesystem::path editor = folder.write(L"Tools \u00e9/Spine/Spine.com", "x");
    const auto normalized = normalizeSpineExecutable(folder / L"Tools \u00e9" / L"Spine");
    ASSERT_TRUE(normalized.has_value());
    EXPECT_TRUE(std::filesystem::equivalent(*normalized, editor));
    EXPECT_EQ(normalized->filename(), std::filesystem::path(L"Spine.com"));
}

TEST_F(NormalizeOnWindowsTest, SpineExeBecomesTheSpineComBesideIt)
{
    folder.write(L"Spine/Spine.exe", "gui");
    const std::filesystem::path console = folder.write(L"Spine/Spine.com", "console");
    const auto normalized = normalizeSpineExecutable(folder / L"Spine" / L"Spine.exe");
    ASSERT_TRUE(normalized.has_value());
    EXPECT_TRUE(std::filesystem::equivalent(*normalized, console));
    EXPECT_EQ(normalized->extension(), std::filesystem::path(L".com"));
}

TEST_F(NormalizeOnWindowsTest, UpperCaseExeIsKeptEvenWithAComBeside)
{
    // The file system ignores case, the extension test does not.
    const std::filesystem::path upper = folder.write(L"Spine/SPINE.EXE", "gui");
    folder.write(L"Spine/SPINE.COM", "console");
    const auto normalized = normalizeSpineExecutable(upper);
    ASSERT_TRUE(normalized.has_value());
    EXPECT_EQ(normalized->filename(), std::filesystem::path(L"SPINE.EXE"));
}

TEST_F(NormalizeOnWindowsTest, SpineExeAloneIsAccepted)
{
    const std::filesystem::path launcher = folder.write(L"Spine/Spine.exe", "gui");
    const auto normalized = normalizeSpineExecutable(launcher);
    ASSERT_TRUE(normalized.has_value());
    EXPECT_EQ(normalized->filename(), std::filesystem::path(L"Spine.exe"));
}

TEST_F(NormalizeOnWindowsTest, ResultIsAbsoluteWithNativeSeparators)
{
    folder.write(L"A/Spine/Spine.com", "x");
    const std::wstring spelled = (folder / L"A" / L"..").generic_wstring() + L"/A/Spine/Spine.com";
    const auto normalized = normalizeSpineExecutable(spelled);
    ASSERT_TRUE(normalized.has_value());
    EXPECT_TRUE(normalized->is_absolute());
    EXPECT_EQ(normalized->native().find(L'/'), std::wstring::npos) << normalized->native();
    EXPECT_EQ(normalized->native().find(L".."), std::wstring::npos) << normalized->native();
}

} // namespace
} // namespace kvx
