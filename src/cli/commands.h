#pragma once
// The two commands of kovexa-cli; each returns the program's exit code.

#include "cli/cliarguments.h"

#include <QTextStream>

namespace kvx {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitInterrupted = 130;

int runInspect(const CliArguments &arguments, QTextStream &out, QTextStream &err);
// Runs the event loop of the application until the batch ends.
int runConvert(const CliArguments &arguments, QTextStream &out, QTextStream &err);

} // namespace kvx
