// The output folder made ready up front (its refusals are shown end to end by kovexa-cli's tests).

#include "common/outputfolder.h"

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

} // namespace
} // namespace kvx
