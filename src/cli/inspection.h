#pragma once
// What kovexa-cli knows about each skeleton it is given: the intake rules, the readiness the
// window shows, and the editor version that suits it (cached, or asked of the editor).

#include "readiness/qt/readiness.h"
#include "readiness/qt/skeletonsearch.h"

#include <QHash>
#include <QJsonObject>
#include <QString>
#include <vector>

namespace kvx {

// Asks the editor for its version at most once per line, with the window's bounded probe.
class EditorVersionResolver {
public:
    explicit EditorVersionResolver(EditorSituation situation) : situation(std::move(situation)) {}

    const EditorSituation &editor() const { return situation; }
    // The version the editor reports for the line, or empty.
    QString probedVersion(const QString &line);

private:
    EditorSituation situation;
    QHash<QString, QString> answers;
};

struct SkeletonRecord {
    FoundSkeleton found;
    ReadinessReport readiness;   // only for supported skeletons
    QString editorVersion;       // the version to convert with, cached or probed
    QString editorVersionSource; // "cache", "probe" or empty
    QString verdict;             // verdictName, or how detection refused the file
};

// Each record's verdict is final: a skeleton that needs a probe has been probed.
std::vector<SkeletonRecord> inspectSkeletons(const QStringList &paths, EditorVersionResolver &resolver);

// Spine skeleton data, of a supported line or not; other files found are skipped.
bool isSpineSkeleton(const SkeletonRecord &record);
bool canConvert(const SkeletonRecord &record);
// English reason why the record cannot be converted; empty when it can.
QString blockingReason(const SkeletonRecord &record);

QJsonObject inspectionJson(const std::vector<SkeletonRecord> &records, const EditorSituation &editor);
QString inspectionText(const std::vector<SkeletonRecord> &records, const EditorSituation &editor);

} // namespace kvx
