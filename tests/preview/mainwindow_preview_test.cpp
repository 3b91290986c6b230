// The window's preview logic with the test plugin installed as runtimes/kvx-runtime-4.2.<suffix>
// beside the test binary: every row of the preview's states, the playback timer and the reload
// of the plugin on each change of resource.

#include "app/mainwindow.h"

#include "common/qt/pathtext.h"
#include "app/spinepreviewwidget.h"
#include "support/installedplugin.h"
#include "support/mainwindowaccess.h"
#include "support/testfiles.h"
#include "testplugin/testpluginlibrary.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

namespace kvx {
namespace {

using testplugin::Call;
using test::InstalledPlugin;
using test::removeInstalledPlugin;
using test::silentDialogs;
using test::TempFolder;
using test::TestPluginLibrary;

constexpr const char *kSkeleton42 = R"({"skeleton":{"spine":"4.2.43"},"bones":[{"name":"root"}]})";
constexpr const char *kAtlas = "hero.png\nsize: 64,64\nformat: RGBA8888\nfilter: Linear,Linear\nrepeat: none\n"
                               "body\n  bounds: 0,0,32,32\n";

std::vector<std::string> selectedAnimations(const TestPluginLibrary &plugin)
{
    std::vector<std::string> names;
    for (const testplugin::CallRecord &entry : plugin.callsOf(Call::SetAnimation))
        names.push_back(entry.text);
    return names;
}

class PreviewPlaybackTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        removeInstalledPlugin();
        window = std::make_unique<MainWindow>();
        window->setDialogs(silentDialogs());
        access = std::make_unique<MainWindowTestAccess>(*window);
        startMessage = preview()->currentMessage();
    }
    void TearDown() override
    {
        access.reset();
        window.reset(); // releases the plugin before the test's own handle goes
        plugin.reset();
        removeInstalledPlugin();
    }

    void install(const std::string &variant) { plugin = std::make_unique<InstalledPlugin>(variant); }
    TestPluginLibrary &controlled() const { return **plugin; }

    QString writeExport(const std::string &folder, const std::string &name, bool withAtlas = true) const
    {
        const std::filesystem::path skeleton = exports.write(folder + "/" + name + ".json", kSkeleton42);
        if (withAtlas)
            exports.write(folder + "/" + name + ".atlas", kAtlas);
        return toQString(skeleton);
    }
    void add(const QString &path) const { window->addResourcePath(path); }
    void addHero() const { add(writeExport("hero", "hero")); }

    // Three animations and one draw command: what a playing skeleton looks like.
    void configureThreeAnimations() const
    {
        controlled().setAnimations({{"idle", 1.25f}, {"walk", 0.5f}, {"run", 0.75f}});
        configureOneCommand();
    }
    void configureOneCommand() const
    {
        controlled().control().commandCount = 1;
        controlled().setCommand(0, {{0, 0, 0, 0, 0xFFFFFFFF}, {10, 0, 1, 0, 0xFFFFFFFF}, {0, 10, 0, 1, 0xFFFFFFFF}},
                                {0, 1, 2}, toQString(exports / "hero/hero.png").toStdString());
    }

    SpinePreviewWidget *preview() const { return access->previewWidget(); }
    QString status() const { return access->statusLabel()->text(); }
    QComboBox *animations() const { return access->animationCombo(); }
    QTimer *timer() const { return access->playbackTimer(); }

    TempFolder home;
    TempFolder config;
    test::ScopedEnvironment homeVariable{"HOME", home.path().string()};
    test::ScopedEnvironment configVariable{"XDG_CONFIG_HOME", config.path().string()};
    TempFolder exports;
    std::unique_ptr<InstalledPlugin> plugin;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<MainWindowTestAccess> access;
    QString startMessage;
};

