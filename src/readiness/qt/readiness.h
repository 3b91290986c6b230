#pragma once
// Whether one skeleton can be converted now, and with which editor version: the answer the window's
// badge and the command line both show.

#include "assets/versiondetection.h"
#include "readiness/qt/exportcheck.h"
#include "readiness/readinessverdict.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

namespace kvx {

class DetectionCache;

// The editor side, looked at once per run however many skeletons are evaluated.
struct EditorSituation {
    QString editorPath;                       // empty when none was found
    std::vector<SpineVersion> cachedVersions; // ascending
};

// The "spineEditorPath" setting first, then the install search; the update cache listed once.
EditorSituation currentEditorSituation();

struct ReadinessReport {
    QString skeletonPath;
    VersionDetection detection;
    ExportCheck exportCheck;  // filled only when the detection carries a version
    QString line;             // "4.2"; empty without a version
    QString editorPath;
    QString editorVersion;    // the greatest cached version of the line; empty when none
    ReadinessVerdict verdict = ReadinessVerdict::Unknown;
};

// The skeleton is detected afresh (through the cache when one is given).
ReadinessReport evaluateReadiness(const QString &skeletonPath, const EditorSituation &editor,
                                  DetectionCache *cache = nullptr);

// The cached editor version suiting each line, for the lines of the listed skeletons.
QHash<QString, QString> cachedVersionsByLine(const QStringList &skeletonPaths, const EditorSituation &editor,
                                             DetectionCache &cache);

} // namespace kvx
