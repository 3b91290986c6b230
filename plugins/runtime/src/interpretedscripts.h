#pragma once
// Keeps every script function interpreted. Qt 6.4's engine compiles a function to machine code
// after a few calls, and interrupting the engine (as the watchdog does) while it runs such code
// now and then crashes the process (about one stop in ten in a loop of stops); interpreted code
// stops cleanly. The price is speed: plain frames cost about the same, heavily clipped ones about
// half as much again (kvx-bench-plugins-sampleframe). Qt's documented switch for this is the
// environment variable QV4_FORCE_INTERPRETER, read when the engine starts running scripts.

namespace kvx::plugin {

// Sets the switch unless the host has; call before the first engine is created.
void keepScriptsInterpreted();

} // namespace kvx::plugin
