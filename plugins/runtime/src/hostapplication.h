#pragma once
// The plugin is a product of a plain C interface, so its host need not be a Qt program. QJSEngine
// needs an application object, and Qt ends the process when there is none: the plugin creates
// one when the host has not.

namespace kvx::plugin {

// Creates a core application object on the calling thread unless one exists. It is never
// destroyed: the library is pinned and outlives every context.
void ensureApplication();

} // namespace kvx::plugin