TEST_F(PreviewPlaybackTest, SkeletonWithoutAtlasAsksForTheCompleteExportAndCallsNoPlugin)
{
    install("full");
    add(writeExport("lonely", "hero", false));
    EXPECT_EQ(preview()->currentMessage(), QString::fromUtf8("没有找到与骨骼数据配套的 .atlas 文件"));
    EXPECT_EQ(status(), QString::fromUtf8("请把完整导出资源一起拖入"));
    EXPECT_TRUE(controlled().calls().empty());
    EXPECT_FALSE(access->runtimePlugin().isLoaded());
    EXPECT_FALSE(timer()->isActive());
    EXPECT_FALSE(animations()->isEnabled());
    EXPECT_EQ(animations()->count(), 0);
    EXPECT_FALSE(access->primaryButton()->isEnabled());
}

TEST_F(PreviewPlaybackTest, MissingPluginFileShowsTheLoaderError)
{
    addHero();
    EXPECT_EQ(preview()->currentMessage(), QString::fromUtf8("暂时无法加载这套资源"));
    const std::string prefix = std::string(sharedLibrarySuffix()) == ".so" ? "dlopen failed: " : "LoadLibraryW failed: ";
    EXPECT_TRUE(status().startsWith(QString::fromStdString(prefix))) << status().toStdString();
    EXPECT_FALSE(access->runtimePlugin().isLoaded());
    EXPECT_FALSE(timer()->isActive());
}

TEST_F(PreviewPlaybackTest, RequiredOnlyPluginReportsThePreviewAsNotYetAvailable)
{
    install("required");
    addHero();
    EXPECT_EQ(preview()->currentMessage(), QString::fromUtf8("此版本的预览模块仍在接入中"));
    EXPECT_EQ(status(), QString::fromUtf8("资源已识别，可以稍后转换"));
    EXPECT_TRUE(access->runtimePlugin().isLoaded());
    EXPECT_FALSE(animations()->isEnabled());
}

TEST_F(PreviewPlaybackTest, FailedSkeletonLoadHidesThePluginText)
{
    install("full");
    controlled().control().failLoad = true;
    controlled().setLastError("Skeleton data is truncated.");
    addHero();
    EXPECT_EQ(preview()->currentMessage(), QString::fromUtf8("此版本的预览模块仍在接入中"));
    EXPECT_EQ(status(), QString::fromUtf8("资源已识别，可以稍后转换"));
    // The plugin was handed the skeleton and its atlas.
    EXPECT_EQ(QString::fromUtf8(controlled().control().loadedSkeletonPath), toQString(exports / "hero/hero.json"));
    EXPECT_EQ(QString::fromUtf8(controlled().control().loadedAtlasPath), toQString(exports / "hero/hero.atlas"));
    EXPECT_FLOAT_EQ(controlled().control().loadedScale, 1.0f);
}

TEST_F(PreviewPlaybackTest, ThreeAnimationsAreListedAndTheFirstIsSelectedTwice)
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
    EXPECT_TRUE(timer()->isActive());
    EXPECT_EQ(timer()->interval(), 16);
    EXPECT_EQ(timer()->timerType(), Qt::PreciseTimer);
    EXPECT_TRUE(preview()->showsFrame());

    EXPECT_EQ(selectedAnimations(controlled()), (std::vector<std::string>{"idle", "idle"}));
    for (const testplugin::CallRecord &entry : controlled().callsOf(Call::SetAnimation))
        EXPECT_EQ(entry.loop, 1);
    // Each selection samples its first frame at once, with about no time elapsed.
    const std::vector<testplugin::CallRecord> updates = controlled().callsOf(Call::Update);
    ASSERT_EQ(updates.size(), 2u);
    EXPECT_LT(updates[0].seconds, 0.05f);
    EXPECT_LT(updates[1].seconds, 0.05f);
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
    EXPECT_FALSE(timer()->isActive());

    animations()->setCurrentIndex(1);
    animations()->setCurrentIndex(0);
    EXPECT_EQ(selectedAnimations(controlled()), std::vector<std::string>{"walk"});
    EXPECT_TRUE(timer()->isActive()) << "the empty name leaves the playing animation alone";
}

