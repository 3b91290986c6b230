#include "conversion/qt/conversionjob.h"

#include "assets/spineversion.h"
#include "common/qt/pathtext.h"
#include "conversion/publish.h"
#include "editor/editordiscovery.h"
#include "editor/qt/treeprocess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cerrno>
#include <cmath>

namespace kvx {

namespace {

constexpr qsizetype kOutputTailLength = 1600;
// The bytes kept of an editor's output: the 1600 characters shown take at most three bytes each
// (a character outside the first plane is two of them in four bytes), so this always covers them
// while memory stays flat whatever the editor prints.
constexpr qsizetype kOutputTailBytes = 3 * kOutputTailLength + 64;
constexpr double kScaleTolerance = 1e-6;

// A dangling symbolic link is an entry too: a rename onto it would fail later.
bool entryExists(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// The system's reason for the last failed call, kept with the failure.
std::error_code lastSystemError()
{
    return std::error_code(errno, std::generic_category());
}

} // namespace

QString uniqueOutputPath(const QString &parent, const QString &baseName)
{
    const QDir folder(parent);
    QString candidate = folder.filePath(baseName);
    // One arg call for both: a "%2" inside the base name must stay as it is.
    for (qint64 n = 2; entryExists(candidate); ++n)
        candidate = folder.filePath(QStringLiteral("%1-%2").arg(baseName, QString::number(n)));
    return candidate;
}

ConversionJob::ConversionJob(ConversionRequest conversion, QObject *parent)
    : QObject(parent), request(std::move(conversion)), skeletonPath(toQString(request.record.skeleton)),
      atlasPath(toQString(request.record.atlas))
{
    if (request.baseName.isEmpty())
        request.baseName = QFileInfo(skeletonPath).completeBaseName();
}

// Deleted mid-run (the window closing): the editor is stopped before its working folder goes, and
// nothing is reported to an owner that may be half destroyed.
ConversionJob::~ConversionJob()
{
    stage = ConversionStage::Finished;
    stopProcess();
    tempDir.reset();
}

void ConversionJob::stopProcess()
{
    if (!process)
        return;
    process->disconnect(this);
    process->endTree();
    delete process;
    process = nullptr;
}

void ConversionJob::cancel()
{
    if (stage == ConversionStage::Idle || stage == ConversionStage::Finished)
        return;
    // Ended here and now, not when the job is deleted: nothing of the run outlives the report.
    stage = ConversionStage::Finished;
    stopProcess();
    tempDir.reset();
    emit finished(failure(FailureKind::Cancelled));
}

QString ConversionJob::workingDirectory() const
{
    return tempDir ? tempDir->path() : QString();
}

void ConversionJob::start()
{
    if (stage != ConversionStage::Idle)
        return; // one job runs one conversion
    if (const Status prepared = prepare(); !prepared) {
        fail(prepared.failure());
        return;
    }
    startUnpack();
}

Status ConversionJob::prepare()
{
    if (Status checked = checkEditor(); !checked)
        return checked;
    if (Status scale = readImportScale(); !scale)
        return scale;
    if (Status folder = createWorkingFolder(); !folder)
        return folder;
    return prepareUnpackAtlas();
}

Status ConversionJob::checkEditor() const
{
    const std::optional<SpineVersion> version = parseSpineVersion(request.editorVersion.toStdString());
    if (!version || !isEditorVersionCached(*version))
        return failure(FailureKind::EditorVersionNotCached, request.editorVersion.toStdString());
    if (!entryExists(request.editorPath))
        return failure(FailureKind::EditorMissing);
    return Done{};
}

// The import scale is the pages' one scale, as intake read them from the atlas.
Status ConversionJob::readImportScale()
{
    const ExportRecord &record = request.record;
    if (record.atlasState != AtlasState::Read || record.pages.empty())
        return failure(FailureKind::ImportScaleUnknown);
    const double scale = record.pages.front().scale;
    if (!std::isfinite(scale) || scale <= 0)
        return failure(FailureKind::AtlasScaleInvalid);
    for (const PageRecord &page : record.pages) {
        if (!std::isfinite(page.scale) || std::abs(page.scale - scale) > kScaleTolerance)
            return failure(FailureKind::AtlasScalesDiffer);
    }
    scaleText = QString::number(scale, 'g', 15);
    return Done{};
}

Status ConversionJob::createWorkingFolder()
{
    const QString &outputParent = request.outputParent;
    if (!QFileInfo::exists(outputParent) && !QDir().mkpath(outputParent))
        return failure(FailureKind::OutputFolderNotCreated, outputParent.toStdString(), lastSystemError());
    outputDirectory = uniqueOutputPath(outputParent, request.baseName);
    tempDir = std::make_unique<QTemporaryDir>(QDir(outputParent).filePath(QStringLiteral(".kovexa-XXXXXX")));
    if (!tempDir->isValid())
        return failure(FailureKind::WorkingFolderNotCreated, outputParent.toStdString(), lastSystemError());
    const QDir working(tempDir->path());
    if (!working.mkdir(QStringLiteral("images")))
        return failure(FailureKind::ImagesFolderNotPrepared, {}, lastSystemError());
    projectPath = working.filePath(request.baseName + QStringLiteral(".spine"));
    unpackAtlasPath = request.straightAlpha ? atlasPath : working.filePath(QStringLiteral("unpack.atlas"));
    return Done{};
}

void ConversionJob::startUnpack()
{
    stage = ConversionStage::Unpacking;
    process = new TreeProcess(this);
    process->setProcessChannelMode(QProcess::MergedChannels);
    connect(process, &QProcess::readyReadStandardOutput, this, &ConversionJob::collectOutput);
    connect(process, &QProcess::finished, this, [this](int exitCode) { onProcessFinished(exitCode); });
    connect(process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) { onProcessError(error); });
    const QStringList arguments{QStringLiteral("-u"), request.editorVersion,
                                QStringLiteral("-i"), QFileInfo(atlasPath).absolutePath(),
                                QStringLiteral("-o"), QDir(tempDir->path()).filePath(QStringLiteral("images")),
                                QStringLiteral("-c"), unpackAtlasPath};
    process->startInTree(request.editorPath, arguments);
}

void ConversionJob::startImport()
{
    stage = ConversionStage::Importing;
    outputTail.clear();
    const QStringList arguments{QStringLiteral("-u"), request.editorVersion, QStringLiteral("-i"), skeletonPath,
                                QStringLiteral("-s"), scaleText,     QStringLiteral("-o"), projectPath,
                                QStringLiteral("--import")};
    process->startInTree(request.editorPath, arguments);
}

// Other process errors (a crash, a read error) end in finished, which reports them.
void ConversionJob::onProcessError(int error)
{
    if (error == QProcess::FailedToStart && stage != ConversionStage::Finished)
        fail(failure(FailureKind::EditorNotStarted, process->errorString().toStdString()));
}

// Read as it comes, so that the process never buffers more than one read of it.
void ConversionJob::collectOutput()
{
    outputTail += process->readAll();
    if (outputTail.size() > 2 * kOutputTailBytes)
        outputTail.remove(0, outputTail.size() - kOutputTailBytes);
}

QString ConversionJob::processOutputTail()
{
    collectOutput();
    // A cut through a character only spoils the front, which lies before the characters shown.
    const QString output = QString::fromUtf8(outputTail.right(kOutputTailBytes));
    QString tail = output.right(kOutputTailLength);
    if (!tail.isEmpty() && tail.front().isLowSurrogate())
        tail.remove(0, 1); // never start on the second half of a character
    return tail;
}

void ConversionJob::onProcessFinished(int exitCode)
{
    if (stage == ConversionStage::Finished)
        return;
    // What the step's program left running (a launcher's editor, say) ends with the step.
    process->endTree();
    const QString tail = processOutputTail();
    if (exitCode != 0) {
        fail(failure(stage == ConversionStage::Unpacking ? FailureKind::UnpackFailed : FailureKind::ImportFailed,
                     tail.toStdString()));
        return;
    }
    if (stage == ConversionStage::Unpacking) {
        if (!hasUnpackedImages()) {
            fail(failure(FailureKind::NothingUnpacked));
            return;
        }
        if (unpackAtlasPath != atlasPath)
            QFile::remove(unpackAtlasPath);
        startImport();
        return;
    }
    // A folder at the project's name is no project, whatever size it reports.
    const QFileInfo project(projectPath);
    if (project.isFile() && project.size() > 0)
        publish();
    else
        fail(failure(FailureKind::NoProjectWritten));
}

void ConversionJob::publish()
{
    stage = ConversionStage::Publishing;
    // The chosen name may have been taken since prepare chose it: the work is then published under
    // the next free name rather than thrown away.
    const Result<std::filesystem::path> published = publishUnderFreeName(
        toPath(tempDir->path()), toPath(request.outputParent), toPath(request.baseName));
    if (!published) {
        fail(failure(FailureKind::PublishFailed, published.failure().detail, published.failure().systemError));
        return;
    }
    outputDirectory = toQString(*published);
    tempDir->setAutoRemove(false);
    tempDir.reset();
    stage = ConversionStage::Finished;
    emit finished(outputDirectory);
}

void ConversionJob::fail(Failure failure)
{
    if (stage == ConversionStage::Finished)
        return;
    stage = ConversionStage::Finished;
    if (process)
        process->endTree();
    emit finished(std::move(failure));
}

} // namespace kvx
