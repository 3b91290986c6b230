#include "common/qt/terminationrequests.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <windows.h>

namespace kvx {
namespace {

// The system ends the process as soon as the handler returns from a close, logoff or shutdown
// event (and gives it about five seconds), so the handler waits for the program's cleanup: the
// destructor signals it, once the window (or the command line's batch) is gone.
constexpr DWORD kCleanupWaitMilliseconds = 4500;

HANDLE cleanupDone = nullptr;
const TerminationRequests *installed = nullptr;

void carryOutSoon()
{
    // Called on the system's handler thread: the request crosses to the event loop as an event.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [] {
            if (installed)
                installed->carryOut();
        },
        Qt::QueuedConnection);
}

BOOL WINAPI onConsoleControl(DWORD type)
{
    if (!installed || !QCoreApplication::instance())
        return FALSE;
    carryOutSoon();
    if (type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT)
        WaitForSingleObject(cleanupDone, kCleanupWaitMilliseconds);
    return TRUE;
}

} // namespace

TerminationRequests::TerminationRequests(std::function<void()> onRequest) : onRequest(std::move(onRequest))
{
    if (cleanupDone)
        return;
    cleanupDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!cleanupDone)
        return;
    installed = this;
    active = SetConsoleCtrlHandler(onConsoleControl, TRUE) != 0;
}

TerminationRequests::~TerminationRequests()
{
    if (installed != this)
        return;
    installed = nullptr;
    SetConsoleCtrlHandler(onConsoleControl, FALSE);
    // The program's cleanup is done by now: a handler still waiting may let the system end the
    // process. The event stays open, as that handler may still be reading it.
    SetEvent(cleanupDone);
}

} // namespace kvx
