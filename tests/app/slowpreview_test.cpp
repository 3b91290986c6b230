// The window with a runtime that takes its time: it answers input at once while a frame is being
// made, says how slow frames are, asks for no frame while one is in flight, and never shows an
// answer that a newer request made obsolete.

#include "support/previewwindow.h"

#include "app/playbackbar.h"
#include "app/spinepreviewwidget.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

namespace kvx::test {
namespace {

using testplugin::Call;

class SlowPreview : public PreviewWindowTest {
protected:
    void playHero(float duration)
    {
        install("full");
        controlled().setAnimations({{"idle", duration}, {"walk", 0.5f}, {"run", 0.75f}});
        configureOneCommand();
        addHero();
        ASSERT_TRUE(window->preview().isPlaying());
    }
    void select(int index) const { view().animationList()->setCurrentIndex(index); }
};

TEST_F(SlowPreview, TheWindowAnswersAtOnceWhileAFrameTakesASecond)
{
    playHero(1000.0f);
    QLabel *note = view().playbackBar()->frameCostLabel();
    EXPECT_TRUE(note->isHidden()) << "quick frames go without a note";

    const size_t before = updates().size();
    controlled().control().updateDelayMilliseconds = 1000;
    ASSERT_TRUE(waitFor([&] { return !note->isHidden(); }, 10000)) << "a slow frame was shown";
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^每帧 1\\.\\d 秒$")).match(note->text()).hasMatch())
        << note->text().toStdString();
    ASSERT_TRUE(waitFor([&] { return !window->preview().isSettled(); })) << "the next slow frame is asked for";

    QElapsedTimer clock;
    clock.start();
    bool answered = false;
    QTimer::singleShot(0, window.get(), [&answered] { answered = true; });
    ASSERT_TRUE(waitFor([&answered] { return answered; }));
    EXPECT_LT(clock.elapsed(), 100) << "queued input waited on the runtime";
    clock.restart();
    view().playbackBar()->playButton()->click();
    EXPECT_LT(clock.elapsed(), 100) << "a click waited on the runtime";
    EXPECT_EQ(view().playbackBar()->playButton()->text(), QStringLiteral("播放"));
    EXPECT_FALSE(window->preview().isSettled()) << "all of this while the frame was still being made";

    // The ticks that found a frame in flight asked for none: a frame or two per slow second, not sixty.
    controlled().control().updateDelayMilliseconds = 0;
    ASSERT_TRUE(view().waitForPreview());
    EXPECT_LE(updates().size(), before + 4);
}

TEST_F(SlowPreview, ASkeletonReplacedWhileItLoadsIsNeverShown)
{
    install("full");
    configureThreeAnimations();
    controlled().control().loadDelayMilliseconds = 500;
    int listedAnimations = 0;
    QObject::connect(view().animationList()->model(), &QAbstractItemModel::rowsInserted,
                     [&listedAnimations](const QModelIndex &, int first, int last) {
                         listedAnimations += last - first + 1;
                     });

    window->addResourcePath(writeExport("hero", "hero"));
    ASSERT_TRUE(waitFor([&] { return !controlled().callsOf(Call::Load).empty(); })) << "the hero loads, slowly";
    const QString villain = writeExport("villain", "villain");
    window->addResourcePath(villain);
    ASSERT_TRUE(view().waitForPreview());

    EXPECT_EQ(view().currentPath(), villain);
    EXPECT_EQ(QString::fromUtf8(controlled().control().loadedSkeletonPath), villain);
    EXPECT_EQ(listedAnimations, 3) << "the animations were listed once, for the villain";
    EXPECT_EQ(selectedAnimations(), std::vector<std::string>{"idle"}) << "nothing was played of the hero";
    const std::vector<Call> calls = controlled().callSequence();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), Call::Load), 2);
    EXPECT_TRUE(view().canvas()->showsFrame());
    EXPECT_EQ(view().status()->text(), QString::fromUtf8("已识别 3 个动画"));
}

TEST_F(SlowPreview, AnAnimationReplacedWhileItsFramesAreMadeIsNeverShown)
{
    playHero(1000.0f);
    controlled().control().updateDelayMilliseconds = 300;
    const size_t before = updates().size();
    ASSERT_TRUE(waitFor([&] { return updates().size() > before; })) << "a slow idle frame is being made";

    select(1); // "walk" waits behind that frame,
    select(2); // and "run" makes it obsolete before it starts.
    ASSERT_TRUE(waitFor([&] { return selectedAnimations().back() == "run"; })) << "run is being selected";
    waitForReferenceTicks(3); // playback asks for a frame meanwhile: it waits behind run's selection
    select(1);                // "walk" again makes both obsolete
    // Every animation the window showed meanwhile (each answer takes 300 ms, so none goes unseen).
    std::vector<std::string> shown{window->preview().playingAnimation().toStdString()};
    ASSERT_TRUE(waitFor(
        [&] {
            if (shown.back() != window->preview().playingAnimation().toStdString())
                shown.push_back(window->preview().playingAnimation().toStdString());
            return shown.back() == "walk";
        },
        10000));

    EXPECT_EQ(selectedAnimations(), (std::vector<std::string>{"idle", "run", "walk"}))
        << "the first walk never reached the plugin";
    EXPECT_EQ(shown, (std::vector<std::string>{"idle", "walk"})) << "run's answer was never shown";
    controlled().control().updateDelayMilliseconds = 0;
    EXPECT_TRUE(framesKeepComing()) << "playback goes on with the newest";
    EXPECT_EQ(window->preview().playingAnimation(), "walk");
}

// A skin chosen just before another animation is still applied: only its frame is left unshown.
TEST_F(SlowPreview, ASkinChosenRightBeforeAnotherAnimationIsKept)
{
    install("full");
    configureThreeSkins();
    addHero();
    ASSERT_EQ(controlled().control().currentSkin, 1);
    controlled().control().updateDelayMilliseconds = 200;
    const size_t before = updates().size();
    ASSERT_TRUE(waitFor([&] { return updates().size() > before; })) << "a slow frame is being made";

    view().skinList()->setCurrentIndex(2); // waits behind that frame,
    select(1);                             // and a new pose follows at once
    ASSERT_TRUE(waitFor([&] { return window->preview().playingAnimation() == "walk"; }, 10000));
    controlled().control().updateDelayMilliseconds = 0;
    ASSERT_TRUE(view().waitForPreview());
    EXPECT_EQ(controlled().control().currentSkin, 2);
    EXPECT_EQ(view().canvas()->currentFrame().size(), 2u) << "walk shows with the chosen skin";
}

} // namespace
} // namespace kvx::test
