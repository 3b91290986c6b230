#pragma once
// Resource intake in the window: whatever is dropped, picked or named on the command line is walked
// and detected off the GUI thread, one batch at a time, and reported entry by entry; files that are
// not usable skeletons are reported once per batch and kind.

#include "app/windowdialogs.h"
#include "assets/qt/intake.h"

#include <QFutureWatcher>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QThreadPool>
#include <functional>

namespace kvx {

class IntakeController : public QObject {
    Q_OBJECT
public:
    IntakeController(const WindowDialogs &dialogs, QWidget *window);
    ~IntakeController() override;

    // Takes a batch in on the scan thread; batches queue behind the running one.
    void takeIn(const QStringList &paths);
    // Takes one path in at once, before returning (its warnings follow as queued work). Waits its
    // turn behind a background batch.
    void takeInNow(const QString &path);
    // True from a batch's start until it is listed and the queued work after it is done.
    bool isTakingIn() const;
    bool isBatchOpen() const { return batchOpen; }
    // Runs the action once nothing is being taken in: at once, or when the last batch has settled.
    void whenSettles(std::function<void()> action);

signals:
    void batchOpened();
    // A supported skeleton, in walk order.
    void listed(kvx::IntakeOutcome outcome);
    // (0, 0) once as a scan starts, then the candidates examined of those the walk found.
    void progress(int examined, int total);
    // Everything of the batch is listed; the queued work of the window follows.
    void batchClosed();

private:
    enum class WarningKind { Unrecognized, Unsupported };

    void openBatch();
    void take(const IntakeOutcome &outcome);
    void closeBatch();
    void startNextScan();
    void onScanResults(int begin, int end);
    void onScanFinished();
    void showWarning(WarningKind kind);

    const WindowDialogs &dialogs;
    QWidget *window = nullptr;
    QThreadPool scanPool;
    QFutureWatcher<IntakeOutcome> *scanWatcher = nullptr;
    QList<QStringList> waitingBatches;
    bool batchOpen = false;
    bool settleNoticePending = false;
    QList<std::function<void()>> settleActions;
    QStringList pendingUnsupported;
    QStringList pendingUnrecognized;
    QList<WarningKind> batchWarnings; // in the order the kinds first turned up
};

} // namespace kvx
