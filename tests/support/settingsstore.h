#pragma once
// A private per-user settings store for one test: QSettings points at a fresh temporary folder and
// everything stored there is cleared again at the end, so no value reaches another test.

#include "support/testfiles.h"

#include <QSettings>
#include <QString>

namespace kvx::test {

class ScopedSettingsStore {
public:
    ScopedSettingsStore()
    {
        // QSettings keeps the folder it found first; it must be named explicitly.
        const QString path = QString::fromStdString((folder / "config").string());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, path);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, path);
        QSettings().clear();
    }
    ~ScopedSettingsStore() { QSettings().clear(); }
    ScopedSettingsStore(const ScopedSettingsStore &) = delete;
    ScopedSettingsStore &operator=(const ScopedSettingsStore &) = delete;

private:
    TempFolder folder;
};

} // namespace kvx::test
