#include "editor/processrunner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <string>
#include <thread>
#include <vector>

extern char **environ;

namespace kvx {
namespace {

using Clock = std::chrono::steady_clock;

// While the child runs, its end is noticed between reads, so a wait on the pipe lasts at most this.
constexpr int kChildCheckMilliseconds = 10;
constexpr size_t kReadChunkBytes = 16384;

// The limit as the unsigned 32-bit count the Windows wait takes, never its "infinite" value.
int64_t clampedTimeout(int64_t timeout)
{
    constexpr int64_t kLongest = 0xFFFFFFFELL;
    return std::clamp<int64_t>(timeout, 0, kLongest);
}

int millisecondsUntil(Clock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<int64_t>(left, 0, INT_MAX));
}

// Close-on-exec descriptors, none of them 0, 1 or 2: a tool started with a closed standard stream
// must not see the pipe land there, where the child's redirection would silently undo itself.
class OutputPipe {
public:
    OutputPipe() = default;
    OutputPipe(const OutputPipe &) = delete;
    OutputPipe &operator=(const OutputPipe &) = delete;
    ~OutputPipe()
    {
        closeWriteEnd();
        closeDescriptor(readEnd);
    }

    bool open()
    {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0)
            return false;
        readEnd = aboveStandardStreams(ends[0]);
        writeEnd = aboveStandardStreams(ends[1]);
        return readEnd >= 0 && writeEnd >= 0;
    }

    void closeWriteEnd() { closeDescriptor(writeEnd); }

    int readEnd = -1;
    int writeEnd = -1;

private:
    static int aboveStandardStreams(int descriptor)
    {
        if (descriptor > STDERR_FILENO)
            return descriptor;
        const int moved = fcntl(descriptor, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
        close(descriptor);
        return moved;
    }

    static void closeDescriptor(int &descriptor)
    {
        if (descriptor >= 0)
            close(descriptor);
        descriptor = -1;
    }
};

// posix_spawn's settings for the child: a process group of its own (what the job object is on
// Windows), output and errors into the pipe, the given working directory, default signal state.
class SpawnSettings {
public:
    SpawnSettings(const ProcessRequest &request, int outputDescriptor)
    {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
        status = configure(request, outputDescriptor);
    }
    SpawnSettings(const SpawnSettings &) = delete;
    SpawnSettings &operator=(const SpawnSettings &) = delete;
    ~SpawnSettings()
    {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }

    int status = 0; // 0, or the error code of the setting that could not be made
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;

private:
    int configure(const ProcessRequest &request, int outputDescriptor)
    {
        sigset_t noSignals;
        sigset_t defaultSignals;
        sigemptyset(&noSignals);
        sigemptyset(&defaultSignals);
        sigaddset(&defaultSignals, SIGPIPE);
        const short flags = POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
        int error = posix_spawnattr_setflags(&attributes, flags);
        error = error ? error : posix_spawnattr_setpgroup(&attributes, 0);
        error = error ? error : posix_spawnattr_setsigmask(&attributes, &noSignals);
        error = error ? error : posix_spawnattr_setsigdefault(&attributes, &defaultSignals);
        error = error ? error : posix_spawn_file_actions_adddup2(&actions, outputDescriptor, STDOUT_FILENO);
        error = error ? error : posix_spawn_file_actions_adddup2(&actions, outputDescriptor, STDERR_FILENO);
        if (!error && !request.workingDirectory.empty())
            error = posix_spawn_file_actions_addchdir_np(&actions, request.workingDirectory.c_str());
        return error;
    }
};

// A relative program names a file in the tool's own current directory, as on Windows, not one in
// the child's working directory.
std::filesystem::path programToStart(const std::filesystem::path &program)
{
    if (program.empty() || program.is_absolute())
        return program;
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(program, error);
    return error ? program : absolute;
}

// Returns 0 with the child's id, or the error code posix_spawn reported.
int spawnChild(const ProcessRequest &request, int outputDescriptor, pid_t &child)
{
    const SpawnSettings settings(request, outputDescriptor);
    if (settings.status != 0)
        return settings.status;
    const std::string program = programToStart(request.program).native();
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(program.c_str()));
    for (const std::string &argument : request.arguments)
        argv.push_back(const_cast<char *>(argument.c_str()));
    argv.push_back(nullptr);
    return posix_spawn(&child, program.c_str(), &settings.actions, &settings.attributes, argv.data(), environ);
}

// The child and its process group. The child is observed without being reaped (WNOWAIT) until the
// group has been killed: while it is a zombie its id cannot be reused, so the kill cannot reach a
// stranger's group.
class ChildGroup {
public:
    explicit ChildGroup(pid_t child) : pid(child) {}
    ChildGroup(const ChildGroup &) = delete;
    ChildGroup &operator=(const ChildGroup &) = delete;
    ~ChildGroup() { endGroup(); }

