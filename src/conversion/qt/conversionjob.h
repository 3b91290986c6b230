#pragma once
// One conversion: unpack the atlas pages, import the skeleton, publish the project folder.

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

class ConversionJob : public QObject {
    Q_OBJECT
public:
    ConversionJob(QString editorPath, QString editorVersion, QString skeletonPath, QString atlasPath,
                  QString outputParent, QString baseName, bool removePremultipliedAlpha,
                  QObject *parent = nullptr);
    ~ConversionJob() override;

    void start();
    // Stops a running conversion: the editor and all it started are ended and the outcome
    // reported as a failure.
    void cancel();

    ConversionStage currentStage() const { return stage; }
    QString workingDirectory() const; // empty before prepare or after publish

signals:
    void finished(bool success, QString outputDirectory, QString error);

private:
    bool prepare(QString &error);
    bool prepareUnpackAtlas(QString &error);
    bool hasUnpackedImages() const;
    void startUnpack();
    void startImport();
    void onProcessFinished(int exitCode);
    void publish();
    void fail(const QString &message);

    bool checkEditor(QString &error) const;
    bool readImportScale(QString &error);
    bool createWorkingFolder(QString &error);
    void onProcessError(int error);
    void collectOutput();
    QString processOutputTail();
    void stopProcess();
    bool publishUnderFreeName(std::error_code &error);

    QString editorPath;
    QString editorVersion;
    QString skeletonPath;
    QString atlasPath;
    QString outputParent;
    QString baseName;
    bool removePremultipliedAlpha = false;
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
