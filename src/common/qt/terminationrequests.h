#pragma once
// Turns the system's requests to end the program (SIGTERM, SIGINT and SIGHUP; on Windows Ctrl+C, a
// console close, logoff or shutdown) into ordinary code on the event loop, never work inside a
// signal handler. By default the event loop ends normally, so the window is destroyed as when the
// user closes it, which stops a running editor and removes the working folder. A SIGKILL (or a
// forced kill on Windows) cannot be caught.

#include <QObject>

#include <functional>

namespace kvx {

// A QObject only to own the notifier and to scope its connections; it has no signals of its own.
// One at a time per process.
class TerminationRequests : public QObject {
public:
    // onRequest runs on the event loop's thread for every request; without one, the loop ends.
    // Create after the application object; the window's owner creates it before the window, so
    // that it outlives the window.
    explicit TerminationRequests(std::function<void()> onRequest = {});
    ~TerminationRequests() override;
    TerminationRequests(const TerminationRequests &) = delete;
    TerminationRequests &operator=(const TerminationRequests &) = delete;

    // Whether the handlers could be installed; the program runs on without them otherwise.
    bool isActive() const { return active; }

    // What one request does; called on the event loop's thread.
    void carryOut() const;

private:
    std::function<void()> onRequest;
    bool active = false;
};

} // namespace kvx
