// A binary skeleton assembled by hand in the 4.2 format, read from a .skel and a .skel.bytes
// file: the plugin hands the bytes to the runtime's binary reader.

#include "plugins/exportfixtures.h"
#include "plugins/pluginharness.h"
#include "plugins/skelwriter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

namespace kvx::test {
namespace {

// The arm skeleton of the drawing tests: bone "arm" at (10, 0) turned by 90°, region 20 × 10.
std::string armSkel(const std::string &regionName)
{
    SkelWriter skel;
    skel.int32(0x12345678).int32(0).text("4.2.20");
    skel.real(0).real(0).real(20).real(20).real(100).byte(0); // bounds, reference scale, no nonessential data
    skel.varint(1).text(regionName);                           // string table
    skel.varint(2).bone("root", -1, 0, 0).bone("arm", 0, 90, 10);
    skel.varint(1).text("arm").varint(1).int32(0xFFFFFFFF).int32(0xFFFFFFFF).varint(1).varint(0); // slot, blend normal
    skel.varint(0).varint(0).varint(0).varint(0);          // no IK, transform, path or physics constraints
    skel.varint(1).varint(0).varint(1).varint(1).byte(0); // default skin: slot 0, one region named by string 1
    skel.real(0).real(0).real(1).real(1).real(20).real(10);
    skel.varint(0).varint(0).varint(0); // no other skins, events or animations
    return skel.bytes;
}

class BinarySkeletonTest : public ::testing::TestWithParam<std::string> {
protected:
    TempFolder folder;
    PluginHarness harness{"4.2"};
};

TEST_P(BinarySkeletonTest, ReadsTheBinaryFormatAndDrawsTheRegion)
{
    const ExportPaths paths = writeExport(folder, armSkel("arm"), atlasText("4.2", {{"arm", 0, 0, 20, 10}}), GetParam());
    const SkeletonMetadata metadata = harness.load(paths);
    ASSERT_TRUE(metadata.ok) << harness.error;
    EXPECT_EQ(metadata.skins, (std::vector<std::string>{"default"}));
    const PreviewFrame frame = harness.sample(0.0f);
    ASSERT_TRUE(frame.ok) << harness.error;
    ASSERT_EQ(frame.items.size(), 1u);
    const float u2 = 20 / 64.0f, v2 = 10 / 64.0f;
    EXPECT_TRUE(hasCorners(frame.items[0], {{15, 10, 0, v2}, {5, 10, 0, 0}, {5, -10, u2, 0}, {15, -10, u2, v2}}));
}

TEST_P(BinarySkeletonTest, MissingRegionFailsWithTheRuntimesMessage)
{
    const ExportPaths paths = writeExport(folder, armSkel("gone"), atlasText("4.2", {{"arm", 0, 0, 20, 10}}), GetParam());
    EXPECT_FALSE(harness.load(paths).ok);
    EXPECT_THAT(harness.error, ::testing::HasSubstr("Region not found in atlas: gone"));
}

TEST_P(BinarySkeletonTest, TruncatedDataFailsTheLoad)
{
    const std::string skel = armSkel("arm");
    const ExportPaths paths =
        writeExport(folder, skel.substr(0, skel.size() / 2), atlasText("4.2", {{"arm", 0, 0, 20, 10}}), GetParam());
    EXPECT_FALSE(harness.load(paths).ok);
    EXPECT_THAT(harness.error, ::testing::StartsWith("Skeleton data could not be read: "));
}

INSTANTIATE_TEST_SUITE_P(Extensions, BinarySkeletonTest, ::testing::Values("arm.skel", "arm.skel.bytes"),
                         [](const auto &info) { return info.index == 0 ? std::string("Skel") : std::string("SkelBytes"); });

} // namespace
} // namespace kvx::test
