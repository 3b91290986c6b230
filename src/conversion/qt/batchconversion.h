#pragma once
// Several conversions into one folder, one after another, each by its own ConversionJob. Used by the
// window's "convert all" and by kovexa-cli convert.

#include "common/outputfolder.h"
#include "conversion/qt/conversionjob.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

namespace kvx {

class ConversionJob;

struct BatchItem {
    ExportRecord record;
    QString editorVersion;
    std::optional<Failure> notReady; // when set, the item fails with it and no job is started
    QString outputParent;            // empty: the batch's folder; created when missing, and removed
                                     // again when the item leaves nothing in it
};

// The folder below outputFolder that keeps an export's place: the folder it lay in, relative to the
// folder it was handed over with ("" when directly in it, which gives outputFolder itself).
QString keptPlaceFolder(const QString &outputFolder, const QString &relativeFolder);

struct BatchOutcome {
    QString skeletonPath;
    ConversionOutcome result; // the published folder, or why there is none
};

class BatchConversion : public QObject {
    Q_OBJECT
public:
    BatchConversion(QString editorPath, QString outputParent, bool straightAlpha, QList<BatchItem> items,
                    QObject *parent = nullptr);
    ~BatchConversion() override;

    void start();
    // The running job is deleted (its editor killed, its working folder removed) and the items not
    // yet converted are left; finished follows once, with stopped set.
    void stop();

    int total() const { return static_cast<int>(items.size()); }
    int completed() const { return static_cast<int>(results.size()); }
    bool isRunning() const { return running; }
    const QList<BatchOutcome> &outcomes() const { return results; }
    QString runningSkeleton() const;
    QString runningWorkingDirectory() const; // empty between jobs

signals:
    void itemStarted(int index, QString skeletonPath);
    void itemFinished(kvx::BatchOutcome outcome);
    void finished(bool stopped);

private:
    void startNext();
    void onJobFinished(ConversionOutcome outcome);
    void record(BatchOutcome outcome);
    void releaseItemFolder();

    QString editorPath;
    QString outputParent;
    bool straightAlpha = false;
    QList<BatchItem> items;
    QList<BatchOutcome> results;
    QPointer<ConversionJob> job;
    std::optional<OutputFolder> itemFolder; // the running item's own folder, while it has one
    bool running = false;
};

} // namespace kvx
