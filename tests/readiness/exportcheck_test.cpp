// The export check behind readiness: a page image must be a readable regular file.

#include "readiness/qt/exportcheck.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <QString>
#include <filesystem>
#include <sys/stat.h>

namespace kvx {
namespace {

namespace fs = std::filesystem;

QString q(const fs::path &path)
{
    return QString::fromStdString(path.string());
}

std::string atlasNaming(const std::vector<std::string> &pages)
{
    std::string text;
    for (const std::string &page : pages)
        text += page + "\nsize: 4, 4\nformat: RGBA8888\nfilter: Linear, Linear\nrepeat: none\nregion\n  xy: 0, 0\n  size: 1, 1\n\n";
    return text;
}

class ExportCheckTest : public ::testing::Test {
protected:
    fs::path writeExport(const std::vector<std::string> &pages)
    {
        files.write("export/hero.atlas", atlasNaming(pages));
        return files.write("export/hero.json", R"({"skeleton":{"spine":"4.2.43"},"bones":[]})");
    }
    test::TempFolder files;
};

TEST_F(ExportCheckTest, ACompleteExport)
{
    const fs::path skeleton = writeExport({"hero.png", "images/hero_2.png"});
    files.write("export/hero.png", "png");
    files.write("export/images/hero_2.png", "png");
    const ExportCheck check = checkExport(q(skeleton));
    EXPECT_EQ(check.completeness, ExportCompleteness::Complete);
    EXPECT_EQ(check.atlas.pages.size(), 2u);
    EXPECT_TRUE(check.missingPages.isEmpty());
}

TEST_F(ExportCheckTest, EveryMissingPageIsListedInAtlasOrder)
{
    const fs::path skeleton = writeExport({"a.png", "b.png", "images/c.png"});
    files.write("export/b.png", "png");
    const ExportCheck check = checkExport(q(skeleton));
    EXPECT_EQ(check.completeness, ExportCompleteness::MissingPage);
    EXPECT_EQ(check.missingPages, (QStringList{"a.png", "c.png"}));
}

TEST_F(ExportCheckTest, APageThatIsNoReadableFileCountsAsMissing)
{
    const fs::path skeleton = writeExport({"folder.png", "pipe.png", "locked.png", "device.png", "good.png"});
    fs::create_directories(files / "export" / "folder.png");
    const bool fifo = ::mkfifo((files / "export" / "pipe.png").c_str(), 0600) == 0;
    const fs::path locked = files.write("export/locked.png", "png");
    fs::permissions(locked, fs::perms::none);
    fs::create_symlink("/dev/null", files / "export" / "device.png");
    files.write("export/good.png", "png");

    const ExportCheck check = checkExport(q(skeleton)); // a FIFO opened here would block for ever
    fs::permissions(locked, fs::perms::owner_all);
    EXPECT_EQ(check.completeness, ExportCompleteness::MissingPage);
    EXPECT_TRUE(check.missingPages.contains("folder.png"));
    EXPECT_TRUE(check.missingPages.contains("device.png"));
    if (fifo)
        EXPECT_TRUE(check.missingPages.contains("pipe.png"));
    if (::geteuid() != 0)
        EXPECT_TRUE(check.missingPages.contains("locked.png"));
    EXPECT_FALSE(check.missingPages.contains("good.png"));
}

TEST_F(ExportCheckTest, NoAtlasOrAnUnreadableOne)
{
    const fs::path skeleton = files.write("lonely/hero.json", R"({"skeleton":{"spine":"4.2.43"},"bones":[]})");
    EXPECT_EQ(checkExport(q(skeleton)).completeness, ExportCompleteness::MissingAtlas);
    files.write("lonely/hero.atlas", "size: 64, 64\n");
    const ExportCheck check = checkExport(q(skeleton));
    EXPECT_EQ(check.completeness, ExportCompleteness::UnreadableAtlas);
    EXPECT_FALSE(check.atlas.error.empty());
}

} // namespace
} // namespace kvx
