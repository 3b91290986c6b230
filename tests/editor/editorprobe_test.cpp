#include "editor/editorprobe.h"

#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <random>

namespace kvx {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

class PreparedRunner final : public IProcessRunner {
public:
    explicit PreparedRunner(ProcessResult prepared) : answer(std::move(prepared)) {}

    ProcessResult run(const ProcessRequest &request) override
    {
        requests.push_back(request);
        return answer;
    }

    ProcessResult answer;
    std::vector<ProcessRequest> requests;
};

ProcessResult ranWith(std::string output, int32_t exitCode = 0, bool timedOut = false)
{
    ProcessResult result;
    result.started = true;
    result.output = std::move(output);
    result.exitCode = exitCode;
    result.timedOut = timedOut;
    return result;
}

EditorProbeResult interpret(std::string output, int32_t exitCode = 0, bool timedOut = false)
{
    return interpretProbeOutput("Spine.sh", ranWith(std::move(output), exitCode, timedOut));
}

SpineVersion v(int32_t major, int32_t minor, std::optional<int32_t> patch = std::nullopt)
{
    return SpineVersion{major, minor, patch};
}

class ProbeTest : public testing::Test {
protected:
    TempFolder folder;
    fs::path executable = folder.write(fs::path("Spine Editor") / "Spine.sh", "x");
};

TEST_F(ProbeTest, RunsTheExecutableWithVersionInItsFolder)
{
    PreparedRunner runner(ranWith("Spine Launcher 4.2.5\nStarting: Spine 4.1.24 Professional\n"));
    const EditorProbeResult result = probeSpineEditor(runner, executable, 1234);
    ASSERT_EQ(runner.requests.size(), 1u);
    EXPECT_EQ(runner.requests[0].program, executable);
    EXPECT_EQ(runner.requests[0].arguments, std::vector<std::string>{"--version"});
    EXPECT_EQ(runner.requests[0].workingDirectory, folder / "Spine Editor");
    EXPECT_EQ(runner.requests[0].timeout, 1234);
    EXPECT_EQ(runner.requests[0].outputLimit, kEditorProbeOutputLimit);
    EXPECT_EQ(result.executable, executable);
    EXPECT_EQ(result.status, ProbeStatus::Succeeded);
    EXPECT_EQ(result.message, "Spine CLI probe succeeded.");
    EXPECT_EQ(result.launcherVersion, v(4, 2, 5));
    EXPECT_EQ(result.probedVersion, v(4, 1, 24));
    EXPECT_EQ(result.probedEdition, "Professional");
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, runner.answer.output);
}

TEST_F(ProbeTest, MissingExecutableRunsNothing)
{
    PreparedRunner runner(ranWith("Spine 4.2.1"));
    for (const fs::path &path : {folder / "gone.sh", folder / "Spine Editor", fs::path()}) {
        const EditorProbeResult result = probeSpineEditor(runner, path, 3000);
        EXPECT_EQ(result.status, ProbeStatus::Missing) << path;
        EXPECT_EQ(result.message, "Spine executable does not exist.");
        EXPECT_EQ(result.executable, path);
        EXPECT_EQ(result.exitCode, -1);
        EXPECT_FALSE(result.probedVersion);
        EXPECT_EQ(result.output, "");
    }
    EXPECT_TRUE(runner.requests.empty());
}

TEST_F(ProbeTest, BareFileNameRunsWithoutWorkingDirectory)
{
    const fs::path previous = fs::current_path();
    fs::current_path(folder / "Spine Editor");
    PreparedRunner runner(ranWith("Spine 4.2.1"));
    probeSpineEditor(runner, "Spine.sh", 3000);
    fs::current_path(previous);
    ASSERT_EQ(runner.requests.size(), 1u);
    EXPECT_EQ(runner.requests[0].workingDirectory, fs::path());
}

TEST(InterpretProbeOutput, ProcessThatDidNotStartFails)
{
    ProcessResult notStarted;
    notStarted.error = "posix_spawn failed: 13";
    EditorProbeResult result = interpretProbeOutput("Spine.sh", notStarted);
    EXPECT_EQ(result.status, ProbeStatus::Failed);
    EXPECT_EQ(result.message, "posix_spawn failed: 13");
    EXPECT_EQ(result.exitCode, -1);

    notStarted.error.clear();
    notStarted.output = "Spine 4.2.1";
    result = interpretProbeOutput("Spine.sh", notStarted);
    EXPECT_EQ(result.message, "Spine process could not be started.");
    EXPECT_FALSE(result.probedVersion) << "output of a run that never started is not read";
}

