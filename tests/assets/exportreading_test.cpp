// Export records: the companion atlas and its pages read once, a page image only as a readable
// regular file, and a record read again only where its files changed.

#include "assets/qt/exportreading.h"
#include "readiness/readiness.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <QString>
#include <algorithm>
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

std::vector<std::string> missing(const ExportRecord &record)
{
    return record.missingPageFileNames();
}

bool lists(const std::vector<std::string> &names, const std::string &name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::string json(const std::string &version)
{
    return R"({"skeleton":{"hash":"h","spine":")" + version + R"("},"bones":[{"name":"root"}]})";
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
    const ExportRecord record = readExport(q(skeleton));
    EXPECT_EQ(completenessOf(record), ExportCompleteness::Complete);
    EXPECT_EQ(record.pages.size(), 2u);
    EXPECT_TRUE(missing(record).empty());
}

TEST_F(ExportCheckTest, EveryMissingPageIsListedInAtlasOrder)
{
    const fs::path skeleton = writeExport({"a.png", "b.png", "images/c.png"});
    files.write("export/b.png", "png");
    const ExportRecord record = readExport(q(skeleton));
    EXPECT_EQ(completenessOf(record), ExportCompleteness::MissingPage);
    EXPECT_EQ(missing(record), (std::vector<std::string>{"a.png", "c.png"}));
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

    const ExportRecord record = readExport(q(skeleton)); // a FIFO opened here would block for ever
    fs::permissions(locked, fs::perms::owner_all);
    const std::vector<std::string> names = missing(record);
    EXPECT_EQ(completenessOf(record), ExportCompleteness::MissingPage);
    EXPECT_TRUE(lists(names, "folder.png"));
    EXPECT_TRUE(lists(names, "device.png"));
    if (fifo)
        EXPECT_TRUE(lists(names, "pipe.png"));
    if (::geteuid() != 0)
        EXPECT_TRUE(lists(names, "locked.png"));
    EXPECT_FALSE(lists(names, "good.png"));
}

TEST_F(ExportCheckTest, NoAtlasOrAnUnreadableOne)
{
    const fs::path skeleton = files.write("lonely/hero.json", R"({"skeleton":{"spine":"4.2.43"},"bones":[]})");
    EXPECT_EQ(completenessOf(readExport(q(skeleton))), ExportCompleteness::MissingAtlas);
    files.write("lonely/hero.atlas", "size: 64, 64\n");
    const ExportRecord record = readExport(q(skeleton));
    EXPECT_EQ(completenessOf(record), ExportCompleteness::UnreadableAtlas);
    EXPECT_FALSE(record.atlasError.empty());
}

TEST_F(ExportCheckTest, PremultipliedAlphaIsExactlyTrue)
{
    files.write("export/hero.atlas", "a.png\nsize: 4,4\npma: true\nr\n  xy: 0,0\n  size: 1,1\n\n"
                                     "b.png\nsize: 4,4\npma: yes\nr2\n  xy: 0,0\n  size: 1,1\n\n"
                                     "c.png\nsize: 4,4\nr3\n  xy: 0,0\n  size: 1,1\n");
    const fs::path skeleton = files.write("export/hero.json", json("4.2.43"));
    const ExportRecord record = readExport(q(skeleton));
    ASSERT_EQ(record.pages.size(), 3u);
    EXPECT_TRUE(record.pages[0].premultiplied());
    EXPECT_FALSE(record.pages[1].premultiplied()) << "the runtimes read only \"true\"";
    EXPECT_FALSE(record.pages[2].pma.has_value());
}

TEST(ExportCatalog, AnUnchangedExportIsReadOnce)
{
    test::TempFolder files;
    files.write("hero.atlas", atlasNaming({"hero.png"}));
    files.write("hero.png", "png");
    const fs::path skeleton = files.write("hero.json", json("4.2.43"));
    ExportCatalog catalog;
    for (int run = 0; run < 5; ++run) {
        const ExportRecord &record = catalog.current(q(skeleton));
        EXPECT_EQ(record.detection.version->fullText(), "4.2.43");
        EXPECT_EQ(completenessOf(record), ExportCompleteness::Complete);
    }
    EXPECT_EQ(catalog.filesRead(), 1);
    EXPECT_EQ(catalog.size(), 1);
}

TEST(ExportCatalog, WhatChangedIsReadAfresh)
{
    test::TempFolder files;
    files.write("hero.atlas", atlasNaming({"hero.png"}));
    const fs::path skeleton = files.write("hero.json", json("4.2.43"));
    ExportCatalog catalog;
    ASSERT_EQ(catalog.current(q(skeleton)).detection.version->fullText(), "4.2.43");
    EXPECT_EQ(completenessOf(catalog.current(q(skeleton))), ExportCompleteness::MissingPage);

    // The page arrives: only the page is looked at again.
    files.write("hero.png", "png");
    EXPECT_EQ(completenessOf(catalog.current(q(skeleton))), ExportCompleteness::Complete);

    // Same size, another version and another time.
    files.write("hero.json", json("4.1.24"));
    fs::last_write_time(skeleton, fs::last_write_time(skeleton) + std::chrono::seconds(2));
    EXPECT_EQ(catalog.current(q(skeleton)).detection.version->fullText(), "4.1.24");

    // Another size, whatever the time says.
    const auto time = fs::last_write_time(skeleton);
    files.write("hero.json", json("4.4.1") + "   ");
    fs::last_write_time(skeleton, time);
    EXPECT_EQ(catalog.current(q(skeleton)).detection.status, DetectionStatus::Unsupported);

    // Gone, or a folder in its place.
    fs::remove(skeleton);
    EXPECT_EQ(catalog.current(q(skeleton)).detection.status, DetectionStatus::OpenFailed);
    fs::create_directory(skeleton);
    EXPECT_EQ(catalog.current(q(skeleton)).detection.status, DetectionStatus::OpenFailed);
}

TEST(ExportCatalog, LosingReadPermissionCounts)
{
    test::TempFolder files;
    const fs::path skeleton = files.write("hero.json", json("4.2.43"));
    ExportCatalog catalog;
    ASSERT_EQ(catalog.current(q(skeleton)).detection.status, DetectionStatus::Supported);
    fs::permissions(skeleton, fs::perms::owner_read, fs::perm_options::remove);
    const int64_t before = catalog.filesRead();
    catalog.current(q(skeleton));
    fs::permissions(skeleton, fs::perms::owner_read, fs::perm_options::add);
    EXPECT_EQ(catalog.filesRead(), before + 1) << "read afresh, as the window did before keeping records";
}

} // namespace
} // namespace kvx
