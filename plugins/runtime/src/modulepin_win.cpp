#include "modulepin.h"

#include <windows.h>

namespace kvx::plugin {

void pinThisLibrary()
{
    static const bool pinned = [] {
        HMODULE module = nullptr;
        const DWORD flags = GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN;
        return GetModuleHandleExW(flags, reinterpret_cast<LPCWSTR>(&pinThisLibrary), &module) != 0;
    }();
    (void)pinned;
}

} // namespace kvx::plugin
