#include "readiness/readinessverdict.h"

#include <algorithm>

namespace kvx {

ReadinessVerdict decideReadiness(const ReadinessFacts &facts)
{
    if (!facts.dataVersion)
        return ReadinessVerdict::Unknown;
    switch (facts.completeness) {
    case ExportCompleteness::MissingAtlas:
        return ReadinessVerdict::MissingAtlas;
    case ExportCompleteness::UnreadableAtlas:
        return ReadinessVerdict::UnreadableAtlas;
    case ExportCompleteness::MissingPage:
        return ReadinessVerdict::MissingPage;
    case ExportCompleteness::Complete:
        break;
    }
    if (!facts.editorFound)
        return ReadinessVerdict::NoEditor;
    return facts.cachedEditorVersion ? ReadinessVerdict::Ready : ReadinessVerdict::NeedsProbe;
}

ReadinessVerdict decideProbeAnswer(const std::optional<SpineVersion> &answered,
                                   const std::vector<SpineVersion> &cachedVersions)
{
    if (!answered)
        return ReadinessVerdict::NoSuitableVersion;
    const bool cached = std::find(cachedVersions.begin(), cachedVersions.end(), *answered) != cachedVersions.end();
    return cached ? ReadinessVerdict::Ready : ReadinessVerdict::NotCached;
}

bool canConvert(ReadinessVerdict verdict)
{
    return verdict == ReadinessVerdict::Ready;
}

std::string_view verdictName(ReadinessVerdict verdict)
{
    switch (verdict) {
    case ReadinessVerdict::Unknown:
        return "unknown";
    case ReadinessVerdict::MissingAtlas:
        return "missing-atlas";
    case ReadinessVerdict::UnreadableAtlas:
        return "unreadable-atlas";
    case ReadinessVerdict::MissingPage:
        return "missing-page";
    case ReadinessVerdict::NoEditor:
        return "no-editor";
    case ReadinessVerdict::NeedsProbe:
        return "needs-probe";
    case ReadinessVerdict::Ready:
        return "ready";
    case ReadinessVerdict::NoSuitableVersion:
        return "no-suitable-version";
    case ReadinessVerdict::NotCached:
        return "not-cached";
    }
    return "unknown";
}

std::string versionListText(const std::vector<SpineVersion> &versions, std::string_view separator)
{
    std::string text;
    for (const SpineVersion &version : versions) {
        if (!text.empty())
            text += separator;
        text += version.fullText();
    }
    return text;
}

} // namespace kvx