TEST(InterpretProbeOutput, OutputWithoutVersionIsNotRecognized)
{
    for (const char *output : {"", "Usage: tool [options]\n", "Spine\n", "Spine Launcher\n", "Spine 4\n"}) {
        const EditorProbeResult result = interpret(output);
        EXPECT_EQ(result.status, ProbeStatus::NotRecognized) << output;
        EXPECT_EQ(result.message, "Process started, but its output was not recognized as Spine.");
    }
}

TEST(InterpretProbeOutput, ReadsLauncherEditorAndBareVersions)
{
    EditorProbeResult result = interpret("Spine Launcher 4.2.5\n");
    EXPECT_EQ(result.status, ProbeStatus::Succeeded) << "the launcher alone is recognised";
    EXPECT_EQ(result.launcherVersion, v(4, 2, 5));
    EXPECT_FALSE(result.probedVersion);

    result = interpret("Spine 3.8.99\n");
    EXPECT_EQ(result.probedVersion, v(3, 8, 99));
    EXPECT_FALSE(result.launcherVersion);
    EXPECT_EQ(result.status, ProbeStatus::Succeeded);

    result = interpret("Spine 3.8.99 Essential\nLaunching: Spine 4.1.24 Enterprise\n");
    EXPECT_EQ(result.probedVersion, v(4, 1, 24)) << "the editor line wins over an earlier bare version";
    EXPECT_EQ(result.probedEdition, "Enterprise");
}

TEST(InterpretProbeOutput, TimeoutComesBeforeTheExitCode)
{
    EditorProbeResult result = interpret("Starting: Spine 4.1.24\n", 1, true);
    EXPECT_EQ(result.status, ProbeStatus::TimedOut);
    EXPECT_EQ(result.message, "Spine was detected, but the version probe timed out.");
    EXPECT_TRUE(result.timedOut);
    EXPECT_EQ(result.probedVersion, v(4, 1, 24));

    result = interpret("Starting: Spine 4.1.24\n", 3);
    EXPECT_EQ(result.status, ProbeStatus::Failed);
    EXPECT_EQ(result.message, "Spine was detected, but the process returned a failure code.");
    EXPECT_EQ(result.exitCode, 3);

    result = interpret("nothing here", 3, true);
    EXPECT_EQ(result.status, ProbeStatus::NotRecognized);
}

TEST(SearchVersion, EditionIsTheRestOfTheLineOrTheNextLineWithText)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Starting: Spine 4.1.24 Professional\n", "Professional"},
        {"Starting: Spine 4.1.24 Professional Edition  \r\nmore", "Professional Edition  "},
        {"Starting: Spine 4.1.24\nDone", "Done"},
        {"Starting: Spine 4.1.24  \n\n \t\n  Done later\nnext", "Done later"},
        {"Starting:Spine\n4.1.24", ""},
        {"Starting: Spine 4.1.24\r\n", ""},
        {"Starting: Spine 4.1.24-beta Pro", ""},
    };
    for (const auto &[output, edition] : cases) {
        std::string target = "untouched";
        EXPECT_EQ(searchVersion(output, editorVersionPattern(), &target), v(4, 1, 24)) << output;
        EXPECT_EQ(target, edition) << output;
    }
}

TEST(SearchVersion, NoMatchLeavesTheEditionTargetAlone)
{
    std::string target = "untouched";
    EXPECT_EQ(searchVersion("Spine Launcher 4.2.5", editorVersionPattern(), &target), std::nullopt);
    EXPECT_EQ(target, "untouched");
}

TEST(SearchVersion, VersionStopsAfterItsDigitsAndOverflowIsAbsent)
{
    EXPECT_EQ(searchVersion("Spine 4.2.43.1", fallbackVersionPattern(), nullptr), v(4, 2, 43));
    EXPECT_EQ(searchVersion("Spine 4.2", fallbackVersionPattern(), nullptr), v(4, 2));
    std::string target;
    EXPECT_EQ(searchVersion("Spine 99999999999.1 Pro", fallbackVersionPattern(), &target), std::nullopt);
    EXPECT_EQ(target, "Pro") << "the match is made, only its number does not fit";
}

