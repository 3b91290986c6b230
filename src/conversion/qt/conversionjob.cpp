#include "conversion/qt/conversionjob.h"

#include "assets/atlasreader.h"
#include "assets/spineversion.h"
#include "common/qt/pathtext.h"
#include "conversion/publish.h"
#include "editor/editordiscovery.h"
#include "editor/qt/treeprocess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
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

double pageScale(const AtlasPage &page)
{
    return page.scale.value_or(1.0);
}

// The system's own message for a failure, framed by the caller's Chinese text.
QString systemErrorText(const std::error_code &error)
{
    const QString message = QString::fromLocal8Bit(error.message()).trimmed();
    return message.isEmpty() ? QString::number(error.value()) : message;
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

ConversionJob::ConversionJob(QString editorPath, QString editorVersion, QString skeletonPath, QString atlasPath,
                             QString outputParent, QString baseName, bool removePremultipliedAlpha, QObject *parent)
    : QObject(parent), editorPath(std::move(editorPath)), editorVersion(std::move(editorVersion)),
      skeletonPath(std::move(skeletonPath)), atlasPath(std::move(atlasPath)), outputParent(std::move(outputParent)),
      baseName(std::move(baseName)), removePremultipliedAlpha(removePremultipliedAlpha)
{
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
    emit finished(false, QString(), tr("转换已取消"));
}

QString ConversionJob::workingDirectory() const
{
    return tempDir ? tempDir->path() : QString();
}

void ConversionJob::start()
{
    if (stage != ConversionStage::Idle)
        return; // one job runs one conversion
    QString error;
    if (!prepare(error)) {
        fail(error);
        return;
    }
    startUnpack();
}

bool ConversionJob::prepare(QString &error)
{
    return checkEditor(error) && readImportScale(error) && createWorkingFolder(error) && prepareUnpackAtlas(error);
}

bool ConversionJob::checkEditor(QString &error) const
{
    const std::optional<SpineVersion> version = parseSpineVersion(editorVersion.toStdString());
    if (!version || !isEditorVersionCached(*version)) {
        error = tr("本地未缓存 Spine %1。为避免触发下载，转换已停止。").arg(editorVersion);
        return false;
    }
    if (!entryExists(editorPath)) {
        error = tr("找不到已指定的 Spine Editor。请重新指定程序路径。");
        return false;
    }
    return true;
}

bool ConversionJob::readImportScale(QString &error)
{
    const AtlasReadResult atlas = readAtlasFile(toPath(atlasPath));
    if (!atlas.ok || atlas.pages.empty()) {
        error = tr("Atlas 无法识别，不能确定官方导入比例。");
        return false;
    }
    const double scale = pageScale(atlas.pages.front());
    if (!std::isfinite(scale) || scale <= 0) {
        error = tr("Atlas 中的 scale 无效。");
        return false;
    }
    for (const AtlasPage &page : atlas.pages) {
        const double pageValue = pageScale(page);
        if (!std::isfinite(pageValue) || std::abs(pageValue - scale) > kScaleTolerance) {
            error = tr("Atlas 的纹理页使用了不同 scale，无法生成尺寸一致的工程。");
            return false;
        }
    }
    scaleText = QString::number(scale, 'g', 15);
    return true;
}

bool ConversionJob::createWorkingFolder(QString &error)
{
    if (!QFileInfo::exists(outputParent) && !QDir().mkpath(outputParent)) {
        error = tr("无法创建输出目录。");
        return false;
    }
    outputDirectory = uniqueOutputPath(outputParent, baseName);
    tempDir = std::make_unique<QTemporaryDir>(QDir(outputParent).filePath(QStringLiteral(".kovexa-XXXXXX")));
    if (!tempDir->isValid()) {
        error = tr("无法创建临时转换目录。");
        return false;
    }
    const QDir working(tempDir->path());
    if (!working.mkdir(QStringLiteral("images"))) {
        error = tr("无法准备图片目录。");
        return false;
    }
    projectPath = working.filePath(baseName + QStringLiteral(".spine"));
    unpackAtlasPath = removePremultipliedAlpha ? atlasPath : working.filePath(QStringLiteral("unpack.atlas"));
    return true;
}

void ConversionJob::startUnpack()
{
    stage = ConversionStage::Unpacking;
    process = new TreeProcess(this);
    process->setProcessChannelMode(QProcess::MergedChannels);
    connect(process, &QProcess::readyReadStandardOutput, this, &ConversionJob::collectOutput);
    connect(process, &QProcess::finished, this, [this](int exitCode) { onProcessFinished(exitCode); });
    connect(process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) { onProcessError(error); });
    const QStringList arguments{QStringLiteral("-u"), editorVersion,
                                QStringLiteral("-i"), QFileInfo(atlasPath).absolutePath(),
                                QStringLiteral("-o"), QDir(tempDir->path()).filePath(QStringLiteral("images")),
                                QStringLiteral("-c"), unpackAtlasPath};
    process->startInTree(editorPath, arguments);
}

void ConversionJob::startImport()
{
    stage = ConversionStage::Importing;
    outputTail.clear();
    const QStringList arguments{QStringLiteral("-u"), editorVersion, QStringLiteral("-i"), skeletonPath,
                                QStringLiteral("-s"), scaleText,     QStringLiteral("-o"), projectPath,
                                QStringLiteral("--import")};
    process->startInTree(editorPath, arguments);
}

// Other process errors (a crash, a read error) end in finished, which reports them.
void ConversionJob::onProcessError(int error)
{
    if (error == QProcess::FailedToStart && stage != ConversionStage::Finished)
        fail(tr("无法启动本机 Spine Editor。"));
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
        fail(stage == ConversionStage::Unpacking ? tr("官方图集解包失败：\n%1").arg(tail)
                                                 : tr("Spine 工程导入失败：\n%1").arg(tail));
        return;
    }
    if (stage == ConversionStage::Unpacking) {
        if (!hasUnpackedImages()) {
            fail(tr("官方图集解包未生成任何图片。"));
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
        fail(tr("Spine Editor 未生成有效的 .spine 工程。"));
}

void ConversionJob::publish()
{
    stage = ConversionStage::Publishing;
    std::error_code moveError;
    if (!publishUnderFreeName(moveError)) {
        fail(tr("无法发布转换结果：%1").arg(systemErrorText(moveError)));
        return;
    }
    tempDir->setAutoRemove(false);
    tempDir.reset();
    stage = ConversionStage::Finished;
    emit finished(true, outputDirectory, QString());
}

// The chosen name may have been taken since prepare chose it: the work is then published under
// the next free name rather than thrown away.
bool ConversionJob::publishUnderFreeName(std::error_code &error)
{
    const Result<std::filesystem::path> published =
        kvx::publishUnderFreeName(toPath(tempDir->path()), toPath(outputParent), toPath(baseName));
    if (!published) {
        error = published.failure().systemError;
        return false;
    }
    outputDirectory = toQString(*published);
    return true;
}

void ConversionJob::fail(const QString &message)
{
    if (stage == ConversionStage::Finished)
        return;
    stage = ConversionStage::Finished;
    if (process)
        process->endTree();
    emit finished(false, QString(), message);
}

} // namespace kvx
