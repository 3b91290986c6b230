// Resource intake: whatever is dropped, picked or named on the command line becomes entries of the
// resource list; files that are not usable skeletons are reported once per batch. A batch lists its
// entries one by one, each becoming current, but loads the preview once, for the entry current at
// its end; large batches are walked and detected off the GUI thread.

#include "app/mainwindow.h"

#include "assets/spinelines.h"

#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QSet>
#include <QTimer>
#include <QUrl>

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

QString formatText(SkeletonFormat format)
{
    switch (format) {
    case SkeletonFormat::Json:
        return QStringLiteral("JSON");
    case SkeletonFormat::Binary:
        return MainWindow::tr("二进制");
    case SkeletonFormat::Unknown:
        break;
    }
    return MainWindow::tr("未知");
}

QString versionText(const std::optional<SpineVersion> &version)
{
    return version ? QString::fromStdString(version->fullText()) : MainWindow::tr("未知");
}

// Tells apart entries whose base names are alike.
QString entryToolTip(const ScanOutcome &outcome)
{
    return MainWindow::tr("%1\n格式：%2\n数据版本：%3")
        .arg(QDir::toNativeSeparators(QFileInfo(outcome.path).absoluteFilePath()), formatText(outcome.format),
             versionText(outcome.version));
}

} // namespace

void MainWindow::chooseResources()
{
    takeInResources(dialogs.chooseResourceFiles(this));
}

void MainWindow::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent *event)
{
    QStringList paths;
    const QList<QUrl> urls = event->mimeData()->urls();
    for (const QUrl &url : urls) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    takeInResources(paths);
    event->acceptProposedAction();
}

void MainWindow::addResourcePath(const QString &path)
{
    if (intakeBatchOpen || !waitingBatches.isEmpty()) {
        takeInResources({path}); // after the running batch, to keep the order paths were handed over
        return;
    }
    beginIntakeBatch();
    for (const ScanCandidate &candidate : candidatesFor(path))
        takeOutcome(examineCandidate(candidate));
    endIntakeBatch();
}

void MainWindow::takeInResources(const QStringList &paths)
{
    if (paths.isEmpty())
        return; // a cancelled dialog or a drop of web links changes nothing
    waitingBatches.append(paths);
    if (!intakeBatchOpen)
        startNextScan();
}

bool MainWindow::isTakingIn() const
{
    return intakeBatchOpen || !waitingBatches.isEmpty() || settleNoticePending;
}

void MainWindow::startNextScan()
{
    const QStringList paths = waitingBatches.takeFirst();
    beginIntakeBatch();
    statusBeforeScan = statusLabel->text();
    statusLabel->setText(tr("正在扫描…"));
    scanWatcher->setFuture(scanResources(&scanPool, paths));
}

void MainWindow::onScanResults(int begin, int end)
{
    for (int i = begin; i < end; ++i)
        takeOutcome(scanWatcher->resultAt(i));
}

void MainWindow::onScanProgress(int examined)
{
    if (intakeBatchOpen)
        statusLabel->setText(tr("正在扫描… %1 / %2").arg(examined).arg(scanWatcher->progressMaximum()));
}

void MainWindow::onScanFinished()
{
    if (!intakeBatchOpen)
        return;
    if (!previewDeferred)
        statusLabel->setText(statusBeforeScan); // no new current entry: the preview's own text stays
    endIntakeBatch();
    if (!waitingBatches.isEmpty())
        startNextScan();
}

void MainWindow::stopScan()
{
    waitingBatches.clear();
    scanWatcher->disconnect(this);
    scanWatcher->future().cancel();
    scanWatcher->future().waitForFinished();
}

void MainWindow::beginIntakeBatch()
{
    intakeBatchOpen = true;
    previewDeferred = false;
    batchWarnings.clear();
}

void MainWindow::takeOutcome(const ScanOutcome &outcome)
{
    const auto noteWarning = [this](void (MainWindow::*show)()) {
        if (!batchWarnings.contains(show))
            batchWarnings.append(show);
    };
    const QString fileName = QFileInfo(outcome.path).fileName();
    switch (outcome.verdict) {
    case ScanVerdict::Listed:
        listSkeleton(outcome);
        break;
    case ScanVerdict::Unrecognized:
        pendingUnrecognized.append(fileName);
        noteWarning(&MainWindow::showUnrecognizedWarning);
        break;
    case ScanVerdict::Unsupported:
        pendingUnsupported.append(tr("%1（版本 %2）").arg(fileName, versionText(outcome.version)));
        noteWarning(&MainWindow::showUnsupportedWarning);
        break;
    case ScanVerdict::Ignored:
        break;
    }
}

void MainWindow::endIntakeBatch()
{
    intakeBatchOpen = false;
    if (previewDeferred) {
        previewDeferred = false;
        loadPreview();
    }
    scheduleReadinessCheck();
    for (void (MainWindow::*show)() : std::as_const(batchWarnings))
        QTimer::singleShot(0, this, show);
    batchWarnings.clear();
    if (!waitingBatches.isEmpty() || settleNoticePending)
        return;
    // Queued after the readiness check, so it runs once that has settled the badge.
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

void MainWindow::whenIntakeSettles(std::function<void()> action)
{
    if (isTakingIn())
        settleActions.append(std::move(action));
    else
        action();
}

void MainWindow::listSkeleton(const ScanOutcome &outcome)
{
    const QString &path = outcome.path;
    if (skeletonPaths.contains(path))
        return;
    skeletonPaths.append(path);
    const int index = resourceCombo->count();
    resourceCombo->insertItem(index, QIcon(), QFileInfo(path).completeBaseName(), path);
    resourceCombo->setItemData(index, entryToolTip(outcome), Qt::ToolTipRole);
    showCurrentEntryTip(); // the first entry became current before it had its tip
    resourceCombo->show();
    // The first entry became current on insertion already; every later one becomes current here.
    resourceCombo->setCurrentIndex(index);
}

void MainWindow::showUnrecognizedWarning()
{
    showPendingWarning(pendingUnrecognized, tr("未识别到正确的 Spine 资产"),
                       tr("以下文件未能识别为有效的 Spine 资产：\n\n%1"));
}

void MainWindow::showUnsupportedWarning()
{
    showPendingWarning(pendingUnsupported, tr("版本过低"),
                       tr("以下资源的 Spine 版本不在支持的范围内（支持的版本：%1）：\n\n%2")
                           .arg(QString::fromStdString(supportedLinesText("、"))));
}

void MainWindow::showPendingWarning(QStringList &pending, const QString &title, const QString &textTemplate)
{
    if (pending.isEmpty())
        return; // an earlier timer of the same batch has shown everything already
    QStringList names = withoutRepeats(pending);
    pending.clear();
    // A box taller than the screen would hide its own button.
    const qsizetype rest = names.size() - kMaxWarnedNames;
    if (rest > 0) {
        names.resize(kMaxWarnedNames);
        names.append(tr("……以及其余 %1 个").arg(rest));
    }
    dialogs.showMessage(this, QMessageBox::Warning, title, textTemplate.arg(names.join(QLatin1Char('\n'))));
}

} // namespace kvx
