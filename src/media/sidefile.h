#pragma once
// Files an encoder keeps beside its output while it works: created only where nothing exists,
// moved into place without replacing anything, and scratch files that vanish when closed.

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace kvx {

// Creates an empty file; fails (with the system's reason) when anything already has the name.
std::error_code createFileExclusively(const std::filesystem::path &path);

// Gives the file at `from` the name `to` in one step; fails, leaving both as they were, when
// anything already has the name `to`.
std::error_code moveFileWithoutReplacing(const std::filesystem::path &from, const std::filesystem::path &to);

// Whether an error from the two functions above says that the name is taken.
bool isFileNameTaken(std::error_code error);

// A new file for reading and writing (binary) that is gone once closed, even when the process
// ends abruptly where the system allows. Null with `error` set when it cannot be created.
std::FILE *openScratchFile(const std::filesystem::path &path, std::error_code &error);

} // namespace kvx
