// Where the editor and its update cache are looked for on POSIX systems: /opt/Spine and HOME.

#include "editor/editordiscovery.h"
#include "editor/editorlocations.h"

#include "support/testfiles.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

namespace fs = std::filesystem;
using test::ScopedEnvironment;
using test::TempFolder;

class PosixLocationsTest : public testing::Test {
protected:
    TempFolder home;
    ScopedEnvironment homeVariable{"HOME", home.path().string()};
};

TEST_F(PosixLocationsTest, ExecutableIsTheShellScript)
{
    EXPECT_EQ(spineExecutableFileName(), fs::path("Spine.sh"));
}

TEST_F(PosixLocationsTest, InstallCandidatesAreOptThenHome)
{
    EXPECT_EQ(spineInstallCandidates(), (PathList{"/opt/Spine/Spine.sh", home / "Spine" / "Spine.sh"}));
    EXPECT_EQ(updateDirectoryCandidates(), (PathList{home / ".spine" / "updates"}));
    EXPECT_EQ(defaultUpdateDirectories(), updateDirectoryCandidates());
}

TEST_F(PosixLocationsTest, UnsetOrEmptyHomeLeavesOnlyOpt)
{
    const std::string empty;
    for (const std::string *value : {static_cast<const std::string *>(nullptr), &empty}) {
        const ScopedEnvironment noHome("HOME", value);
        EXPECT_EQ(spineInstallCandidates(), (PathList{"/opt/Spine/Spine.sh"}));
        EXPECT_EQ(defaultUpdateDirectories(), PathList());
        EXPECT_EQ(listCachedEditorVersions(), std::vector<SpineVersion>());
        EXPECT_EQ(findCachedEditorVersion("4.2"), std::nullopt);
    }
}

TEST_F(PosixLocationsTest, DefaultLookupsReadTheHomeUpdateCache)
{
    home.write(".spine/updates/4.2.43", "x");
    home.write(".spine/updates/4.2.8", "x");
    home.write(".spine/updates/4.1.24", "");
    ASSERT_EQ(listCachedEditorVersions().size(), 2u);
    EXPECT_EQ(findCachedEditorVersion("4.2"), (SpineVersion{4, 2, 43}));
    EXPECT_EQ(findCachedEditorVersion("4.1"), std::nullopt);
    EXPECT_TRUE(isEditorVersionCached(SpineVersion{4, 2, 8}));
    EXPECT_FALSE(isEditorVersionCached(SpineVersion{4, 1, 24}));
}

TEST_F(PosixLocationsTest, InstallSearchFindsTheHomeInstallLast)
{
    EXPECT_EQ(findSpineInProgramFiles(), findExistingExecutables({"/opt/Spine/Spine.sh"}));
    const fs::path script = home.write("Spine/Spine.sh", "#!/bin/sh\n");
    const PathList found = findSpineInProgramFiles();
    ASSERT_FALSE(found.empty());
    EXPECT_EQ(found.back(), fs::weakly_canonical(script));
    EXPECT_LE(found.size(), 2u);
}

TEST_F(PosixLocationsTest, HomeThatLeadsToOptGivesOneCandidate)
{
    const ScopedEnvironment optHome("HOME", std::string("/opt"));
    ASSERT_EQ(spineInstallCandidates().size(), 2u);
    EXPECT_LE(findSpineInProgramFiles().size(), 1u);
}

} // namespace
} // namespace kvx
