// Walk and detection of a batch of handed-over paths, usable on any thread.

#include "assets/qt/resourcescan.h"

#include "common/qt/pathtext.h"

#include <QPromise>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

namespace kvx {

namespace {

void scanBatch(QPromise<ScanOutcome> &promise, const QStringList &paths)
{
    const auto cancelled = [&promise] { return promise.isCanceled(); };
    QList<ScanCandidate> candidates;
    for (const QString &path : paths) {
        if (cancelled())
            return;
        candidates.append(candidatesFor(path, cancelled));
    }
    promise.setProgressRange(0, static_cast<int>(candidates.size()));
    int examined = 0;
    for (const ScanCandidate &candidate : std::as_const(candidates)) {
        if (cancelled())
            return;
        promise.addResult(examineCandidate(candidate));
        promise.setProgressValue(++examined);
    }
}

} // namespace

ScanOutcome examineCandidate(const ScanCandidate &candidate)
{
    const VersionDetection detection = detectSpineVersion(toPath(candidate.path));
    ScanOutcome outcome;
    outcome.path = candidate.path;
    outcome.format = detection.format;
    outcome.version = detection.version;
    switch (detection.status) {
    case DetectionStatus::Supported:
        outcome.verdict = ScanVerdict::Listed;
        break;
    case DetectionStatus::OpenFailed:
    case DetectionStatus::Unrecognized:
        outcome.verdict = candidate.reportProblems ? ScanVerdict::Unrecognized : ScanVerdict::Ignored;
        break;
    case DetectionStatus::Unsupported:
        outcome.verdict = candidate.reportProblems ? ScanVerdict::Unsupported : ScanVerdict::Ignored;
        break;
    }
    return outcome;
}

QFuture<ScanOutcome> scanResources(QThreadPool *pool, const QStringList &paths)
{
    return QtConcurrent::run(pool, scanBatch, paths);
}

} // namespace kvx
