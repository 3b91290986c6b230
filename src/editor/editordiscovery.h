#pragma once
// Finds the installed Spine Editor and the editor versions in its local update cache.

#include "assets/spineversion.h"

#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

namespace kvx {

using PathList = std::vector<std::filesystem::path>;

// The file to run for a candidate (a folder gets the editor's file name appended; a ".exe" with a
// ".com" beside it becomes the ".com"), or none when it is not an existing regular file.
std::optional<std::filesystem::path> normalizeSpineExecutable(const std::filesystem::path &candidate);

// Standard install locations holding the editor, preferred first, without duplicates.
PathList findSpineInProgramFiles();

// The candidates that are existing regular files, in canonical form, in order, without duplicates.
PathList findExistingExecutables(const PathList &candidates);

// Case-sensitive; any run of backslashes or slashes counts as one separator.
bool sameEditorPath(const std::filesystem::path &a, const std::filesystem::path &b);

// The editor's update cache folders (existence not checked).
PathList defaultUpdateDirectories();

// Ascending, without duplicates; an empty list means the default folders.
std::vector<SpineVersion> listCachedEditorVersions(const PathList &directories = {});

// The greatest cached version of a line such as "4.1".
std::optional<SpineVersion> findCachedEditorVersion(std::string_view line, const PathList &directories = {});

// The same choice over versions listed already (ascending, as listCachedEditorVersions gives them).
std::optional<SpineVersion> greatestVersionOfLine(const std::vector<SpineVersion> &ascending, std::string_view line);

bool isEditorVersionCached(const SpineVersion &version, const PathList &directories = {});

// Orders by major, minor, then patch with an absent patch counting as 0.
bool editorVersionLess(const SpineVersion &a, const SpineVersion &b);

} // namespace kvx
