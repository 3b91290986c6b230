#pragma once
// The part of resource intake that needs no window: walking what the user handed over, detecting
// each skeleton candidate, and doing both off the GUI thread for a whole batch.

#include "assets/qt/resourcewalk.h"
#include "assets/versiondetection.h"

#include <QFuture>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QThreadPool;

namespace kvx {

enum class ScanVerdict { Listed, Unrecognized, Unsupported, Ignored };

// What intake makes of one candidate.
struct ScanOutcome {
    ScanVerdict verdict = ScanVerdict::Ignored;
    QString path;
    SkeletonFormat format = SkeletonFormat::Unknown;
    std::optional<SpineVersion> version; // for Listed, and for Unsupported when it could be told
};

ScanOutcome examineCandidate(const ScanCandidate &candidate);

// Walks every path of the batch, then examines the candidates one by one on the given pool. The
// future carries one outcome per candidate in walk order; its progress range is set to the number
// of candidates once the walk is done and its value counts the examined ones. Cancelling the future
// stops the scan at the next entry.
QFuture<ScanOutcome> scanResources(QThreadPool *pool, const QStringList &paths);

} // namespace kvx
