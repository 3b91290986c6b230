#pragma once
// Loading a shared library: LoadLibraryW on Windows, dlopen elsewhere.

#include <filesystem>
#include <string>

namespace kvx {

using LibraryHandle = void *;

// Null on failure, with error "LoadLibraryW failed: <code>" or "dlopen failed: <loader message>".
LibraryHandle openLibrary(const std::filesystem::path &path, std::string &error);
void *findLibrarySymbol(LibraryHandle library, const char *name);
void closeLibrary(LibraryHandle library);

// ".dll" on Windows, ".so" elsewhere.
const char *sharedLibrarySuffix();

} // namespace kvx
