// Publishing the working folder: one move that never replaces or merges into what is there.

#include "conversion/publish.h"

#include "support/testfiles.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

class PublishFolderTest : public ::testing::Test {
protected:
    PublishFolderTest()
    {
        folder.write(".kovexa-abc123/hero.spine", "project");
        folder.write(".kovexa-abc123/images/body.png", "image");
    }

    fs::path working() const { return folder / ".kovexa-abc123"; }

    TempFolder folder;
};

TEST_F(PublishFolderTest, MovesTheFolderWithEverythingInIt)
{
    ASSERT_FALSE(publishFolder(working(), folder / "hero"));
    EXPECT_FALSE(fs::exists(working()));
    EXPECT_EQ(test::readFileBytes(folder / "hero/hero.spine"), "project");
    EXPECT_EQ(test::readFileBytes(folder / "hero/images/body.png"), "image");
}

TEST_F(PublishFolderTest, RefusesAnExistingEmptyFolder)
{
    fs::create_directory(folder / "hero");
    const std::error_code error = publishFolder(working(), folder / "hero");
    EXPECT_TRUE(error);
    EXPECT_TRUE(isNameTaken(error)) << error.message();
    EXPECT_TRUE(fs::is_empty(folder / "hero"));
    EXPECT_TRUE(fs::exists(working() / "hero.spine"));
}

TEST_F(PublishFolderTest, NeverMergesIntoAFolderWithTheUsersFiles)
{
    folder.write("hero/notes.txt", "mine");
    const std::error_code error = publishFolder(working(), folder / "hero");
    EXPECT_TRUE(error);
    EXPECT_TRUE(isNameTaken(error)) << error.message();
    EXPECT_FALSE(error.message().empty());
    EXPECT_EQ(test::readFileBytes(folder / "hero/notes.txt"), "mine");
    EXPECT_FALSE(fs::exists(folder / "hero/hero.spine"));
    EXPECT_TRUE(fs::exists(working() / "images/body.png"));
}

TEST_F(PublishFolderTest, NeverReplacesAFile)
{
    folder.write("hero", "a file");
    const std::error_code error = publishFolder(working(), folder / "hero");
    EXPECT_TRUE(error);
    EXPECT_TRUE(isNameTaken(error)) << error.message();
    EXPECT_EQ(test::readFileBytes(folder / "hero"), "a file");
    EXPECT_TRUE(fs::exists(working() / "hero.spine"));
}

TEST_F(PublishFolderTest, MissingSourceFailsWithoutCreatingTheDestination)
{
    const std::error_code error = publishFolder(folder / "absent", folder / "hero");
    EXPECT_TRUE(error);
    EXPECT_FALSE(isNameTaken(error)) << "another name would not help";
    EXPECT_FALSE(fs::exists(folder / "hero"));
}

TEST_F(PublishFolderTest, UnderAFreeNameSkipsEveryTakenOne)
{
    folder.write("hero/notes.txt", "mine");
    fs::create_directory(folder / "hero-2");
    const Result<fs::path> published = publishUnderFreeName(working(), folder.path(), "hero");
    ASSERT_TRUE(published) << englishText(published.failure());
    EXPECT_EQ(*published, folder / "hero-3");
    EXPECT_EQ(test::readFileBytes(folder / "hero-3/hero.spine"), "project");
    EXPECT_EQ(test::readFileBytes(folder / "hero/notes.txt"), "mine");
}

} // namespace
} // namespace kvx
