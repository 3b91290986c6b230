// The window with the real 4.3 runtime plugin installed beside the test binary: a crafted
// skeleton ends in the window's usual failure states, and the window goes on to preview the next
// export.

#include "support/windowfixture.h"
#include "common/qt/pathtext.h"
#include "plugins/exportfixtures.h"
#include "plugins/hostileexports.h"
#include "plugins/pluginharness.h"
#include "app/spinepreviewwidget.h"

#include <QCoreApplication>
#include <QLabel>
#include <gmock/gmock.h>
#include <QDir>

#include <list>

namespace kvx::test {
namespace {

std::filesystem::path installedPluginPath()
{
    return toPath(QDir(QCoreApplication::applicationDirPath()).filePath("runtimes"))
           / runtimePluginFileName("4.3");
}

class HostileWindowTest : public WindowFixture {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(installedPluginPath().parent_path());
        std::filesystem::remove(installedPluginPath());
        // Renamed into place, so no loader ever maps a half-copied file.
        const std::filesystem::path partial = installedPluginPath().string() + ".part";
        std::filesystem::copy_file(runtimePluginPath("4.3"), partial, std::filesystem::copy_options::overwrite_existing);
        std::filesystem::rename(partial, installedPluginPath());
        WindowFixture::SetUp();
    }
    void TearDown() override
    {
        WindowFixture::TearDown(); // releases the plugin first
        std::error_code ignored;
        std::filesystem::remove(installedPluginPath(), ignored);
    }

    // Writes the export into its own folder and makes it the current resource.
    void show(const std::string &skeleton, const std::string &atlas)
    {
        const TempFolder &folder = folders.emplace_back();
        add(test::writeExport(folder, skeleton, atlas).skeleton);
    }

    QString previewMessage() { return view().canvas()->currentMessage(); }
    QString status() { return view().status()->text(); }
    bool playing() { return window->preview().isPlaying(); }

    void expectTheNextExportPlays()
    {
        std::string skeleton = boneChainSkeleton("4.3", 2);
        skeleton.insert(skeleton.rfind('}'),
                        R"(, "animations": {"spin": {"bones": {"b0": {"rotate": )"
                            + rotateTimeline("4.3", {{0, 0}, {1, 90}}) + "}}}}");
        show(skeleton, atlasText("4.3", {{"body", 0, 0, 16, 16}}));
        EXPECT_EQ(status(), QString::fromUtf8("已识别 1 个动画"));
        EXPECT_TRUE(playing());
        EXPECT_TRUE(previewMessage().isEmpty()) << previewMessage().toStdString();
    }

    std::list<TempFolder> folders;
};

TEST_F(HostileWindowTest, AtlasThatCrashedTheEngineLeavesTheWindowPreviewingTheNextExport)
{
    show(boneChainSkeleton("4.3", 2), manyRegionAtlas("4.3", 300000));
    EXPECT_EQ(previewMessage(), QString::fromUtf8("此版本的预览模块仍在接入中"));
    EXPECT_EQ(status(), QString::fromUtf8("资源已识别，可以稍后转换"));
    // The plugin's own reason goes with them.
    EXPECT_FALSE(view().canvas()->currentMessageDetail().isEmpty());
    EXPECT_EQ(view().status()->toolTip(), view().canvas()->currentMessageDetail());
    expectTheNextExportPlays();
}

// Selecting the animation poses the whole chain too, so either the selection or the first
// frames overrun the budget; both end in the window's usual rows.
TEST_F(HostileWindowTest, WorkStoppedByTheWatchdogShowsTheUsualFailureAndTheWindowGoesOn)
{
    {
        const ScopedEnvironment budget("KVX_RUNTIME_FRAME_BUDGET_MS", std::string("1"));
        std::string skeleton = boneChainSkeleton("4.3", 10000);
        skeleton.insert(skeleton.rfind('}'), R"(, "animations": {"spin": {"bones": {"b0": {"rotate": )"
                                                 + rotateTimeline("4.3", {{0, 0}, {1, 90}}) + "}}}}");
        show(skeleton, atlasText("4.3", {{"body", 0, 0, 16, 16}}));
        // A failed sample is tried once more on the next tick, then playback stops.
        ASSERT_TRUE(waitFor([this] { return status().endsWith(" and was stopped; the skeleton is too heavy to preview."); }))
            << status().toStdString();
        ASSERT_TRUE(view().waitForPreview());
    }
    EXPECT_THAT(status().toStdString(),
                ::testing::EndsWith(" took longer than 0.001 s and was stopped; the skeleton is too heavy to preview."));
    if (status().startsWith("Posing the frame"))
        EXPECT_EQ(previewMessage(), QString::fromUtf8("动画预览暂时不可用"));
    else
        EXPECT_THAT(status().toStdString(), ::testing::StartsWith("Selecting the animation"));
    expectTheNextExportPlays();
}

// A measure stopped by the watchdog fails alone: the window frames by the first frame and plays.
TEST_F(HostileWindowTest, MeasureStoppedByTheWatchdogLeavesTheAnimationPlaying)
{
    const ScopedEnvironment budget("KVX_RUNTIME_MEASURE_BUDGET_MS", std::string("1"));
    const ScopedEnvironment sweep("KVX_RUNTIME_MEASURE_SWEEP_MS", std::string("100000"));
    std::string skeleton = boneChainSkeleton("4.3", 1000);
    skeleton.insert(skeleton.rfind('}'), R"(, "animations": {"spin": {"bones": {"b0": {"rotate": )"
                                             + rotateTimeline("4.3", {{0, 0}, {1, 90}}) + "}}}}");
    show(skeleton, atlasText("4.3", {{"body", 0, 0, 16, 16}}));
    EXPECT_EQ(status(), QString::fromUtf8("已识别 1 个动画"));
    EXPECT_TRUE(playing());
    EXPECT_TRUE(previewMessage().isEmpty()) << previewMessage().toStdString();
    // Frames keep coming after the stopped measure, framed by the first one.
    SpinePreviewWidget *canvas = view().canvas();
    EXPECT_TRUE(canvas->showsFrame());
    EXPECT_TRUE(canvas->framing().has_value());
    const std::vector<DrawItem> first = canvas->currentFrame();
    ASSERT_TRUE(waitFor([&] {
        return canvas->showsFrame() && canvas->currentFrame()[0].vertices[0].y != first[0].vertices[0].y;
    }));
    EXPECT_TRUE(playing());
}

} // namespace
} // namespace kvx::test
