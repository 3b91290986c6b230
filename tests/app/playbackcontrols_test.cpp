// The playback bar, the keyboard and the remembered view in the window, with the test plugin as
// the 4.2 runtime: pause, scrub, loop, speed, shortcuts, settings across a restart, and an idle
// paused window.

#include "support/previewwindow.h"

#include "app/playbackbar.h"
#include "app/spinepreviewwidget.h"
#include "app/viewsettings.h"
#include "common/qt/pathtext.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QTest>
#include <QWheelEvent>

#include <numeric>

namespace kvx::test {
namespace {

using testplugin::Call;
using testplugin::CallRecord;

bool belongsTo(QObject *object, const QObject *ancestor)
{
    for (; object; object = object->parent()) {
        if (object == ancestor)
            return true;
    }
    return false;
}

// Counts timer ticks and paints that reach the window or anything inside it.
class WindowActivity : public QObject {
public:
    explicit WindowActivity(const QObject *watched) : window(watched) { qApp->installEventFilter(this); }
    ~WindowActivity() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject *receiver, QEvent *event) override
    {
        if (belongsTo(receiver, window)) {
            if (event->type() == QEvent::Timer)
                ++timerTicks;
            else if (event->type() == QEvent::Paint)
                ++paints;
        }
        return false;
    }
    void reset() { timerTicks = paints = 0; }

    int timerTicks = 0;
    int paints = 0;

private:
    const QObject *window;
};

class PlaybackControlsTest : public PreviewWindowTest {
protected:
    void SetUp() override
    {
        removeInstalledPlugin();
        openCountingWindow();
    }

    void openCountingWindow()
    {
        WindowDialogs dialogs = silentDialogs();
        dialogs.chooseResourceFiles = [this](QWidget *) {
            ++resourceDialogs;
            return QStringList();
        };
        openWindow(std::move(dialogs));
    }
    void showActive()
    {
        window->show();
        window->activateWindow();
        ASSERT_TRUE(waitFor([this] { return window->isActiveWindow(); }));
    }

    // One animation of the given length with one draw command, loaded and playing.
    void playHero(float duration = 1.0f)
    {
        install("full");
        controlled().setAnimations({{"idle", duration}, {"walk", 0.5f}});
        configureOneCommand();
        addHero();
        ASSERT_TRUE(playing());
    }

    float playedSeconds() const
    {
        const std::vector<CallRecord> steps = updates();
        return std::accumulate(steps.begin(), steps.end(), 0.0f,
                               [](float sum, const CallRecord &entry) { return sum + entry.seconds; });
    }
    bool playing() const { return window->preview().isPlaying(); }
    PlaybackBar *bar() const { return view().playbackBar(); }
    SpinePreviewWidget *preview() const { return view().canvas(); }
    // Pauses with the bar's button and lets the frame asked for before arrive.
    void pause() const
    {
        bar()->playButton()->click();
        ASSERT_FALSE(playing());
        ASSERT_TRUE(view().waitForPreview());
    }
    void key(QWidget *target, int keyCode, Qt::KeyboardModifiers modifiers = Qt::NoModifier) const
    {
        QTest::keyClick(target, static_cast<Qt::Key>(keyCode), modifiers);
    }

