#pragma once
// Keeps every script function interpreted. Qt 6.4's engine compiles a function to machine code
// after a few calls, and interrupting the engine (as the watchdog does) while it runs such code
// now and then crashes the process (about one stop in ten in a loop of stops); interpreted code
// stops cleanly. The price is speed: plain frames cost about the same, heavily clipped ones about
// half as much again (kvx-bench-plugins-sampleframe). Qt reads its compile threshold once per
// process and offers no API for it, so this raises the engine's exported threshold setting; it
// does nothing where that setting is not exported. Call it after an engine exists (the first
// engine initialises the setting).

namespace kvx::plugin {

// True when the threshold was raised.
bool keepScriptsInterpreted();

} // namespace kvx::plugin
