// The POSIX runner against the stand-in editor: arguments, directories, failures, limits.

#include "editor/processrunner.h"

#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <functional>
#include <thread>

namespace kvx {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::ScopedEnvironment;
using test::TempFolder;

constexpr char kDefaultOutput[] = "Spine Launcher 4.2.11\nStarting: Spine 4.2.43 Professional\n";

long long millisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

bool waitUntil(const std::function<bool()> &condition, std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

// Live (not zombie) processes whose first argument is the program: the child and the copy it
// leaves behind in grandchild mode.
int liveCopiesOf(const fs::path &program)
{
    std::error_code error;
    const std::string wanted = fs::weakly_canonical(program, error).string();
    int count = 0;
    fs::directory_iterator entries("/proc", error);
    for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
        const fs::directory_entry &entry = *entries;
        const std::string cmdline = test::readFileBytes(entry.path() / "cmdline");
        const std::string first = cmdline.substr(0, cmdline.find('\0'));
        if (first != wanted && first != program.string())
            continue;
        const std::string stat = test::readFileBytes(entry.path() / "stat");
        const size_t close = stat.rfind(')');
        if (close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z' && stat[close + 2] != 'X')
            ++count;
    }
    return count;
}

bool hasUnreapedChildren()
{
    int status = 0;
    return waitpid(-1, &status, WNOHANG) != -1 || errno != ECHILD;
}

class CurrentDirectory {
public:
    explicit CurrentDirectory(const fs::path &folder) : previous(fs::current_path()) { fs::current_path(folder); }
    ~CurrentDirectory() { fs::current_path(previous); }

private:
    fs::path previous;
};

// The stand-in lives in a folder whose name has spaces and non-ASCII characters.
class PosixRunnerTest : public testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(program.parent_path());
        fs::copy_file(test::standinEditorPath(), program);
    }

    ProcessResult run(std::vector<std::string> arguments, int64_t timeout = 20000, fs::path workingDirectory = {})
    {
        ProcessRequest request;
        request.program = program;
        request.arguments = std::move(arguments);
        request.workingDirectory = std::move(workingDirectory);
        request.timeout = timeout;
        return createProcessRunner()->run(request);
    }

    bool copiesGone() const
    {
        return waitUntil([&] { return liveCopiesOf(program) == 0; }, 3000ms);
    }

    TempFolder folder;
    fs::path program = folder / fs::path(u8"Spine Editor \u7f16\u8f91\u5668 \u00fc") / "Spine.sh";
};

TEST_F(PosixRunnerTest, CollectsTheVersionOutputAndExitCode)
{
    const ProcessResult result = run({"--version"});
    EXPECT_TRUE(result.started);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, kDefaultOutput);
    EXPECT_EQ(result.error, "");

    const ScopedEnvironment code("KVX_STANDIN_EXIT_CODE", std::string("7"));
    EXPECT_EQ(run({"--version"}).exitCode, 7);
}

TEST_F(PosixRunnerTest, MergesStandardOutputAndStandardError)
{
    const ScopedEnvironment output("KVX_STANDIN_OUTPUT", std::string("from stdout\n"));
    const ScopedEnvironment error("KVX_STANDIN_STDERR", std::string("from stderr\n"));
    const ProcessResult result = run({"--version"});
    EXPECT_EQ(result.output, "from stdout\nfrom stderr\n");
}

TEST_F(PosixRunnerTest, ArgumentsReachTheChildUnchanged)
{
    const fs::path log = folder / "log folder" / "standin.log";
    fs::create_directories(log.parent_path());
    const ScopedEnvironment logVariable("KVX_STANDIN_LOG", log.string());
    const std::vector<std::string> arguments = {"--version", "two words", "say \"hi\"", "C:\\Program Files\\",
                                                "a\\\\\"b", "\xe4\xb8\xad\xe6\x96\x87 \xc3\xbc", "", "*"};
    ASSERT_TRUE(run(arguments).started);
    EXPECT_EQ(test::readFileBytes(log),
              "--version\ttwo words\tsay \"hi\"\tC:\\Program Files\\\ta\\\\\"b\t\xe4\xb8\xad\xe6\x96\x87 \xc3\xbc\t\t*\n");
}

TEST_F(PosixRunnerTest, RunsInTheRequestedWorkingDirectoryOrTheToolsOwn)
{
    const ScopedEnvironment logVariable("KVX_STANDIN_LOG", std::string("relative.log"));
    const fs::path work = folder / fs::path(u8"work \u00e9");
    fs::create_directories(work);
    ASSERT_TRUE(run({"--version"}, 20000, work).started);
    EXPECT_TRUE(fs::exists(work / "relative.log"));

    fs::create_directories(folder / "own");
    const CurrentDirectory inside(folder / "own");
    ASSERT_TRUE(run({"--version"}).started);
    EXPECT_TRUE(fs::exists(folder / "own" / "relative.log"));
}

