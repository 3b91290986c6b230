// The window's preview with the test plugin installed as runtimes/kvx-runtime-4.2.<suffix> beside
// the test binary: every row of the preview's states, playback, skins and framing, and the reload
// of the plugin on each change of resource.

#include "support/previewwindow.h"

#include "app/playbackbar.h"
#include "app/spinepreviewwidget.h"
#include "common/qt/pathtext.h"

#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace kvx::test {
namespace {

using testplugin::Call;

class PreviewPlaybackTest : public PreviewWindowTest {
protected:
    void SetUp() override
    {
        PreviewWindowTest::SetUp();
        startMessage = canvas()->currentMessage();
    }

    SpinePreviewWidget *canvas() const { return view().canvas(); }
    QString status() const { return view().status()->text(); }
    QString statusTip() const { return view().status()->toolTip(); }
    QComboBox *animations() const { return view().animationList(); }
    bool playing() const { return window->preview().isPlaying(); }

    QString startMessage;
};

TEST_F(PreviewPlaybackTest, SkeletonWithoutAtlasAsksForTheCompleteExportAndCallsNoPlugin)
{
    install("full");
    add(writeExport("lonely", "hero", false));
    EXPECT_EQ(canvas()->currentMessage(), QString::fromUtf8("没有找到与骨骼数据配套的 .atlas 文件"));
    EXPECT_EQ(status(), QString::fromUtf8("请把完整导出资源一起拖入"));
    EXPECT_TRUE(controlled().calls().empty());
    EXPECT_FALSE(playing());
    EXPECT_FALSE(animations()->isEnabled());
    EXPECT_EQ(animations()->count(), 0);
    EXPECT_FALSE(view().primaryButton()->isEnabled());
}

TEST_F(PreviewPlaybackTest, MissingPluginFileShowsTheLoaderError)
{
    addHero();
    EXPECT_EQ(canvas()->currentMessage(), QString::fromUtf8("暂时无法加载这套资源"));
    const std::string prefix = std::string(sharedLibrarySuffix()) == ".so" ? "dlopen failed: " : "LoadLibraryW failed: ";
    EXPECT_TRUE(status().startsWith(QString::fromStdString(prefix))) << status().toStdString();
    EXPECT_EQ(canvas()->currentMessageDetail(), status());
    EXPECT_FALSE(playing());
}

TEST_F(PreviewPlaybackTest, RequiredOnlyPluginReportsThePreviewAsNotYetAvailable)
{
    install("required");
    addHero();
    EXPECT_EQ(canvas()->currentMessage(), QString::fromUtf8("此版本的预览模块仍在接入中"));
    EXPECT_EQ(status(), QString::fromUtf8("资源已识别，可以稍后转换"));
    EXPECT_FALSE(controlled().callsOf(Call::GetApiVersion).empty()) << "the plugin itself was opened";
    EXPECT_FALSE(canvas()->currentMessageDetail().isEmpty()) << "and says why it cannot play";
    EXPECT_FALSE(animations()->isEnabled());
}

// A skeleton the plugin refuses keeps the window's texts, with the plugin's own reason on the
// canvas and in the status line's tool tip.
TEST_F(PreviewPlaybackTest, RefusedSkeletonShowsThePluginsReason)
{
    install("full");
    controlled().control().failLoad = true;
    controlled().setLastError("Skeleton has 12000 bones; at most 10000 are supported.");
    addHero();
    EXPECT_EQ(canvas()->currentMessage(), QString::fromUtf8("此版本的预览模块仍在接入中"));
    EXPECT_TRUE(canvas()->currentMessageDetail().contains("Skeleton has 12000 bones"))
        << canvas()->currentMessageDetail().toStdString();
    EXPECT_EQ(status(), QString::fromUtf8("资源已识别，可以稍后转换"));
    EXPECT_EQ(statusTip(), canvas()->currentMessageDetail());
    // The plugin was handed the skeleton and its atlas.
    EXPECT_EQ(QString::fromUtf8(controlled().control().loadedSkeletonPath), toQString(exports / "hero/hero.json"));
    EXPECT_EQ(QString::fromUtf8(controlled().control().loadedAtlasPath), toQString(exports / "hero/hero.atlas"));
    EXPECT_FLOAT_EQ(controlled().control().loadedScale, 1.0f);
}

TEST_F(PreviewPlaybackTest, ThreeAnimationsAreListedAndTheFirstPlaysFromItsStart)
{
    install("full");
    configureThreeAnimations();
    addHero();

    ASSERT_EQ(animations()->count(), 3);
    EXPECT_EQ(animations()->itemText(0), "idle");
    EXPECT_EQ(animations()->itemText(1), "walk");
    EXPECT_EQ(animations()->itemText(2), "run");
    EXPECT_EQ(animations()->itemData(1).metaType(), QMetaType::fromType<float>());
    EXPECT_FLOAT_EQ(animations()->itemData(0).toFloat(), 1.25f);
    EXPECT_TRUE(animations()->isEnabled());
    EXPECT_EQ(animations()->currentIndex(), 0);
    EXPECT_EQ(status(), QString::fromUtf8("已识别 3 个动画"));
    EXPECT_TRUE(playing());
    EXPECT_TRUE(view().showsPlaying());
    EXPECT_EQ(window->preview().playingAnimation(), "idle");
    EXPECT_TRUE(canvas()->showsFrame());
    EXPECT_TRUE(framesKeepComing());

    const std::vector<std::string> selected = selectedAnimations();
    ASSERT_FALSE(selected.empty());
    for (const std::string &name : selected)
        EXPECT_EQ(name, "idle");
    for (const testplugin::CallRecord &entry : controlled().callsOf(Call::SetAnimation))
        EXPECT_EQ(entry.loop, 1);
    // The selection samples its first frame at once, with about no time elapsed.
    EXPECT_EQ(callsFrom(Call::SetAnimation).at(1), Call::Update);
    EXPECT_LT(updates().front().seconds, 0.05f);
}

TEST_F(PreviewPlaybackTest, AnimationWithoutANameIsListedButNeverSelected)
{
    install("full");
    configureThreeAnimations();
    controlled().control().nullAnimationName[0] = true;
    addHero();
    ASSERT_EQ(animations()->count(), 3);
    EXPECT_EQ(animations()->itemText(0), QString());
    EXPECT_EQ(status(), QString::fromUtf8("已识别 3 个动画"));
    EXPECT_TRUE(controlled().callsOf(Call::SetAnimation).empty());
    EXPECT_FALSE(playing());

    animations()->setCurrentIndex(1);
    animations()->setCurrentIndex(0);
    ASSERT_TRUE(view().waitForPreview());
    EXPECT_EQ(selectedAnimations(), std::vector<std::string>{"walk"});
    EXPECT_TRUE(playing()) << "the empty name leaves the playing animation alone";
    EXPECT_TRUE(framesKeepComing());
}

TEST_F(PreviewPlaybackTest, PickingAnotherAnimationSelectsItOnceAndSamplesAtOnce)
{
    install("full");
    configureThreeAnimations();
    addHero();
    controlled().clearCalls();

    animations()->setCurrentIndex(1);
    ASSERT_TRUE(view().waitForPreview());
    // Selected and sampled, then measured for its framing.
    const std::vector<Call> selection = callsFrom(Call::SetAnimation);
    ASSERT_GE(selection.size(), 6u);
    EXPECT_EQ(std::vector<Call>(selection.begin(), selection.begin() + 6),
              (std::vector<Call>{Call::SetAnimation, Call::Update, Call::GetDrawCommandCount, Call::GetDrawCommand,
                                 Call::GetDrawCommandDarkColor, Call::GetAnimationBounds}));
    EXPECT_EQ(selectedAnimations(), std::vector<std::string>{"walk"});
    EXPECT_EQ(window->preview().playingAnimation(), "walk");
    EXPECT_TRUE(playing());
    EXPECT_TRUE(framesKeepComing());
    EXPECT_EQ(status(), QString::fromUtf8("已识别 3 个动画"));
}

TEST_F(PreviewPlaybackTest, SkeletonWithoutAnimationsShowsItsSetupPoseWithoutPlayback)
{
    install("full");
    configureOneCommand();
    addHero();
    EXPECT_TRUE(canvas()->showsFrame());
    EXPECT_EQ(status(), QString::fromUtf8("已识别 0 个动画"));
    EXPECT_FALSE(animations()->isEnabled());
    EXPECT_FALSE(playing());
    EXPECT_TRUE(framesStopped());
    const std::vector<testplugin::CallRecord> poses = updates();
    ASSERT_EQ(poses.size(), 1u);
    EXPECT_EQ(poses[0].seconds, 0.0f);
    EXPECT_TRUE(controlled().callsOf(Call::SetAnimation).empty());
}

TEST_F(PreviewPlaybackTest, SkeletonWithoutAnimationsWhoseSetupPoseFailsSaysSo)
{
    install("full");
    controlled().control().failUpdate = true;
    controlled().setLastError("Pose failed.");
    addHero();
    EXPECT_EQ(canvas()->currentMessage(), QString::fromUtf8("没有可播放的动画"));
    EXPECT_EQ(status(), QString::fromUtf8("已识别 0 个动画"));
    EXPECT_FALSE(playing());
}

TEST_F(PreviewPlaybackTest, RejectedFirstAnimationShowsThePluginTextAndLeavesThePreview)
{
    install("full");
    configureThreeAnimations();
    controlled().control().rejectAllAnimations = true;
    controlled().setLastError("Animation not found: idle");
    addHero();
    EXPECT_EQ(status(), QString::fromUtf8("Animation not found: idle"));
    EXPECT_EQ(canvas()->currentMessage(), startMessage);
    EXPECT_FALSE(canvas()->showsFrame());
    EXPECT_FALSE(playing());
    EXPECT_TRUE(animations()->isEnabled());
    EXPECT_TRUE(updates().empty());
}

TEST_F(PreviewPlaybackTest, RejectedLaterAnimationChangesOnlyTheStatus)
{
    install("full");
    configureThreeAnimations();
    addHero();
    controlled().setRejectedAnimation("run");
    animations()->setCurrentIndex(2);
    ASSERT_TRUE(view().waitForPreview());
    EXPECT_EQ(status(), QString::fromUtf8("Animation could not be selected."));
    EXPECT_EQ(window->preview().playingAnimation(), "idle");
    EXPECT_TRUE(framesKeepComing());
    EXPECT_TRUE(canvas()->showsFrame());
}

TEST_F(PreviewPlaybackTest, FailedTickStopsPlaybackUntilAnotherAnimationIsChosen)
{
    install("full");
    configureThreeAnimations();
    addHero();
    ASSERT_TRUE(framesKeepComing());

    controlled().setLastError("Pose failed.");
    controlled().control().failUpdate = true;
    ASSERT_TRUE(waitFor([&] { return canvas()->currentMessage() == QString::fromUtf8("动画预览暂时不可用"); }));
    EXPECT_EQ(status(), QString::fromUtf8("Pose failed."));
    EXPECT_TRUE(framesStopped());

    // Choosing the current item again changes nothing; another one resumes playback.
    controlled().control().failUpdate = false;
    controlled().clearCalls();
    animations()->setCurrentIndex(0);
    EXPECT_TRUE(framesStopped());
    EXPECT_TRUE(controlled().calls().empty());
    animations()->setCurrentIndex(1);
    EXPECT_TRUE(framesKeepComing());
    EXPECT_TRUE(canvas()->showsFrame());
}

TEST_F(PreviewPlaybackTest, FailedFirstSampleIsTriedOnceMore)
{
    install("full");
    configureThreeAnimations();
    controlled().control().failUpdate = true;
    addHero();
    EXPECT_EQ(canvas()->currentMessage(), QString::fromUtf8("动画预览暂时不可用"));
    EXPECT_EQ(status(), QString::fromUtf8("Preview frame could not be sampled."));
    ASSERT_TRUE(waitFor([&] { return updates().size() >= 2; }));
    EXPECT_TRUE(framesStopped());
    EXPECT_EQ(updates().size(), 2u);
}

TEST_F(PreviewPlaybackTest, PluginWithoutDrawingSelectsButShowsNoFrame)
{
    install("playback");
    controlled().setAnimations({{"idle", 1.0f}});
    addHero();
    ASSERT_FALSE(selectedAnimations().empty());
    EXPECT_EQ(selectedAnimations().front(), "idle");
    EXPECT_EQ(canvas()->currentMessage(), QString::fromUtf8("动画预览暂时不可用"));
    EXPECT_EQ(status(), QString::fromUtf8("Runtime plugin does not provide preview drawing."));
}

TEST_F(PreviewPlaybackTest, ChangingTheResourceReloadsThePluginEvenForTheSameLine)
{
    install("full");
    configureThreeAnimations();
    addHero();
    const QString other = writeExport("other", "villain");
    controlled().clearCalls();

    add(other);
    ASSERT_EQ(view().currentPath(), other);
    const std::vector<Call> calls = callsFrom(Call::Destroy);
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[1], Call::GetApiVersion) << "the library is opened anew";
    EXPECT_EQ(calls[2], Call::Create);
    EXPECT_EQ(QString::fromUtf8(controlled().control().loadedSkeletonPath), other);
    EXPECT_EQ(controlled().control().liveContexts, 1u);
    EXPECT_TRUE(playing());
    EXPECT_EQ(animations()->count(), 3);
}

