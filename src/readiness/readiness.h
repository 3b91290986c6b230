#pragma once
// Whether one export can be converted now, and with which editor version: the answer the window's
// badge and the command line both show, decided from an export record and the editor side alone.

#include "assets/exportrecord.h"
#include "editor/editorsituation.h"
#include "readiness/readinessverdict.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kvx {

struct ReadinessReport {
    ExportRecord record;
    std::string line;                          // "4.2"; empty without a version
    ExportCompleteness completeness = ExportCompleteness::MissingAtlas;
    std::optional<SpineVersion> editorVersion; // the greatest cached version of the line
    ReadinessVerdict verdict = ReadinessVerdict::Unknown;
};

ExportCompleteness completenessOf(const ExportRecord &record);

// The record must have been refreshed with its atlas for the completeness to count.
ReadinessReport assessReadiness(ExportRecord record, const EditorSituation &editor);

} // namespace kvx
