// The window's preview logic: load the selected skeleton into the runtime plugin of its line,
// list its animations and play the chosen one, one sampled frame per playback tick.

#include "app/mainwindow.h"

#include "assets/atlasreader.h"
#include "assets/companionfiles.h"
#include "assets/versiondetection.h"
#include "common/pathtext.h"
#include "preview/spinepreviewwidget.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVariant>

namespace kvx {
namespace {

QString runtimePluginPath(const std::string &line)
{
    return QDir(QCoreApplication::applicationDirPath())
        .filePath("runtimes/" + QString::fromStdString(runtimePluginFileName(line)));
}

// The page images the atlas declares premultiplied, named as the plugins name them.
QStringList premultipliedPageImages(const QString &atlasPath)
{
    QStringList paths;
    for (const AtlasPage &page : readAtlasFile(toPath(atlasPath)).pages) {
        if (page.pma.value_or(false))
            paths.append(pageImagePath(atlasPath, pageNameText(page)));
    }
    return paths;
}

} // namespace

void MainWindow::loadPreview()
{
    playbackTimer->stop();
    previewWidget->resetView();
    animationCombo->clear();
    animationCombo->setEnabled(false);
    primaryButton->setEnabled(false); // the readiness check enables it again when it may

    const QString skeletonPath = resourceCombo->currentData(Qt::UserRole).toString();
    const QString atlasPath = findCompanionAtlas(skeletonPath);
    const VersionDetection detection = detectSpineVersion(toPath(skeletonPath));
    // The plugin opens the atlas itself: a FIFO or device named like one would block the window.
    if (!detection.version || atlasPath.isEmpty() || !QFileInfo(atlasPath).isFile()) {
        previewWidget->setMessage(tr("没有找到与骨骼数据配套的 .atlas 文件"));
        statusLabel->setText(tr("请把完整导出资源一起拖入"));
        return;
    }
    previewWidget->setPremultipliedPages(premultipliedPageImages(atlasPath));

    std::string error;
    if (!runtimePlugin.open(toPath(runtimePluginPath(detection.version->majorMinorText())), error)) {
        previewWidget->setMessage(tr("暂时无法加载这套资源"));
        statusLabel->setText(QString::fromStdString(error));
        return;
    }
    const SkeletonMetadata metadata = runtimePlugin.loadSkeleton(toPath(skeletonPath), toPath(atlasPath), 1.0f, error);
    if (!metadata.ok) {
        previewWidget->setMessage(tr("此版本的预览模块仍在接入中"));
        statusLabel->setText(tr("资源已识别，可以稍后转换"));
        return;
    }

    // Adding the first item makes it current, which already selects it through animationChanged.
    for (const AnimationInfo &animation : metadata.animations)
        animationCombo->insertItem(animationCombo->count(), QIcon(), QString::fromStdString(animation.name),
                                   QVariant(animation.duration));
    animationCombo->setEnabled(animationCombo->count() > 0);
    statusLabel->setText(tr("已识别 %1 个动画").arg(metadata.animations.size()));
    if (animationCombo->count() > 0) {
        animationChanged(animationCombo->itemText(0)); // selects the first again, from its start
        return;
    }
    showSetupPose();
}

// A skeleton without animations still shows its setup pose, once, without playback.
void MainWindow::showSetupPose()
{
    std::string error;
    PreviewFrame frame = runtimePlugin.sampleFrame(0.0f, error);
    if (frame.ok)
        previewWidget->setFrame(std::move(frame.items));
    else
        previewWidget->setMessage(tr("没有可播放的动画"));
}

void MainWindow::animationChanged(QString name)
{
    if (name.isEmpty())
        return; // clearing the list reports an empty text
    std::string error;
    if (!runtimePlugin.setAnimation(name.toStdString(), true, error)) {
        statusLabel->setText(QString::fromStdString(error));
        return;
    }
    playbackClock.restart();
    advancePreview();
    playbackTimer->start(); // also after a failed first sample: the next tick tries once more
}

void MainWindow::advancePreview()
{
    // Whole milliseconds of real time, unclamped, so late ticks keep the animation's speed.
    const float deltaSeconds =
        playbackClock.isValid() ? static_cast<float>(playbackClock.restart()) / 1000.0f : 0.016f;
    std::string error;
    PreviewFrame frame = runtimePlugin.sampleFrame(deltaSeconds, error);
    if (frame.ok) {
        previewWidget->setFrame(std::move(frame.items));
        return;
    }
    playbackTimer->stop();
    previewWidget->setMessage(tr("动画预览暂时不可用"));
    statusLabel->setText(QString::fromStdString(error));
}

} // namespace kvx