TEST_F(PreviewPlaybackTest, PickingAnotherAnimationSelectsItOnceAndSamplesAtOnce)
{
    install("full");
    configureThreeAnimations();
    addHero();
    controlled().clearCalls();

    animations()->setCurrentIndex(1);
    // Selected, measured for its framing, then sampled.
    EXPECT_EQ(controlled().callSequence(),
              (std::vector<Call>{Call::SetAnimation, Call::GetAnimationBounds, Call::Update, Call::GetDrawCommandCount,
                                 Call::GetDrawCommand, Call::GetDrawCommandDarkColor}));
    EXPECT_EQ(selectedAnimations(controlled()), std::vector<std::string>{"walk"});
    EXPECT_LT(controlled().callsOf(Call::Update).front().seconds, 0.05f);
    EXPECT_TRUE(timer()->isActive());
    EXPECT_EQ(status(), QString::fromUtf8("已识别 3 个动画"));
}

TEST_F(PreviewPlaybackTest, SkeletonWithoutAnimationsShowsItsSetupPoseWithoutPlayback)
{
    install("full");
    configureOneCommand();
    addHero();
    EXPECT_TRUE(preview()->showsFrame());
    EXPECT_EQ(status(), QString::fromUtf8("已识别 0 个动画"));
    EXPECT_FALSE(animations()->isEnabled());
    EXPECT_FALSE(timer()->isActive());
    const std::vector<testplugin::CallRecord> updates = controlled().callsOf(Call::Update);
    ASSERT_EQ(updates.size(), 1u);
    EXPECT_EQ(updates[0].seconds, 0.0f);
    EXPECT_TRUE(controlled().callsOf(Call::SetAnimation).empty());
}

TEST_F(PreviewPlaybackTest, SkeletonWithoutAnimationsWhoseSetupPoseFailsSaysSo)
{
    install("full");
    controlled().control().failUpdate = true;
    controlled().setLastError("Pose failed.");
    addHero();
    EXPECT_EQ(preview()->currentMessage(), QString::fromUtf8("没有可播放的动画"));
    EXPECT_EQ(status(), QString::fromUtf8("已识别 0 个动画"));
    EXPECT_FALSE(timer()->isActive());
}

TEST_F(PreviewPlaybackTest, RejectedFirstAnimationShowsThePluginTextAndLeavesThePreview)
{
    install("full");
    configureThreeAnimations();
    controlled().control().rejectAllAnimations = true;
    controlled().setLastError("Animation not found: idle");
    addHero();
    EXPECT_EQ(status(), QString::fromUtf8("Animation not found: idle"));
    EXPECT_EQ(preview()->currentMessage(), startMessage);
    EXPECT_FALSE(preview()->showsFrame());
    EXPECT_FALSE(timer()->isActive());
    EXPECT_TRUE(animations()->isEnabled());
    EXPECT_TRUE(controlled().callsOf(Call::Update).empty());
}

TEST_F(PreviewPlaybackTest, RejectedLaterAnimationChangesOnlyTheStatus)
{
    install("full");
    configureThreeAnimations();
    addHero();
    controlled().setRejectedAnimation("run");
    animations()->setCurrentIndex(2);
    EXPECT_EQ(status(), QString::fromUtf8("Animation could not be selected."));
    EXPECT_TRUE(timer()->isActive());
    EXPECT_TRUE(preview()->showsFrame());
}

TEST_F(PreviewPlaybackTest, FailedTickStopsPlaybackUntilAnotherAnimationIsChosen)
{
    install("full");
    configureThreeAnimations();
    addHero();
    ASSERT_TRUE(timer()->isActive());

    controlled().control().failUpdate = true;
    controlled().setLastError("Pose failed.");
    access->advancePreview();
    EXPECT_FALSE(timer()->isActive());
    EXPECT_EQ(preview()->currentMessage(), QString::fromUtf8("动画预览暂时不可用"));
    EXPECT_EQ(status(), QString::fromUtf8("Pose failed."));

    // Choosing the current item again changes nothing; another one resumes playback.
    controlled().control().failUpdate = false;
    controlled().clearCalls();
    animations()->setCurrentIndex(0);
    EXPECT_TRUE(controlled().calls().empty());
    EXPECT_FALSE(timer()->isActive());
    animations()->setCurrentIndex(1);
    EXPECT_TRUE(timer()->isActive());
    EXPECT_TRUE(preview()->showsFrame());
}