    int resourceDialogs = 0;
};

TEST_F(PlaybackControlsTest, PausingStopsSamplingAndRepaintingAndResumingDoesNotPlayThePause)
{
    window->show();
    WindowActivity activity(preview());
    playHero();
    ASSERT_TRUE(waitFor([&] { return activity.paints >= 2; })) << "playing repaints the canvas";

    pause();
    QElapsedTimer paused;
    paused.start();
    EXPECT_EQ(bar()->playButton()->text(), QStringLiteral("播放"));
    controlled().clearCalls();
    activity.reset();
    waitForReferenceTicks(30);
    EXPECT_TRUE(updates().empty());
    EXPECT_EQ(activity.paints, 0);

    const float pausedSeconds = static_cast<float>(paused.elapsed()) / 1000.0f;
    bar()->playButton()->click();
    EXPECT_TRUE(playing());
    EXPECT_EQ(bar()->playButton()->text(), QStringLiteral("暂停"));
    ASSERT_TRUE(waitFor([&] { return !updates().empty(); }));
    EXPECT_LT(updates().front().seconds, pausedSeconds) << "the time spent paused is not played";
}

TEST_F(PlaybackControlsTest, AnIdlePausedWindowGetsNoTimerTicksOrPaints)
{
    window->show();
    playHero();
    pause();
    WindowActivity activity(window.get());
    // The pause's own repaints (and a late first exposure of the window) go out first.
    for (int round = 0; round < 50; ++round) {
        activity.reset();
        waitForReferenceTicks(5);
        if (activity.paints == 0 && activity.timerTicks == 0)
            break;
    }
    activity.reset();
    waitForReferenceTicks(40); // about 0.6 s of a 60 Hz clock
    EXPECT_LE(activity.timerTicks, 2) << "a paused window must not tick";
    EXPECT_EQ(activity.paints, 0);
}

TEST_F(PlaybackControlsTest, ScrubbingPosesTheAnimationAtTheSliderTime)
{
    playHero(1.0f);
    pause();
    controlled().clearCalls();
    bar()->timeSlider()->setValue(400);
    EXPECT_EQ(bar()->timeLabel()->text(), QStringLiteral("0.40 / 1.00 s")) << "the bar follows at once";
    ASSERT_TRUE(view().waitForPreview());
    EXPECT_EQ(controlled().callSequence(),
              (std::vector<Call>{Call::SetAnimation, Call::Update, Call::GetDrawCommandCount, Call::GetDrawCommand,
                                 Call::GetDrawCommandDarkColor}));
    EXPECT_STREQ(controlled().callsOf(Call::SetAnimation).front().text, "idle");
    EXPECT_FLOAT_EQ(updates().front().seconds, 0.4f);
    EXPECT_TRUE(preview()->showsFrame());
    EXPECT_EQ(bar()->timeLabel()->text(), QStringLiteral("0.40 / 1.00 s"));
    EXPECT_FALSE(playing()) << "scrubbing does not start a paused animation";
    EXPECT_TRUE(framesStopped());
}

TEST_F(PlaybackControlsTest, ChoosingAnotherAnimationWhilePausedShowsItsFirstFrameAndStaysPaused)
{
    playHero(1.0f);
    pause();
    controlled().clearCalls();
    view().animationList()->setCurrentIndex(1);
    ASSERT_TRUE(view().waitForPreview());
    ASSERT_EQ(controlled().callsOf(Call::SetAnimation).size(), 1u);
    EXPECT_STREQ(controlled().callsOf(Call::SetAnimation).front().text, "walk");
    ASSERT_EQ(updates().size(), 1u);
    EXPECT_LT(updates().front().seconds, 0.05f);
    EXPECT_FALSE(playing());
    EXPECT_TRUE(framesStopped());
    EXPECT_EQ(bar()->timeLabel()->text(), QStringLiteral("0.00 / 0.50 s"));
    EXPECT_EQ(bar()->timeSlider()->maximum(), 500);
}

TEST_F(PlaybackControlsTest, HoldingTheSliderHoldsPlaybackUntilReleased)
{
    playHero(1.0f);
    QSlider *slider = bar()->timeSlider();
    slider->setSliderDown(true);
    EXPECT_TRUE(framesStopped());
    controlled().clearCalls();
    slider->setValue(700);
    ASSERT_TRUE(view().waitForPreview());
    ASSERT_EQ(updates().size(), 1u);
    EXPECT_FLOAT_EQ(updates().front().seconds, 0.7f);
    EXPECT_TRUE(framesStopped());
    slider->setSliderDown(false);
    EXPECT_TRUE(framesKeepComing());
}

TEST_F(PlaybackControlsTest, LoopOffSelectsWithoutLoopAndStopsOnTheLastFrame)
{
    playHero(0.3f);
    bar()->speedCombo()->setCurrentIndex(4); // 2×, to finish sooner
    controlled().clearCalls();
    bar()->loopCheckBox()->click();
    ASSERT_TRUE(waitFor([&] { return !controlled().callsOf(Call::SetAnimation).empty(); }));
    const std::vector<CallRecord> selections = controlled().callsOf(Call::SetAnimation);
    ASSERT_EQ(selections.size(), 1u) << "the loop flag reaches the plugin with the next pose";
    EXPECT_EQ(selections.front().loop, 0);

    ASSERT_TRUE(waitFor([&] { return !playing(); }));
    ASSERT_TRUE(view().waitForPreview());
    EXPECT_NEAR(playedSeconds(), 0.3f, 1e-4f) << "posed where it stood, then played exactly to the end";
    EXPECT_EQ(bar()->playButton()->text(), QStringLiteral("播放"));
    EXPECT_EQ(bar()->timeSlider()->value(), bar()->timeSlider()->maximum());
    EXPECT_TRUE(preview()->showsFrame()) << "the last frame stays";

    // Play at the end starts over from the first frame.
    controlled().clearCalls();
    bar()->playButton()->click();
    EXPECT_TRUE(playing());
    ASSERT_TRUE(waitFor([&] { return !updates().empty(); }));
    ASSERT_FALSE(controlled().callsOf(Call::SetAnimation).empty());
    EXPECT_EQ(controlled().callsOf(Call::SetAnimation).front().loop, 0);
    EXPECT_FLOAT_EQ(updates().front().seconds, 0.0f);
}

TEST_F(PlaybackControlsTest, SpeedScalesTheTimeStep)
{
    playHero(1000.0f);
    for (const auto &[index, speed] : {std::pair{4, 2.0f}, std::pair{0, 0.25f}}) {
        bar()->speedCombo()->setCurrentIndex(index);
        // Measured from a tick on, so no step began before the test's own clock.
        controlled().clearCalls();
        ASSERT_TRUE(waitFor([&] { return !updates().empty(); }));
        QElapsedTimer wall;
        wall.start();
        controlled().clearCalls();
        ASSERT_TRUE(waitFor([&] { return updates().size() >= 30; }));
        const double real = static_cast<double>(wall.elapsed()) / 1000.0;
        // Generous: the played time is the real time times the speed.
        EXPECT_LE(playedSeconds(), speed * (real + 0.01)) << speed;
        EXPECT_GE(playedSeconds(), speed * real * 0.7) << speed;
    }
}

TEST_F(PlaybackControlsTest, SpaceTogglesPlaybackWhereverTheFocusIsWithoutPressingIt)
{
    showActive();
    playHero();
    QPushButton *choose = view().chooseButton();
    ASSERT_NE(choose, nullptr);

    choose->setFocus();
    key(choose, Qt::Key_Space);
    EXPECT_FALSE(playing());
    EXPECT_EQ(resourceDialogs, 0) << "the focused button was not pressed";

    QCheckBox *straightAlpha = view().straightAlpha();
    straightAlpha->setFocus();
    key(straightAlpha, Qt::Key_Space);
    EXPECT_TRUE(playing());
    EXPECT_FALSE(straightAlpha->isChecked());

    bar()->playButton()->setFocus();
    key(bar()->playButton(), Qt::Key_Space);
    EXPECT_FALSE(playing()) << "one toggle, not two";
}

TEST_F(PlaybackControlsTest, ArrowsStepOneFrameOnlyWhilePaused)
{
    showActive();
    playHero(1.0f);
    controlled().clearCalls();
    key(window.get(), Qt::Key_Right);
    EXPECT_TRUE(controlled().callsOf(Call::SetAnimation).empty()) << "no stepping while playing";

    pause();
    bar()->timeSlider()->setValue(500);
    ASSERT_TRUE(view().waitForPreview());
    controlled().clearCalls();
    key(window.get(), Qt::Key_Right);
    ASSERT_TRUE(view().waitForPreview());
    ASSERT_EQ(updates().size(), 1u);
    EXPECT_NEAR(updates().back().seconds, 0.5f + 1.0f / 30.0f, 1e-5f);
    for (int step = 0; step < 2; ++step) {
        key(bar()->timeSlider(), Qt::Key_Left);
        ASSERT_TRUE(view().waitForPreview());
    }
    ASSERT_EQ(updates().size(), 3u);
    EXPECT_NEAR(updates().back().seconds, 0.5f - 1.0f / 30.0f, 1e-5f);
    EXPECT_EQ(controlled().callsOf(Call::SetAnimation).size(), 3u) << "each step poses afresh";
    EXPECT_FALSE(playing());
}

TEST_F(PlaybackControlsTest, ControlKeysOpenTheDialogAndZoomAboutTheCentre)
{
    showActive();
    playHero();
    key(window.get(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(resourceDialogs, 1);

    key(window.get(), Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_FLOAT_EQ(preview()->currentZoom(), 1.12f);
    EXPECT_EQ(preview()->currentPan(), QPointF());
    key(window.get(), Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_FLOAT_EQ(preview()->currentZoom(), 1.0f);

    const QPointF corner(40, 40);
    QWheelEvent wheel(corner, preview()->mapToGlobal(corner), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(preview(), &wheel);
    ASSERT_NE(preview()->currentPan(), QPointF());
    key(window.get(), Qt::Key_0, Qt::ControlModifier);
    EXPECT_FLOAT_EQ(preview()->currentZoom(), 1.0f);
    EXPECT_EQ(preview()->currentPan(), QPointF());
}

TEST_F(PlaybackControlsTest, TheCanvasToolTipListsTheKeys)
{
    const QString tip = preview()->toolTip();
    EXPECT_TRUE(tip.startsWith(QString::fromUtf8("滚轮缩放 · 中键重置 · 右键拖动 · 右键单击居中")));
    for (const char *keys : {"空格", "←/→", "Ctrl+O", "Ctrl+=", "Ctrl+-", "Ctrl+0"})
        EXPECT_TRUE(tip.contains(QString::fromUtf8(keys))) << keys;
}

TEST_F(PlaybackControlsTest, ViewSettingsSurviveARestart)
{
    bar()->speedCombo()->setCurrentIndex(1); // 0.5×
    bar()->loopCheckBox()->click();
    bar()->backgroundCombo()->setCurrentIndex(2); // checkerboard
    view().straightAlpha()->setChecked(true);
    window->show();
    window->setGeometry(QRect(QPoint(30, 40), QSize(1000, 720)));
    const QRect placed = window->geometry();
    window->close();
    closeWindow();

    openCountingWindow();
    EXPECT_FLOAT_EQ(bar()->speed(), 0.5f);
    EXPECT_FALSE(bar()->loop());
    EXPECT_EQ(bar()->background(), PreviewBackground::Checkerboard);
    EXPECT_EQ(preview()->background(), PreviewBackground::Checkerboard);
    EXPECT_FALSE(view().straightAlpha()->isChecked()) << "the straight-alpha option always opens unchecked";
    EXPECT_EQ(window->geometry(), placed);

    // The remembered choices drive playback: no loop from the first selection on.
    playHero();
    for (const CallRecord &selection : controlled().callsOf(Call::SetAnimation))
        EXPECT_EQ(selection.loop, 0);
}

TEST_F(PlaybackControlsTest, NonsenseInTheStoreReadsAsTheDefaults)
{
    closeWindow();
    QSettings store;
    store.setValue(kViewSpeedKey, QStringLiteral("fast"));
    store.setValue(kViewBackgroundKey, QStringLiteral("purple"));
    store.setValue(kWindowGeometryKey, QByteArray("not a geometry"));
    store.sync();
    openCountingWindow();
    EXPECT_FLOAT_EQ(bar()->speed(), 1.0f);
    EXPECT_TRUE(bar()->loop());
    EXPECT_EQ(preview()->background(), PreviewBackground::Dark);
    EXPECT_EQ(window->size(), QSize(960, 680));

    store.setValue(kViewSpeedKey, 7.5);
    store.sync();
    closeWindow();
    openCountingWindow();
    EXPECT_FLOAT_EQ(bar()->speed(), 2.0f) << "an unknown speed snaps to the nearest offered";
}

} // namespace
} // namespace kvx::test
