// Crafted binary skeletons: counts read from the file must not make the runtime allocate or
// loop beyond what the file holds, nor name bones the skeleton does not have.

#include "plugins/exportfixtures.h"
#include "plugins/hostileexports.h"
#include "plugins/pluginharness.h"
#include "plugins/skelwriter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

namespace kvx::test {
namespace {

using ::testing::HasSubstr;

// A 4.2 skeleton of bones "root" and "arm" whose one slot shows attachment "arm", written by
// attachment, followed by the animations written by animations (their count first).
std::string armSkelWith(const std::function<void(SkelWriter &)> &attachment,
                        const std::function<void(SkelWriter &)> &animations)
{
    SkelWriter skel;
    skel.int32(0x12345678).int32(0).text("4.2.20");
    skel.real(0).real(0).real(20).real(20).real(100).byte(0); // bounds, reference scale, no nonessential data
    skel.varint(1).text("arm");                                // string table
    skel.varint(2).bone("root", -1, 0, 0).bone("arm", 0, 90, 10);
    skel.varint(1).text("arm").varint(1).int32(0xFFFFFFFF).int32(0xFFFFFFFF).varint(1).varint(0); // slot, blend normal
    skel.varint(0).varint(0).varint(0).varint(0); // no IK, transform, path or physics constraints
    skel.varint(1).varint(0).varint(1).varint(1); // default skin: slot 0, one attachment named by string 1
    attachment(skel);
    skel.varint(0).varint(0); // no other skins or events
    animations(skel);
    return skel.bytes;
}

void region(SkelWriter &skel)
{
    skel.byte(0).real(0).real(0).real(1).real(1).real(20).real(10);
}

void noAnimations(SkelWriter &skel)
{
    skel.varint(0);
}

// A triangle mesh (attachment type 2, weighted: flag 128) whose vertices hang on one bone each.
std::function<void(SkelWriter &)> weightedTriangle(uint32_t firstBone, uint32_t firstBoneCount = 1)
{
    return [=](SkelWriter &skel) {
        skel.byte(2 | 128).varint(3).varint(3); // hull 3, 3 vertices
        skel.varint(firstBoneCount).varint(firstBone).real(0).real(0).real(1);
        skel.varint(1).varint(1).real(5).real(0).real(1);
        skel.varint(1).varint(1).real(0).real(5).real(1);
        skel.real(0).real(0).real(1).real(0).real(0).real(1); // uvs
        skel.varint(0).varint(1).varint(2);                   // one triangle
    };
}

class HostileBinaryTest : public ::testing::Test {
protected:
    void expectRefused(const std::string &skel, const std::string &expectedText)
    {
        const PeakMemoryGauge memory;
        const ExportPaths paths = writeExport(folder, skel, atlasText("4.2", {{"arm", 0, 0, 20, 10}}), "arm.skel");
        EXPECT_FALSE(harness.load(paths).ok);
        EXPECT_THAT(harness.error, HasSubstr(expectedText));
        EXPECT_LT(memory.peakGrowthBytes(), 256LL * 1024 * 1024);
    }

    TempFolder folder;
    PluginHarness harness{"4.2"};
};

TEST_F(HostileBinaryTest, WellFormedWeightedMeshLoads)
{
    const ExportPaths paths = writeExport(folder, armSkelWith(weightedTriangle(1), noAnimations),
                                          atlasText("4.2", {{"arm", 0, 0, 20, 10}}), "arm.skel");
    ASSERT_TRUE(harness.load(paths).ok) << harness.error;
    const PreviewFrame frame = harness.sample(0.0f);
    ASSERT_TRUE(frame.ok) << harness.error;
    EXPECT_EQ(frame.items.size(), 1u);
}

TEST_F(HostileBinaryTest, WeightNamingAMissingBoneIsRefused)
{
    expectRefused(armSkelWith(weightedTriangle(7), noAnimations), "Attachment arm names bone 7; the skeleton has 2.");
}

TEST_F(HostileBinaryTest, VertexClaimingABillionBonesFailsAtTheEndOfTheData)
{
    expectRefused(armSkelWith(weightedTriangle(1, 1000000000), noAnimations), "Skeleton data could not be read: ");
}

TEST_F(HostileBinaryTest, PathClaimingHundredsOfMillionsOfVerticesFailsAtTheEndOfTheData)
{
    const auto path = [](SkelWriter &skel) { skel.byte(4).varint(300000000).real(0).real(0); };
    expectRefused(armSkelWith(path, noAnimations), "Skeleton data could not be read: ");
}

TEST_F(HostileBinaryTest, TimelineClaimingABillionKeysIsRefusedBeforeAllocating)
{
    const auto animation = [](SkelWriter &skel) {
        skel.varint(1).text("spin").varint(1);         // one animation of one timeline
        skel.varint(0);                                // no slot timelines
        skel.varint(1).varint(0).varint(1);            // bone 0: one timeline
        skel.byte(0).varint(1u << 30).varint(0);       // rotate, 2^30 keys, no curves
    };
    expectRefused(armSkelWith(region, animation), "Skeleton data asks for an array of");
}

} // namespace
} // namespace kvx::test
