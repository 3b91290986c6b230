// Readiness: whether the current resource can be converted, shown through the badge and the button.

#include "app/mainwindow.h"

#include "assets/atlasreader.h"
#include "assets/companionfiles.h"
#include "assets/versiondetection.h"
#include "common/pathtext.h"
#include "editor/editordiscovery.h"
#include "editor/editorlocator.h"

#include <QFileInfo>
#include <QPushButton>
#include <QTimer>

namespace kvx {

namespace {

const QString red = QStringLiteral("#ef6b73");
const QString amber = QStringLiteral("#f2b84b");
const QString green = QStringLiteral("#55d68b");

std::optional<SpineVersion> detectedVersion(const QString &path)
{
    if (path.isEmpty())
        return std::nullopt;
    return detectSpineVersion(toPath(path)).version;
}

// The first page whose image is not on disk, as its name's last component; empty when all are there.
QString firstMissingPage(const QString &atlasPath, const AtlasReadResult &atlas)
{
    for (const AtlasPage &page : atlas.pages) {
        const QString name = pageNameText(page);
        if (!QFileInfo::exists(pageImagePath(atlasPath, name)))
            return QFileInfo(name).fileName();
    }
    return QString();
}

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

void MainWindow::collectCachedEditorVersions()
{
    for (const QString &path : std::as_const(skeletonPaths)) {
        const std::optional<SpineVersion> version = detectedVersion(path);
        if (!version)
            continue;
        const std::string line = version->majorMinorText();
        if (const std::optional<SpineVersion> cached = findCachedEditorVersion(line))
            editorVersionsByDataVersion.insert(QString::fromStdString(line), QString::fromStdString(cached->fullText()));
    }
}

bool MainWindow::checkExportComplete(const QString &skeletonPath)
{
    const QString atlasPath = findCompanionAtlas(skeletonPath);
    if (atlasPath.isEmpty()) {
        showIncomplete(tr("缺少配套 Atlas"));
        return false;
    }
    const AtlasReadResult atlas = readAtlasFile(toPath(atlasPath));
    if (!atlas.ok) {
        showIncomplete(tr("Atlas 无法识别"));
        return false;
    }
    const QString missingPage = firstMissingPage(atlasPath, atlas);
    if (!missingPage.isEmpty()) {
        showIncomplete(tr("缺少纹理页 %1").arg(missingPage));
        return false;
    }
    return true;
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
    editorVersionsByDataVersion.clear();
    editorVersion.clear();
    editorPath = locateSpineEditor();
    collectCachedEditorVersions();

    const QString currentPath = currentResourcePath();
    const std::optional<SpineVersion> version = detectedVersion(currentPath);
    if (!version || !checkExportComplete(currentPath))
        return;

    const QString line = QString::fromStdString(version->majorMinorText());
    if (editorPath.isEmpty()) {
        setBadge(tr("未找到 Spine Editor"), amber);
        setPrimaryButton(tr("指定 Spine 路径"), true);
        return;
    }
    editorVersion = editorVersionsByDataVersion.value(line);
    if (editorVersion.isEmpty()) {
        setBadge(tr("正在检查 Editor ..."), amber);
        setPrimaryButton(tr("检查中..."), false);
        startEditorProbe(line);
        return;
    }
    setBadge(tr("可转换 · Spine %1").arg(editorVersion), green);
    setPrimaryButton(tr("一键转换为 .spine"), true);
}

} // namespace kvx
