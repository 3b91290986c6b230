#pragma once
// One conversion: unpack the atlas pages, import the skeleton, publish the project folder.

#include "assets/exportrecord.h"
#include "common/failure.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>
#include <system_error>

class QTemporaryDir;

namespace kvx {

class TreeProcess;

enum class ConversionStage : int32_t { Idle = 0, Unpacking = 1, Importing = 2, Publishing = 3, Finished = 4 };

// The first free folder of baseName, "baseName-2", "baseName-3", ... inside parent.
QString uniqueOutputPath(const QString &parent, const QString &baseName);

// What one conversion needs: the export as intake found it, the editor and where the project goes.
struct ConversionRequest {
    ExportRecord record;
    QString editorPath;
    QString editorVersion;
    QString outputParent;
    QString baseName;          // the project folder's name; empty: the skeleton's file name without suffix
    bool straightAlpha = false; // let the unpacker turn premultiplied pages into straight alpha
};

// The published project folder, or why there is none.
using ConversionOutcome = Result<QString>;

class ConversionJob : public QObject {
    Q_OBJECT
public:
    explicit ConversionJob(ConversionRequest request, QObject *parent = nullptr);
    ~ConversionJob() override;

    void start();
    // Stops a running conversion: the editor and all it started are ended and the outcome
    // reported as a failure.
    void cancel();

    ConversionStage currentStage() const { return stage; }
    QString workingDirectory() const; // empty before prepare or after publish

signals:
    void finished(kvx::ConversionOutcome outcome);

private:
    Status prepare();
    Status prepareUnpackAtlas();
    bool hasUnpackedImages() const;
    void startUnpack();
    void startImport();
    void onProcessFinished(int exitCode);
    void publish();
    void fail(Failure failure);

    Status checkEditor() const;
    Status readImportScale();
    Status createWorkingFolder();
    void onProcessError(int error);
    void collectOutput();
    QString processOutputTail();
    void stopProcess();

    ConversionRequest request;
    QString skeletonPath;
    QString atlasPath;
    ConversionStage stage = ConversionStage::Idle;
    std::unique_ptr<QTemporaryDir> tempDir;
    TreeProcess *process = nullptr; // each step's editor run, ended with all it started
    QString outputDirectory;
    QString projectPath;
    QString unpackAtlasPath;
    QString scaleText;
    QByteArray outputTail; // the end of what the running step printed, bounded
};

} // namespace kvx
