#pragma once
// The commands of kovexa-cli; each returns the program's exit code.

#include "cli/cliarguments.h"

#include <QTextStream>

namespace kvx {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitInterrupted = 130;

// Every command first names each PATH that does not exist on err: it goes on with the others and
// exits with at least 1, or stops with 2 when none exists. convert and unpack then make --output
// ready (created when missing, proved writable) and stop with 2 when it cannot be.
int runInspect(const CliArguments &arguments, QTextStream &out, QTextStream &err);
// Runs the event loop of the application until the batch ends.
int runConvert(const CliArguments &arguments, QTextStream &out, QTextStream &err);
// Writes each atlas on a worker thread while the event loop takes Ctrl+C.
int runUnpack(const CliArguments &arguments, QTextStream &out, QTextStream &err);
// Renders on --jobs threads while the event loop takes Ctrl+C and termination requests, which stop
// every job and remove what was unfinished. An animation or skin a skeleton lacks stops the run
// with 2 before anything is written.
int runRender(const CliArguments &arguments, QTextStream &out, QTextStream &err);

} // namespace kvx
