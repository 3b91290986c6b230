#pragma once
// The editor side of a readiness run: looked at once per run however many skeletons it assesses.

#include "assets/spineversion.h"

#include <filesystem>
#include <vector>

namespace kvx {

struct EditorSituation {
    std::filesystem::path editorPath;         // empty when none was found
    std::vector<SpineVersion> cachedVersions; // ascending
};

} // namespace kvx
