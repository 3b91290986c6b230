#include "cli/interrupt.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <windows.h>

namespace kvx {
namespace {

QPointer<QObject> interruptContext;
std::function<void()> interruptAction;
HANDLE handledEvent = nullptr;

// Runs on a thread the console creates. The stop is handed to the event loop; for a closing
// console (which ends the process when this returns) it waits a while for the stop to be done.
BOOL WINAPI onConsoleControl(DWORD type)
{
    if (!interruptContext)
        return FALSE;
    QMetaObject::invokeMethod(interruptContext.data(), [] { interruptAction(); }, Qt::QueuedConnection);
    if (type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT)
        WaitForSingleObject(handledEvent, 4000);
    return TRUE;
}

} // namespace

void installInterruptHandler(QObject *context, std::function<void()> onInterrupt)
{
    if (handledEvent)
        return;
    handledEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    interruptContext = context;
    interruptAction = std::move(onInterrupt);
    SetConsoleCtrlHandler(onConsoleControl, TRUE);
}

void interruptHandled()
{
    if (handledEvent)
        SetEvent(handledEvent);
}

} // namespace kvx
