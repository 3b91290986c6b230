// The window side of the playback bar, the keyboard and the remembered view: the PlaybackModel
// decides where the animation stands, these operations pose the plugin there and show it.

#include "app/mainwindow.h"

#include "app/viewsettings.h"
#include "app/playbackbar.h"
#include "app/spinepreviewwidget.h"

#include <QCloseEvent>
#include <QKeySequence>
#include <QLabel>
#include <QShortcut>
#include <QTimer>

namespace kvx {

void MainWindow::connectPlaybackBar()
{
    connect(playbackBar, &PlaybackBar::playPauseClicked, this, &MainWindow::togglePlayback);
    connect(playbackBar, &PlaybackBar::scrubbed, this, [this](float seconds) {
        if (playback.hasAnimation())
            poseAt(playback.seek(seconds));
    });
    connect(playbackBar, &PlaybackBar::scrubStarted, this, &MainWindow::holdForScrub);
    connect(playbackBar, &PlaybackBar::scrubFinished, this, &MainWindow::resumeAfterScrub);
    connect(playbackBar, &PlaybackBar::speedChanged, this, &MainWindow::setPlaybackSpeed);
    connect(playbackBar, &PlaybackBar::loopChanged, this, &MainWindow::setPlaybackLoop);
    connect(playbackBar, &PlaybackBar::backgroundChanged, this, [this](PreviewBackground background) {
        previewWidget->setBackground(background);
        storeViewBackground(background);
    });
}

void MainWindow::installShortcuts()
{
    // Window-wide shortcuts see a key before the focused widget does, so Space never presses the
    // focused button or ticks the focused check box.
    const auto bind = [this](const QKeySequence &keys, auto action) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this, action);
    };
    bind(QKeySequence(Qt::Key_Space), [this] { togglePlayback(); });
    bind(QKeySequence(Qt::Key_Left), [this] { stepFrame(-1); });
    bind(QKeySequence(Qt::Key_Right), [this] { stepFrame(1); });
    bind(QKeySequence(Qt::CTRL | Qt::Key_O), [this] { chooseResources(); });
    bind(QKeySequence(Qt::CTRL | Qt::Key_Equal), [this] { previewWidget->zoomAboutCentre(1); });
    bind(QKeySequence(Qt::CTRL | Qt::Key_Plus), [this] { previewWidget->zoomAboutCentre(1); });
    bind(QKeySequence(Qt::CTRL | Qt::Key_Minus), [this] { previewWidget->zoomAboutCentre(-1); });
    bind(QKeySequence(Qt::CTRL | Qt::Key_0), [this] { previewWidget->resetZoomAndPan(); });
    previewWidget->setToolTip(previewWidget->toolTip() + QLatin1Char('\n')
                              + tr("空格 播放/暂停 · ←/→ 暂停时逐帧 · Ctrl+O 选择资源 · Ctrl+= / Ctrl+- 缩放 · "
                                   "Ctrl+0 重置视图"));
}

void MainWindow::restoreViewSettings()
{
    const ViewSettings view = readViewSettings();
    playback.setSpeed(view.speed);
    playback.setLoop(view.loop);
    playbackBar->setSpeed(playback.speed());
    playbackBar->setLoop(playback.loop());
    playbackBar->setBackground(view.background);
    previewWidget->setBackground(view.background);
    if (!view.windowGeometry.isEmpty())
        restoreGeometry(view.windowGeometry);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    storeWindowGeometry(saveGeometry());
    QMainWindow::closeEvent(event);
}

bool MainWindow::showSample(float deltaSeconds)
{
    std::string error;
    PreviewFrame frame = runtimePlugin.sampleFrame(deltaSeconds, error);
    if (frame.ok) {
        previewWidget->setFrame(std::move(frame.items));
        return true;
    }
    playbackTimer->stop();
    previewWidget->setMessage(tr("动画预览暂时不可用"));
    statusLabel->setText(QString::fromStdString(error));
    return false;
}

// The plugin has no seek: the animation is selected afresh and advanced to the time in one step.
void MainWindow::poseAt(float seconds)
{
    if (playingAnimation.isEmpty())
        return;
    std::string error;
    if (!runtimePlugin.setAnimation(playingAnimation.toStdString(), playback.loop(), error)) {
        statusLabel->setText(QString::fromStdString(error));
        return;
    }
    playbackClock.restart();
    showSample(seconds);
    showPlaybackState();
}

void MainWindow::togglePlayback()
{
    if (!playback.hasAnimation())
        return;
    if (playback.isPlaying()) {
        playback.pause();
        playbackTimer->stop(); // paused: no sampling, no repainting
    } else {
        if (playback.play())
            poseAt(0.0f); // a finished non-looping animation starts over
        startTicking();
    }
    showPlaybackState();
}

void MainWindow::stepFrame(int direction)
{
    if (!playback.hasAnimation() || playback.isPlaying())
        return;
    poseAt(playback.stepFrame(direction));
}

void MainWindow::holdForScrub()
{
    playbackTimer->stop();
}

void MainWindow::resumeAfterScrub()
{
    if (playback.wantsTicks())
        startTicking();
}

void MainWindow::setPlaybackLoop(bool loop)
{
    playback.setLoop(loop);
    storeViewLoop(loop);
    // The loop flag travels with the selection: select again and return to where playback stands.
    if (playback.hasAnimation())
        poseAt(playback.time());
}

void MainWindow::setPlaybackSpeed(float speed)
{
    playback.setSpeed(speed);
    storeViewSpeed(playback.speed());
}

void MainWindow::showPlaybackState()
{
    playbackBar->setAnimationAvailable(playback.hasAnimation());
    playbackBar->setPlaying(playback.wantsTicks());
    playbackBar->setPosition(playback.time(), playback.duration());
}

void MainWindow::startTicking()
{
    // Time spent paused or holding the slider is not played.
    playbackClock.restart();
    playbackTimer->start();
}

} // namespace kvx