// The whole-text search the patterns define, usable only on short texts.
std::optional<SpineVersion> referenceSearch(const std::string &text, const std::regex &pattern, std::string *edition)
{
    std::smatch match;
    if (!std::regex_search(text, match, pattern))
        return std::nullopt;
    if (edition && match.size() > 2)
        *edition = match[2].matched ? match[2].str() : std::string();
    return parseSpineVersion(match[1].str());
}

// Fragments shaped like version lines, some whole, some broken, with short filler lines between
// them that move them across the borders of the search's windows.
class OutputGenerator {
public:
    std::string next()
    {
        std::string text;
        for (int count = pick(1, 6); count > 0; --count) {
            text += filler();
            text += any(kPrefixes) + any(kWords) + any(kGaps) + any(kVersions) + any(kTails);
        }
        return text + filler();
    }

private:
    static inline const std::vector<std::string> kPrefixes = {"", "", "Starting:", "Starting: ", "Launching:\n",
                                                              "x", "Starting: Spine Launcher "};
    static inline const std::vector<std::string> kWords = {"Spine", "Spine", "Spine Launcher", "Spine Launcher",
                                                           "Spin", "spine"};
    static inline const std::vector<std::string> kGaps = {" ", " ", "\n", "  \t", "\r\n\n", ""};
    static inline const std::vector<std::string> kVersions = {"4.1", "4.1.24", "3.8.99", "4.2.10-beta", "4",
                                                              "4.", "4.1.", "12.34.56.78"};
    static inline const std::vector<std::string> kTails = {"", "\n", " Professional\n", " Pro Edition  ",
                                                           "  \n\n \nDone\n", " \r\n", "  ", "x", "\t\tEssential"};

    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }
    const std::string &any(const std::vector<std::string> &choices)
    {
        return choices[static_cast<size_t>(pick(0, static_cast<int>(choices.size()) - 1))];
    }
    std::string filler()
    {
        std::string lines;
        for (int count = pick(0, 1) ? pick(0, 400) : 0; count > 0; --count)
            lines += "zz\n";
        return lines;
    }

    std::mt19937 random{20240611};
};

TEST(SearchVersion, AgreesWithTheWholeTextSearchAcrossWindowBorders)
{
    OutputGenerator generator;
    const std::vector<const std::regex *> patterns = {&launcherVersionPattern(), &editorVersionPattern(),
                                                      &fallbackVersionPattern()};
    int matched = 0;
    for (int round = 0; round < 2000; ++round) {
        const std::string text = generator.next();
        for (const std::regex *pattern : patterns) {
            std::string edition = "-";
            std::string expectedEdition = "-";
            const auto expected = referenceSearch(text, *pattern, &expectedEdition);
            ASSERT_EQ(searchVersion(text, *pattern, &edition), expected) << text;
            ASSERT_EQ(edition, expectedEdition) << text;
            matched += expected ? 1 : 0;
        }
    }
    EXPECT_GT(matched, 2000) << "the generator must produce versions often";
}

TEST(SearchVersion, MegabytesOnTheEditionLineDoNotExhaustTheStack)
{
    const std::string output = "Starting: Spine 4.1.24 " + std::string(8'000'000, 'x');
    std::string edition;
    EXPECT_EQ(searchVersion(output, editorVersionPattern(), &edition), v(4, 1, 24));
    EXPECT_GE(edition.size(), 500u);
    EXPECT_EQ(edition.find_first_not_of('x'), std::string::npos);
}

TEST(SearchVersion, MegabytesOfWhiteSpaceAfterTheWordDoNotExhaustTheStack)
{
    const std::string output = "Starting: Spine" + std::string(8'000'000, ' ') + "4.2.1\nSpine 4.1.2\n";
    EXPECT_EQ(searchVersion(output, editorVersionPattern(), nullptr), std::nullopt)
        << "a version that far from its word lies beyond the search window";
    EXPECT_EQ(searchVersion(output, fallbackVersionPattern(), nullptr), v(4, 1, 2));
}

TEST(SearchVersion, FindsTheVersionAfterMegabytesOfOtherOutput)
{
    std::string output;
    for (int i = 0; i < 200'000; ++i)
        output += "Spine noise line\n";
    output += "Spine Launcher 4.2.11\nStarting: Spine 4.2.43 Professional\n";
    const EditorProbeResult result = interpret(output);
    EXPECT_EQ(result.launcherVersion, v(4, 2, 11));
    EXPECT_EQ(result.probedVersion, v(4, 2, 43));
    EXPECT_EQ(result.probedEdition, "Professional");
}

} // namespace
} // namespace kvx
