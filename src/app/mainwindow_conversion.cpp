// The window side of one-click conversion: start a job, show it running, report its outcome.

#include "app/mainwindow.h"

#include "assets/qt/companionfiles.h"
#include "conversion/qt/conversionjob.h"

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

bool MainWindow::convertInto(const QString &outputParent)
{
    if (conversionJob || editorVersion.isEmpty() || !primaryButton->isEnabled())
        return false;
    const auto chooser = dialogs.chooseOutputFolder;
    dialogs.chooseOutputFolder = [outputParent](QWidget *, const QString &) { return outputParent; };
    convertCurrent();
    dialogs.chooseOutputFolder = chooser;
    return conversionJob != nullptr;
}

QPushButton *MainWindow::createStopButton()
{
    stopButton = new QPushButton(tr("停止转换"));
    stopButton->setObjectName(QStringLiteral("quietButton"));
    stopButton->hide();
    connect(stopButton, &QPushButton::clicked, this, &MainWindow::stopConversion);
    return stopButton;
}

void MainWindow::setConverting()
{
    primaryButton->setEnabled(false);
    primaryButton->setText(tr("正在转换…"));
    setBadge(tr("正在使用 Spine %1 转换").arg(editorVersion), QStringLiteral("#72a7ff"));
    stopButton->show();
}

// The job reports the cancellation like any failure, through conversionFinished.
void MainWindow::stopConversion()
{
    if (conversionJob)
        conversionJob->cancel();
}

// Readiness decides the badge after a conversion, but it leaves the badge alone when it cannot
// judge the resource (the export was deleted meanwhile); the converting state must not stay then.
void MainWindow::showConversionEnded()
{
    stopButton->hide();
    setBadge(tr("当前资源不可用"), QStringLiteral("#ef6b73"));
    setPrimaryButton(tr("资源不完整"), false);
    updateReadiness();
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
    showConversionEnded();

    if (success) {
        dialogs.showMessage(this, QMessageBox::Information, tr("转换完成"),
                            tr("完整资源已生成：\n%1").arg(outputDirectory));
    } else {
        dialogs.showMessage(this, QMessageBox::Critical, tr("转换失败"),
                            error.isEmpty() ? tr("转换未完成，Spine Editor 未提供详细原因。") : error);
    }
}

} // namespace kvx
