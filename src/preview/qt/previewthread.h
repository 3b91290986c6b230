#pragma once
// A thread of its own for one PreviewSession: callers post jobs and get the answers back on their
// own thread, so no skeleton, however costly, makes them wait. Jobs run one at a time, in order;
// a job that has become obsolete by the time its turn comes is dropped unanswered.

#include "preview/previewsession.h"

#include <QObject>
#include <QPointer>
#include <QThread>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

namespace kvx {

class PreviewThread {
public:
    PreviewThread();
    // Waits for the running job (the plugins bound every call), then ends the session on its thread.
    ~PreviewThread();
    PreviewThread(const PreviewThread &) = delete;
    PreviewThread &operator=(const PreviewThread &) = delete;

    // Runs job(session) on the preview thread unless obsolete() says otherwise by then, and hands
    // its answer and the seconds it took to deliver on the receiver's thread, if the receiver still
    // exists. obsolete is called on the preview thread.
    template <typename Answer>
    void post(std::function<bool()> obsolete, std::function<Answer(PreviewSession &)> job, QObject *receiver,
              std::function<void(Answer, double)> deliver)
    {
        QPointer<QObject> target(receiver);
        pending.fetch_add(1);
        runOnThread([this, obsolete = std::move(obsolete), job = std::move(job), target,
                     deliver = std::move(deliver)](PreviewSession &session) mutable {
            if ((obsolete && obsolete()) || !target) {
                pending.fetch_sub(1);
                return;
            }
            const auto started = std::chrono::steady_clock::now();
            auto answer = std::make_shared<Answer>(job(session));
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
            // Counted down only once the answer is delivered (or its receiver is gone).
            const bool queued = QMetaObject::invokeMethod(target, [this, target, answer, seconds,
                                                                   deliver = std::move(deliver)] {
                if (target)
                    deliver(std::move(*answer), seconds);
                pending.fetch_sub(1);
            }, Qt::QueuedConnection);
            if (!queued)
                pending.fetch_sub(1);
        });
    }

    // Jobs posted whose answers are not yet delivered (nor the jobs dropped).
    int pendingJobs() const { return pending.load(); }

private:
    void runOnThread(std::function<void(PreviewSession &)> work);

    QThread thread;
    QObject *anchor = nullptr; // lives in the thread: queued work runs there
    std::unique_ptr<PreviewSession> session;
    std::atomic<int> pending{0};
};

} // namespace kvx
