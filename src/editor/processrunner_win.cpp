// The Windows process runner: one inheritable pipe takes the child's merged output, and a
// kill-on-close job holds the child and everything it starts. A reader thread drains the pipe
// while the child runs, so that a child printing more than the pipe holds is not taken for a hung
// one; the drain ends at the time limit plus the grace wait even when something the child started
// keeps the pipe open.

#include "editor/processrunner.h"

#include "editor/killonclosejob_win.h"

#include <windows.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <new>
#include <string>

namespace kvx {
namespace {

using Clock = std::chrono::steady_clock;

// After the drain's deadline the job is gone, so the pipe breaks at once; these short waits only
// let the reader collect what is already buffered, or notice the cancelled read.
constexpr DWORD kFinalDrainMilliseconds = 250;
constexpr DWORD kCancelledReadMilliseconds = 100;

// Shared by the run and its reader thread. If the reader cannot be stopped (a process outside the
// job holds the write end), the run abandons it and the reader closes the read end when it ends.
struct PipeDrain {
    HANDLE readEnd = nullptr;
    std::mutex mutex;
    std::string output;
    size_t outputLimit = SIZE_MAX;
    bool outputCut = false;
    bool finished = false;
    bool abandoned = false;
};

void drainPipe(PipeDrain &drain)
{
    char buffer[4096];
    DWORD bytesRead = 0;
    // A failed read is the normal end: the pipe breaks once every write end is closed.
    while (ReadFile(drain.readEnd, buffer, sizeof buffer, &bytesRead, nullptr) && bytesRead > 0) {
        const std::lock_guard lock(drain.mutex);
        try {
            keepOutput(drain.output, drain.outputCut, std::string_view(buffer, bytesRead), drain.outputLimit);
        } catch (const std::bad_alloc &) {
            // Out of memory: keep reading so the child is not blocked, but keep no more.
        }
    }
    const std::lock_guard lock(drain.mutex);
    drain.finished = true;
    if (drain.abandoned)
        CloseHandle(drain.readEnd);
}

DWORD WINAPI drainOnThread(void *parameter)
{
    const std::unique_ptr<std::shared_ptr<PipeDrain>> owner(static_cast<std::shared_ptr<PipeDrain> *>(parameter));
    drainPipe(**owner);
    return 0;
}

// The time limit as the unsigned 32-bit count the wait takes, never the "infinite" value.
DWORD waitMilliseconds(int64_t timeout)
{
    if (timeout <= 0)
        return 0;
    return timeout >= static_cast<int64_t>(INFINITE) ? INFINITE - 1 : static_cast<DWORD>(timeout);
}

DWORD millisecondsUntil(Clock::time_point deadline)
{
    return waitMilliseconds(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
}

// A job the child could not join (a system without nested jobs, the tool itself in a job that
// forbids it) is dropped, so that the time limit falls back to ending the child directly instead
// of terminating an empty job.
HANDLE jobHolding(HANDLE process)
{
    HANDLE job = createKillOnCloseJob();
    if (!job)
        return nullptr;
    if (!AssignProcessToJobObject(job, process)) {
        CloseHandle(job);
        return nullptr;
    }
    return job;
}

void closeJob(HANDLE &job)
{
    if (job) {
        CloseHandle(job);
        job = nullptr;
    }
}

// Both ends are created inheritable; only the write end, the child's output, stays so.
bool createOutputPipe(HANDLE &readEnd, HANDLE &writeEnd)
{
    SECURITY_ATTRIBUTES inheritable{};
    inheritable.nLength = sizeof inheritable;
    inheritable.bInheritHandle = TRUE;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0))
        return false;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    return true;
}

// Standard output and standard error merged into the pipe; standard input is the tool's own.
STARTUPINFOW startupWithOutputTo(HANDLE writeEnd)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    return startup;
}

struct StartedChild {
    PROCESS_INFORMATION process{};
    HANDLE job = nullptr;
    HANDLE reader = nullptr; // reader thread; null when it could not be started
    std::shared_ptr<PipeDrain> drain;
};

class WindowsProcessRunner final : public IProcessRunner {
public:
    ProcessResult run(const ProcessRequest &request) override;

private:
    static bool startChild(const ProcessRequest &request, StartedChild &child, ProcessResult &result);
    static void startReader(StartedChild &child);
    static void waitForChild(const ProcessRequest &request, StartedChild &child, ProcessResult &result);
    static void finishDrain(StartedChild &child, Clock::time_point deadline, ProcessResult &result);
    static void closeHandles(StartedChild &child);
};

