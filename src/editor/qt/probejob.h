#pragma once
// The pool-thread job behind the window's editor probe.

#include <QString>
#include <filesystem>
#include <string>
#include <utility>

namespace kvx {

// (generation, full editor version text suiting the line, or empty). Cached versions win over
// running the executable. Never throws.
std::pair<int, QString> resolveEditorVersion(const std::string &line, const std::filesystem::path &executable,
                                             int generation);

} // namespace kvx
