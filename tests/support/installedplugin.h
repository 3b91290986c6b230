#pragma once
// The test plugin installed where the window looks for the 4.2 runtime plugin
// (runtimes/kvx-runtime-4.2.<suffix> beside the test binary), and dialogs that never open.
// Needs kvx_use_test_plugins on the test target.

#include "app/windowdialogs.h"
#include "common/qt/pathtext.h"
#include "preview/runtimeplugin.h"
#include "testplugin/testpluginlibrary.h"

#include <QCoreApplication>
#include <QDir>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

namespace kvx::test {

inline std::filesystem::path runtimesFolder()
{
    return toPath(QDir(QCoreApplication::applicationDirPath()).filePath("runtimes"));
}

inline std::filesystem::path installedPluginPath()
{
    return runtimesFolder() / runtimePluginFileName("4.2");
}

inline void removeInstalledPlugin()
{
    std::error_code ignored;
    std::filesystem::remove(installedPluginPath(), ignored);
}

// A test plugin variant copied to where the window looks for the 4.2 plugin, and reachable by the
// test through the copy (a different file is a different library instance).
class InstalledPlugin {
public:
    explicit InstalledPlugin(const std::string &variant)
    {
        std::filesystem::create_directories(runtimesFolder());
        removeInstalledPlugin(); // never overwrite a file that a loader may still map
        // Renamed into place, so a window of another test never maps a half-copied file.
        const std::filesystem::path partial = installedPluginPath().string() + ".part";
        std::filesystem::copy_file(testPluginPath(variant), partial, std::filesystem::copy_options::overwrite_existing);
        std::filesystem::rename(partial, installedPluginPath());
        library = std::make_unique<TestPluginLibrary>(installedPluginPath());
    }
    ~InstalledPlugin()
    {
        library.reset();
        removeInstalledPlugin();
    }
    InstalledPlugin(const InstalledPlugin &) = delete;
    InstalledPlugin &operator=(const InstalledPlugin &) = delete;

    TestPluginLibrary &operator*() const { return *library; }
    TestPluginLibrary *operator->() const { return library.get(); }

private:
    std::unique_ptr<TestPluginLibrary> library;
};

inline WindowDialogs silentDialogs()
{
    WindowDialogs dialogs;
    dialogs.chooseResourceFiles = [](QWidget *) { return QStringList(); };
    dialogs.chooseEditorFile = [](QWidget *) { return QString(); };
    dialogs.chooseOutputFolder = [](QWidget *, const QString &) { return QString(); };
    dialogs.showMessage = [](QWidget *, QMessageBox::Icon, const QString &, const QString &) {};
    return dialogs;
}

} // namespace kvx::test
