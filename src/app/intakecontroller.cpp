#include "app/intakecontroller.h"

#include "app/namelist.h"
#include "assets/spinelines.h"
#include "common/qt/pathtext.h"

#include <QFileInfo>
#include <QSet>
#include <QTimer>
#include <algorithm>

namespace kvx {
namespace {

constexpr qsizetype kMaxWarnedNames = 50;

QStringList withoutRepeats(const QStringList &entries)
{
    QStringList unique;
    QSet<QString> seen;
    for (const QString &entry : entries) {
        if (!seen.contains(entry)) {
            seen.insert(entry);
            unique.append(entry);
        }
    }
    return unique;
}

// The run of digits starting at from (moved past it), without its leading zeros.
QStringView digitRun(const QString &text, qsizetype &from)
{
    qsizetype start = from;
    while (from < text.size() && text[from].isDigit())
        ++from;
    while (start + 1 < from && text[start] == QLatin1Char('0'))
        ++start;
    return QStringView(text).sliced(start, from - start);
}

// Names as a file manager orders them: runs of digits by their value (level2 before level10), the
// rest ignoring case, and the plain text to settle what is still alike.
bool namedBefore(const QString &left, const QString &right)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < left.size() && j < right.size()) {
        if (left[i].isDigit() && right[j].isDigit()) {
            const QStringView a = digitRun(left, i);
            const QStringView b = digitRun(right, j);
            if (a.size() != b.size())
                return a.size() < b.size();
            if (const int order = a.compare(b); order != 0)
                return order < 0;
            continue;
        }
        const QChar a = left[i].toCaseFolded();
        const QChar b = right[j].toCaseFolded();
        if (a != b)
            return a < b;
        ++i;
        ++j;
    }
    if (left.size() - i != right.size() - j)
        return left.size() - i < right.size() - j;
    return left < right;
}

} // namespace

IntakeController::IntakeController(const WindowDialogs &dialogs, QWidget *window)
    : QObject(window), dialogs(dialogs), window(window)
{
    scanPool.setMaxThreadCount(1);
    scanWatcher = new QFutureWatcher<IntakeOutcome>(this);
    connect(scanWatcher, &QFutureWatcherBase::resultsReadyAt, this, &IntakeController::onScanResults);
    // Before the walk has counted the candidates the watcher may report a value without a range;
    // only counted progress is passed on, so (0, 0) stays the scan's start.
    connect(scanWatcher, &QFutureWatcherBase::progressValueChanged, this, [this](int examined) {
        if (scanWatcher->progressMaximum() > 0)
            emit progress(examined, scanWatcher->progressMaximum());
    });
    connect(scanWatcher, &QFutureWatcherBase::finished, this, &IntakeController::onScanFinished);
}

IntakeController::~IntakeController()
{
    waitingBatches.clear();
    scanWatcher->disconnect(this);
    scanWatcher->future().cancel();
    scanWatcher->future().waitForFinished();
}

void IntakeController::takeIn(const QStringList &paths)
{
    if (paths.isEmpty())
        return; // a cancelled dialog or a drop of web links changes nothing
    waitingBatches.append(paths);
    if (!batchOpen)
        startNextScan();
}

void IntakeController::takeInNow(const QString &path)
{
    if (batchOpen || !waitingBatches.isEmpty()) {
        takeIn({path}); // after the running batch, to keep the order paths were handed over
        return;
    }
    openBatch();
    for (const ScanCandidate &candidate : candidatesFor(path))
        take(examineCandidate(candidate));
    closeBatch();
}

bool IntakeController::isTakingIn() const
{
    return batchOpen || !waitingBatches.isEmpty() || settleNoticePending;
}

void IntakeController::whenSettles(std::function<void()> action)
{
    if (isTakingIn())
        settleActions.append(std::move(action));
    else
        action();
}

void IntakeController::startNextScan()
{
    const QStringList paths = waitingBatches.takeFirst();
    openBatch();
    emit progress(0, 0);
    scanWatcher->setFuture(scanResources(&scanPool, paths));
}

void IntakeController::onScanResults(int begin, int end)
{
    for (int i = begin; i < end; ++i)
        take(scanWatcher->resultAt(i));
}

void IntakeController::onScanFinished()
{
    if (!batchOpen)
        return;
    closeBatch();
    if (!waitingBatches.isEmpty())
        startNextScan();
}

void IntakeController::openBatch()
{
    batchOpen = true;
    batchWarnings.clear();
    emit batchOpened();
}

void IntakeController::take(const IntakeOutcome &outcome)
{
    const auto noteWarning = [this](WarningKind kind) {
        if (!batchWarnings.contains(kind))
            batchWarnings.append(kind);
    };
    const QString fileName = QFileInfo(toQString(outcome.record.skeleton)).fileName();
    switch (outcome.verdict) {
    case IntakeVerdict::Listed:
        emit listed(outcome);
        break;
    case IntakeVerdict::Unrecognized:
        pendingUnrecognized.append(fileName);
        noteWarning(WarningKind::Unrecognized);
        break;
    case IntakeVerdict::Unsupported: {
        const std::optional<SpineVersion> &version = outcome.record.detection.version;
        pendingUnsupported.append(
            tr("%1（版本 %2）").arg(fileName, version ? QString::fromStdString(version->fullText()) : tr("未知")));
        noteWarning(WarningKind::Unsupported);
        break;
    }
    case IntakeVerdict::Ignored:
        break;
    }
}

void IntakeController::closeBatch()
{
    batchOpen = false;
    emit batchClosed();
    for (const WarningKind kind : std::as_const(batchWarnings))
        QTimer::singleShot(0, this, [this, kind] { showWarning(kind); });
    batchWarnings.clear();
    if (!waitingBatches.isEmpty() || settleNoticePending)
        return;
    // Queued after the window's work for the batch, so it runs once that has settled the badge.
    settleNoticePending = true;
    QTimer::singleShot(0, this, [this] {
        settleNoticePending = false;
        if (isTakingIn())
            return;
        const QList<std::function<void()>> actions = std::exchange(settleActions, {});
        for (const std::function<void()> &action : actions)
            action();
    });
}

void IntakeController::showWarning(WarningKind kind)
{
    QStringList &pending = kind == WarningKind::Unrecognized ? pendingUnrecognized : pendingUnsupported;
    if (pending.isEmpty())
        return; // an earlier timer of the same batch has shown everything already
    QStringList names = withoutRepeats(pending);
    pending.clear();
    std::sort(names.begin(), names.end(), namedBefore);
    // A box taller than the screen would hide its own button.
    const qsizetype rest = names.size() - kMaxWarnedNames;
    if (rest > 0) {
        names.resize(kMaxWarnedNames);
        names.append(tr("……以及其余 %1 个").arg(rest));
    }
    const QString list = names.join(QLatin1Char('\n'));
    if (kind == WarningKind::Unrecognized) {
        dialogs.show(window, WindowMessage{QMessageBox::Warning, tr("未识别到正确的 Spine 资产"),
                                           tr("以下文件未能识别为有效的 Spine 资产："), QString(), list, QString(), {}});
    } else {
        dialogs.show(window, WindowMessage{QMessageBox::Warning, tr("版本过低"),
                                           tr("以下资源的 Spine 版本不在支持的范围内（支持的版本：%1）：")
                                               .arg(QString::fromStdString(
                                                   supportedLinesText(NameList::separator().toStdString()))),
                                           QString(), list, QString(), {}});
    }
}

} // namespace kvx
