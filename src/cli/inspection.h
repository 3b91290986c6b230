#pragma once
// What kovexa-cli knows about each skeleton it is given: the intake rules, the readiness the
// window shows, and the editor version that suits it (cached, or asked of the editor).

#include "assets/qt/intake.h"
#include "readiness/readiness.h"

#include <QHash>
#include <QJsonObject>
#include <QString>
#include <string_view>
#include <vector>

namespace kvx {

// Asks the editor for its version at most once per line, with the window's bounded probe.
class EditorVersionResolver {
public:
    explicit EditorVersionResolver(EditorSituation situation) : situation(std::move(situation)) {}

    const EditorSituation &editor() const { return situation; }
    // The version the editor reports for the line, or none.
    std::optional<SpineVersion> probedVersion(const std::string &line);

private:
    EditorSituation situation;
    QHash<QString, std::optional<SpineVersion>> answers;
};

// Every verdict an inspected skeleton file can carry, as the schema documents them.
enum class InspectVerdict {
    Ready,
    MissingAtlas,
    UnreadableAtlas,
    MissingPage,
    NoEditor,
    NotCached,
    NoSuitableVersion,
    Unsupported,
    Unrecognized,
    OpenFailed,
    ChangedWhileReading, // its files kept changing while they were read
};

std::string_view verdictName(InspectVerdict verdict);

struct InspectedSkeleton {
    ReadinessReport readiness;               // the record, and for supported skeletons their readiness
    std::optional<SpineVersion> editorVersion; // the version to convert with, cached or probed
    QString editorVersionSource;             // "cache", "probe" or empty
    InspectVerdict verdict = InspectVerdict::Unrecognized;
    QString folder; // where it lies below the path handed over ("" directly in it)

    const ExportRecord &record() const { return readiness.record; }
    QString path() const;
};

// Each verdict is final: a skeleton that needs a probe has been probed.
std::vector<InspectedSkeleton> inspectSkeletons(const QStringList &paths, EditorVersionResolver &resolver);

// Spine skeleton data, of a supported line or not; other files found are skipped.
bool isSpineSkeleton(const InspectedSkeleton &skeleton);
// English reason why the skeleton cannot be converted; empty when it can.
QString blockingReason(const InspectedSkeleton &skeleton);

QJsonObject inspectionJson(const std::vector<InspectedSkeleton> &skeletons, const EditorSituation &editor);
QString inspectionText(const std::vector<InspectedSkeleton> &skeletons, const EditorSituation &editor);

} // namespace kvx
