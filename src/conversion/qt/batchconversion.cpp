#include "conversion/qt/batchconversion.h"

#include "common/qt/pathtext.h"

#include <QFileInfo>
#include <QTimer>

namespace kvx {

BatchConversion::BatchConversion(QString editorPath, QString outputParent, bool straightAlpha, QList<BatchItem> items,
                                 QObject *parent)
    : QObject(parent), editorPath(std::move(editorPath)), outputParent(std::move(outputParent)),
      straightAlpha(straightAlpha), items(std::move(items))
{
}

BatchConversion::~BatchConversion()
{
    delete job.data(); // a job still running takes its editor and working folder with it
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
    if (finishedJob)
        finishedJob->deleteLater();
    job.clear();
    record(BatchOutcome{toQString(items.at(completed()).record.skeleton), std::move(outcome)});
}

void BatchConversion::record(BatchOutcome outcome)
{
    results.append(outcome);
    emit itemFinished(outcome);
    // The next job starts from the event loop, never inside the signal of the one that ended.
    QTimer::singleShot(0, this, &BatchConversion::startNext);
}

} // namespace kvx
