// Resource intake: whatever is dropped, picked or named on the command line becomes entries of the
// resource list; files that are not usable skeletons are reported once per batch.

#include "app/mainwindow.h"

#include "assets/spinelines.h"
#include "assets/versiondetection.h"
#include "common/pathtext.h"

#include <QComboBox>
#include <QDirIterator>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

namespace kvx {

namespace {

bool hasSkeletonSuffix(const QFileInfo &info)
{
    return info.suffix().compare(QLatin1String("json"), Qt::CaseInsensitive) == 0
        || info.suffix().compare(QLatin1String("skel"), Qt::CaseInsensitive) == 0
        || info.completeSuffix().compare(QLatin1String("skel.bytes"), Qt::CaseInsensitive) == 0;
}

QStringList withoutRepeats(const QStringList &entries)
{
    QStringList unique;
    for (const QString &entry : entries) {
        if (!unique.contains(entry))
            unique.append(entry);
    }
    return unique;
}

} // namespace

void MainWindow::chooseResources()
{
    const QStringList paths = dialogs.chooseResourceFiles(this);
    for (const QString &path : paths)
        addResourcePath(path);
}

void MainWindow::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent *event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    for (const QUrl &url : urls) {
        if (url.isLocalFile())
            addResourcePath(url.toLocalFile());
    }
    event->acceptProposedAction();
}

void MainWindow::addResourcePath(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        scanForSkeletons(path, true, true);
    else if (hasSkeletonSuffix(info))
        addSkeletonFile(path, true);
    else if (!path.isEmpty()) // an atlas or image: look beside it (beside no path would be the working folder)
        scanForSkeletons(info.absolutePath(), false, false);
    scheduleReadinessCheck();
}

void MainWindow::scanForSkeletons(const QString &folder, bool recursive, bool reportProblems)
{
    const QStringList patterns{QStringLiteral("*.json"), QStringLiteral("*.skel"), QStringLiteral("*.skel.bytes")};
    QDirIterator entries(folder, patterns, QDir::Files,
                         recursive ? QDirIterator::Subdirectories : QDirIterator::NoIteratorFlags);
    while (entries.hasNext())
        addSkeletonFile(entries.next(), reportProblems);
}

void MainWindow::addSkeletonFile(const QString &path, bool reportProblems)
{
    const QFileInfo info(path);
    const VersionDetection detection = detectSpineVersion(toPath(path));
    switch (detection.status) {
    case DetectionStatus::Supported:
        listSkeleton(path);
        break;
    case DetectionStatus::OpenFailed:
    case DetectionStatus::Unrecognized:
        if (reportProblems) {
            pendingUnrecognized.append(info.fileName());
            QTimer::singleShot(0, this, &MainWindow::showUnrecognizedWarning);
        }
        break;
    case DetectionStatus::Unsupported:
        if (reportProblems) {
            const QString version = detection.version ? QString::fromStdString(detection.version->fullText())
                                                       : tr("未知");
            pendingUnsupported.append(tr("%1（版本 %2）").arg(info.fileName(), version));
            QTimer::singleShot(0, this, &MainWindow::showUnsupportedWarning);
        }
        break;
    }
}

void MainWindow::listSkeleton(const QString &path)
{
    if (skeletonPaths.contains(path))
        return;
    skeletonPaths.append(path);
    resourceCombo->insertItem(resourceCombo->count(), QIcon(), QFileInfo(path).completeBaseName(), path);
    resourceCombo->show();
    // The first entry became current on insertion already; every later one becomes current here.
    resourceCombo->setCurrentIndex(resourceCombo->count() - 1);
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
    const QStringList names = withoutRepeats(pending);
    pending.clear();
    dialogs.showMessage(this, QMessageBox::Warning, title, textTemplate.arg(names.join(QLatin1Char('\n'))));
}

} // namespace kvx