TEST_F(PreviewPlaybackTest, ResourceWithoutAtlasKeepsThePreviousPluginLoaded)
{
    install("full");
    configureThreeAnimations();
    addHero();
    controlled().clearCalls();
    add(writeExport("lonely", "ghost", false));
    EXPECT_FALSE(playing()) << "playback stops with every change of resource";
    EXPECT_TRUE(framesStopped());
    EXPECT_EQ(animations()->count(), 0);
    EXPECT_EQ(controlled().control().liveContexts, 1u);
    // Nothing is loaded, unloaded or selected (a frame playback asked for before may still come).
    for (const Call call : controlled().callSequence())
        EXPECT_TRUE(call == Call::Update || call == Call::GetDrawCommandCount || call == Call::GetDrawCommand
                    || call == Call::GetDrawCommandDarkColor)
            << static_cast<int>(call);
}

TEST_F(PreviewPlaybackTest, PagesTheAtlasDeclaresPremultipliedArePaintedAsSuch)
{
    install("full");
    exports.write("hero/hero.json", kSkeleton42);
    exports.write("hero/hero.atlas", "hero.png\nsize: 64,64\npma: true\nbody\nbounds: 0,0,32,32\n");
    QImage page(8, 8, QImage::Format_ARGB32);
    page.fill(QColor(128, 0, 0, 128)); // premultiplied: full red at half cover
    ASSERT_TRUE(page.save(toQString(exports / "hero/hero.png")));
    controlled().setAnimations({{"idle", 1.0f}});
    configureOneCommand();
    add(toQString(exports / "hero/hero.json"));
    ASSERT_TRUE(canvas()->showsFrame());

    QImage image(QSize(640, 440), QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    canvas()->paintContent(painter, image.size());
    painter.end();
    const QColor inside = image.pixelColor(300, 200); // skeleton (4.5, 4.5), inside the triangle
    EXPECT_NEAR(inside.red(), 136, 2) << "straight would be 72";
    EXPECT_NEAR(inside.green(), 9, 2);
}

TEST_F(PreviewPlaybackTest, ClosingTheWindowReleasesThePlugin)
{
    install("full");
    configureThreeAnimations();
    addHero();
    EXPECT_EQ(controlled().control().liveContexts, 1u);
    closeWindow();
    EXPECT_EQ(controlled().control().liveContexts, 0u);
}

// --- skins and framing ---

class PreviewSkinTest : public PreviewPlaybackTest {
protected:
    QComboBox *skins() const { return view().skinList(); }
};

TEST_F(PreviewSkinTest, SeveralSkinsAreListedOnTheSkinThatDrawsTheMost)
{
    install("full");
    configureThreeSkins();
    addHero();
    EXPECT_TRUE(view().skinListShown());
    ASSERT_EQ(skins()->count(), 3);
    EXPECT_EQ(skins()->itemText(2), "body");
    EXPECT_EQ(skins()->currentText(), "spear");
    EXPECT_EQ(controlled().control().currentSkin, 1);
    EXPECT_EQ(canvas()->currentFrame().size(), 3u);
    // The first animation still plays from its start.
    EXPECT_EQ(selectedAnimations().back(), "idle");
    EXPECT_TRUE(playing());
}

TEST_F(PreviewSkinTest, OneSkinShowsNoList)
{
    install("full");
    configureThreeAnimations();
    controlled().setSkins({"default"});
    addHero();
    EXPECT_FALSE(view().skinListShown());
    EXPECT_TRUE(controlled().callsOf(Call::SetSkin).empty());
}

TEST_F(PreviewSkinTest, PluginWithoutSkinChoiceShowsNoList)
{
    install("drawing");
    configureThreeSkins();
    addHero();
    EXPECT_FALSE(view().skinListShown());
    EXPECT_EQ(skins()->count(), 0);
    EXPECT_EQ(canvas()->currentFrame().size(), 0u) << "no skin was chosen, so the plugin's default shows";
}

TEST_F(PreviewSkinTest, ChoosingASkinReposesTheCurrentFrameWithoutRestarting)
{
    install("full");
    configureThreeSkins();
    addHero();
    controlled().clearCalls();
    skins()->setCurrentIndex(2);
    ASSERT_TRUE(view().waitForPreview());
    EXPECT_EQ(controlled().control().currentSkin, 2);
    EXPECT_EQ(canvas()->currentFrame().size(), 2u);
    EXPECT_TRUE(controlled().callsOf(Call::SetAnimation).empty()) << "the animation goes on";
    // The current pose again, with no time added.
    const std::vector<Call> reposed = callsFrom(Call::SetSkin);
    ASSERT_GE(reposed.size(), 2u);
    EXPECT_EQ(reposed[1], Call::Update);
    const std::vector<testplugin::CallRecord> calls = controlled().calls();
    const auto skinCall = std::find_if(calls.begin(), calls.end(),
                                       [](const testplugin::CallRecord &entry) { return entry.call == Call::SetSkin; });
    EXPECT_EQ(std::next(skinCall)->seconds, 0.0f);
    EXPECT_TRUE(playing());
    EXPECT_TRUE(framesKeepComing());
}

TEST_F(PreviewSkinTest, EachAnimationIsFramedByItsWholeExtent)
{
    install("full");
    configureThreeAnimations();
    controlled().control().bounds = kvxRuntimeBounds{0, 0, -10.0f, -5.0f, 120.0f, 10.0f};
    addHero();
    EXPECT_EQ(canvas()->framing(), std::optional<QRectF>(QRectF(-10, -5, 120, 10)));

    controlled().control().bounds = kvxRuntimeBounds{0, 0, -40.0f, -80.0f, 80.0f, 90.0f};
    controlled().clearCalls();
    animations()->setCurrentIndex(1);
    ASSERT_TRUE(view().waitForPreview());
    const std::vector<testplugin::CallRecord> measured = controlled().callsOf(Call::GetAnimationBounds);
    ASSERT_EQ(measured.size(), 1u);
    EXPECT_STREQ(measured[0].text, "walk");
    EXPECT_EQ(canvas()->framing(), std::optional<QRectF>(QRectF(-40, -80, 80, 90)));
}

TEST_F(PreviewSkinTest, WithoutAMeasureTheFirstFrameFrames)
{
    install("full");
    configureThreeAnimations(); // one command covering (0, 0)–(10, 10)
    controlled().control().failBounds = true;
    addHero();
    EXPECT_EQ(canvas()->framing(), std::optional<QRectF>(QRectF(0, 0, 10, 10)));
}

TEST_F(PreviewSkinTest, PluginThatCannotMeasureIsFramedByTheFirstFrame)
{
    install("drawing");
    configureThreeAnimations();
    addHero();
    EXPECT_EQ(canvas()->framing(), std::optional<QRectF>(QRectF(0, 0, 10, 10)));
}

} // namespace
} // namespace kvx::test
