#pragma once
// Moves the finished working folder to its final name in one step.

#include <filesystem>
#include <system_error>

namespace kvx {

// Never replaces or merges into an existing entry at destination: that fails with an error code
// and leaves both folders as they were.
std::error_code publishFolder(const std::filesystem::path &source, const std::filesystem::path &destination);

// Whether publishFolder failed because something already holds the destination's name, so that
// another name may succeed.
bool isNameTaken(const std::error_code &error);

} // namespace kvx