TEST_F(PreviewPlaybackTest, FailedFirstSampleStillStartsTheTimerForOneMoreTry)
{
    install("full");
    configureThreeAnimations();
    controlled().control().failUpdate = true;
    addHero();
    EXPECT_EQ(preview()->currentMessage(), QString::fromUtf8("动画预览暂时不可用"));
    EXPECT_EQ(status(), QString::fromUtf8("Preview frame could not be sampled."));
    EXPECT_TRUE(timer()->isActive());
    access->advancePreview();
    EXPECT_FALSE(timer()->isActive());
}

TEST_F(PreviewPlaybackTest, PluginWithoutDrawingSelectsButShowsNoFrame)
{
    install("playback");
    controlled().setAnimations({{"idle", 1.0f}});
    addHero();
    EXPECT_EQ(selectedAnimations(controlled()), (std::vector<std::string>{"idle", "idle"}));
    EXPECT_EQ(preview()->currentMessage(), QString::fromUtf8("动画预览暂时不可用"));
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
    ASSERT_EQ(access->resourceCombo()->currentData(Qt::UserRole).toString(), other);
    const std::vector<Call> calls = controlled().callSequence();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[0], Call::Destroy);
    EXPECT_EQ(calls[1], Call::GetApiVersion) << "the library is opened anew";
    EXPECT_EQ(calls[2], Call::Create);
    EXPECT_EQ(QString::fromUtf8(controlled().control().loadedSkeletonPath), other);
    EXPECT_EQ(controlled().control().liveContexts, 1u);
    EXPECT_TRUE(timer()->isActive());
    EXPECT_EQ(animations()->count(), 3);
}