TEST_F(PosixRunnerTest, RelativeProgramIsFoundFromTheToolsDirectoryNotTheChilds)
{
    fs::create_directories(folder / "elsewhere");
    const CurrentDirectory inside(folder.path());
    ProcessRequest request;
    request.program = program.lexically_relative(folder.path());
    request.arguments = {"--version"};
    request.workingDirectory = folder / "elsewhere";
    const ProcessResult result = createProcessRunner()->run(request);
    EXPECT_TRUE(result.started) << result.error;
    EXPECT_EQ(result.output, kDefaultOutput);
}

TEST_F(PosixRunnerTest, ProgramsThatCannotStartReportTheErrorNumber)
{
    const fs::path textFile = folder.write("notes.txt", "not a program");
    fs::permissions(textFile, fs::perms::owner_read | fs::perms::owner_write);
    const fs::path noFormat = folder.write("noformat", "not a program either");
    fs::permissions(noFormat, fs::perms::owner_all);
    struct Case {
        fs::path program;
        fs::path workingDirectory;
        std::string error;
    };
    const std::vector<Case> cases = {
        {folder / "missing" / "Spine.sh", {}, "posix_spawn failed: 2"},
        {textFile, {}, "posix_spawn failed: 13"},
        {noFormat, {}, "posix_spawn failed: 8"},
        {program, folder / "no such folder", "posix_spawn failed: 2"},
    };
    for (const auto &[path, workingDirectory, error] : cases) {
        ProcessRequest request;
        request.program = path;
        request.workingDirectory = workingDirectory;
        const ProcessResult result = createProcessRunner()->run(request);
        EXPECT_FALSE(result.started) << path;
        EXPECT_FALSE(result.timedOut);
        EXPECT_EQ(result.exitCode, -1);
        EXPECT_EQ(result.output, "");
        EXPECT_EQ(result.error, error);
    }
    EXPECT_FALSE(hasUnreapedChildren());
}

TEST_F(PosixRunnerTest, PipeThatCannotBeMadeIsReported)
{
    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &previous), 0);
    // With descriptors 0 to 2 taken, a limit of 3 leaves no number for a new one.
    rlimit none = previous;
    none.rlim_cur = 3;
    ProcessRequest request;
    request.program = program;
    const std::unique_ptr<IProcessRunner> runner = createProcessRunner();
    // A first ordinary run: a sanitizer checks the runner's type on its first call through the
    // interface and needs descriptors of its own for that; later calls use what it learnt.
    ASSERT_TRUE(runner->run(request).started);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &none), 0);
    const ProcessResult result = runner->run(request);
    setrlimit(RLIMIT_NOFILE, &previous);
    EXPECT_FALSE(result.started);
    EXPECT_EQ(result.exitCode, -1);
    EXPECT_EQ(result.error, "pipe failed.");
}

TEST_F(PosixRunnerTest, TimeoutKillsTheChildAndKeepsWhatItPrinted)
{
    const ScopedEnvironment delay("KVX_STANDIN_DELAY_MS", std::string("30000"));
    const auto start = std::chrono::steady_clock::now();
    const ProcessResult result = run({"--version"}, 500);
    const long long elapsed = millisecondsSince(start);
    EXPECT_TRUE(result.started);
    EXPECT_TRUE(result.timedOut);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.output, kDefaultOutput);
    EXPECT_GE(elapsed, 450);
    EXPECT_LT(elapsed, 500 + kProcessGraceMilliseconds);
    EXPECT_TRUE(copiesGone());
    EXPECT_FALSE(hasUnreapedChildren());
}

TEST_F(PosixRunnerTest, NegativeTimeoutCountsAsNoTimeAtAll)
{
    const ScopedEnvironment delay("KVX_STANDIN_DELAY_MS", std::string("30000"));
    const auto start = std::chrono::steady_clock::now();
    const ProcessResult result = run({"--version"}, -5);
    EXPECT_TRUE(result.timedOut);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_LT(millisecondsSince(start), kProcessGraceMilliseconds);
}

