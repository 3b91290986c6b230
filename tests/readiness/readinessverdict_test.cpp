// The readiness decision and the supported-lines table it rests on.

#include "assets/spinelines.h"
#include "assets/versiondetection.h"
#include "readiness/readinessverdict.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

namespace kvx {
namespace {

SpineVersion version(const char *text)
{
    return *parseSpineVersion(text);
}

ReadinessFacts completeWithEditor()
{
    ReadinessFacts facts;
    facts.dataVersion = version("4.2.43");
    facts.editorFound = true;
    return facts;
}

TEST(ReadinessVerdict, TheExportComesBeforeAnyEditorQuestion)
{
    ReadinessFacts facts = completeWithEditor();
    facts.editorFound = false;
    facts.completeness = ExportCompleteness::MissingPage;
    EXPECT_EQ(decideReadiness(facts), ReadinessVerdict::MissingPage);
    facts.completeness = ExportCompleteness::MissingAtlas;
    EXPECT_EQ(decideReadiness(facts), ReadinessVerdict::MissingAtlas);
    facts.completeness = ExportCompleteness::UnreadableAtlas;
    facts.cachedEditorVersion = version("4.2.43");
    EXPECT_EQ(decideReadiness(facts), ReadinessVerdict::UnreadableAtlas);
}

TEST(ReadinessVerdict, TheEditorDecidesACompleteExport)
{
    ReadinessFacts facts = completeWithEditor();
    EXPECT_EQ(decideReadiness(facts), ReadinessVerdict::NeedsProbe);
    facts.cachedEditorVersion = version("4.2.43");
    EXPECT_EQ(decideReadiness(facts), ReadinessVerdict::Ready);
    facts.editorFound = false;
    EXPECT_EQ(decideReadiness(facts), ReadinessVerdict::NoEditor);
    facts.dataVersion.reset();
    EXPECT_EQ(decideReadiness(facts), ReadinessVerdict::Unknown);
}

TEST(ReadinessVerdict, OnlyACachedProbeAnswerIsReady)
{
    const std::vector<SpineVersion> cached{version("4.1.24"), version("4.2.43")};
    EXPECT_EQ(decideProbeAnswer(version("4.2.43"), cached), ReadinessVerdict::Ready);
    EXPECT_EQ(decideProbeAnswer(version("4.2.7"), cached), ReadinessVerdict::NotCached);
    EXPECT_EQ(decideProbeAnswer(version("4.2"), cached), ReadinessVerdict::NotCached) << "4.2 is not 4.2.43";
    EXPECT_EQ(decideProbeAnswer(std::nullopt, cached), ReadinessVerdict::NoSuitableVersion);
    EXPECT_TRUE(canConvert(ReadinessVerdict::Ready));
    EXPECT_FALSE(canConvert(ReadinessVerdict::NotCached));
}

TEST(ReadinessVerdict, NamesAreDistinct)
{
    std::set<std::string_view> names;
    for (int verdict = 0; verdict <= static_cast<int>(ReadinessVerdict::NotCached); ++verdict)
        names.insert(verdictName(static_cast<ReadinessVerdict>(verdict)));
    EXPECT_EQ(names.size(), static_cast<size_t>(ReadinessVerdict::NotCached) + 1);
    EXPECT_EQ(versionListText({version("4.1.24"), version("4.2.43")}, "、"), "4.1.24、4.2.43");
    EXPECT_EQ(versionListText({}, ", "), "");
}

// Every consumer of the table agrees with it: the support check, the binary head pattern and the
// warning text.
TEST(SpineLines, EveryLineIsSupportedAndRecognisedInABinaryHead)
{
    ASSERT_FALSE(supportedSpineLines().empty());
    for (const SpineLine &line : supportedSpineLines()) {
        const std::string text = line.text();
        SCOPED_TRACE(text);
        EXPECT_TRUE(isSupportedSpineVersion(SpineVersion{line.major, line.minor, std::nullopt}));
        EXPECT_TRUE(isSupportedSpineVersion(SpineVersion{line.major, line.minor, line.lowestPatch}));
        if (line.lowestPatch > 0)
            EXPECT_FALSE(isSupportedSpineVersion(SpineVersion{line.major, line.minor, line.lowestPatch - 1}));
        EXPECT_EQ(findSpineLine(version((text + ".99").c_str())), &line);
        // A head without a readable version string, but the version text near the start.
        std::istringstream head(std::string("\xff\xff\xff\xff\xff", 5) + "junk " + text + ".99 more");
        const VersionDetection detection = detectSpineVersion(head);
        EXPECT_EQ(detection.status, DetectionStatus::Supported);
        ASSERT_TRUE(detection.version.has_value());
        EXPECT_EQ(detection.version->majorMinorText(), text);
    }
    EXPECT_EQ(supportedLinesText("、"), "3.8、4.0、4.1、4.2、4.3");
}

TEST(SpineLines, LinesOutsideTheTableAreRefused)
{
    for (const char *text : {"3.7.94", "4.4.1", "5.0", "3.8.19", "2.1.27"}) {
        EXPECT_FALSE(isSupportedSpineVersion(version(text))) << text;
    }
    EXPECT_EQ(findSpineLine(version("4.4")), nullptr);
}

#ifdef KVX_RUNTIME_LINES
TEST(SpineLines, ThePluginBuildMakesOnePluginPerLine)
{
    EXPECT_EQ(std::string(KVX_RUNTIME_LINES), supportedLinesText(","));
}
#endif

} // namespace
} // namespace kvx
