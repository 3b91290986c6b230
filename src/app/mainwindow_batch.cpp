// "全部转换": every listed skeleton that is ready, converted one after another into one folder.

#include "app/mainwindow.h"

#include "conversion/qt/batchconversion.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>

namespace kvx {

namespace {

constexpr qsizetype kSummaryLineLimit = 50;

// At most kSummaryLineLimit lines, then how many more there are.
QString limitedLines(const QStringList &lines)
{
    QStringList shown = lines.mid(0, kSummaryLineLimit);
    if (lines.size() > kSummaryLineLimit)
        shown.append(QObject::tr("…另有 %1 项").arg(lines.size() - kSummaryLineLimit));
    return shown.join(QLatin1Char('\n'));
}

QString entryName(const QString &skeletonPath)
{
    return QFileInfo(skeletonPath).fileName();
}

} // namespace

QString MainWindow::notReadyText(const ReadinessReport &report) const
{
    switch (report.verdict) {
    case ReadinessVerdict::MissingAtlas:
        return tr("缺少配套 Atlas");
    case ReadinessVerdict::UnreadableAtlas:
        return tr("Atlas 无法识别");
    case ReadinessVerdict::MissingPage:
        return tr("缺少纹理页 %1").arg(report.exportCheck.missingPages.join(QStringLiteral("、")));
    case ReadinessVerdict::NeedsProbe:
        return tr("本机未缓存 Spine %1.x").arg(report.line);
    default:
        return tr("资源不完整");
    }
}

void MainWindow::convertAll()
{
    if (batchConversion) {
        batchConversion->stop();
        return;
    }
    if (conversionJob)
        return;
    EditorSituation situation = currentEditorSituation();
    if (situation.editorPath.isEmpty()) {
        chooseSpineEditor(); // stores the choice, which the lookup then finds
        situation = currentEditorSituation();
        if (situation.editorPath.isEmpty())
            return;
    }
    QList<BatchItem> items;
    batchSkipped.clear();
    for (const QString &path : std::as_const(skeletonPaths)) {
        const ReadinessReport report = evaluateReadiness(path, situation, &detectionCache);
        if (report.verdict == ReadinessVerdict::Ready)
            items.append(BatchItem{path, report.exportCheck.atlasPath, report.editorVersion, QString()});
        else if (report.verdict != ReadinessVerdict::Unknown)
            batchSkipped.append(tr("%1：%2").arg(entryName(path), notReadyText(report)));
    }
    if (items.isEmpty()) {
        dialogs.showMessage(this, QMessageBox::Warning, tr("全部转换"),
                            tr("没有可以转换的骨骼。\n\n%1").arg(limitedLines(batchSkipped)));
        return;
    }
    const QString outputParent = dialogs.chooseOutputFolder(this, QFileInfo(items.constFirst().skeletonPath).absolutePath());
    if (outputParent.isEmpty())
        return;
    startBatch(situation.editorPath, outputParent, items);
}

void MainWindow::startBatch(const QString &editor, const QString &outputParent, const QList<BatchItem> &items)
{
    batchConversion = new BatchConversion(editor, outputParent, straightAlphaCheckBox->isChecked(), items, this);
    connect(batchConversion, &BatchConversion::itemStarted, this, [this](int index, const QString &path) {
        statusLabel->setText(tr("正在全部转换 %1 / %2：%3")
                                 .arg(QString::number(index + 1), QString::number(batchConversion->total()),
                                      entryName(path)));
    });
    connect(batchConversion, &BatchConversion::finished, this, &MainWindow::batchFinished);
    convertAllButton->setText(tr("停止全部转换"));
    setPrimaryButton(primaryButton->text(), false);
    batchConversion->start();
}

void MainWindow::batchFinished(bool stopped)
{
    BatchConversion *batch = batchConversion;
    batchConversion = nullptr;
    batch->deleteLater();
    convertAllButton->setText(tr("全部转换"));

    QStringList succeeded;
    QStringList failed;
    for (const BatchOutcome &outcome : batch->outcomes()) {
        if (outcome.success)
            succeeded.append(tr("%1 → %2").arg(entryName(outcome.skeletonPath), outcome.outputDirectory));
        else
            failed.append(tr("%1：%2").arg(entryName(outcome.skeletonPath), outcome.error.trimmed()));
    }
    const qsizetype notStarted = batch->total() - batch->completed();
    statusLabel->setText(stopped ? tr("全部转换已停止") : tr("全部转换完成"));
    updateReadiness();

    QString text = tr("成功 %1 个，失败 %2 个").arg(succeeded.size()).arg(failed.size());
    if (stopped)
        text += tr("，已停止（%1 个未转换）").arg(notStarted);
    if (!succeeded.isEmpty())
        text += tr("\n\n成功：\n%1").arg(limitedLines(succeeded));
    if (!failed.isEmpty())
        text += tr("\n\n失败：\n%1").arg(limitedLines(failed));
    if (!batchSkipped.isEmpty())
        text += tr("\n\n未就绪，未转换：\n%1").arg(limitedLines(batchSkipped));
    const bool clean = failed.isEmpty() && !stopped;
    dialogs.showMessage(this, clean ? QMessageBox::Information : QMessageBox::Warning,
                        stopped ? tr("全部转换已停止") : tr("全部转换完成"), text);
}

} // namespace kvx
