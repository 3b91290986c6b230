// Skeleton and atlas paths that name a FIFO: reported as unopenable instead of blocking the caller.

#include "assets/atlasreader.h"
#include "assets/versiondetection.h"

#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <future>

namespace kvx {
namespace {

namespace fs = std::filesystem;

// Runs the read on another thread. Should it block on the FIFO, a writer is attached and detached
// to release it, so that the test fails instead of hanging.
template <class Result>
std::optional<Result> withinTwoSeconds(const fs::path &fifo, std::function<Result()> read)
{
    std::future<Result> pending = std::async(std::launch::async, std::move(read));
    if (pending.wait_for(std::chrono::seconds(2)) == std::future_status::ready)
        return pending.get();
    const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (writer >= 0)
        ::close(writer);
    pending.wait();
    return std::nullopt;
}

class FifoTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0); }

    test::TempFolder folder;
    fs::path fifo = folder / "hero.json";
};

TEST_F(FifoTest, SkeletonPathNamingAFifoCannotBeOpened)
{
    const auto result = withinTwoSeconds<VersionDetection>(fifo, [this] { return detectSpineVersion(fifo); });
    ASSERT_TRUE(result) << "detection blocked on the FIFO";
    EXPECT_EQ(result->status, DetectionStatus::OpenFailed);
    EXPECT_EQ(result->message, "Skeleton data file could not be opened.");
}

TEST_F(FifoTest, AtlasPathNamingAFifoCannotBeOpened)
{
    const auto result = withinTwoSeconds<AtlasReadResult>(fifo, [this] { return readAtlasFile(fifo); });
    ASSERT_TRUE(result) << "the atlas read blocked on the FIFO";
    EXPECT_FALSE(result->ok);
    EXPECT_EQ(result->error, "Atlas file could not be opened.");
}

TEST(SymbolicLink, LinkToARegularFileIsReadAsThatFile)
{
    test::TempFolder folder;
    const fs::path target = folder.write("real.atlas", "hero.png\nsize: 4,4\n");
    std::error_code error;
    fs::create_symlink(target, folder / "hero.atlas", error);
    if (error)
        GTEST_SKIP() << "symbolic links cannot be made here";
    EXPECT_TRUE(readAtlasFile(folder / "hero.atlas").ok);
}

} // namespace
} // namespace kvx
