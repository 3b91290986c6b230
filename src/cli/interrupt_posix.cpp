#include "cli/interrupt.h"

#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace kvx {
namespace {

int wakePipe[2] = {-1, -1};

void onSignal(int)
{
    // Only async-signal-safe work here: one byte into the pipe the event loop watches.
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakePipe[1], &byte, 1);
}

} // namespace

void installInterruptHandler(QObject *context, std::function<void()> onInterrupt)
{
    if (wakePipe[0] >= 0 || ::pipe(wakePipe) != 0)
        return;
    for (const int end : wakePipe) {
        ::fcntl(end, F_SETFL, ::fcntl(end, F_GETFL) | O_NONBLOCK);
        ::fcntl(end, F_SETFD, FD_CLOEXEC);
    }
    auto *notifier = new QSocketNotifier(wakePipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [onInterrupt = std::move(onInterrupt)] {
        char drained[64];
        while (::read(wakePipe[0], drained, sizeof drained) > 0) {
        }
        onInterrupt();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

void interruptHandled()
{
}

} // namespace kvx
