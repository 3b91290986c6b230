#include "app/terminationsignals.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMetaObject>
#include <QSessionManager>

#include <windows.h>

namespace kvx {
namespace {

// The system ends the process as soon as the handler returns from a close, logoff or shutdown
// event (and gives it about five seconds), so the handler waits for the window's cleanup.
constexpr DWORD kCleanupWaitMilliseconds = 4500;

HANDLE cleanupDone = nullptr;

void endEventLoopSoon()
{
    // Called on the system's handler thread: the request crosses to the GUI thread as an event.
    if (QCoreApplication *application = QCoreApplication::instance())
        QMetaObject::invokeMethod(application, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
}

BOOL WINAPI onConsoleControl(DWORD type)
{
    endEventLoopSoon();
    if (type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT)
        WaitForSingleObject(cleanupDone, kCleanupWaitMilliseconds);
    return TRUE;
}

} // namespace

TerminationRequests::TerminationRequests()
{
    if (cleanupDone)
        return;
    cleanupDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!cleanupDone)
        return;
    active = SetConsoleCtrlHandler(onConsoleControl, TRUE) != 0;
    // A windowed program learns of the session's end from WM_QUERYENDSESSION, which Qt passes on
    // as commitDataRequest; ending the loop there cleans up before the session goes.
    if (auto *application = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        connect(application, &QGuiApplication::commitDataRequest, this,
                [](QSessionManager &) { QCoreApplication::exit(0); });
    }
}

TerminationRequests::~TerminationRequests()
{
    if (!cleanupDone)
        return;
    SetConsoleCtrlHandler(onConsoleControl, FALSE);
    // The window is gone by now: a handler still waiting may let the system end the process. The
    // event stays open, as that handler may still be reading it.
    SetEvent(cleanupDone);
}

} // namespace kvx
