#include "assets/qt/companionfiles.h"

#include "assets/atlasreader.h"
#include "common/qt/pathtext.h"
#include "support/testfiles.h"

#include <QDir>
#include <gtest/gtest.h>

#include <initializer_list>

namespace kvx {
namespace {

std::filesystem::path utf8Path(const char *text)
{
    return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t *>(text)));
}

// A folder holding the named files (a trailing "/" makes a folder), asked for the skeleton's atlas.
class CompanionAtlas : public testing::Test {
protected:
    void create(std::initializer_list<const char *> names)
    {
        for (const char *name : names) {
            const std::filesystem::path relative = utf8Path(name);
            if (std::string_view(name).ends_with('/'))
                std::filesystem::create_directories(folder / relative);
            else
                folder.write(relative, "page.png\n");
        }
    }

    QString path(const char *name) const { return toQString(folder / utf8Path(name)); }

    // The file name of the answer, or "" when there is none.
    QString companionOf(const char *skeleton) const
    {
        const QString atlas = findCompanionAtlas(path(skeleton));
        if (!atlas.isEmpty())
            EXPECT_EQ(atlas, QFileInfo(atlas).absoluteFilePath());
        return atlas.isEmpty() ? QString() : QFileInfo(atlas).fileName();
    }

    test::TempFolder folder;
};

TEST_F(CompanionAtlas, PrefersTheExactCandidatesInOrder)
{
    create({"hero.json", "hero.atlas", "hero.atlas.txt", "another.atlas"});
    EXPECT_EQ(companionOf("hero.json"), "hero.atlas");
    EXPECT_EQ(findCompanionAtlas(path("hero.json")), QDir(toQString(folder.path())).filePath("hero.atlas"));
    std::filesystem::remove(folder / "hero.atlas");
    EXPECT_EQ(companionOf("hero.json"), "hero.atlas.txt");
}

TEST_F(CompanionAtlas, AcceptsAFolderNamedLikeACandidate)
{
    create({"hero.json", "hero.atlas/", "other.atlas", "more.atlas"});
    EXPECT_EQ(companionOf("hero.json"), "hero.atlas");
}

TEST_F(CompanionAtlas, GivesTheOnlyAtlasToEverySkeleton)
{
    create({"hero.json", "villain.skel", "Whatever.ATLAS", "sub.atlas/", ".hidden.atlas", "page.png"});
    EXPECT_EQ(companionOf("hero.json"), "Whatever.ATLAS");
    EXPECT_EQ(companionOf("villain.skel"), "Whatever.ATLAS");
}

TEST_F(CompanionAtlas, MatchesByPrefixInCaseInsensitiveNameOrder)
{
    create({"hero.skel.bytes", "hero.atlas", "other.atlas"});
    EXPECT_EQ(companionOf("hero.skel.bytes"), "hero.atlas");

    test::TempFolder second;
    second.write("hero.json", "");
    for (const char *atlas : {"hero_b.atlas", "hero_A.atlas.txt", "he.atlas", "zz.atlas"})
        second.write(atlas, "");
    EXPECT_EQ(QFileInfo(findCompanionAtlas(toQString(second / "hero.json"))).fileName(), "he.atlas");
    std::filesystem::remove(second / "he.atlas");
    EXPECT_EQ(QFileInfo(findCompanionAtlas(toQString(second / "hero.json"))).fileName(), "hero_A.atlas.txt");
}

TEST_F(CompanionAtlas, ComparesPrefixesCaseSensitively)
{
    create({"Hero.json", "hero_all.atlas", "zzz.atlas"});
    EXPECT_EQ(companionOf("Hero.json"), "");
    std::filesystem::remove(folder / "zzz.atlas");
    EXPECT_EQ(companionOf("Hero.json"), "hero_all.atlas");
}

TEST_F(CompanionAtlas, StripsOnlyTheLastSuffixOnBothSides)
{
    // hero.atlas.txt has the base name hero.atlas, which is no prefix of hero.skel nor the other way.
    create({"hero.skel.bytes", "hero.atlas.txt", "other.atlas"});
    EXPECT_EQ(companionOf("hero.skel.bytes"), "");
    create({"hero.skel.atlas.txt"});
    EXPECT_EQ(companionOf("hero.skel.bytes"), "hero.skel.atlas.txt");
}

TEST_F(CompanionAtlas, AnswersEmptyWithoutAnAtlas)
{
    create({"hero.json", "hero.png", "notes.txt"});
    EXPECT_EQ(companionOf("hero.json"), "");
    EXPECT_EQ(findCompanionAtlas(QString()), QString());
}

TEST_F(CompanionAtlas, HandlesNonAsciiNamesAndRelativePaths)
{
    create({"角色/英雄.json", "角色/英雄.atlas", "角色/别的.atlas"});
    EXPECT_EQ(companionOf("角色/英雄.json"), QString::fromUtf8("英雄.atlas"));
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(path("角色")));
    EXPECT_EQ(findCompanionAtlas(QString::fromUtf8("英雄.json")), path("角色/英雄.atlas"));
    QDir::setCurrent(previous);
}

TEST(PageImagePath, ResolvesAgainstTheAtlasFolder)
{
    EXPECT_EQ(pageImagePath("/data/export/hero.atlas", "hero.png"), "/data/export/hero.png");
    EXPECT_EQ(pageImagePath("/data/export/hero.atlas", "images/hero.png"), "/data/export/images/hero.png");
    EXPECT_EQ(pageImagePath("/data/export/hero.atlas", "/elsewhere/hero.png"), "/elsewhere/hero.png");
    EXPECT_EQ(pageImagePath("hero.atlas", "hero.png"), "./hero.png");
}

TEST(PageNameText, ReadsTheLineBytesAsUtf8)
{
    const AtlasReadResult atlas = parseAtlasText("图片/英雄.png\n");
    ASSERT_TRUE(atlas.ok);
    EXPECT_EQ(pageNameText(atlas.pages.at(0)), QString::fromUtf8("图片/英雄.png"));
    EXPECT_EQ(QFileInfo(pageNameText(atlas.pages.at(0))).fileName(), QString::fromUtf8("英雄.png"));
}

} // namespace
} // namespace kvx
