// The probe against a stand-in editor that never stops printing.

#include "editor/editorprobe.h"

#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <chrono>

namespace kvx {
namespace {

namespace fs = std::filesystem;
using test::ScopedEnvironment;

class EndlessEditorProbeTest : public testing::Test {
protected:
    EditorProbeResult probe(const std::string &repeatedText)
    {
        const ScopedEnvironment mode("KVX_STANDIN_MODE", std::string("endless"));
        const ScopedEnvironment output("KVX_STANDIN_OUTPUT", repeatedText);
        const auto start = std::chrono::steady_clock::now();
        EditorProbeResult result = probeSpineEditor(*createProcessRunner(), test::standinEditorPath(), 500);
        elapsedMilliseconds =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
        return result;
    }

    // The time limit, the runner's grace, and ample room for a loaded machine and the searches.
    static constexpr long long kBound = 500 + kProcessGraceMilliseconds + 5000;
    long long elapsedMilliseconds = 0;
};

TEST_F(EndlessEditorProbeTest, BareWordWithoutEndKeepsTheBoundAndIsNotRecognized)
{
    const EditorProbeResult result = probe("Spine");
    EXPECT_LT(elapsedMilliseconds, kBound);
    EXPECT_TRUE(result.timedOut);
    EXPECT_EQ(result.status, ProbeStatus::NotRecognized);
    EXPECT_EQ(result.output.size(), kEditorProbeOutputLimit);
}

TEST_F(EndlessEditorProbeTest, VersionPrintedFirstStillCountsWhenTheOutputNeverEnds)
{
    const EditorProbeResult result = probe("Starting: Spine 4.2.43 Professional\n");
    EXPECT_LT(elapsedMilliseconds, kBound);
    EXPECT_EQ(result.status, ProbeStatus::TimedOut);
    ASSERT_TRUE(result.probedVersion);
    EXPECT_EQ(result.probedVersion->fullText(), "4.2.43");
    EXPECT_EQ(result.probedEdition, "Professional");
    EXPECT_LE(result.output.size(), kEditorProbeOutputLimit);
}

} // namespace
} // namespace kvx
