// Readiness: whether the current resource can be converted, shown through the badge and the button.
// The decision is evaluateReadiness's; this file only shows it.

#include "app/mainwindow.h"

#include "readiness/qt/readiness.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace kvx {

namespace {

const QString red = QStringLiteral("#ef6b73");
const QString amber = QStringLiteral("#f2b84b");
const QString green = QStringLiteral("#55d68b");

} // namespace

void MainWindow::resourceChanged(int index)
{
    if (index < 0)
        return;
    if (intakeBatchOpen) {
        // The batch loads the entry current at its end; until then nothing may act on the old one.
        previewDeferred = true;
        primaryButton->setEnabled(false);
        probeAnswerWanted = false;
        return;
    }
    loadPreview();
    scheduleReadinessCheck();
}

void MainWindow::scheduleReadinessCheck()
{
    if (readinessScheduled)
        return;
    readinessScheduled = true;
    QTimer::singleShot(0, this, [this] {
        readinessScheduled = false;
        updateReadiness();
    });
}

void MainWindow::showIncomplete(const QString &badgeText)
{
    setBadge(badgeText, red);
    setPrimaryButton(tr("资源不完整"), false);
}

void MainWindow::updateReadiness()
{
    ++readinessRuns;
    probeAnswerWanted = false; // an answer to an earlier run's probe no longer speaks for this one
    editorVersion.clear();
    editorSituation = currentEditorSituation();
    editorPath = editorSituation.editorPath;
    editorVersionsByDataVersion = cachedVersionsByLine(skeletonPaths, editorSituation, detectionCache);
    if (!batchConversion)
        convertAllButton->setEnabled(!skeletonPaths.isEmpty());

    // The current skeleton is detected afresh: whatever happened to it since it was listed counts.
    const ReadinessReport report = evaluateReadiness(currentResourcePath(), editorSituation);
    if (report.verdict == ReadinessVerdict::Unknown)
        return; // nothing to say about it: the badge keeps what it showed
    currentDataVersion = report.detection.version ? QString::fromStdString(report.detection.version->fullText())
                                                  : QString();
    currentLine = report.line;
    showReadiness(report);
    updateBadgeToolTip();
}

void MainWindow::showReadiness(const ReadinessReport &report)
{
    switch (report.verdict) {
    case ReadinessVerdict::MissingAtlas:
        showIncomplete(tr("缺少配套 Atlas"));
        return;
    case ReadinessVerdict::UnreadableAtlas:
        showIncomplete(tr("Atlas 无法识别"));
        return;
    case ReadinessVerdict::MissingPage:
        showIncomplete(tr("缺少纹理页 %1").arg(report.exportCheck.missingPages.constFirst()));
        return;
    case ReadinessVerdict::NoEditor:
        setBadge(tr("未找到 Spine Editor"), amber);
        setPrimaryButton(tr("指定 Spine 路径"), true);
        return;
    case ReadinessVerdict::NeedsProbe:
        setBadge(tr("正在检查 Editor ..."), amber);
        setPrimaryButton(tr("检查中..."), false);
        startEditorProbe(report.line);
        return;
    case ReadinessVerdict::Ready:
        editorVersion = report.editorVersion;
        setBadge(tr("可转换 · Spine %1").arg(editorVersion), green);
        setPrimaryButton(tr("一键转换为 .spine"), true);
        return;
    case ReadinessVerdict::Unknown:
    case ReadinessVerdict::NoSuitableVersion:
    case ReadinessVerdict::NotCached:
        return; // only a probe's answer ends in these (mainwindow_editor.cpp)
    }
}

QString MainWindow::cachedVersionsText() const
{
    const std::string text = versionListText(editorSituation.cachedVersions, "、");
    return text.empty() ? tr("无") : QString::fromStdString(text);
}

void MainWindow::updateBadgeToolTip()
{
    const QString editorText = editorPath.isEmpty()
        ? tr("未找到")
        : tr("%1（版本 %2）").arg(QDir::toNativeSeparators(editorPath),
                                  editorVersion.isEmpty() ? tr("未确定") : editorVersion);
    badgeLabel->setToolTip(tr("数据版本：%1\nSpine 分支：%2.x\nSpine Editor：%3\n本机已缓存的 Editor 版本：%4")
                               .arg(currentDataVersion, currentLine, editorText, cachedVersionsText()));
}

QString MainWindow::noSuitableVersionText() const
{
    return tr("数据版本 %1，需要 Spine %2.x；本机已缓存：%3").arg(currentDataVersion, currentLine, cachedVersionsText());
}

} // namespace kvx