bool WindowsProcessRunner::startChild(const ProcessRequest &request, StartedChild &child, ProcessResult &result)
{
    // Everything that allocates comes first, so that nothing can fail once handles exist.
    const std::u16string commandLine = buildCommandLine(request);
    std::wstring writableCommandLine(commandLine.begin(), commandLine.end());
    child.drain = std::make_shared<PipeDrain>();
    child.drain->outputLimit = request.outputLimit;

    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!createOutputPipe(readEnd, writeEnd)) {
        result.error = "CreatePipe failed.";
        return false;
    }
    STARTUPINFOW startup = startupWithOutputTo(writeEnd);
    const wchar_t *currentDirectory = request.workingDirectory.empty() ? nullptr : request.workingDirectory.c_str();
    // Suspended until it is in the job, so that nothing it starts can escape the job's limits.
    const DWORD flags = CREATE_NO_WINDOW | CREATE_NEW_PROCESS_GROUP | CREATE_SUSPENDED;
    const BOOL created = CreateProcessW(request.program.c_str(), writableCommandLine.data(), nullptr, nullptr, TRUE,
                                        flags, nullptr, currentDirectory, &startup, &child.process);
    const DWORD createError = created ? 0 : GetLastError();
    CloseHandle(writeEnd);
    if (!created) {
        CloseHandle(readEnd);
        result.error = "CreateProcessW failed: " + std::to_string(static_cast<unsigned long>(createError));
        return false;
    }
    result.started = true;
    child.drain->readEnd = readEnd;
    child.job = jobHolding(child.process.hProcess);
    ResumeThread(child.process.hThread);
    return true;
}

void WindowsProcessRunner::startReader(StartedChild &child)
{
    auto *parameter = new (std::nothrow) std::shared_ptr<PipeDrain>(child.drain);
    if (!parameter)
        return;
    child.reader = CreateThread(nullptr, 0, drainOnThread, parameter, 0, nullptr);
    if (!child.reader)
        delete parameter;
}

void WindowsProcessRunner::waitForChild(const ProcessRequest &request, StartedChild &child, ProcessResult &result)
{
    if (WaitForSingleObject(child.process.hProcess, waitMilliseconds(request.timeout)) != WAIT_TIMEOUT)
        return;
    result.timedOut = true;
    if (child.job)
        TerminateJobObject(child.job, 1);
    else
        TerminateProcess(child.process.hProcess, 1);
    WaitForSingleObject(child.process.hProcess, static_cast<DWORD>(kProcessGraceMilliseconds));
}

// Reads on until end of data, but not past the deadline: a process the child left behind may hold
// the write end open indefinitely. At the deadline the job is closed, which ends every process in
// it and so breaks the pipe.
void WindowsProcessRunner::finishDrain(StartedChild &child, Clock::time_point deadline, ProcessResult &result)
{
    PipeDrain &drain = *child.drain;
    if (!child.reader) {
        // No reader thread: drain here, after ending whatever the child left running.
        closeJob(child.job);
        drainPipe(drain);
        result.output = std::move(drain.output);
        result.outputCut = drain.outputCut;
        return;
    }
    if (WaitForSingleObject(child.reader, millisecondsUntil(deadline)) == WAIT_TIMEOUT) {
        closeJob(child.job);
        if (WaitForSingleObject(child.reader, kFinalDrainMilliseconds) == WAIT_TIMEOUT) {
            CancelSynchronousIo(child.reader);
            WaitForSingleObject(child.reader, kCancelledReadMilliseconds);
        }
    }
    const std::lock_guard lock(drain.mutex);
    result.outputCut = drain.outputCut;
    if (drain.finished) {
        result.output = std::move(drain.output);
    } else {
        result.output = drain.output;
        drain.abandoned = true;
    }
}

void WindowsProcessRunner::closeHandles(StartedChild &child)
{
    {
        const std::lock_guard lock(child.drain->mutex);
        if (!child.drain->abandoned)
            CloseHandle(child.drain->readEnd);
    }
    closeJob(child.job);
    if (child.reader)
        CloseHandle(child.reader);
    CloseHandle(child.process.hThread);
    CloseHandle(child.process.hProcess);
}

ProcessResult WindowsProcessRunner::run(const ProcessRequest &request)
{
    ProcessResult result;
    StartedChild child;
    if (!startChild(request, child, result))
        return result;
    const DWORD limit = waitMilliseconds(request.timeout);
    const Clock::time_point deadline =
        Clock::now() + std::chrono::milliseconds(static_cast<int64_t>(limit) + kProcessGraceMilliseconds);
    startReader(child);
    waitForChild(request, child, result);
    finishDrain(child, deadline, result);

    DWORD exitCode = 1;
    GetExitCodeProcess(child.process.hProcess, &exitCode);
    result.exitCode = static_cast<int32_t>(exitCode);
    closeHandles(child);
    return result;
}

} // namespace

std::unique_ptr<IProcessRunner> createProcessRunner()
{
    return std::make_unique<WindowsProcessRunner>();
}

} // namespace kvx
