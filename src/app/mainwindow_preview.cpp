// The window's preview logic: load the selected skeleton into the runtime plugin of its line,
// list its animations and play the chosen one, one sampled frame per playback tick.

#include "app/mainwindow.h"

#include "assets/atlasreader.h"
#include "assets/companionfiles.h"
#include "assets/versiondetection.h"
#include "common/pathtext.h"
#include "preview/spinepreviewwidget.h"
#include "render/pagetexture.h"
#include "render/rendererrules.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QVariant>

namespace kvx {
namespace {

// The duration listed with the named animation (the current item, or the first of that name).
float listedDuration(const QComboBox &animations, const QString &name)
{
    const int index = animations.currentText() == name ? animations.currentIndex() : animations.findText(name);
    return animations.itemData(index).toFloat();
}

QString runtimePluginPath(const std::string &line)
{
    return QDir(QCoreApplication::applicationDirPath())
        .filePath("runtimes/" + QString::fromStdString(runtimePluginFileName(line)));
}

// What the atlas says of each page image (premultiplied alpha, filters), by the image path the
// plugins name it by.
QHash<QString, PageDescription> pageDescriptions(const QString &atlasPath)
{
    QHash<QString, PageDescription> pages;
    for (const AtlasPage &page : readAtlasFile(toPath(atlasPath)).pages)
        pages.insert(pageImagePath(atlasPath, pageNameText(page)), pageDescriptionOf(page));
    return pages;
}

} // namespace

void MainWindow::loadPreview()
{
    playbackTimer->stop();
    playback.clear();
    playingAnimation.clear();
    showPlaybackState();
    previewWidget->resetView();
    animationCombo->clear();
    animationCombo->setEnabled(false);
    {
        const QSignalBlocker quiet(skinCombo);
        skinCombo->clear();
    }
    skinChoice->hide();
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
    previewWidget->setPageDescriptions(pageDescriptions(atlasPath));
    previewWidget->setRendererRules(rendererRulesFor(detection.version->major, detection.version->minor));

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

    listSkins(metadata, metadata.animations.empty() ? QString()
                                                    : QString::fromStdString(metadata.animations.front().name));
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

// Several skins and a plugin that can switch them: the list shows, on the skin that shows the
// character at the first frame of the first animation.
void MainWindow::listSkins(const SkeletonMetadata &metadata, const QString &firstAnimation)
{
    if (metadata.skins.size() < 2 || !runtimePlugin.canChooseSkin())
        return;
    std::string error;
    const std::optional<size_t> initial =
        runtimePlugin.chooseInitialSkin(metadata.skins, firstAnimation.toStdString(), error);
    if (!initial) {
        statusLabel->setText(QString::fromStdString(error));
        return;
    }
    const QSignalBlocker quiet(skinCombo); // the plugin is on the initial skin already
    for (const std::string &skin : metadata.skins)
        skinCombo->addItem(QString::fromStdString(skin));
    skinCombo->setCurrentIndex(static_cast<int>(*initial));
    skinChoice->show();
}

// Frames the whole animation when the plugin can measure it. A plugin that cannot keeps the
// framing as the first frame shown fixed it; a measure that fails leaves it to this animation's
// first frame.
void MainWindow::frameAnimation(const QString &name)
{
    if (!runtimePlugin.canMeasureAnimations())
        return;
    std::string error;
    const std::optional<SkeletonBox> box = runtimePlugin.animationBounds(name.toStdString(), error);
    if (box)
        previewWidget->setFraming(QRectF(box->x, box->y, box->width, box->height));
    else
        previewWidget->setFraming(std::nullopt);
}

void MainWindow::skinChanged(const QString &name)
{
    if (name.isEmpty())
        return;
    std::string error;
    if (!runtimePlugin.setSkin(name.toStdString(), error)) {
        statusLabel->setText(QString::fromStdString(error));
        return;
    }
    frameAnimation(animationCombo->currentText());
    // The current frame again with the new skin; the clock keeps running, so playback goes on.
    PreviewFrame frame = runtimePlugin.sampleFrame(0.0f, error);
    if (frame.ok)
        previewWidget->setFrame(std::move(frame.items));
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
    if (!runtimePlugin.setAnimation(name.toStdString(), playback.loop(), error)) {
        statusLabel->setText(QString::fromStdString(error));
        return;
    }
    frameAnimation(name);
    playingAnimation = name;
    playback.start(listedDuration(*animationCombo, name)); // paused stays paused, on the first frame
    playbackClock.restart();
    advancePreview();
    if (playback.isPlaying())
        playbackTimer->start(); // also after a failed first sample: the next tick tries once more
}

void MainWindow::advancePreview()
{
    // Whole milliseconds of real time, unclamped, so late ticks keep the animation's speed.
    const float elapsedSeconds =
        playbackClock.isValid() ? static_cast<float>(playbackClock.restart()) / 1000.0f : 0.016f;
    // The model scales by the speed and stops a non-looping animation on its last frame.
    const PlaybackStep step = playback.advance(elapsedSeconds);
    if (!showSample(step.seconds))
        return;
    if (step.reachedEnd)
        playbackTimer->stop();
    showPlaybackState();
}

} // namespace kvx
