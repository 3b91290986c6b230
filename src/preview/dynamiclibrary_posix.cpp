#include "preview/dynamiclibrary.h"

#include <dlfcn.h>

namespace kvx {

LibraryHandle openLibrary(const std::filesystem::path &path, std::string &error)
{
    dlerror(); // drop a message left over from an earlier call
    // RTLD_LOCAL keeps each plugin's Spine runtime symbols apart from the other lines'.
    LibraryHandle library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char *message = dlerror();
        error = std::string("dlopen failed: ") + (message ? message : "unknown error");
    }
    return library;
}

void *findLibrarySymbol(LibraryHandle library, const char *name)
{
    return library ? dlsym(library, name) : nullptr;
}

void closeLibrary(LibraryHandle library)
{
    if (library)
        dlclose(library);
}

const char *sharedLibrarySuffix()
{
    return ".so";
}

} // namespace kvx
