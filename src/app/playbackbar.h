#pragma once
// The bar under the canvas: play/pause, the time slider with the position and the duration, speed,
// loop and the canvas background. It only shows values and reports what the user did; the window
// decides what follows.

#include "app/spinepreviewwidget.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSlider;

namespace kvx {

class PlaybackBar : public QWidget {
    Q_OBJECT
public:
    explicit PlaybackBar(QWidget *parent = nullptr);

    // Without an animation play/pause and the slider are disabled and the time reads zero.
    void setAnimationAvailable(bool available);
    void setPlaying(bool playing);
    void setPosition(float seconds, float durationSeconds);
    void setSpeed(float speed);
    void setLoop(bool loop);
    void setBackground(PreviewBackground background);
    // Says how long a frame takes when frames are slow enough to notice; quiet otherwise.
    void setFrameCost(double seconds);

    float speed() const;
    bool loop() const;
    PreviewBackground background() const;
    bool isScrubbing() const;

    // The controls, for the window's layout checks and for tests.
    QPushButton *playButton() const { return playPause; }
    QSlider *timeSlider() const { return slider; }
    QLabel *timeLabel() const { return timeDisplay; }
    QLabel *frameCostLabel() const { return frameCost; }
    QComboBox *speedCombo() const { return speedChoice; }
    QCheckBox *loopCheckBox() const { return loopSwitch; }
    QComboBox *backgroundCombo() const { return backgroundChoice; }

    static QString formatTime(float seconds, float durationSeconds);

signals:
    void playPauseClicked();
    // The user moved the slider to this time; scrubStarted and scrubFinished bracket a drag.
    void scrubbed(float seconds);
    void scrubStarted();
    void scrubFinished();
    void speedChanged(float speed);
    void loopChanged(bool loop);
    void backgroundChanged(kvx::PreviewBackground background);

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslate();

    QPushButton *playPause = nullptr;
    QSlider *slider = nullptr;
    QLabel *timeDisplay = nullptr;
    QLabel *frameCost = nullptr;
    QComboBox *speedChoice = nullptr;
    QCheckBox *loopSwitch = nullptr;
    QComboBox *backgroundChoice = nullptr;
    bool playing = false;
    double secondsPerFrame = 0.0;
};

} // namespace kvx
