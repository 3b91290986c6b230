// Detection remembered per file: reused while the file is unchanged, detected afresh otherwise.

#include "readiness/detectioncache.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kvx {
namespace {

namespace fs = std::filesystem;

std::string json(const std::string &version)
{
    return R"({"skeleton":{"hash":"h","spine":")" + version + R"("},"bones":[{"name":"root"}]})";
}

TEST(DetectionCache, AnUnchangedFileIsDetectedOnce)
{
    test::TempFolder files;
    const fs::path skeleton = files.write("hero.json", json("4.2.43"));
    DetectionCache cache;
    for (int run = 0; run < 5; ++run) {
        const VersionDetection detection = cache.detect(skeleton);
        EXPECT_EQ(detection.status, DetectionStatus::Supported);
        EXPECT_EQ(detection.version->fullText(), "4.2.43");
    }
    EXPECT_EQ(cache.detectionsRun(), 1);
    EXPECT_EQ(cache.size(), 1u);
}

TEST(DetectionCache, AChangedFileIsDetectedAfresh)
{
    test::TempFolder files;
    const fs::path skeleton = files.write("hero.json", json("4.2.43"));
    DetectionCache cache;
    ASSERT_EQ(cache.detect(skeleton).version->fullText(), "4.2.43");

    // Same size, another version and another time.
    files.write("hero.json", json("4.1.24"));
    fs::last_write_time(skeleton, fs::last_write_time(skeleton) + std::chrono::seconds(2));
    EXPECT_EQ(cache.detect(skeleton).version->fullText(), "4.1.24");

    // Another size, whatever the time says.
    const auto time = fs::last_write_time(skeleton);
    files.write("hero.json", json("4.4.1") + "   ");
    fs::last_write_time(skeleton, time);
    EXPECT_EQ(cache.detect(skeleton).status, DetectionStatus::Unsupported);
    EXPECT_EQ(cache.detectionsRun(), 3);
}

TEST(DetectionCache, AVanishedOrReplacedFileIsNotRemembered)
{
    test::TempFolder files;
    const fs::path skeleton = files.write("hero.json", json("4.2.43"));
    DetectionCache cache;
    ASSERT_EQ(cache.detect(skeleton).status, DetectionStatus::Supported);
    fs::remove(skeleton);
    EXPECT_EQ(cache.detect(skeleton).status, DetectionStatus::OpenFailed);
    EXPECT_EQ(cache.size(), 0u);
    fs::create_directory(skeleton);
    EXPECT_EQ(cache.detect(skeleton).status, DetectionStatus::OpenFailed);
    EXPECT_EQ(cache.size(), 0u);
}

#ifndef _WIN32 // Windows keeps no read permission bit
TEST(DetectionCache, LosingReadPermissionCounts)
{
    test::TempFolder files;
    const fs::path skeleton = files.write("hero.json", json("4.2.43"));
    DetectionCache cache;
    ASSERT_EQ(cache.detect(skeleton).status, DetectionStatus::Supported);
    fs::permissions(skeleton, fs::perms::owner_read, fs::perm_options::remove);
    const VersionDetection detection = cache.detect(skeleton);
    fs::permissions(skeleton, fs::perms::owner_read, fs::perm_options::add);
    EXPECT_EQ(cache.detectionsRun(), 2) << "detected afresh, as the window did before caching";
}
#endif

} // namespace
} // namespace kvx
