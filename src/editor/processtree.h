#pragma once
// The processes one started program runs as, so that they end together: the program and all it
// starts, such as the editor a launcher script runs as its child rather than replacing itself.
// On POSIX that is the process group the program leads; on Windows a kill-on-close job it is
// created in.
//
// The starter cooperates: on POSIX the child calls enterOwnGroup before it runs the program; on
// Windows the program is created with creationFlags added (suspended) and adopt resumes it once
// it is in the job. A program started without that cooperation still runs, unconfined.

#include "common/failure.h"

#include <chrono>
#include <cstdint>
#include <memory>

namespace kvx {

class ProcessTree {
public:
    ProcessTree();
    // Forces whatever is left of the tree to end at once.
    ~ProcessTree();
    ProcessTree(const ProcessTree &) = delete;
    ProcessTree &operator=(const ProcessTree &) = delete;

    // POSIX: in the started child before it runs the program (async-signal-safe). Windows: nothing.
    static void enterOwnGroup() noexcept;
    // Windows: the flags to add when creating the program (suspended). POSIX: 0.
    static uint32_t creationFlags();

    // Makes the program just started the root of this tree, forcing an earlier tree to end first.
    // On Windows the program is resumed even when it could not join the job (the failure says so).
    Status adopt(int64_t processId);

    // Asks every process of the tree to end (SIGTERM on POSIX; Windows has no polite request and
    // terminates the job at once), forces those left after the grace period, and returns once none
    // runs, waiting at most one more grace period after forcing. False when something outlived
    // even that; a zero grace forces at once and does not wait.
    bool end(std::chrono::milliseconds grace);

    // Whether a process of the tree still runs; one that has ended but was not reaped does not.
    bool running() const;

private:
    struct State;
    std::unique_ptr<State> state;
};

} // namespace kvx
