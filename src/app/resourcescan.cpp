// Walk and detection of a batch of handed-over paths, usable on any thread.

#include "app/resourcescan.h"

#include "common/pathtext.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QPromise>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

namespace kvx {

namespace {

void appendSkeletonFilesIn(const QString &folder, bool recursive, bool reportProblems,
                           const std::function<bool()> &cancelled, QList<ScanCandidate> &candidates)
{
    const QStringList patterns{QStringLiteral("*.json"), QStringLiteral("*.skel"), QStringLiteral("*.skel.bytes")};
    QDirIterator entries(folder, patterns, QDir::Files,
                         recursive ? QDirIterator::Subdirectories : QDirIterator::NoIteratorFlags);
    while (entries.hasNext()) {
        if (cancelled && cancelled())
            return;
        candidates.append({entries.next(), reportProblems});
    }
}

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

bool hasSkeletonSuffix(const QString &path)
{
    const QFileInfo info(path);
    return info.suffix().compare(QLatin1String("json"), Qt::CaseInsensitive) == 0
        || info.suffix().compare(QLatin1String("skel"), Qt::CaseInsensitive) == 0
        || info.completeSuffix().compare(QLatin1String("skel.bytes"), Qt::CaseInsensitive) == 0;
}

QList<ScanCandidate> candidatesFor(const QString &path, const std::function<bool()> &cancelled)
{
    QList<ScanCandidate> candidates;
    const QFileInfo info(path);
    if (info.isDir())
        appendSkeletonFilesIn(path, true, true, cancelled, candidates);
    else if (hasSkeletonSuffix(path))
        candidates.append({path, true});
    else if (!path.isEmpty()) // an atlas or image: look beside it (beside no path would be the working folder)
        appendSkeletonFilesIn(info.absolutePath(), false, false, cancelled, candidates);
    return candidates;
}

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
