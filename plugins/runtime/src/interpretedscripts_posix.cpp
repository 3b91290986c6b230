#include "interpretedscripts.h"

#include <climits>

// QV4::ExecutionEngine::s_jitCallCountThreshold, weak so that a Qt without it loads the plugin.
extern int kvxScriptCompileThreshold __asm__("_ZN3QV415ExecutionEngine23s_jitCallCountThresholdE")
    __attribute__((weak, visibility("default")));

namespace kvx::plugin {

bool keepScriptsInterpreted()
{
    if (&kvxScriptCompileThreshold == nullptr)
        return false;
    kvxScriptCompileThreshold = INT_MAX;
    return true;
}

} // namespace kvx::plugin
