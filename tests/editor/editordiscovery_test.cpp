#include "editor/editordiscovery.h"

#include "editor/editorlocations.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

SpineVersion v(int32_t major, int32_t minor, std::optional<int32_t> patch = std::nullopt)
{
    return SpineVersion{major, minor, patch};
}

std::vector<std::string> texts(const std::vector<SpineVersion> &versions)
{
    std::vector<std::string> result;
    for (const SpineVersion &version : versions)
        result.push_back(version.fullText());
    return result;
}

fs::path canonicalFile(const fs::path &path)
{
    return fs::weakly_canonical(path).make_preferred();
}

bool tryLink(const fs::path &target, const fs::path &link, bool directory = false)
{
    std::error_code error;
    if (directory)
        fs::create_directory_symlink(target, link, error);
    else
        fs::create_symlink(target, link, error);
    return !error;
}

class CachedVersionsTest : public testing::Test {
protected:
    TempFolder folder;
    fs::path updates = folder / "updates";
};

TEST_F(CachedVersionsTest, ListsNonEmptyFilesNamedAsVersionsInOrder)
{
    folder.write("updates/4.1.24", "x");
    folder.write("updates/4.1.9", "x");
    folder.write("updates/4.2.3", "x");
    folder.write("updates/readme.txt", "x");
    folder.write("updates/4.1.30", "");
    folder.write("updates/4.3.1/inside", "x");
    const PathList directories{updates};
    EXPECT_EQ(texts(listCachedEditorVersions(directories)), (std::vector<std::string>{"4.1.9", "4.1.24", "4.2.3"}));
    EXPECT_EQ(findCachedEditorVersion("4.1", directories), v(4, 1, 24));
    EXPECT_EQ(findCachedEditorVersion("4.2", directories), v(4, 2, 3));
    EXPECT_EQ(findCachedEditorVersion("4.3", directories), std::nullopt);
    EXPECT_TRUE(isEditorVersionCached(v(4, 1, 24), directories));
    EXPECT_FALSE(isEditorVersionCached(v(4, 1, 30), directories));
    EXPECT_FALSE(isEditorVersionCached(v(4, 1), directories));
}

TEST_F(CachedVersionsTest, WholeFileNameMustParse)
{
    for (const char *name : {"4.2.10-beta", "4.1.24.zip", "4.1-beta", "4", "4.2.x", "v4.2.1"})
        folder.write(fs::path("updates") / name, "x");
    EXPECT_EQ(texts(listCachedEditorVersions({updates})), (std::vector<std::string>{"4.2.10"}));
}

TEST_F(CachedVersionsTest, SameVersionInSeveralFoldersIsListedOnce)
{
    folder.write("a/4.2.43", "x");
    folder.write("b/4.2.43", "x");
    folder.write("b/4.1.9", "x");
    EXPECT_EQ(texts(listCachedEditorVersions({folder / "a", folder / "b"})),
              (std::vector<std::string>{"4.1.9", "4.2.43"}));
}

TEST_F(CachedVersionsTest, TwoAndThreeNumberVersionsAreDistinctButOrderAsEqual)
{
    folder.write("updates/4.1", "x");
    folder.write("updates/4.1.0", "x");
    folder.write("updates/4.0.5", "x");
    const std::vector<SpineVersion> listed = listCachedEditorVersions({updates});
    ASSERT_EQ(listed.size(), 3u);
    EXPECT_EQ(listed[0], v(4, 0, 5));
    EXPECT_TRUE((listed[1] == v(4, 1) && listed[2] == v(4, 1, 0)) || (listed[1] == v(4, 1, 0) && listed[2] == v(4, 1)));
    EXPECT_TRUE(isEditorVersionCached(v(4, 1), {updates}));
    EXPECT_TRUE(isEditorVersionCached(v(4, 1, 0), {updates}));
    EXPECT_EQ(findCachedEditorVersion("4.1", {updates}), listed[2]);
}

TEST_F(CachedVersionsTest, LineIsComparedAsWholeText)
{
    folder.write("updates/4.10.1", "x");
    folder.write("updates/4.1.5", "x");
    EXPECT_EQ(findCachedEditorVersion("4.1", {updates}), v(4, 1, 5));
    EXPECT_EQ(findCachedEditorVersion("4.10", {updates}), v(4, 10, 1));
    EXPECT_EQ(findCachedEditorVersion("4.1.5", {updates}), std::nullopt);
    EXPECT_EQ(findCachedEditorVersion("", {updates}), std::nullopt);
}

TEST_F(CachedVersionsTest, MissingOrUnusableFoldersContributeNothing)
{
    folder.write("good/4.2.1", "x");
    const fs::path notAFolder = folder.write("file", "x");
    const PathList directories{folder / "missing", notAFolder, fs::path(), folder / "good"};
    EXPECT_EQ(texts(listCachedEditorVersions(directories)), (std::vector<std::string>{"4.2.1"}));
}

TEST_F(CachedVersionsTest, LinksCountByWhatTheyLeadTo)
{
    const fs::path target = folder.write("elsewhere/file", "x");
    fs::create_directories(folder / "elsewhere/folder");
    fs::create_directories(updates);
    if (!tryLink(target, updates / "4.2.1"))
        GTEST_SKIP() << "symbolic links cannot be made here";
    ASSERT_TRUE(tryLink(folder / "elsewhere/gone", updates / "4.2.2"));
    ASSERT_TRUE(tryLink(folder / "elsewhere/folder", updates / "4.2.3", true));
    EXPECT_EQ(texts(listCachedEditorVersions({updates})), (std::vector<std::string>{"4.2.1"}));
}

