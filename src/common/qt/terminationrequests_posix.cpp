#include "common/qt/terminationrequests.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace kvx {
namespace {

constexpr std::array kEndingSignals{SIGTERM, SIGINT, SIGHUP};

// The handler may only do what is safe in a signal handler: it writes one byte into a pipe that
// the event loop watches (the self-pipe), and the loop does the rest.
int wakeRead = -1;
int wakeWrite = -1;

extern "C" void onEndingSignal(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    // The pipe is non-blocking: when it is full, a wake-up is already pending.
    [[maybe_unused]] const ssize_t written = write(wakeWrite, &byte, 1);
    errno = savedErrno;
}

void drainWakeUps()
{
    char buffer[64];
    while (read(wakeRead, buffer, sizeof buffer) > 0) {
    }
}

bool installHandlers()
{
    struct sigaction action {};
    action.sa_handler = onEndingSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : kEndingSignals) {
        if (sigaction(signalNumber, &action, nullptr) != 0)
            return false;
    }
    return true;
}

void restoreDefaults()
{
    for (const int signalNumber : kEndingSignals)
        signal(signalNumber, SIG_DFL);
}

} // namespace

TerminationRequests::TerminationRequests(std::function<void()> onRequest) : onRequest(std::move(onRequest))
{
    int ends[2];
    // Close-on-exec: the editor and other children never inherit the pipe.
    if (wakeRead >= 0 || pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    wakeRead = ends[0];
    wakeWrite = ends[1];
    auto *notifier = new QSocketNotifier(wakeRead, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        drainWakeUps();
        carryOut();
    });
    active = installHandlers();
}

TerminationRequests::~TerminationRequests()
{
    if (wakeRead < 0)
        return;
    // From here on a signal ends the program at once, as it would have without this object.
    restoreDefaults();
    close(wakeRead);
    close(wakeWrite);
    wakeRead = -1;
    wakeWrite = -1;
}

} // namespace kvx
