#include "editor/qt/probejob.h"

#include "editor/editordiscovery.h"
#include "editor/editorprobe.h"

namespace kvx {
namespace {

QString versionAnswer(std::string_view line, const std::filesystem::path &executable)
{
    // On disk already: the editor is not run at all.
    if (const std::optional<SpineVersion> cached = findCachedEditorVersion(line))
        return QString::fromStdString(cached->fullText());
    const std::unique_ptr<IProcessRunner> runner = createProcessRunner();
    const EditorProbeResult probe = probeSpineEditor(*runner, executable, kEditorProbeTimeoutMilliseconds);
    // Only the line must match; a version read from a run that timed out or failed still counts.
    if (probe.probedVersion && probe.probedVersion->majorMinorText() == line)
        return QString::fromStdString(probe.probedVersion->fullText());
    return QString();
}

} // namespace

std::pair<int, QString> resolveEditorVersion(const std::string &line, const std::filesystem::path &executable,
                                             int generation)
{
    // An exception stored in the future would be rethrown on the GUI thread when the window reads
    // the answer; any failure here is an empty answer instead.
    try {
        return {generation, versionAnswer(line, executable)};
    } catch (...) {
        return {generation, QString()};
    }
}

} // namespace kvx
