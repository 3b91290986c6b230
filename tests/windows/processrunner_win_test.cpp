// WindowsProcessRunner against real children: the argument echo helper and the stand-in editor.

#include "editor/processrunner.h"
#include "support/testfiles.h"
#include "windows/wintestsupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace kvx {
namespace {

using test::ScopedEnvironment;
using test::TempFolder;
using namespace std::chrono_literals;

std::vector<std::string> splitFields(const std::string &output)
{
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t end; (end = output.find('\0', start)) != std::string::npos; start = end + 1)
        fields.push_back(output.substr(start, end - start));
    return fields;
}

long long millisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

// Copies a helper program into a folder whose name needs quoting and is not ASCII.
std::filesystem::path copyProgram(const TempFolder &folder, const std::filesystem::path &program,
                                  const std::wstring &fileName)
{
    const std::filesystem::path target = folder / L"Spine Editor \u7f16\u8f91\u5668 (x86)" / fileName;
    std::filesystem::create_directories(target.parent_path());
    std::filesystem::copy_file(program, target);
    return target;
}

class ArgumentEchoTest : public testing::Test {
protected:
    TempFolder folder;
    std::filesystem::path program = copyProgram(folder, KVX_ARGECHO_PATH, L"arg echo.exe");

    std::vector<std::string> runWith(const std::vector<std::string> &arguments, ProcessResult &result,
                                     const std::filesystem::path &workingDirectory = {})
    {
        ProcessRequest request;
        request.program = program;
        request.arguments = arguments;
        request.workingDirectory = workingDirectory;
        result = createProcessRunner()->run(request);
        return splitFields(result.output);
    }
};

TEST_F(ArgumentEchoTest, ArgumentsReachTheChildUnchanged)
{
    const std::vector<std::string> arguments = {
        "--version",
        "two words",
        "tab\there",
        "say \"hi\"",
        "C:\\Program Files\\",
        "C:\\no space\\",
        "back\\\\\"quote",
        "a\\\\b",
        "\\\\server\\share path\\",
        "line\nfeed",
        "\xe4\xb8\xad\xe6\x96\x87 \xc3\xbc\xc3\xa9 \xf0\x9f\x98\x80",
        "\"",
        "\\",
        "",
        "last",
    };
    ProcessResult result;
    const std::vector<std::string> fields = runWith(arguments, result);
    ASSERT_TRUE(result.started) << result.error;
    ASSERT_EQ(fields.size(), arguments.size() + 2);
    EXPECT_EQ(fields[1], test::utf8(program.native())) << "the program path is the first word";
    for (size_t i = 0; i < arguments.size(); ++i)
        EXPECT_EQ(fields[i + 2], arguments[i]) << "argument " << i;
    EXPECT_EQ(result.exitCode, static_cast<int32_t>(arguments.size() + 1));
    EXPECT_FALSE(result.timedOut);
    EXPECT_TRUE(result.error.empty());
}

TEST_F(ArgumentEchoTest, RunsInTheRequestedWorkingDirectory)
{
    const std::filesystem::path directory = folder / L"work dir \u00e9\u4e2d";
    std::filesystem::create_directories(directory);
    ProcessResult result;
    const std::vector<std::string> fields = runWith({}, result, directory);
    ASSERT_FALSE(fields.empty()) << result.error;
    EXPECT_EQ(std::filesystem::path(std::u8string(fields[0].begin(), fields[0].end())), directory);
}

TEST_F(ArgumentEchoTest, EmptyWorkingDirectoryMeansTheCallersOwn)
{
    const std::filesystem::path directory = folder / L"caller \u00fc";
    std::filesystem::create_directories(directory);
    const test::ScopedCurrentDirectory current(directory);
    ProcessResult result;
    const std::vector<std::string> fields = runWith({}, result);
    ASSERT_FALSE(fields.empty()) << result.error;
    EXPECT_EQ(std::filesystem::path(std::u8string(fields[0].begin(), fields[0].end())), directory);
}

