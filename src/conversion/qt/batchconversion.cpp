#include "conversion/qt/batchconversion.h"

#include "conversion/qt/conversionjob.h"

#include <QFileInfo>
#include <QTimer>

namespace kvx {

BatchConversion::BatchConversion(QString editorPath, QString outputParent, bool removePremultipliedAlpha,
                                 QList<BatchItem> items, QObject *parent)
    : QObject(parent), editorPath(std::move(editorPath)), outputParent(std::move(outputParent)),
      removePremultipliedAlpha(removePremultipliedAlpha), items(std::move(items))
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
    return job && completed() < total() ? items.at(completed()).skeletonPath : QString();
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
    emit itemStarted(index, item.skeletonPath);
    if (!item.preparationError.isEmpty()) {
        record(BatchOutcome{item.skeletonPath, false, QString(), item.preparationError});
        return;
    }
    job = new ConversionJob(editorPath, item.editorVersion, item.skeletonPath, item.atlasPath, outputParent,
                            QFileInfo(item.skeletonPath).completeBaseName(), removePremultipliedAlpha, this);
    connect(job, &ConversionJob::finished, this, &BatchConversion::onJobFinished);
    job->start();
}

void BatchConversion::onJobFinished(bool success, QString outputDirectory, QString error)
{
    auto *finishedJob = qobject_cast<ConversionJob *>(sender());
    if (finishedJob)
        finishedJob->deleteLater();
    job.clear();
    record(BatchOutcome{items.at(completed()).skeletonPath, success, outputDirectory, error});
}

void BatchConversion::record(BatchOutcome outcome)
{
    results.append(outcome);
    emit itemFinished(outcome);
    // The next job starts from the event loop, never inside the signal of the one that ended.
    QTimer::singleShot(0, this, &BatchConversion::startNext);
}

} // namespace kvx
