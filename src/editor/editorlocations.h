#pragma once
// Where the platform keeps the editor: one implementation file per platform.

#include <filesystem>
#include <vector>

namespace kvx {

// "Spine.com" on Windows, "Spine.sh" elsewhere: appended to a folder candidate.
std::filesystem::path spineExecutableFileName();

// Install locations to test, preferred first (Windows: ProgramFiles, ProgramFiles(x86);
// POSIX: /opt/Spine, $HOME/Spine), each already joined with the executable's name.
std::vector<std::filesystem::path> spineInstallCandidates();

// Update cache folders (Windows: APPDATA, LOCALAPPDATA, USERPROFILE + Spine/updates;
// POSIX: $HOME/.spine/updates).
std::vector<std::filesystem::path> updateDirectoryCandidates();

} // namespace kvx
