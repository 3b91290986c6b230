#pragma once
// Where the runtime plugins are installed: the folder "runtimes" beside the running program.

#include <filesystem>

namespace kvx {

std::filesystem::path installedPluginFolder();

} // namespace kvx
