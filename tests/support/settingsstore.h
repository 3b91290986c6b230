#pragma once
// A private per-user settings store for one test: QSettings points at a fresh temporary folder and
// everything stored there is cleared again at the end, so no value reaches another test.

#include "support/testfiles.h"

#include <QSettings>
#include <QString>

namespace kvx::test {

class ScopedSettingsStore {
public:
    ScopedSettingsStore() { use(folder / "config"); }
    // In the given folder (a private home's configuration folder, where a program started with that
    // home finds what the test stored).
    explicit ScopedSettingsStore(const std::filesystem::path &store) { use(store); }
    ~ScopedSettingsStore() { QSettings().clear(); }
    ScopedSettingsStore(const ScopedSettingsStore &) = delete;
    ScopedSettingsStore &operator=(const ScopedSettingsStore &) = delete;

private:
    static void use(const std::filesystem::path &store)
    {
        // QSettings keeps the folder it found first; it must be named explicitly.
        const QString path = QString::fromStdString(store.string());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, path);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, path);
        QSettings().clear();
    }

    TempFolder folder; // unused when a folder is given
};

} // namespace kvx::test
