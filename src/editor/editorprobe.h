#pragma once
// Asks an editor executable for its version ("--version") and reads the answer.

#include "assets/spineversion.h"
#include "editor/processrunner.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <regex>
#include <string>
#include <string_view>

namespace kvx {

enum class ProbeStatus : int32_t { Succeeded = 0, TimedOut = 1, Missing = 2, Failed = 3, NotRecognized = 4 };

struct EditorProbeResult {
    std::filesystem::path executable;
    ProbeStatus status = ProbeStatus::NotRecognized;
    std::optional<SpineVersion> launcherVersion;
    std::optional<SpineVersion> probedVersion;
    std::string probedEdition;
    bool timedOut = false;
    int32_t exitCode = -1;
    std::string output;
    std::string message;
};

inline constexpr int64_t kEditorProbeTimeoutMilliseconds = 3000;
// The editor prints its version lines first; the probe keeps this much of its output, so that an
// editor printing without end costs neither memory nor search time beyond it.
inline constexpr size_t kEditorProbeOutputLimit = 64 * 1024;

EditorProbeResult probeSpineEditor(IProcessRunner &runner, const std::filesystem::path &executable,
                                   int64_t timeout);
EditorProbeResult interpretProbeOutput(const std::filesystem::path &executable, const ProcessResult &run);

// The three output patterns, compiled once.
const std::regex &launcherVersionPattern();
const std::regex &editorVersionPattern();
const std::regex &fallbackVersionPattern();

// First match of the pattern; group 2 (or empty) goes to editionTarget when given. The pattern must
// hold the word "Spine": the search looks at bounded windows around it, reading a match whole when
// it ends within 512 bytes of its word (a longer edition line is cut short).
std::optional<SpineVersion> searchVersion(std::string_view text, const std::regex &pattern,
                                          std::string *editionTarget);

} // namespace kvx
