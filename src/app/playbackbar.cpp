#include "app/playbackbar.h"

#include "preview/playbackmodel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <algorithm>
#include <cmath>

namespace kvx {
namespace {

// The slider counts milliseconds.
int toSliderValue(float seconds)
{
    return std::isfinite(seconds) ? static_cast<int>(std::lround(std::max(seconds, 0.0f) * 1000.0f)) : 0;
}

QString speedLabel(float speed)
{
    return QString::number(speed) + QStringLiteral("×");
}

// A press on the track puts the handle where it was pressed, and a drag goes on from there;
// QSlider would only move it a page towards the press.
class TimeSlider : public QSlider {
public:
    TimeSlider() : QSlider(Qt::Horizontal) {}

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        QStyleOptionSlider option;
        initStyleOption(&option);
        const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
        const QPoint at = event->position().toPoint();
        if (event->button() == Qt::LeftButton && !handle.contains(at)) {
            const QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
            const int span = std::max(groove.width() - handle.width(), 1);
            setValue(QStyle::sliderValueFromPosition(minimum(), maximum(), at.x() - groove.x() - handle.width() / 2,
                                                     span, option.upsideDown));
        }
        QSlider::mousePressEvent(event);
    }
};

} // namespace

PlaybackBar::PlaybackBar(QWidget *parent) : QWidget(parent)
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);

    playPause = new QPushButton;
    playPause->setObjectName(QStringLiteral("quietButton"));

    slider = new TimeSlider;
    slider->setObjectName(QStringLiteral("timeSlider"));
    slider->setMinimumWidth(80);

    timeDisplay = new QLabel;
    timeDisplay->setObjectName(QStringLiteral("playbackTime"));
    timeDisplay->setMinimumWidth(QFontMetrics(font()).horizontalAdvance(formatTime(88.88f, 88.88f)) + 8);
    timeDisplay->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    frameCost = new QLabel;
    frameCost->setObjectName(QStringLiteral("frameCost"));
    frameCost->hide();

    speedChoice = new QComboBox;
    for (const float speed : kPlaybackSpeeds)
        speedChoice->addItem(speedLabel(speed), QVariant(speed));

    loopSwitch = new QCheckBox;
    loopSwitch->setChecked(true);

    backgroundChoice = new QComboBox;
    for (const PreviewBackground background :
         {PreviewBackground::Dark, PreviewBackground::Light, PreviewBackground::Checkerboard})
        backgroundChoice->addItem(QString(), QVariant::fromValue(static_cast<int>(background)));

    row->addWidget(playPause);
    row->addWidget(slider, 1);
    row->addWidget(timeDisplay);
    row->addWidget(frameCost);
    row->addWidget(speedChoice);
    row->addWidget(loopSwitch);
    row->addWidget(backgroundChoice);

    setSpeed(kDefaultPlaybackSpeed);
    setAnimationAvailable(false);
    retranslate();

    connect(playPause, &QPushButton::clicked, this, &PlaybackBar::playPauseClicked);
    // Programmatic moves are made under a signal blocker, so every change seen here is the user's.
    connect(slider, &QSlider::valueChanged, this,
            [this](int milliseconds) { emit scrubbed(static_cast<float>(milliseconds) / 1000.0f); });
    connect(slider, &QSlider::sliderPressed, this, &PlaybackBar::scrubStarted);
    connect(slider, &QSlider::sliderReleased, this, &PlaybackBar::scrubFinished);
    connect(speedChoice, &QComboBox::currentIndexChanged, this, [this] { emit speedChanged(speed()); });
    connect(loopSwitch, &QCheckBox::toggled, this, &PlaybackBar::loopChanged);
    connect(backgroundChoice, &QComboBox::currentIndexChanged, this,
            [this] { emit backgroundChanged(background()); });
}

void PlaybackBar::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}

