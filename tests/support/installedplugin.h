#pragma once
// A test plugin variant copied to where the window looks for the 4.2 runtime plugin
// (runtimes/ beside the test binary), and reachable by the test through the copy: a different file
// is a different library instance. Tests using it need the "runtimes" resource lock.

#include "common/pathtext.h"
#include "preview/runtimeplugin.h"
#include "testplugin/testpluginlibrary.h"

#include <QCoreApplication>
#include <QDir>

#include <filesystem>
#include <memory>
#include <string>

namespace kvx::test {

inline std::filesystem::path installedRuntimesFolder()
{
    return toPath(QDir(QCoreApplication::applicationDirPath()).filePath("runtimes"));
}

inline std::filesystem::path installedPluginPath()
{
    return installedRuntimesFolder() / runtimePluginFileName("4.2");
}

inline void removeInstalledPlugin()
{
    std::error_code ignored;
    std::filesystem::remove(installedPluginPath(), ignored);
}

class InstalledPlugin {
public:
    explicit InstalledPlugin(const std::string &variant)
    {
        std::filesystem::create_directories(installedRuntimesFolder());
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

} // namespace kvx::test
