#include "app/conversioncontroller.h"

#include "app/failuretext.h"
#include "app/readinesspresenter.h"
#include "app/readinesstext.h"
#include "assets/qt/exportreading.h"
#include "common/qt/pathtext.h"
#include "conversion/qt/batchconversion.h"
#include "editor/qt/editorlocator.h"

#include <QFileInfo>

namespace kvx {
namespace {

constexpr qsizetype kSummaryLineLimit = 50;

// At most kSummaryLineLimit lines, then how many more there are.
QString limitedLines(const QStringList &lines)
{
    QStringList shown = lines.mid(0, kSummaryLineLimit);
    if (lines.size() > kSummaryLineLimit)
        shown.append(ConversionController::tr("…另有 %1 项").arg(lines.size() - kSummaryLineLimit));
    return shown.join(QLatin1Char('\n'));
}

QString entryName(const QString &skeletonPath)
{
    return QFileInfo(skeletonPath).fileName();
}

} // namespace

ConversionController::ConversionController(ExportCatalog &catalog, ReadinessPresenter &readiness,
                                           const WindowDialogs &dialogs, QWidget *window)
    : QObject(window), catalog(catalog), readiness(readiness), dialogs(dialogs), window(window)
{
}

ConversionController::~ConversionController()
{
    delete batch.data(); // a running conversion takes its editor and working folder with it
}

QString ConversionController::runningWorkingDirectory() const
{
    return batch ? batch->runningWorkingDirectory() : QString();
}

bool ConversionController::convert(const QString &skeletonPath, bool straightAlpha, const QString &outputParent)
{
    if (batch || skeletonPath.isEmpty())
        return false;
    if ((readiness.editorPath().isEmpty() || readiness.editorVersion().isEmpty()) && !readiness.chooseEditor())
        return false;
    const QString parent =
        outputParent.isEmpty() ? dialogs.chooseOutputFolder(window, QFileInfo(skeletonPath).absolutePath()) : outputParent;
    if (parent.isEmpty())
        return false;
    const ExportRecord &record = catalog.current(skeletonPath);
    if (record.atlas.empty()) {
        dialogs.showMessage(window, QMessageBox::Critical, tr("转换失败"), tr("没有找到配套的 .atlas 文件。"));
        return false;
    }
    mode = Mode::Single;
    skipped.clear();
    folders.clear();
    outputFolder = parent;
    start(readiness.editorPath(), parent, straightAlpha, {BatchItem{record, readiness.editorVersion(), {}, {}}});
    return true;
}

QString ConversionController::shownName(const QString &skeletonPath) const
{
    const QString folder = folders.value(skeletonPath);
    return folder.isEmpty() ? entryName(skeletonPath) : folder + QLatin1Char('/') + entryName(skeletonPath);
}

void ConversionController::convertAll(const QList<ListedExport> &exports, bool straightAlpha)
{
    if (batch)
        return;
    EditorSituation situation = currentEditorSituation();
    if (situation.editorPath.empty()) {
        readiness.chooseEditor(); // stores the choice, which the lookup then finds
        situation = currentEditorSituation();
        if (situation.editorPath.empty())
            return;
    }
    QList<BatchItem> items;
    skipped.clear();
    folders.clear();
    for (const ListedExport &listed : exports)
        folders.insert(listed.path, listed.folder);
    for (const ListedExport &listed : exports) {
        const ReadinessReport report = assessReadiness(catalog.current(listed.path), situation);
        if (report.verdict == ReadinessVerdict::Ready)
            items.append(BatchItem{report.record, QString::fromStdString(report.editorVersion->fullText()), {},
                                   listed.folder});
        else if (report.verdict != ReadinessVerdict::Unknown)
            skipped.append(tr("%1：%2").arg(shownName(listed.path), ReadinessText::of(report)));
    }
    if (items.isEmpty()) {
        dialogs.show(window, WindowMessage{QMessageBox::Warning, tr("全部转换"), tr("没有可以转换的骨骼。"), QString(),
                                           limitedLines(skipped), QString(), {}});
        return;
    }
    outputFolder =
        dialogs.chooseOutputFolder(window, QFileInfo(toQString(items.constFirst().record.skeleton)).absolutePath());
    if (outputFolder.isEmpty())
        return;
    for (BatchItem &item : items)
        item.outputParent = keptPlaceFolder(outputFolder, item.outputParent);
    mode = Mode::All;
    start(toQString(situation.editorPath), outputFolder, straightAlpha, items);
}

void ConversionController::start(const QString &editorPath, const QString &outputParent, bool straightAlpha,
                                 const QList<BatchItem> &items)
{
    batch = new BatchConversion(editorPath, outputParent, straightAlpha, items, this);
    if (mode == Mode::All) {
        connect(batch, &BatchConversion::itemStarted, this, [this](int index, const QString &path) {
            emit progress([index, total = batch->total(), name = shownName(path)] {
                return tr("正在全部转换 %1 / %2：%3").arg(QString::number(index + 1), QString::number(total), name);
            });
            emit batchProgress(index, batch->total());
        });
    }
    connect(batch, &BatchConversion::finished, this, [this](bool stopped) {
        if (mode == Mode::Single)
            finishSingle(stopped);
        else
            finishAll(stopped);
    });
    emit started(mode, items.constFirst().editorVersion);
    batch->start();
}

void ConversionController::stop()
{
    if (batch)
        batch->stop();
}

void ConversionController::finishSingle(bool stopped)
{
    BatchConversion *ended = batch;
    batch = nullptr;
    ended->deleteLater();
    const ConversionOutcome outcome = stopped || ended->outcomes().isEmpty()
        ? ConversionOutcome(failure(FailureKind::Cancelled))
        : ended->outcomes().constFirst().result;
    const bool success = outcome.ok();
    const QString outputDirectory = success ? *outcome : QString();
    const QString error = success ? QString() : FailureText::of(outcome.failure());
    if (success)
        emit this->ended([] { return tr("转换完成"); }, LiveText::fixed(outputDirectory));
    else
        emit this->ended([] { return tr("转换失败"); }, [failure = outcome.failure()] { return FailureText::of(failure); });
    if (success) {
        dialogs.show(window, WindowMessage{QMessageBox::Information, tr("转换完成"),
                                           tr("完整资源已生成：\n%1").arg(outputDirectory), QString(), QString(),
                                           tr("打开输出文件夹"), openFolderAction(outputDirectory)});
    } else {
        dialogs.showMessage(window, QMessageBox::Critical, tr("转换失败"),
                            error.isEmpty() ? tr("转换未完成，Spine Editor 未提供详细原因。") : error);
    }
}

void ConversionController::finishAll(bool stopped)
{
    BatchConversion *ended = batch;
    batch = nullptr;
    ended->deleteLater();

    QStringList succeeded;
    QStringList failed;
    for (const BatchOutcome &outcome : ended->outcomes()) {
        if (outcome.result)
            succeeded.append(tr("%1 → %2").arg(shownName(outcome.skeletonPath), *outcome.result));
        else
            failed.append(tr("%1：%2").arg(shownName(outcome.skeletonPath),
                                          FailureText::of(outcome.result.failure()).trimmed()));
    }
    const qsizetype notStarted = ended->total() - ended->completed();
    emit this->ended([stopped] { return stopped ? tr("全部转换已停止") : tr("全部转换完成"); }, LiveText());

    QString text = tr("成功 %1 个，失败 %2 个").arg(succeeded.size()).arg(failed.size());
    if (stopped)
        text += tr("，已停止（%1 个未转换）").arg(notStarted);
    QStringList sections;
    if (!succeeded.isEmpty())
        sections.append(tr("成功：\n%1").arg(limitedLines(succeeded)));
    if (!failed.isEmpty())
        sections.append(tr("失败：\n%1").arg(limitedLines(failed)));
    if (!skipped.isEmpty())
        sections.append(tr("未就绪，未转换：\n%1").arg(limitedLines(skipped)));
    const bool clean = failed.isEmpty() && !stopped;
    dialogs.show(window, WindowMessage{clean ? QMessageBox::Information : QMessageBox::Warning,
                                       stopped ? tr("全部转换已停止") : tr("全部转换完成"), text, QString(),
                                       sections.join(QStringLiteral("\n\n")), tr("打开输出文件夹"),
                                       openFolderAction(outputFolder)});
}

std::function<void()> ConversionController::openFolderAction(const QString &folder) const
{
    return [this, folder] {
        if (dialogs.openFolder)
            dialogs.openFolder(folder);
    };
}

} // namespace kvx
