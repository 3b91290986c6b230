// Publishing the working folder with MoveFileExW: one move, never onto an existing entry.

#include "conversion/publish.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace kvx {
namespace {

using test::TempFolder;

class PublishOnWindowsTest : public testing::Test {
protected:
    TempFolder folder;
    std::filesystem::path working = folder / L".kovexa-Ab12Cd";

    void SetUp() override
    {
        folder.write(L".kovexa-Ab12Cd/hero.spine", "project");
        folder.write(L".kovexa-Ab12Cd/images/arm.png", "png");
    }

    void expectWorkingFolderIntact() const
    {
        EXPECT_EQ(test::readFileBytes(working / L"hero.spine"), "project");
        EXPECT_EQ(test::readFileBytes(working / L"images" / L"arm.png"), "png");
    }
};

TEST_F(PublishOnWindowsTest, MovesTheFolderToANonAsciiName)
{
    const std::filesystem::path destination = folder / L"\u82f1\u96c4 h\u00e9ro";
    const std::error_code error = publishFolder(working, destination);
    ASSERT_FALSE(error) << error.message();
    EXPECT_FALSE(std::filesystem::exists(working));
    EXPECT_EQ(test::readFileBytes(destination / L"hero.spine"), "project");
    EXPECT_EQ(test::readFileBytes(destination / L"images" / L"arm.png"), "png");
}

TEST_F(PublishOnWindowsTest, NeverReplacesAnEmptyFolder)
{
    const std::filesystem::path destination = folder / L"hero";
    std::filesystem::create_directory(destination);
    const std::error_code error = publishFolder(working, destination);
    EXPECT_TRUE(error);
    EXPECT_EQ(error.category(), std::system_category());
    expectWorkingFolderIntact();
    EXPECT_TRUE(std::filesystem::is_empty(destination));
}

TEST_F(PublishOnWindowsTest, NeverMergesIntoAFolderWithContents)
{
    const std::filesystem::path destination = folder / L"hero";
    folder.write(L"hero/hero.spine", "the user's own project");
    const std::error_code error = publishFolder(working, destination);
    EXPECT_TRUE(error);
    expectWorkingFolderIntact();
    EXPECT_EQ(test::readFileBytes(destination / L"hero.spine"), "the user's own project");
    EXPECT_FALSE(std::filesystem::exists(destination / L"images"));
}

TEST_F(PublishOnWindowsTest, NeverReplacesAFile)
{
    const std::filesystem::path destination = folder.write(L"hero", "a file of the user's");
    const std::error_code error = publishFolder(working, destination);
    EXPECT_TRUE(error);
    expectWorkingFolderIntact();
    EXPECT_EQ(test::readFileBytes(destination), "a file of the user's");
}

TEST_F(PublishOnWindowsTest, MissingSourceReportsTheSystemCodeWithAMessage)
{
    const std::error_code error = publishFolder(folder / L"gone", folder / L"hero");
    ASSERT_TRUE(error);
    EXPECT_TRUE(error.value() == ERROR_FILE_NOT_FOUND || error.value() == ERROR_PATH_NOT_FOUND) << error.value();
    EXPECT_EQ(error.category(), std::system_category());
    EXPECT_FALSE(error.message().empty());
    EXPECT_FALSE(std::filesystem::exists(folder / L"hero"));
}

TEST_F(PublishOnWindowsTest, MissingDestinationParentFailsWithoutMoving)
{
    const std::error_code error = publishFolder(working, folder / L"no such parent" / L"hero");
    EXPECT_TRUE(error);
    expectWorkingFolderIntact();
}

} // namespace
} // namespace kvx
