#include "editor/processtree.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace kvx {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kCheckInterval = std::chrono::milliseconds(5);

bool isProcessNumber(const char *name)
{
    if (!*name)
        return false;
    for (; *name; ++name) {
        if (*name < '0' || *name > '9')
            return false;
    }
    return true;
}

// Whether /proc/<name>/stat describes a running member of the group: the state and the group
// follow the last ')' (the command name may hold anything, brackets included).
bool statShowsLiveMember(const char *name, pid_t group)
{
    const std::string path = std::string("/proc/") + name + "/stat";
    const int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0)
        return false; // gone meanwhile
    char text[512];
    const ssize_t length = read(file, text, sizeof text - 1);
    close(file);
    if (length <= 0)
        return false;
    text[length] = '\0';
    const char *nameEnd = std::strrchr(text, ')');
    if (!nameEnd || nameEnd[1] != ' ' || nameEnd[2] == '\0')
        return false;
    const char state = nameEnd[2];
    char *parentEnd = nullptr;
    std::strtol(nameEnd + 3, &parentEnd, 10);
    const long memberGroup = std::strtol(parentEnd, nullptr, 10);
    return memberGroup == group && state != 'Z' && state != 'X';
}

// A member that has ended but was not reaped still receives signals, so the group is searched for
// one that runs; without /proc a member that receives signals counts as running.
bool groupHasLiveMember(pid_t group)
{
    if (killpg(group, 0) != 0 && errno == ESRCH)
        return false;
    DIR *processes = opendir("/proc");
    if (!processes)
        return true;
    bool live = false;
    while (const dirent *entry = readdir(processes)) {
        if (isProcessNumber(entry->d_name) && statShowsLiveMember(entry->d_name, group)) {
            live = true;
            break;
        }
    }
    closedir(processes);
    return live;
}

bool waitWhileLive(pid_t group, std::chrono::milliseconds limit)
{
    const Clock::time_point deadline = Clock::now() + limit;
    while (groupHasLiveMember(group)) {
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(kCheckInterval);
    }
    return true;
}

} // namespace

// The group's id is its leader's, which stays taken while any member (the unreaped leader
// included) exists: a signal to it reaches only the tree's own processes.
struct ProcessTree::State {
    pid_t group = 0;
};

ProcessTree::ProcessTree() : state(std::make_unique<State>()) {}

ProcessTree::~ProcessTree()
{
    end(std::chrono::milliseconds(0));
}

void ProcessTree::enterOwnGroup() noexcept
{
    setpgid(0, 0);
}

uint32_t ProcessTree::creationFlags()
{
    return 0;
}

Status ProcessTree::adopt(int64_t processId)
{
    end(std::chrono::milliseconds(0));
    state->group = 0;
    const auto pid = static_cast<pid_t>(processId);
    if (pid <= 0)
        return failure(FailureKind::ProcessTreeUnavailable, "no process");
    // Made here as well as in the child, so that the group exists whichever runs first; once the
    // child runs the program it refuses (it has made the group itself by then).
    setpgid(pid, pid);
    const pid_t group = getpgid(pid);
    if (group >= 0 && group != pid)
        return failure(FailureKind::ProcessTreeUnavailable, "the program joined another process group");
    state->group = pid;
    return Done{};
}

bool ProcessTree::end(std::chrono::milliseconds grace)
{
    const pid_t group = state->group;
    if (group <= 0 || !groupHasLiveMember(group)) {
        state->group = 0;
        return true;
    }
    if (grace.count() > 0) {
        killpg(group, SIGTERM);
        killpg(group, SIGCONT); // a stopped process takes the request only once it runs again
        if (waitWhileLive(group, grace)) {
            state->group = 0;
            return true;
        }
    }
    killpg(group, SIGKILL);
    if (!waitWhileLive(group, grace))
        return false;
    state->group = 0;
    return true;
}

bool ProcessTree::running() const
{
    return state->group > 0 && groupHasLiveMember(state->group);
}

} // namespace kvx
