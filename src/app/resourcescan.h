#pragma once
// The part of resource intake that needs no window: walking what the user handed over, detecting
// each skeleton candidate, and doing both off the GUI thread for a whole batch.

#include "assets/versiondetection.h"

#include <QFuture>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QThreadPool;

namespace kvx {

// A file that may be skeleton data. Problems with it are reported only when it was handed over
// directly or found in a handed-over folder, not when found beside an atlas or image.
struct ScanCandidate {
    QString path;
    bool reportProblems = true;
};

enum class ScanVerdict { Listed, Unrecognized, Unsupported, Ignored };

// What intake makes of one candidate.
struct ScanOutcome {
    ScanVerdict verdict = ScanVerdict::Ignored;
    QString path;
    SkeletonFormat format = SkeletonFormat::Unknown;
    std::optional<SpineVersion> version; // for Listed, and for Unsupported when it could be told
};

// True for *.json, *.skel and a complete suffix of skel.bytes, ignoring case.
bool hasSkeletonSuffix(const QString &path);

// The candidates one handed-over path stands for, in the order intake visits them: a folder's
// skeleton files below it, the path itself when named like a skeleton, otherwise the skeleton files
// beside it. Symbolic links to folders are not followed. `cancelled` is polled between entries.
QList<ScanCandidate> candidatesFor(const QString &path, const std::function<bool()> &cancelled = {});

ScanOutcome examineCandidate(const ScanCandidate &candidate);

// Walks every path of the batch, then examines the candidates one by one on the given pool. The
// future carries one outcome per candidate in walk order; its progress range is set to the number
// of candidates once the walk is done and its value counts the examined ones. Cancelling the future
// stops the scan at the next entry.
QFuture<ScanOutcome> scanResources(QThreadPool *pool, const QStringList &paths);

} // namespace kvx
