#pragma once
// The fixture of the window's preview tests: a window with a private HOME and settings, the
// configurable test plugin installed as its 4.2 runtime, exports for it to "load", and what the
// plugin was asked to do. Needs kvx_use_test_plugins on the test target.

#include "support/installedplugin.h"
#include "support/privatehome.h"
#include "support/testfiles.h"
#include "support/waits.h"
#include "support/windowview.h"

#include <gtest/gtest.h>

#include <QString>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace kvx::test {

class PreviewWindowTest : public ::testing::Test, protected PrivateHome {
protected:
    static constexpr const char *kSkeleton42 = R"({"skeleton":{"spine":"4.2.43"},"bones":[{"name":"root"}]})";
    static constexpr const char *kAtlas = "hero.png\nsize: 64,64\nformat: RGBA8888\nfilter: Linear,Linear\n"
                                          "repeat: none\nbody\n  bounds: 0,0,32,32\n";

    void SetUp() override
    {
        removeInstalledPlugin();
        openWindow();
    }
    void TearDown() override
    {
        closeWindow(); // releases the plugin before the test's own handle goes
        plugin.reset();
        removeInstalledPlugin();
    }

    void openWindow(WindowDialogs dialogs = silentDialogs())
    {
        window = std::make_unique<MainWindow>();
        window->setDialogs(std::move(dialogs));
    }
    void closeWindow() { window.reset(); }

    void install(const std::string &variant) { plugin = std::make_unique<InstalledPlugin>(variant); }
    TestPluginLibrary &controlled() const { return **plugin; }
    WindowView view() const { return WindowView(*window); }

    QString writeExport(const std::string &folder, const std::string &name, bool withAtlas = true) const
    {
        const std::filesystem::path skeleton = exports.write(folder + "/" + name + ".json", kSkeleton42);
        if (withAtlas)
            exports.write(folder + "/" + name + ".atlas", kAtlas);
        return toQString(skeleton);
    }
    // Takes the path in as the command line would, and waits for the preview's answers.
    void add(const QString &path) const
    {
        window->addResourcePath(path);
        EXPECT_TRUE(view().waitForPreview());
    }
    void addHero() const { add(writeExport("hero", "hero")); }

    // One draw command: a triangle over (0, 0)–(10, 10) on the hero's page.
    void configureOneCommand() const
    {
        controlled().control().commandCount = 1;
        controlled().setCommand(0, {{0, 0, 0, 0, 0xFFFFFFFF}, {10, 0, 1, 0, 0xFFFFFFFF}, {0, 10, 0, 1, 0xFFFFFFFF}},
                                {0, 1, 2}, toQString(exports / "hero/hero.png").toStdString());
    }
    // Three animations and one draw command: what a playing skeleton looks like.
    void configureThreeAnimations() const
    {
        controlled().setAnimations({{"idle", 1.25f}, {"walk", 0.5f}, {"run", 0.75f}});
        configureOneCommand();
    }
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

    std::vector<testplugin::CallRecord> updates() const { return controlled().callsOf(testplugin::Call::Update); }
    std::vector<std::string> selectedAnimations() const
    {
        std::vector<std::string> names;
        for (const testplugin::CallRecord &entry : controlled().callsOf(testplugin::Call::SetAnimation))
            names.push_back(entry.text);
        return names;
    }
    // The calls from the first of the kind on (one request's calls follow each other on the preview
    // thread, whatever playback asked for before it).
    std::vector<testplugin::Call> callsFrom(testplugin::Call first) const
    {
        std::vector<testplugin::Call> sequence = controlled().callSequence();
        sequence.erase(sequence.begin(), std::find(sequence.begin(), sequence.end(), first));
        return sequence;
    }

    // Playback goes on: the plugin is asked for two more frames.
    bool framesKeepComing() const
    {
        const size_t before = updates().size();
        return waitFor([&] { return updates().size() >= before + 2; }, 5000);
    }
    // Playback stands still: no frame is asked for while a 60 Hz reference timer ticks eight times.
    bool framesStopped() const
    {
        view().waitForPreview();
        const size_t before = updates().size();
        waitForReferenceTicks(8);
        view().waitForPreview();
        return updates().size() == before;
    }

    TempFolder exports;
    std::unique_ptr<InstalledPlugin> plugin;
    std::unique_ptr<MainWindow> window;
};

} // namespace kvx::test
