#include "editor/editorlocations.h"

#include <cstdlib>
#include <optional>

namespace kvx {
namespace {

// The wide environment holds the exact value; its narrow copy in the ANSI code page has already
// turned characters outside that code page into '?' (a user folder named in another script would
// then never be found). Unset and empty values both count as absent, so that an empty value never
// turns into a folder relative to the current directory.
std::optional<std::filesystem::path> environmentFolder(const wchar_t *name)
{
    const wchar_t *value = _wgetenv(name);
    if (!value || !*value)
        return std::nullopt;
    return std::filesystem::path(value);
}

std::vector<std::filesystem::path> joinedWithEach(std::initializer_list<const wchar_t *> variables,
                                                  const std::filesystem::path &relative)
{
    std::vector<std::filesystem::path> paths;
    for (const wchar_t *variable : variables) {
        if (const auto folder = environmentFolder(variable))
            paths.push_back(*folder / relative);
    }
    return paths;
}

} // namespace

std::filesystem::path spineExecutableFileName()
{
    return L"Spine.com";
}

std::vector<std::filesystem::path> spineInstallCandidates()
{
    return joinedWithEach({L"ProgramFiles", L"ProgramFiles(x86)"},
                          std::filesystem::path(L"Spine") / spineExecutableFileName());
}

std::vector<std::filesystem::path> updateDirectoryCandidates()
{
    return joinedWithEach({L"APPDATA", L"LOCALAPPDATA", L"USERPROFILE"}, std::filesystem::path(L"Spine") / L"updates");
}

} // namespace kvx