void PlaybackBar::retranslate()
{
    playPause->setToolTip(tr("播放 / 暂停（空格）"));
    // Both texts fit, so the button does not jump when it flips.
    const QFontMetrics metrics(playPause->font());
    playPause->setMinimumWidth(
        std::max(metrics.horizontalAdvance(tr("暂停")), metrics.horizontalAdvance(tr("播放"))) + 40);
    setPlaying(playing);
    slider->setToolTip(tr("拖动查看任意时刻的姿势"));
    frameCost->setToolTip(tr("这个骨骼的每一帧都要花这么久才能算出；预览会跳过来不及的帧"));
    setFrameCost(secondsPerFrame);
    speedChoice->setToolTip(tr("播放速度"));
    loopSwitch->setText(tr("循环"));
    loopSwitch->setToolTip(tr("关闭后动画停在最后一帧"));
    backgroundChoice->setToolTip(tr("预览背景"));
    for (int index = 0; index < backgroundChoice->count(); ++index) {
        switch (static_cast<PreviewBackground>(backgroundChoice->itemData(index).toInt())) {
        case PreviewBackground::Dark:
            backgroundChoice->setItemText(index, tr("深色背景"));
            break;
        case PreviewBackground::Light:
            backgroundChoice->setItemText(index, tr("浅色背景"));
            break;
        case PreviewBackground::Checkerboard:
            backgroundChoice->setItemText(index, tr("棋盘格"));
            break;
        }
    }
}

QString PlaybackBar::formatTime(float seconds, float durationSeconds)
{
    return QStringLiteral("%1 / %2 s").arg(seconds, 0, 'f', 2).arg(durationSeconds, 0, 'f', 2);
}

void PlaybackBar::setAnimationAvailable(bool available)
{
    playPause->setEnabled(available);
    slider->setEnabled(available);
    if (!available)
        setPosition(0.0f, 0.0f);
}

void PlaybackBar::setPlaying(bool nowPlaying)
{
    playing = nowPlaying;
    playPause->setText(playing ? tr("暂停") : tr("播放"));
}

void PlaybackBar::setFrameCost(double seconds)
{
    // Below a tenth of a second playback still looks like playback.
    constexpr double kNoticeableSeconds = 0.1;
    secondsPerFrame = seconds;
    frameCost->setVisible(seconds >= kNoticeableSeconds);
    if (seconds >= kNoticeableSeconds)
        frameCost->setText(tr("每帧 %1 秒").arg(seconds, 0, 'f', 1));
}

void PlaybackBar::setPosition(float seconds, float durationSeconds)
{
    const QSignalBlocker quiet(slider);
    slider->setRange(0, toSliderValue(durationSeconds));
    // While the user holds the handle it stays where the user put it.
    if (!slider->isSliderDown())
        slider->setValue(toSliderValue(seconds));
    timeDisplay->setText(formatTime(seconds, durationSeconds));
}

void PlaybackBar::setSpeed(float speed)
{
    const int index = speedChoice->findData(QVariant(nearestPlaybackSpeed(speed)));
    const QSignalBlocker quiet(speedChoice);
    speedChoice->setCurrentIndex(index);
}

void PlaybackBar::setLoop(bool loop)
{
    const QSignalBlocker quiet(loopSwitch);
    loopSwitch->setChecked(loop);
}

void PlaybackBar::setBackground(PreviewBackground background)
{
    const QSignalBlocker quiet(backgroundChoice);
    backgroundChoice->setCurrentIndex(backgroundChoice->findData(QVariant::fromValue(static_cast<int>(background))));
}

float PlaybackBar::speed() const
{
    return speedChoice->currentData().toFloat();
}

bool PlaybackBar::loop() const
{
    return loopSwitch->isChecked();
}

PreviewBackground PlaybackBar::background() const
{
    return static_cast<PreviewBackground>(backgroundChoice->currentData().toInt());
}

bool PlaybackBar::isScrubbing() const
{
    return slider->isSliderDown();
}

} // namespace kvx
