#include "preview/dynamiclibrary.h"

#include <windows.h>

namespace kvx {

LibraryHandle openLibrary(const std::filesystem::path &path, std::string &error)
{
    // The path goes to the loader as given (forward slashes included), with the default search order.
    HMODULE module = LoadLibraryW(path.c_str());
    if (!module) {
        const DWORD code = GetLastError();
        error = "LoadLibraryW failed: " + std::to_string(static_cast<unsigned long>(code));
        return nullptr;
    }
    return reinterpret_cast<LibraryHandle>(module);
}

void *findLibrarySymbol(LibraryHandle library, const char *name)
{
    if (!library)
        return nullptr;
    return reinterpret_cast<void *>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void closeLibrary(LibraryHandle library)
{
    if (library)
        FreeLibrary(static_cast<HMODULE>(library));
}

const char *sharedLibrarySuffix()
{
    return ".dll";
}

} // namespace kvx
