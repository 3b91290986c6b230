#include "readiness/readiness.h"

#include "editor/editordiscovery.h"

namespace kvx {

ExportCompleteness completenessOf(const ExportRecord &record)
{
    switch (record.atlasState) {
    case AtlasState::None:
        return ExportCompleteness::MissingAtlas;
    case AtlasState::Unreadable:
        return ExportCompleteness::UnreadableAtlas;
    case AtlasState::Read:
        break;
    }
    for (const PageRecord &page : record.pages) {
        if (!page.present)
            return ExportCompleteness::MissingPage;
    }
    return ExportCompleteness::Complete;
}

ReadinessReport assessReadiness(ExportRecord record, const EditorSituation &editor)
{
    ReadinessReport report;
    ReadinessFacts facts;
    if (record.supported() && record.detection.version) {
        report.line = record.line();
        report.completeness = completenessOf(record);
        facts.dataVersion = record.detection.version;
        facts.completeness = report.completeness;
        facts.editorFound = !editor.editorPath.empty();
        facts.cachedEditorVersion = greatestVersionOfLine(editor.cachedVersions, report.line);
        report.editorVersion = facts.cachedEditorVersion;
    }
    report.verdict = decideReadiness(facts);
    report.record = std::move(record);
    return report;
}

} // namespace kvx
