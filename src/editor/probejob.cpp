#include "editor/probejob.h"

#include "editor/editordiscovery.h"
#include "editor/editorprobe.h"

namespace kvx {
namespace {

std::optional<SpineVersion> versionAnswer(std::string_view line, const std::filesystem::path &executable)
{
    // On disk already: the editor is not run at all.
    if (std::optional<SpineVersion> cached = findCachedEditorVersion(line))
        return cached;
    const std::unique_ptr<IProcessRunner> runner = createProcessRunner();
    const EditorProbeResult probe = probeSpineEditor(*runner, executable, kEditorProbeTimeoutMilliseconds);
    // Only the line must match; a version read from a run that timed out or failed still counts.
    if (probe.probedVersion && probe.probedVersion->majorMinorText() == line)
        return probe.probedVersion;
    return std::nullopt;
}

} // namespace

std::optional<SpineVersion> resolveEditorVersion(std::string_view line, const std::filesystem::path &executable)
{
    try {
        return versionAnswer(line, executable);
    } catch (...) {
        return std::nullopt;
    }
}

} // namespace kvx
