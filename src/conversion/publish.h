#pragma once
// Moves finished work (a working folder, or a file written aside) to its final name in one step.

#include "common/failure.h"

#include <filesystem>
#include <system_error>

namespace kvx {

// Never replaces or merges into an existing entry at destination: that fails with an error code
// and leaves both as they were. A file keeps the permissions it was created with; a folder gets
// those a new folder would get.
std::error_code publishFolder(const std::filesystem::path &source, const std::filesystem::path &destination);

// Whether publishFolder failed because something already holds the destination's name, so that
// another name may succeed.
bool isNameTaken(const std::error_code &error);

// Publishes source as parent / baseName + suffix or, when that name is taken, under the first free
// one of "baseName-2" + suffix, "baseName-3" + suffix, ... (the suffix is a file's extension, or
// nothing); a name taken meanwhile moves on to the next. Returns the path it became; FolderCreate
// with the system's reason otherwise.
Result<std::filesystem::path> publishUnderFreeName(const std::filesystem::path &source,
                                                   const std::filesystem::path &parent,
                                                   const std::filesystem::path &baseName,
                                                   const std::filesystem::path &suffix = {});

} // namespace kvx
