#include "conversion/qt/batchconversion.h"

#include "common/qt/pathtext.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>

namespace kvx {

QString keptPlaceFolder(const QString &outputFolder, const QString &relativeFolder)
{
    return relativeFolder.isEmpty() ? outputFolder : QDir::cleanPath(QDir(outputFolder).filePath(relativeFolder));
}

BatchConversion::BatchConversion(QString editorPath, QString outputParent, bool straightAlpha, QList<BatchItem> items,
                                 QObject *parent)
    : QObject(parent), editorPath(std::move(editorPath)), outputParent(std::move(outputParent)),
      straightAlpha(straightAlpha), items(std::move(items))
{
}

BatchConversion::~BatchConversion()
{
    delete job.data(); // a job still running takes its editor and working folder with it
    releaseItemFolder();
}

void BatchConversion::start()
{
    if (running || completed() > 0)
        return;
    running = true;
    startNext();
}

void BatchConversion::stop()
{
    if (!running)
        return;
    running = false;
    delete job.data();
    releaseItemFolder();
    emit finished(true);
}

QString BatchConversion::runningSkeleton() const
{
    return job && completed() < total() ? toQString(items.at(completed()).record.skeleton) : QString();
}

QString BatchConversion::runningWorkingDirectory() const
{
    return job ? job->workingDirectory() : QString();
}

void BatchConversion::startNext()
{
    if (!running)
        return;
    if (completed() == total()) {
        running = false;
        emit finished(false);
        return;
    }
    const int index = completed();
    const BatchItem &item = items.at(index);
    const QString skeletonPath = toQString(item.record.skeleton);
    emit itemStarted(index, skeletonPath);
    if (item.notReady) {
        record(BatchOutcome{skeletonPath, *item.notReady});
        return;
    }
    if (!item.outputParent.isEmpty() && item.outputParent != outputParent) {
        Result<OutputFolder> folder = OutputFolder::prepare(toPath(item.outputParent));
        if (!folder) {
            record(BatchOutcome{skeletonPath, folder.failure()});
            return;
        }
        itemFolder = std::move(*folder);
    }
    job = new ConversionJob(ConversionRequest{item.record, editorPath, item.editorVersion,
                                              item.outputParent.isEmpty() ? outputParent : item.outputParent,
                                              QString(), straightAlpha},
                            this);
    connect(job, &ConversionJob::finished, this, &BatchConversion::onJobFinished);
    job->start();
}

void BatchConversion::onJobFinished(ConversionOutcome outcome)
{
    auto *finishedJob = qobject_cast<ConversionJob *>(sender());
    if (finishedJob) {
        // The job's working folder goes with the job, so the item's own folder can go only after it.
        if (itemFolder)
            connect(finishedJob, &QObject::destroyed, [folder = *itemFolder] { folder.removeCreatedIfEmpty(); });
        itemFolder.reset();
        finishedJob->deleteLater();
    }
    job.clear();
    releaseItemFolder();
    record(BatchOutcome{toQString(items.at(completed()).record.skeleton), std::move(outcome)});
}

// A failed item leaves no folder made for it behind.
void BatchConversion::releaseItemFolder()
{
    if (itemFolder)
        itemFolder->removeCreatedIfEmpty();
    itemFolder.reset();
}

void BatchConversion::record(BatchOutcome outcome)
{
    results.append(outcome);
    emit itemFinished(outcome);
    // The next job starts from the event loop, never inside the signal of the one that ended.
    QTimer::singleShot(0, this, &BatchConversion::startNext);
}

} // namespace kvx
