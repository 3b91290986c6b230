#include "editor/processtree.h"

#include "editor/killonclosejob_win.h"

#include <windows.h>

#include <tlhelp32.h>

#include <thread>

namespace kvx {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kCheckInterval = std::chrono::milliseconds(5);

std::error_code lastSystemError()
{
    return std::error_code(static_cast<int>(GetLastError()), std::system_category());
}

// The program was created suspended: its threads (the first one only, so far) are let go.
void resumeProcess(DWORD processId)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != processId)
            continue;
        if (HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID)) {
            ResumeThread(thread);
            CloseHandle(thread);
        }
    }
    CloseHandle(snapshot);
}

bool jobHasProcesses(HANDLE job)
{
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
    if (!QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &accounting, sizeof accounting, nullptr))
        return true;
    return accounting.ActiveProcesses > 0;
}

bool waitWhileActive(HANDLE job, std::chrono::milliseconds limit)
{
    const Clock::time_point deadline = Clock::now() + limit;
    while (jobHasProcesses(job)) {
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(kCheckInterval);
    }
    return true;
}

// Puts the process into a new job; null with the system's reason when either step failed.
HANDLE jobHolding(DWORD processId, std::error_code &error)
{
    HANDLE process = OpenProcess(PROCESS_SET_QUOTA | PROCESS_TERMINATE, FALSE, processId);
    if (!process) {
        error = lastSystemError();
        return nullptr;
    }
    HANDLE job = createKillOnCloseJob();
    if (!job || !AssignProcessToJobObject(job, process)) {
        error = lastSystemError();
        if (job)
            CloseHandle(job);
        job = nullptr;
    }
    CloseHandle(process);
    return job;
}

} // namespace

struct ProcessTree::State {
    HANDLE job = nullptr;
};

ProcessTree::ProcessTree() : state(std::make_unique<State>()) {}

// Closing the kill-on-close job ends whatever is still in it.
ProcessTree::~ProcessTree()
{
    if (state->job)
        CloseHandle(state->job);
}

void ProcessTree::enterOwnGroup() noexcept {}

uint32_t ProcessTree::creationFlags()
{
    return CREATE_SUSPENDED;
}

Status ProcessTree::adopt(int64_t processId)
{
    end(std::chrono::milliseconds(0));
    if (state->job)
        CloseHandle(state->job);
    state->job = nullptr;
    if (processId <= 0 || processId > MAXDWORD)
        return failure(FailureKind::ProcessTreeUnavailable, "no process");
    const auto pid = static_cast<DWORD>(processId);
    std::error_code error;
    state->job = jobHolding(pid, error);
    // Resumed either way: unconfined is better than never running.
    resumeProcess(pid);
    if (!state->job)
        return failure(FailureKind::ProcessTreeUnavailable, {}, error);
    return Done{};
}

bool ProcessTree::end(std::chrono::milliseconds grace)
{
    if (!state->job)
        return true;
    TerminateJobObject(state->job, 1);
    if (!waitWhileActive(state->job, grace))
        return false;
    CloseHandle(state->job);
    state->job = nullptr;
    return true;
}

bool ProcessTree::running() const
{
    return state->job && jobHasProcesses(state->job);
}

} // namespace kvx
