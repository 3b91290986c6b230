#pragma once
// Reads the probe job's answer from its future without letting anything escape into the event loop.

#include "assets/spineversion.h"

#include <QFuture>
#include <optional>
#include <utility>

namespace kvx {

using ProbeAnswer = std::pair<int, std::optional<SpineVersion>>; // (generation, version suiting the line)

// The job's answer; a job that threw, was cancelled or left no result answers (fallbackGeneration,
// none), like a probe that found no suitable version.
ProbeAnswer probeAnswer(QFuture<ProbeAnswer> future, int fallbackGeneration);

} // namespace kvx
