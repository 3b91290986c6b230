// Publishing on POSIX: the error reported, links left alone, and the folder's final permissions.

#include "conversion/publish.h"

#include "support/testfiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace kvx {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask) : previous(::umask(mask)) {}
    ~ScopedUmask() { ::umask(previous); }

private:
    mode_t previous;
};

fs::path privateWorkingFolder(const TempFolder &folder)
{
    const fs::path working = folder.write(".kovexa-abc123/hero.spine", "project").parent_path();
    fs::permissions(working, fs::perms::owner_all, fs::perm_options::replace);
    return working;
}

TEST(PublishFolderPosix, TakenNameReportsFileExists)
{
    TempFolder folder;
    const fs::path working = privateWorkingFolder(folder);
    fs::create_directory(folder / "hero");
    const std::error_code error = publishFolder(working, folder / "hero");
    EXPECT_EQ(error, std::errc::file_exists);
    EXPECT_EQ(error.message(), std::make_error_code(std::errc::file_exists).message());
}

TEST(PublishFolderPosix, NeverReplacesADanglingLink)
{
    TempFolder folder;
    const fs::path working = privateWorkingFolder(folder);
    fs::create_symlink(folder / "elsewhere", folder / "hero");
    EXPECT_TRUE(publishFolder(working, folder / "hero"));
    EXPECT_TRUE(fs::is_symlink(folder / "hero"));
    EXPECT_FALSE(fs::exists(folder / "elsewhere"));
    EXPECT_TRUE(fs::exists(working / "hero.spine"));
}

TEST(PublishFolderPosix, PublishedFolderGetsTheUsualPermissionsOfANewFolder)
{
    for (const mode_t mask : {mode_t(022), mode_t(027)}) {
        ScopedUmask umask(mask);
        TempFolder folder;
        ASSERT_FALSE(publishFolder(privateWorkingFolder(folder), folder / "hero"));
        struct stat info {};
        ASSERT_EQ(::stat((folder / "hero").c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0777 & ~mask);
    }
}

} // namespace
} // namespace kvx
