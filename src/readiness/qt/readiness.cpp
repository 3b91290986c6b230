#include "readiness/qt/readiness.h"

#include "common/qt/pathtext.h"
#include "editor/editordiscovery.h"
#include "editor/qt/editorlocator.h"
#include "readiness/detectioncache.h"

namespace kvx {
namespace {

VersionDetection detect(const QString &path, DetectionCache *cache)
{
    if (path.isEmpty())
        return VersionDetection{};
    return cache ? cache->detect(toPath(path)) : detectSpineVersion(toPath(path));
}

} // namespace

EditorSituation currentEditorSituation()
{
    return EditorSituation{locateSpineEditor(), listCachedEditorVersions()};
}

ReadinessReport evaluateReadiness(const QString &skeletonPath, const EditorSituation &editor, DetectionCache *cache)
{
    ReadinessReport report;
    report.skeletonPath = skeletonPath;
    report.editorPath = editor.editorPath;
    report.detection = detect(skeletonPath, cache);
    ReadinessFacts facts;
    facts.dataVersion = report.detection.version;
    if (facts.dataVersion) {
        const std::string line = facts.dataVersion->majorMinorText();
        report.line = QString::fromStdString(line);
        report.exportCheck = checkExport(skeletonPath);
        facts.completeness = report.exportCheck.completeness;
        facts.editorFound = !editor.editorPath.isEmpty();
        facts.cachedEditorVersion = greatestVersionOfLine(editor.cachedVersions, line);
        if (facts.cachedEditorVersion)
            report.editorVersion = QString::fromStdString(facts.cachedEditorVersion->fullText());
    }
    report.verdict = decideReadiness(facts);
    return report;
}

QHash<QString, QString> cachedVersionsByLine(const QStringList &skeletonPaths, const EditorSituation &editor,
                                             DetectionCache &cache)
{
    QHash<QString, QString> versions;
    for (const QString &path : skeletonPaths) {
        const VersionDetection detection = cache.detect(toPath(path));
        if (!detection.version)
            continue;
        const std::string line = detection.version->majorMinorText();
        if (const std::optional<SpineVersion> cached = greatestVersionOfLine(editor.cachedVersions, line))
            versions.insert(QString::fromStdString(line), QString::fromStdString(cached->fullText()));
    }
    return versions;
}

} // namespace kvx
