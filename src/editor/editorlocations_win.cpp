#include "editor/editorlocations.h"

#include <windows.h>

#include <optional>
#include <string>

namespace kvx {
namespace {

// Read from the process's own wide environment block. The C runtime's copies are no substitute:
// its narrow one has turned characters outside the ANSI code page into '?', and in a program
// entered through main its wide one is converted from that narrow copy on first use. A user
// folder named in another script would then never be found. Unset and empty values both count as
// absent, so that an empty value never turns into a folder relative to the current directory.
std::optional<std::filesystem::path> environmentFolder(const wchar_t *name)
{
    std::wstring value(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
        if (length == 0)
            return std::nullopt;
        if (length < value.size()) {
            value.resize(length);
            return std::filesystem::path(std::move(value));
        }
        value.resize(length); // too small: length is the size needed, terminating zero included
    }
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
