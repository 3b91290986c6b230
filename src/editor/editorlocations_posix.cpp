#include "editor/editorlocations.h"

#include <cstdlib>
#include <optional>

namespace kvx {
namespace {

// An unset or empty HOME gives no folder, never one relative to the current directory.
std::optional<std::filesystem::path> homeFolder()
{
    const char *home = std::getenv("HOME");
    if (!home || !*home)
        return std::nullopt;
    return std::filesystem::path(home);
}

} // namespace

std::filesystem::path spineExecutableFileName()
{
    return "Spine.sh";
}

std::vector<std::filesystem::path> spineInstallCandidates()
{
    std::vector<std::filesystem::path> candidates{std::filesystem::path("/opt/Spine") / spineExecutableFileName()};
    if (const auto home = homeFolder())
        candidates.push_back(*home / "Spine" / spineExecutableFileName());
    return candidates;
}

std::vector<std::filesystem::path> updateDirectoryCandidates()
{
    if (const auto home = homeFolder())
        return {*home / ".spine" / "updates"};
    return {};
}

} // namespace kvx
