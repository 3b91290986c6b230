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

// Copies a plugin library to where the window looks for it, in place of what was there.
inline void placePlugin(const std::filesystem::path &built, const std::filesystem::path &target)
{
    std::filesystem::create_directories(target.parent_path());
    std::error_code ignored;
    std::filesystem::remove(target, ignored); // never overwrite a file that a loader may still map
    // Renamed into place, so a window of another test never maps a half-copied file.
    const std::filesystem::path partial = target.string() + ".part";
    std::filesystem::copy_file(built, partial, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::rename(partial, target);
}

// A test plugin variant copied to where the window looks for the 4.2 plugin, and reachable by the
// test through the copy (a different file is a different library instance).
class InstalledPlugin {
public:
    explicit InstalledPlugin(const std::string &variant)
    {
        placePlugin(testPluginPath(variant), installedPluginPath());
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

// A built runtime plugin (a real one) where the window looks for its line's plugin, for the
// lifetime of the object; the window using it must end first.
class InstalledRuntimePlugin {
public:
    InstalledRuntimePlugin(const std::filesystem::path &built, const std::string &line)
        : target(runtimesFolder() / runtimePluginFileName(line))
    {
        placePlugin(built, target);
    }
    ~InstalledRuntimePlugin()
    {
        std::error_code ignored;
        std::filesystem::remove(target, ignored);
    }
    InstalledRuntimePlugin(const InstalledRuntimePlugin &) = delete;
    InstalledRuntimePlugin &operator=(const InstalledRuntimePlugin &) = delete;

private:
    std::filesystem::path target;
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
