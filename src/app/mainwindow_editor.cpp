// The window side of editor discovery and of the background version probe.

#include "app/mainwindow.h"

#include "app/probeanswer.h"
#include "common/qt/pathtext.h"
#include "editor/editordiscovery.h"
#include "editor/qt/editorlocator.h"
#include "editor/qt/probejob.h"
#include "readiness/readinessverdict.h"

#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QThreadPool>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

namespace kvx {

namespace {

constexpr int kNoVersionWarningDelayMilliseconds = 1000;

} // namespace

bool MainWindow::chooseSpineEditor()
{
    const QString chosen = dialogs.chooseEditorFile(this);
    if (chosen.isEmpty())
        return false;
    const std::optional<std::filesystem::path> executable = normalizeSpineExecutable(toPath(chosen));
    if (!executable) {
        setBadge(tr("选择的路径不是 Spine Editor"), QStringLiteral("#ef6b73"));
        return false;
    }
    {
        QSettings settings; // closed, and so written, at the end of this scope
        settings.setValue(QLatin1String(kSpineEditorPathKey), chosen);
    }
    editorPath = toQString(*executable);
    updateReadiness();
    return !editorVersion.isEmpty();
}

void MainWindow::startEditorProbe(const QString &line)
{
    const std::string lineBytes = line.toStdString();
    const std::filesystem::path executable = toPath(editorPath);
    const int generation = ++probeGeneration;
    probeAnswerWanted = true;
    probeWatcher->setFuture(
        QtConcurrent::run(QThreadPool::globalInstance(), resolveEditorVersion, lineBytes, executable, generation));
}

bool MainWindow::probeAnswerApplies(int generation) const
{
    return generation == probeGeneration && probeAnswerWanted;
}

void MainWindow::onEditorProbeFinished()
{
    if (!probeWatcher || !probeWatcher->isFinished())
        return;
    const auto [generation, version] = probeAnswer(probeWatcher->future(), probeGeneration);
    if (!probeAnswerApplies(generation))
        return;
    // Listed again: the cache may have changed while the editor answered.
    editorSituation.cachedVersions = listCachedEditorVersions();
    const ReadinessVerdict verdict =
        decideProbeAnswer(parseSpineVersion(version.toStdString()), editorSituation.cachedVersions);
    if (verdict == ReadinessVerdict::Ready) {
        editorVersion = version;
        setBadge(tr("可转换 · Spine %1").arg(version), QStringLiteral("#55d68b"));
        setPrimaryButton(tr("一键转换为 .spine"), true);
        updateBadgeToolTip();
        return;
    }
    setBadge(tr("未找到对应版本"), QStringLiteral("#ef6b73"));
    setPrimaryButton(tr("指定 Spine 路径"), true);
    // Converting with a version the update cache lacks would make the editor download it.
    const QString explanation = verdict == ReadinessVerdict::NotCached
        ? tr("已找到 Spine %1，但本机未缓存该版本，转换会触发下载。%2").arg(version, noSuitableVersionText())
        : noSuitableVersionText();
    statusLabel->setText(explanation);
    statusLabel->setToolTip(explanation); // the label may be too narrow for all of it
    updateBadgeToolTip();
    // Dropped with the window, and when a later evaluation has replaced this answer meanwhile.
    QTimer::singleShot(kNoVersionWarningDelayMilliseconds, this, [this, generation = generation] {
        if (probeAnswerApplies(generation))
            dialogs.showMessage(this, QMessageBox::Warning, tr("未找到对应版本"), tr("未找到对应版本"));
    });
}

} // namespace kvx
