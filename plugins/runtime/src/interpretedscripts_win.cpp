#include "interpretedscripts.h"

#include <windows.h>

#include <climits>
#include <initializer_list>

namespace kvx::plugin {

bool keepScriptsInterpreted()
{
    HMODULE qml = GetModuleHandleW(L"Qt6Qml.dll");
    if (!qml)
        qml = GetModuleHandleW(L"Qt6Qmld.dll");
    if (!qml)
        return false;
    // QV4::ExecutionEngine::s_jitCallCountThreshold as MSVC and as MinGW name it.
    for (const char *name : {"?s_jitCallCountThreshold@ExecutionEngine@QV4@@2HA",
                             "_ZN3QV415ExecutionEngine23s_jitCallCountThresholdE"}) {
        if (auto *threshold = reinterpret_cast<int *>(GetProcAddress(qml, name))) {
            *threshold = INT_MAX;
            return true;
        }
    }
    return false;
}

} // namespace kvx::plugin