    bool ended() const { return hasEnded; }
    int32_t exitCode() const { return code; }

    void checkForExit()
    {
        if (hasEnded)
            return;
        siginfo_t info{};
        int status;
        do {
            status = waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT);
        } while (status != 0 && errno == EINTR);
        if (status != 0) {
            // Someone else reaped it: its code is unknown, and there is nothing left to reap.
            hasEnded = true;
            reaped = true;
            return;
        }
        if (info.si_pid == 0)
            return;
        hasEnded = true;
        code = info.si_code == CLD_EXITED ? info.si_status : 1;
    }

    void killGroup() { killpg(pid, SIGKILL); }

private:
    // Ends whatever the child left running in its group, then reaps the child. A child reaped
    // elsewhere no longer holds its id, so its group is left alone rather than risk a stranger's.
    void endGroup()
    {
        if (reaped)
            return;
        killGroup();
        if (hasEnded) {
            while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
            }
            return;
        }
        reapLater();
    }

    // A child that outlived SIGKILL and the grace wait (stuck in the kernel) is reaped whenever it
    // finally goes, so that it never stays behind as a zombie.
    void reapLater()
    {
        try {
            std::thread([child = pid] {
                while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
                }
            }).detach();
        } catch (...) {
        }
    }

    pid_t pid;
    bool hasEnded = false;
    bool reaped = false;
    int32_t code = 1;
};

// Waits up to the given time for output; false once the pipe has reached the end of data.
bool readAvailable(int readEnd, int waitMilliseconds, size_t limit, ProcessResult &result)
{
    pollfd watched{readEnd, POLLIN, 0};
    const int ready = poll(&watched, 1, waitMilliseconds);
    if (ready < 0)
        return errno == EINTR;
    if (ready == 0)
        return true;
    char buffer[kReadChunkBytes];
    const ssize_t count = read(readEnd, buffer, sizeof buffer);
    if (count > 0) {
        keepOutput(result.output, result.outputCut, std::string_view(buffer, static_cast<size_t>(count)), limit);
        return true;
    }
    return count < 0 && (errno == EINTR || errno == EAGAIN);
}

struct RunDeadlines {
    Clock::time_point limit; // the child is killed if it still runs then
    Clock::time_point bound; // the whole run, drain included, ends by then
};

// Reads while the child runs, kills its group at the limit, and keeps reading after its end until
// the end of data, but never past the bound: a grandchild may hold the pipe open indefinitely.
void superviseChild(ChildGroup &child, int readEnd, const RunDeadlines &deadlines, size_t limit,
                    ProcessResult &result)
{
    bool pipeOpen = true;
    for (;;) {
        child.checkForExit();
        const Clock::time_point now = Clock::now();
        if (!child.ended() && !result.timedOut && now >= deadlines.limit) {
            result.timedOut = true;
            child.killGroup();
        }
        if ((child.ended() && !pipeOpen) || now >= deadlines.bound)
            return;
        const bool limitPassed = child.ended() || result.timedOut;
        int wait = millisecondsUntil(limitPassed ? deadlines.bound : deadlines.limit);
        if (!child.ended())
            wait = std::min(wait, kChildCheckMilliseconds);
        if (pipeOpen)
            pipeOpen = readAvailable(readEnd, wait, limit, result);
        else
            poll(nullptr, 0, wait);
    }
}

class PosixProcessRunner final : public IProcessRunner {
public:
    ProcessResult run(const ProcessRequest &request) override
    {
        ProcessResult result;
        OutputPipe pipe;
        if (!pipe.open()) {
            result.error = "pipe failed.";
            return result;
        }
        pid_t pid = 0;
        const int spawnError = spawnChild(request, pipe.writeEnd, pid);
        // Only the child's copies may keep the pipe open, or the end of data would never come.
        pipe.closeWriteEnd();
        if (spawnError != 0) {
            result.error = "posix_spawn failed: " + std::to_string(spawnError);
            return result;
        }
        result.started = true;
        const Clock::time_point limit = Clock::now() + std::chrono::milliseconds(clampedTimeout(request.timeout));
        const RunDeadlines deadlines{limit, limit + std::chrono::milliseconds(kProcessGraceMilliseconds)};
        {
            ChildGroup child(pid);
            superviseChild(child, pipe.readEnd, deadlines, request.outputLimit, result);
            result.exitCode = child.exitCode();
        }
        return result;
    }
};

} // namespace

std::unique_ptr<IProcessRunner> createProcessRunner()
{
    return std::make_unique<PosixProcessRunner>();
}

} // namespace kvx
