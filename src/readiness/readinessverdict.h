#pragma once
// The decision behind the readiness badge, from facts gathered elsewhere: no files are touched here.

#include "assets/spineversion.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kvx {

enum class ExportCompleteness : int32_t { Complete = 0, MissingAtlas = 1, UnreadableAtlas = 2, MissingPage = 3 };

enum class ReadinessVerdict : int32_t {
    Unknown = 0,         // no current skeleton, or it no longer reads as one: nothing to say
    MissingAtlas = 1,
    UnreadableAtlas = 2,
    MissingPage = 3,
    NoEditor = 4,
    NeedsProbe = 5,      // an editor, but no cached version of the line: ask the editor
    Ready = 6,
    NoSuitableVersion = 7, // the probe found no version of the line
    NotCached = 8,       // the probe found one, but converting with it would trigger a download
};

struct ReadinessFacts {
    std::optional<SpineVersion> dataVersion;
    ExportCompleteness completeness = ExportCompleteness::Complete;
    bool editorFound = false;
    std::optional<SpineVersion> cachedEditorVersion; // the greatest cached version of the data's line
};

// The export's completeness comes before any editor question.
ReadinessVerdict decideReadiness(const ReadinessFacts &facts);

// The verdict on a probe's answer: only a cached version may be converted with.
ReadinessVerdict decideProbeAnswer(const std::optional<SpineVersion> &answered,
                                   const std::vector<SpineVersion> &cachedVersions);

// True for the verdicts that allow converting.
bool canConvert(ReadinessVerdict verdict);

// Stable English names ("ready", "missing-atlas", ...), as the command line reports them.
std::string_view verdictName(ReadinessVerdict verdict);

// "4.1.24, 4.2.43" with the separator given; empty for none.
std::string versionListText(const std::vector<SpineVersion> &versions, std::string_view separator);

} // namespace kvx
