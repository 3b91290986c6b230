#pragma once
// The bundled runtime script of one Spine line; bundle.mjs generates the definitions per line.

#include <string_view>

namespace kvx::plugin {

std::string_view embeddedScript();
const char *embeddedLine();        // "4.2"
const char *embeddedRuntimeName(); // the npm package and version the script was bundled from

} // namespace kvx::plugin