TEST_F(PreviewPlaybackTest, ResourceWithoutAtlasKeepsThePreviousPluginLoaded)
{
    install("full");
    configureThreeAnimations();
    addHero();
    controlled().clearCalls();
    add(writeExport("lonely", "ghost", false));
    EXPECT_FALSE(timer()->isActive()) << "playback stops with every change of resource";
    EXPECT_EQ(animations()->count(), 0);
    EXPECT_TRUE(access->runtimePlugin().isLoaded());
    EXPECT_TRUE(access->runtimePlugin().hasContext());
    EXPECT_TRUE(controlled().calls().empty());
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
    ASSERT_TRUE(preview()->showsFrame());

    QImage image(QSize(640, 440), QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    preview()->paintContent(painter, image.size());
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
    access.reset();
    window.reset();
    EXPECT_EQ(controlled().control().liveContexts, 0u);
}

// --- skins and framing ---

class PreviewSkinTest : public PreviewPlaybackTest {
protected:
    QComboBox *skins() const { return window->findChild<QComboBox *>(QStringLiteral("skinCombo")); }
    bool skinsShown() const { return !skins()->parentWidget()->isHidden(); }

    // Skins whose frames draw 1, 3 and 2 triangles of growing size: "spear" draws the most.
    void configureThreeSkins() const
    {
        controlled().setAnimations({{"idle", 1.0f}, {"walk", 0.5f}});
        controlled().setSkins({"default", "spear", "body"});
        const std::string page = toQString(exports / "hero/hero.png").toStdString();
        for (uint32_t i = 0; i < 3; ++i)
            controlled().setCommand(i, {{0, 0, 0, 0, 0xFFFFFFFF}, {10, 0, 1, 0, 0xFFFFFFFF},
                                        {0, 10.0f * float(i + 1), 0, 1, 0xFFFFFFFF}},
                                    {0, 1, 2}, page);
        controlled().control().commandsBySkin = true;
        controlled().control().skinCommandCounts[0] = 1;
        controlled().control().skinCommandCounts[1] = 3;
        controlled().control().skinCommandCounts[2] = 2;
    }
};

TEST_F(PreviewSkinTest, SeveralSkinsAreListedOnTheSkinThatDrawsTheMost)
{
    install("full");
    configureThreeSkins();
    addHero();
    ASSERT_NE(skins(), nullptr);
    EXPECT_TRUE(skinsShown());
    ASSERT_EQ(skins()->count(), 3);
    EXPECT_EQ(skins()->itemText(2), "body");
    EXPECT_EQ(skins()->currentText(), "spear");
    EXPECT_EQ(controlled().control().currentSkin, 1);
    EXPECT_EQ(preview()->currentFrame().size(), 3u);
    // The first animation still plays from its start.
    EXPECT_EQ(selectedAnimations(controlled()).back(), "idle");
    EXPECT_TRUE(timer()->isActive());
}

TEST_F(PreviewSkinTest, OneSkinShowsNoList)
{
    install("full");
    configureThreeAnimations();
    controlled().setSkins({"default"});
    addHero();
    EXPECT_FALSE(skinsShown());
    EXPECT_TRUE(controlled().callsOf(Call::SetSkin).empty());
}

TEST_F(PreviewSkinTest, PluginWithoutSkinChoiceShowsNoList)
{
    install("drawing");
    configureThreeSkins();
    addHero();
    EXPECT_FALSE(skinsShown());
    EXPECT_EQ(skins()->count(), 0);
    EXPECT_EQ(preview()->currentFrame().size(), 0u) << "no skin was chosen, so the plugin's default shows";
}

TEST_F(PreviewSkinTest, ChoosingASkinReposesTheCurrentFrameWithoutRestarting)
{
    install("full");
    configureThreeSkins();
    addHero();
    controlled().clearCalls();
    skins()->setCurrentIndex(2);
    EXPECT_EQ(controlled().control().currentSkin, 2);
    EXPECT_EQ(preview()->currentFrame().size(), 2u);
    EXPECT_TRUE(controlled().callsOf(Call::SetAnimation).empty()) << "the animation goes on";
    const std::vector<testplugin::CallRecord> updates = controlled().callsOf(Call::Update);
    ASSERT_EQ(updates.size(), 1u);
    EXPECT_EQ(updates[0].seconds, 0.0f);
    EXPECT_TRUE(timer()->isActive());
}

TEST_F(PreviewSkinTest, EachAnimationIsFramedByItsWholeExtent)
{
    install("full");
    configureThreeAnimations();
    controlled().control().bounds = kvxRuntimeBounds{0, 0, -10.0f, -5.0f, 120.0f, 10.0f};
    addHero();
    EXPECT_EQ(preview()->framing(), std::optional<QRectF>(QRectF(-10, -5, 120, 10)));

    controlled().control().bounds = kvxRuntimeBounds{0, 0, -40.0f, -80.0f, 80.0f, 90.0f};
    controlled().clearCalls();
    animations()->setCurrentIndex(1);
    const std::vector<testplugin::CallRecord> measured = controlled().callsOf(Call::GetAnimationBounds);
    ASSERT_EQ(measured.size(), 1u);
    EXPECT_STREQ(measured[0].text, "walk");
    EXPECT_EQ(preview()->framing(), std::optional<QRectF>(QRectF(-40, -80, 80, 90)));
}

TEST_F(PreviewSkinTest, WithoutAMeasureTheFirstFrameFrames)
{
    install("full");
    configureThreeAnimations(); // one command covering (0, 0)–(10, 10)
    controlled().control().failBounds = true;
    addHero();
    EXPECT_EQ(preview()->framing(), std::optional<QRectF>(QRectF(0, 0, 10, 10)));
}

TEST_F(PreviewSkinTest, PluginThatCannotMeasureIsFramedByTheFirstFrame)
{
    install("drawing");
    configureThreeAnimations();
    addHero();
    EXPECT_EQ(preview()->framing(), std::optional<QRectF>(QRectF(0, 0, 10, 10)));
}

} // namespace
} // namespace kvx