TEST_F(ArgumentEchoTest, OneRunnerServesSeveralThreadsAtOnce)
{
    const auto runner = createProcessRunner();
    std::vector<ProcessResult> results(4);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < results.size(); ++i) {
        threads.emplace_back([&, i] {
            ProcessRequest request;
            request.program = program;
            request.arguments = {"thread " + std::to_string(i)};
            results[i] = runner->run(request);
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    for (size_t i = 0; i < results.size(); ++i) {
        const std::vector<std::string> fields = splitFields(results[i].output);
        ASSERT_EQ(fields.size(), 3u) << "run " << i;
        EXPECT_EQ(fields[2], "thread " + std::to_string(i));
    }
}

TEST(ProcessRunnerFailureTest, MissingProgramIsNotStarted)
{
    TempFolder folder;
    ProcessRequest request;
    request.program = folder / L"Spine \u00e9.com";
    request.arguments = {"--version"};
    const ProcessResult result = createProcessRunner()->run(request);
    EXPECT_FALSE(result.started);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, -1);
    EXPECT_EQ(result.error, "CreateProcessW failed: 2");
    EXPECT_TRUE(result.output.empty());
}

TEST(ProcessRunnerFailureTest, ProgramInAMissingFolderIsNotStarted)
{
    TempFolder folder;
    ProcessRequest request;
    request.program = folder / L"gone" / L"Spine.com";
    const ProcessResult result = createProcessRunner()->run(request);
    EXPECT_FALSE(result.started);
    EXPECT_TRUE(result.error == "CreateProcessW failed: 2" || result.error == "CreateProcessW failed: 3") << result.error;
}

TEST(ProcessRunnerFailureTest, MissingWorkingDirectoryIsNotStarted)
{
    TempFolder folder;
    ProcessRequest request;
    request.program = test::standinEditorPath();
    request.arguments = {"--version"};
    request.workingDirectory = folder / L"gone";
    const ProcessResult result = createProcessRunner()->run(request);
    EXPECT_FALSE(result.started);
    EXPECT_EQ(result.exitCode, -1);
    EXPECT_EQ(result.error.rfind("CreateProcessW failed: ", 0), 0u) << result.error;
}

TEST(ProcessRunnerFailureTest, NonExecutableFileIsNotStarted)
{
    TempFolder folder;
    ProcessRequest request;
    request.program = folder.write(L"Spine.com", "not a program");
    const ProcessResult result = createProcessRunner()->run(request);
    EXPECT_FALSE(result.started);
    EXPECT_EQ(result.error.rfind("CreateProcessW failed: ", 0), 0u) << result.error;
}

// The stand-in is copied under a name of its own, so that its lingering copies can be told apart
// from those of tests running at the same time.
class StandinRunTest : public testing::Test {
protected:
    TempFolder folder;
    std::wstring exeName = L"Spine-" + std::to_wstring(GetCurrentProcessId()) + L".com";
    std::filesystem::path program = copyProgram(folder, test::standinEditorPath(), exeName);

    ProcessResult runVersion(int64_t timeout, std::vector<std::string> extra = {})
    {
        ProcessRequest request;
        request.program = program;
        request.arguments = {"--version"};
        request.arguments.insert(request.arguments.end(), extra.begin(), extra.end());
        request.timeout = timeout;
        return createProcessRunner()->run(request);
    }

    bool copiesGone() const
    {
        return test::waitUntil([&] { return test::processIdsNamed(exeName).empty(); }, 3000ms);
    }
};

TEST_F(StandinRunTest, MergesStandardOutputAndStandardError)
{
    const ScopedEnvironment output("KVX_STANDIN_OUTPUT", std::string("from stdout\n"));
    const ScopedEnvironment error("KVX_STANDIN_STDERR", std::string("from stderr\n"));
    const ScopedEnvironment code("KVX_STANDIN_EXIT_CODE", std::string("7"));
    const ProcessResult result = runVersion(20000);
    ASSERT_TRUE(result.started) << result.error;
    EXPECT_NE(result.output.find("from stdout"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("from stderr"), std::string::npos) << result.output;
    EXPECT_EQ(result.exitCode, 7);
    EXPECT_FALSE(result.timedOut);
}

TEST_F(StandinRunTest, LogsArgumentsWithSpacesQuotesBackslashesAndNonAscii)
{
    const std::filesystem::path log = folder / L"standin.log";
    const ScopedEnvironment logVariable("KVX_STANDIN_LOG", log.string());
    const std::vector<std::string> extra = {"two words", "say \"hi\"", "C:\\Program Files\\",
                                            "\xe4\xb8\xad\xe6\x96\x87 \xc3\xbc"};
    const ProcessResult result = runVersion(20000, extra);
    ASSERT_TRUE(result.started) << result.error;
    const std::string logged = test::readFileBytes(log);
    for (const std::string &argument : extra)
        EXPECT_NE(logged.find(argument), std::string::npos) << "missing " << argument << " in " << logged;
}

TEST_F(StandinRunTest, TenMegabytesOfOutputAreCollectedWithoutTimingOut)
{
    const ScopedEnvironment mode("KVX_STANDIN_MODE", std::string("flood"));
    const ScopedEnvironment bytes("KVX_STANDIN_FLOOD_BYTES", std::string("10000000"));
    const ProcessResult result = runVersion(60000);
    ASSERT_TRUE(result.started) << result.error;
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_GE(result.output.size(), 10000000u);
    EXPECT_LT(result.output.size(), 10000000u + 4096u);
}

TEST_F(StandinRunTest, TimeoutTerminatesTheChildWithExitCodeOne)
{
    const ScopedEnvironment delay("KVX_STANDIN_DELAY_MS", std::string("30000"));
    const auto start = std::chrono::steady_clock::now();
    const ProcessResult result = runVersion(1500);
    const long long elapsed = millisecondsSince(start);
    ASSERT_TRUE(result.started) << result.error;
    EXPECT_TRUE(result.timedOut);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_GE(elapsed, 1400);
    EXPECT_LT(elapsed, 1500 + kProcessGraceMilliseconds + 1500);
    EXPECT_NE(result.output.find("Spine"), std::string::npos) << "what was printed before the limit is kept";
    EXPECT_TRUE(copiesGone());
}

TEST_F(StandinRunTest, TimeoutEndsTheGrandchildThroughTheJob)
{
    const ScopedEnvironment mode("KVX_STANDIN_MODE", std::string("grandchild"));
    const ScopedEnvironment delay("KVX_STANDIN_DELAY_MS", std::string("30000"));
    const auto start = std::chrono::steady_clock::now();
    const ProcessResult result = runVersion(2000);
    ASSERT_TRUE(result.started) << result.error;
    EXPECT_LT(millisecondsSince(start), 2000 + kProcessGraceMilliseconds + 1500);
    EXPECT_TRUE(result.timedOut);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(copiesGone()) << "child and grandchild are both in the job";
}

TEST_F(StandinRunTest, GrandchildHoldingThePipeCannotHoldTheRunPastItsBound)
{
    const ScopedEnvironment mode("KVX_STANDIN_MODE", std::string("grandchild"));
    const auto start = std::chrono::steady_clock::now();
    const ProcessResult result = runVersion(1500);
    const long long elapsed = millisecondsSince(start);
    ASSERT_TRUE(result.started) << result.error;
    EXPECT_FALSE(result.timedOut) << "the child itself ended in time";
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_LT(elapsed, 1500 + kProcessGraceMilliseconds + 1500);
    EXPECT_NE(result.output.find("Spine"), std::string::npos);
    EXPECT_TRUE(copiesGone()) << "closing the kill-on-close job ends what the child left running";
}

} // namespace
} // namespace kvx
