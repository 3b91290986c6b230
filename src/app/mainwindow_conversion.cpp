// The window side of one-click conversion: start a job, show it running, report its outcome.

#include "app/mainwindow.h"

#include "assets/companionfiles.h"
#include "conversion/conversionjob.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>

namespace kvx {

void MainWindow::convertCurrent()
{
    // One conversion at a time: the button stays disabled while a job runs, this guards the rest.
    if (conversionJob || batchConversion)
        return;
    if ((editorPath.isEmpty() || editorVersion.isEmpty()) && !chooseSpineEditor())
        return;
    const QString skeletonPath = resourceCombo->currentData(Qt::UserRole).toString();
    if (skeletonPath.isEmpty())
        return;
    const QString outputParent = dialogs.chooseOutputFolder(this, QFileInfo(skeletonPath).absolutePath());
    if (outputParent.isEmpty())
        return;
    const QString atlasPath = findCompanionAtlas(skeletonPath);
    if (atlasPath.isEmpty()) {
        dialogs.showMessage(this, QMessageBox::Critical, tr("转换失败"), tr("没有找到配套的 .atlas 文件。"));
        return;
    }
    conversionJob = new ConversionJob(editorPath, editorVersion, skeletonPath, atlasPath, outputParent,
                                      QFileInfo(skeletonPath).completeBaseName(),
                                      straightAlphaCheckBox->isChecked(), this);
    connect(conversionJob, &ConversionJob::finished, this, &MainWindow::conversionFinished);
    setConverting();
    conversionJob->start();
}

void MainWindow::setConverting()
{
    primaryButton->setEnabled(false);
    primaryButton->setText(tr("正在转换…"));
    setBadge(tr("正在使用 Spine %1 转换").arg(editorVersion), QStringLiteral("#72a7ff"));
}

void MainWindow::conversionFinished(bool success, QString outputDirectory, QString error)
{
    // The job that reported is the one to delete, whatever conversionJob holds by now.
    auto *job = qobject_cast<ConversionJob *>(sender());
    if (!job)
        job = conversionJob;
    if (job)
        job->deleteLater();
    if (job == conversionJob)
        conversionJob = nullptr;

    primaryButton->setEnabled(true);
    primaryButton->setText(tr("一键转换为 .spine"));
    statusLabel->setText(success ? tr("转换完成") : tr("转换失败"));
    statusLabel->setToolTip(success ? outputDirectory : error);
    updateReadiness();

    if (success) {
        dialogs.showMessage(this, QMessageBox::Information, tr("转换完成"),
                            tr("完整资源已生成：\n%1").arg(outputDirectory));
    } else {
        dialogs.showMessage(this, QMessageBox::Critical, tr("转换失败"),
                            error.isEmpty() ? tr("转换未完成，Spine Editor 未提供详细原因。") : error);
    }
}

} // namespace kvx
