// The output folder made ready up front, and the working folder that goes with its object.

#include "common/outputfolder.h"
#include "common/workingfolder.h"

#include "support/testfiles.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

namespace fs = std::filesystem;

TEST(OutputFolder, CreatesWhatIsMissingAndTakesBackOnlyWhatStayedEmpty)
{
    test::TempFolder root;
    const Result<OutputFolder> output = OutputFolder::prepare(root / "a/b/c");
    ASSERT_TRUE(output) << englishText(output.failure());
    EXPECT_TRUE(fs::is_directory(root / "a/b/c"));
    EXPECT_TRUE(fs::is_empty(root / "a/b/c")) << "the writability probe is gone";
    root.write("a/keep.txt", "written meanwhile");
    output->removeCreatedIfEmpty();
    EXPECT_FALSE(fs::exists(root / "a/b"));
    EXPECT_TRUE(fs::exists(root / "a/keep.txt"));

    const Result<OutputFolder> existing = OutputFolder::prepare(root / "a");
    ASSERT_TRUE(existing);
    existing->removeCreatedIfEmpty();
    fs::remove(root / "a/keep.txt");
    EXPECT_TRUE(fs::exists(root / "a")) << "a folder that was there stays";
}

TEST(OutputFolder, RefusesWhatCannotHoldOutputAndLeavesNothing)
{
    test::TempFolder root;
    const fs::path file = root.write("taken", "a file");
    const Result<OutputFolder> onFile = OutputFolder::prepare(file);
    ASSERT_FALSE(onFile);
    EXPECT_EQ(onFile.failure().kind, FailureKind::NotAFolder);

    const Result<OutputFolder> below = OutputFolder::prepare(file / "out");
    ASSERT_FALSE(below);
    EXPECT_EQ(below.failure().kind, FailureKind::FolderCreate);
    EXPECT_TRUE(below.failure().systemError) << "the system's reason is kept";
    EXPECT_EQ(test::readFileBytes(file), "a file");
}

TEST(WorkingFolder, GoesWithItsObjectUnlessReleased)
{
    test::TempFolder root;
    fs::path kept;
    {
        Result<WorkingFolder> removed = WorkingFolder::create(root.path());
        ASSERT_TRUE(removed);
        root.write(removed->path().filename() / "part.png", "half");
        Result<WorkingFolder> released = WorkingFolder::create(root.path());
        ASSERT_TRUE(released);
        kept = released->path();
        EXPECT_NE(kept, removed->path());
        EXPECT_EQ(kept.filename().string().rfind(".kovexa-", 0), 0u);
        released->release();
    }
    std::vector<fs::path> left;
    for (const fs::directory_entry &entry : fs::directory_iterator(root.path()))
        left.push_back(entry.path());
    EXPECT_EQ(left, std::vector<fs::path>{kept});
}

} // namespace
} // namespace kvx
