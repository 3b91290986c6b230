#include "modulepin.h"

#include <dlfcn.h>

namespace kvx::plugin {

void pinThisLibrary()
{
    static const bool pinned = [] {
        Dl_info info{};
        if (!dladdr(reinterpret_cast<void *>(&pinThisLibrary), &info) || !info.dli_fname)
            return false;
        // A second reference marked no-delete: the library now outlives every dlclose.
        return dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE) != nullptr;
    }();
    (void)pinned;
}

} // namespace kvx::plugin
