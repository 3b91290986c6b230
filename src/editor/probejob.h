#pragma once
// The job behind the editor probe, for a pool thread: the editor version that suits a line.

#include "assets/spineversion.h"

#include <filesystem>
#include <optional>
#include <string_view>

namespace kvx {

// The full editor version suiting the line, or none. Cached versions win over running the
// executable. Never throws: an exception would otherwise reach whoever reads the job's answer.
std::optional<SpineVersion> resolveEditorVersion(std::string_view line, const std::filesystem::path &executable);

} // namespace kvx
