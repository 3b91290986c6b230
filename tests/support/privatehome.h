#pragma once
// A user of the test's own: HOME and XDG_CONFIG_HOME in a fresh folder and the settings stored in
// its configuration folder, so that nothing of the machine's user (an installed editor, the update
// cache, remembered settings) reaches the test and nothing the test leaves reaches another. A
// program started with this home (runWithHome) finds what the test stored.

#include "support/settingsstore.h"
#include "support/testfiles.h"

#include <filesystem>
#include <string>

namespace kvx::test {

class PrivateHome {
public:
    // $HOME/Spine/Spine.sh running the stand-in editor, which answers a version probe with output
    // after the delay; named in the settings too, so an editor installed on the machine never
    // takes its place. Returns its path.
    std::filesystem::path installEditor(const std::string &output, int delayMilliseconds = 0) const;
    // The launcher's update cache holds the editor version.
    void cacheEditorVersion(const std::string &version) const;

    TempFolder home;

private:
    ScopedEnvironment homeVariable{"HOME", home.path().string()};
    ScopedEnvironment configVariable{"XDG_CONFIG_HOME", (home / ".config").string()};
    ScopedSettingsStore settings{home / ".config"};
};

} // namespace kvx::test
