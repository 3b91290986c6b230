#pragma once
// Reads the probe job's answer from its future without letting anything escape into the event loop.

#include <QFuture>
#include <QString>
#include <utility>

namespace kvx {

// The job's (generation, version text); a job that threw, was cancelled or left no result answers
// (fallbackGeneration, empty), like a probe that found no suitable version.
std::pair<int, QString> probeAnswer(QFuture<std::pair<int, QString>> future, int fallbackGeneration);

} // namespace kvx
