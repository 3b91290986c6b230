#pragma once
// Turns the system's requests to end the program (SIGTERM, SIGINT and SIGHUP; on Windows a console
// close, logoff or shutdown, and the session's end) into a normal end of the event loop. The window
// is then destroyed as when the user closes it, which stops a running editor and removes the
// working folder. A SIGKILL (or a forced kill on Windows) cannot be caught.

#include <QObject>

namespace kvx {

// A QObject only to own the notifier and to scope its connections; it has no signals of its own.
class TerminationRequests : public QObject {
public:
    // Create after the application object and before the window, so that it outlives the window.
    TerminationRequests();
    ~TerminationRequests() override;
    TerminationRequests(const TerminationRequests &) = delete;
    TerminationRequests &operator=(const TerminationRequests &) = delete;

    // Whether the handlers could be installed; the program runs on without them otherwise.
    bool isActive() const { return active; }

private:
    bool active = false;
};

} // namespace kvx
