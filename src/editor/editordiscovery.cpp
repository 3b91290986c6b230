#include "editor/editordiscovery.h"

#include "editor/editorlocations.h"

#include <algorithm>
#include <system_error>
#include <tuple>

namespace kvx {
namespace fs = std::filesystem;
namespace {

// Status queries follow links and never throw: an error reads as "not there".
bool isRegularFile(const fs::path &path)
{
    std::error_code error;
    return fs::is_regular_file(fs::status(path, error));
}

bool isDirectory(const fs::path &path)
{
    std::error_code error;
    return fs::is_directory(fs::status(path, error));
}

// Absolute with ".", ".." and links resolved as far as the path exists; the lexical form when that
// cannot be computed.
fs::path canonicalForm(const fs::path &path)
{
    std::error_code error;
    fs::path canonical = fs::weakly_canonical(path, error);
    if (error)
        canonical = path.lexically_normal();
    return canonical.make_preferred();
}

// Where both exist, the ".com" beside a ".exe" is the editor's console entry point. The extension
// test is exact: ".EXE" does not match.
fs::path preferComSibling(const fs::path &candidate)
{
    if (candidate.extension().native() != fs::path(".exe").native())
        return candidate;
    fs::path sibling = candidate;
    sibling.replace_extension(".com");
    return isRegularFile(sibling) ? sibling : candidate;
}

template <class String>
String withCollapsedSeparators(const String &text)
{
    String collapsed;
    collapsed.reserve(text.size());
    bool afterSeparator = false;
    for (const auto c : text) {
        const bool separator = c == '\\' || c == '/';
        if (!(separator && afterSeparator))
            collapsed.push_back(separator ? '/' : c);
        afterSeparator = separator;
    }
    return collapsed;
}

// A size that cannot be read does not exclude the file; only a known size of 0 does.
bool isNonEmptyRegularFile(const fs::directory_entry &entry)
{
    std::error_code error;
    if (!fs::is_regular_file(entry.status(error)))
        return false;
    const auto size = fs::file_size(entry.path(), error);
    return error || size != 0;
}

// Names that cannot be written in the narrow encoding are never versions.
std::optional<std::string> narrowFileName(const fs::path &path)
{
    try {
        return path.filename().string();
    } catch (...) {
        return std::nullopt;
    }
}

void appendCachedVersions(const fs::path &folder, std::vector<SpineVersion> &versions)
{
    std::error_code error;
    fs::directory_iterator entries(folder, error);
    // A folder that fails half way is treated as ending there, like one that cannot be opened.
    for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
        if (!isNonEmptyRegularFile(*entries))
            continue;
        const std::optional<std::string> name = narrowFileName(entries->path());
        const std::optional<SpineVersion> version = name ? parseSpineVersion(*name) : std::nullopt;
        if (version && std::find(versions.begin(), versions.end(), *version) == versions.end())
            versions.push_back(*version);
    }
}

} // namespace

std::optional<fs::path> normalizeSpineExecutable(const fs::path &candidate)
{
    const fs::path file = isDirectory(candidate) ? candidate / spineExecutableFileName() : preferComSibling(candidate);
    if (!isRegularFile(file))
        return std::nullopt;
    return canonicalForm(file);
}

bool sameEditorPath(const fs::path &a, const fs::path &b)
{
    return withCollapsedSeparators(a.native()) == withCollapsedSeparators(b.native());
}

PathList findExistingExecutables(const PathList &candidates)
{
    PathList found;
    for (const fs::path &candidate : candidates) {
        if (!isRegularFile(candidate))
            continue;
        const fs::path file = canonicalForm(candidate);
        const auto same = [&](const fs::path &known) { return sameEditorPath(known, file); };
        if (std::none_of(found.begin(), found.end(), same))
            found.push_back(file);
    }
    return found;
}

PathList findSpineInProgramFiles()
{
    return findExistingExecutables(spineInstallCandidates());
}

PathList defaultUpdateDirectories()
{
    return updateDirectoryCandidates();
}

std::vector<SpineVersion> listCachedEditorVersions(const PathList &directories)
{
    const PathList folders = directories.empty() ? defaultUpdateDirectories() : directories;
    std::vector<SpineVersion> versions;
    for (const fs::path &folder : folders)
        appendCachedVersions(folder, versions);
    // Stable, so that versions ordering as equal (4.1 and 4.1.0) keep the order they were found in.
    std::stable_sort(versions.begin(), versions.end(), editorVersionLess);
    return versions;
}

std::optional<SpineVersion> findCachedEditorVersion(std::string_view line, const PathList &directories)
{
    return greatestVersionOfLine(listCachedEditorVersions(directories), line);
}

std::optional<SpineVersion> greatestVersionOfLine(const std::vector<SpineVersion> &ascending, std::string_view line)
{
    std::optional<SpineVersion> greatest;
    for (const SpineVersion &version : ascending) {
        if (version.majorMinorText() == line)
            greatest = version;
    }
    return greatest;
}

bool isEditorVersionCached(const SpineVersion &version, const PathList &directories)
{
    const std::vector<SpineVersion> cached = listCachedEditorVersions(directories);
    return std::find(cached.begin(), cached.end(), version) != cached.end();
}

bool editorVersionLess(const SpineVersion &a, const SpineVersion &b)
{
    return std::tuple(a.major, a.minor, a.patch.value_or(0)) < std::tuple(b.major, b.minor, b.patch.value_or(0));
}

} // namespace kvx