TEST(EditorVersionOrder, ComparesNumbersWithAnAbsentPatchAsZero)
{
    EXPECT_TRUE(editorVersionLess(v(4, 1, 9), v(4, 1, 24)));
    EXPECT_FALSE(editorVersionLess(v(4, 1, 24), v(4, 1, 9)));
    EXPECT_TRUE(editorVersionLess(v(3, 8, 99), v(4, 0)));
    EXPECT_TRUE(editorVersionLess(v(4, 1), v(4, 1, 1)));
    EXPECT_TRUE(editorVersionLess(v(4, 9, 100), v(4, 10, 0)));
    EXPECT_FALSE(editorVersionLess(v(4, 1), v(4, 1, 0)));
    EXPECT_FALSE(editorVersionLess(v(4, 1, 0), v(4, 1)));
}

class NormalizeTest : public testing::Test {
protected:
    TempFolder folder;
};

TEST_F(NormalizeTest, FolderHoldingTheExecutableYieldsIt)
{
    const fs::path file = folder.write(fs::path("Spine") / spineExecutableFileName(), "x");
    EXPECT_EQ(normalizeSpineExecutable(folder / "Spine"), canonicalFile(file));
    fs::create_directories(folder / "Empty");
    EXPECT_EQ(normalizeSpineExecutable(folder / "Empty"), std::nullopt);
}

TEST_F(NormalizeTest, ExePrefersTheComBesideItEvenWhenTheExeIsGone)
{
    const fs::path exe = folder.write("Tools/Spine.exe", "x");
    const fs::path com = folder.write("Tools/Spine.com", "x");
    EXPECT_EQ(normalizeSpineExecutable(exe), canonicalFile(com));
    fs::remove(exe);
    EXPECT_EQ(normalizeSpineExecutable(exe), canonicalFile(com));
    folder.write("Tools/Spine.exe", "x");
    fs::remove(com);
    EXPECT_EQ(normalizeSpineExecutable(exe), canonicalFile(exe)) << "a Spine.exe alone is taken as it is";

    const fs::path upper = folder.write("Upper/SPINE.EXE", "x");
    folder.write("Upper/SPINE.COM", "x");
    EXPECT_EQ(normalizeSpineExecutable(upper), canonicalFile(upper)) << "the extension test is case-sensitive";
}

TEST_F(NormalizeTest, AnyRegularFileIsAcceptedAndNothingElse)
{
    const fs::path notes = folder.write("notes.txt", "not the editor");
    EXPECT_EQ(normalizeSpineExecutable(notes), canonicalFile(notes));
    EXPECT_EQ(normalizeSpineExecutable(folder / "missing.exe"), std::nullopt);
    EXPECT_EQ(normalizeSpineExecutable(fs::path()), std::nullopt);
}

TEST_F(NormalizeTest, ResultIsCanonical)
{
    const fs::path file = folder.write(fs::path("Spine") / spineExecutableFileName(), "x");
    fs::create_directories(folder / "other");
    const fs::path roundabout = folder / "other" / ".." / "Spine" / "." / spineExecutableFileName();
    const std::optional<fs::path> result = normalizeSpineExecutable(roundabout);
    ASSERT_TRUE(result);
    EXPECT_EQ(*result, canonicalFile(file));
    EXPECT_TRUE(result->is_absolute());

    if (tryLink(folder / "Spine", folder / "linked", true)) {
        EXPECT_EQ(normalizeSpineExecutable(folder / "linked"), canonicalFile(file)) << "links are resolved";
    }
}

TEST_F(NormalizeTest, NonAsciiPathsSurvive)
{
    const fs::path place = fs::path(u8"\u7f16\u8f91\u5668 \u00fc\u00df");
    const fs::path file = folder.write(place / spineExecutableFileName(), "x");
    const std::optional<fs::path> result = normalizeSpineExecutable(folder / place);
    ASSERT_TRUE(result);
    EXPECT_EQ(*result, canonicalFile(file));
    EXPECT_NE(result->u8string().find(place.u8string()), std::u8string::npos);
}

TEST(SameEditorPath, CountsSeparatorRunsAsOneAndCaseAsDifferent)
{
    EXPECT_TRUE(sameEditorPath("/opt//Spine///Spine.sh", "/opt/Spine/Spine.sh"));
    EXPECT_TRUE(sameEditorPath("C:\\\\Program Files\\Spine/Spine.com", "C:/Program Files/Spine/Spine.com"));
    EXPECT_FALSE(sameEditorPath("C:/Program Files/Spine/spine.com", "C:/Program Files/Spine/Spine.com"));
    EXPECT_FALSE(sameEditorPath("/opt/Spine/Spine.sh/", "/opt/Spine/Spine.sh"));
}

TEST(FindExistingExecutables, KeepsExistingFilesOnceInOrder)
{
    TempFolder folder;
    const fs::path first = folder.write("b/Spine.sh", "x");
    const fs::path second = folder.write("a/Spine.sh", "x");
    fs::create_directories(folder / "dir");
    const PathList found = findExistingExecutables(
        {folder / "missing", first, folder / "dir", folder / "b" / ".." / "b" / "Spine.sh", second, first});
    EXPECT_EQ(found, (PathList{canonicalFile(first), canonicalFile(second)}));
}

} // namespace
} // namespace kvx