TEST_F(PosixRunnerTest, TimeoutAlsoEndsTheGrandchild)
{
    const ScopedEnvironment mode("KVX_STANDIN_MODE", std::string("grandchild"));
    const ScopedEnvironment delay("KVX_STANDIN_DELAY_MS", std::string("30000"));
    const auto start = std::chrono::steady_clock::now();
    ProcessResult result;
    std::thread running([&] { result = run({"--version"}, 1500); });
    EXPECT_TRUE(waitUntil([&] { return liveCopiesOf(program) == 2; }, 1400ms)) << "child and grandchild run";
    running.join();
    EXPECT_LT(millisecondsSince(start), 1500 + kProcessGraceMilliseconds);
    EXPECT_TRUE(result.timedOut);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(copiesGone()) << "child and grandchild share the process group that was killed";
}

TEST_F(PosixRunnerTest, GrandchildHoldingThePipeCannotHoldTheRunPastItsBound)
{
    const ScopedEnvironment mode("KVX_STANDIN_MODE", std::string("grandchild"));
    const auto start = std::chrono::steady_clock::now();
    const ProcessResult result = run({"--version"}, 500);
    const long long elapsed = millisecondsSince(start);
    EXPECT_TRUE(result.started);
    EXPECT_FALSE(result.timedOut) << "the child itself ended in time";
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, kDefaultOutput);
    EXPECT_GE(elapsed, 500 + kProcessGraceMilliseconds - 50);
    EXPECT_LT(elapsed, 500 + kProcessGraceMilliseconds + 500);
    EXPECT_TRUE(copiesGone()) << "what the child left running is ended with its group";
    EXPECT_FALSE(hasUnreapedChildren());
}

TEST_F(PosixRunnerTest, TenMegabytesOfOutputAreCollectedWithoutTimingOut)
{
    const ScopedEnvironment mode("KVX_STANDIN_MODE", std::string("flood"));
    const ScopedEnvironment bytes("KVX_STANDIN_FLOOD_BYTES", std::string("10000000"));
    const ProcessResult result = run({"--version"}, 30000);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0);
    ASSERT_EQ(result.output.size(), std::string(kDefaultOutput).size() + 10000000u);
    EXPECT_EQ(result.output.substr(0, 21), "Spine Launcher 4.2.11");
    EXPECT_EQ(result.output.back(), 'x');
}

TEST_F(PosixRunnerTest, OutputPastTheLimitIsReadAndDroppedWhileTheChildRunsOn)
{
    const ScopedEnvironment mode("KVX_STANDIN_MODE", std::string("flood"));
    const ScopedEnvironment bytes("KVX_STANDIN_FLOOD_BYTES", std::string("10000000"));
    ProcessRequest request;
    request.program = program;
    request.arguments = {"--version"};
    request.timeout = 30000;
    request.outputLimit = 1000;
    const ProcessResult result = createProcessRunner()->run(request);
    // Not blocked on a full pipe: the child printed everything and ended by itself.
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.outputCut);
    ASSERT_EQ(result.output.size(), 1000u);
    EXPECT_EQ(result.output.substr(0, std::string(kDefaultOutput).size()), kDefaultOutput);
}

TEST_F(PosixRunnerTest, EndlessOutputEndsAtTheTimeLimitWithOnlyTheLimitKept)
{
    const ScopedEnvironment mode("KVX_STANDIN_MODE", std::string("endless"));
    ProcessRequest request;
    request.program = program;
    request.arguments = {"--version"};
    request.timeout = 300;
    request.outputLimit = 64 * 1024;
    const auto start = std::chrono::steady_clock::now();
    const ProcessResult result = createProcessRunner()->run(request);
    EXPECT_LT(millisecondsSince(start), 300 + kProcessGraceMilliseconds + 5000);
    EXPECT_TRUE(result.timedOut);
    EXPECT_TRUE(result.outputCut);
    EXPECT_EQ(result.output.size(), 64u * 1024u);
    EXPECT_TRUE(copiesGone());
}

TEST_F(PosixRunnerTest, ConcurrentRunsStayApart)
{
    const fs::path log = folder / "threads.log";
    const ScopedEnvironment logVariable("KVX_STANDIN_LOG", log.string());
    std::vector<ProcessResult> results(4);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < results.size(); ++i)
        threads.emplace_back([&, i] { results[i] = run({"--version", "thread " + std::to_string(i)}); });
    for (std::thread &thread : threads)
        thread.join();
    for (const ProcessResult &result : results) {
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(result.output, kDefaultOutput);
    }
    const std::string logged = test::readFileBytes(log);
    for (size_t i = 0; i < results.size(); ++i)
        EXPECT_NE(logged.find("--version\tthread " + std::to_string(i) + "\n"), std::string::npos) << logged;
    EXPECT_FALSE(hasUnreapedChildren());
}

} // namespace
} // namespace kvx
