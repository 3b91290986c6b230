#pragma once
// Keeps this plugin library loaded once it is in use. The host releases the library when it
// switches skeletons, but the Qt script engine it pulls in cannot be unloaded and loaded again
// inside one process; pinning makes the release a no-op while the host's handle still goes.

namespace kvx::plugin {

void pinThisLibrary();

} // namespace kvx::plugin
