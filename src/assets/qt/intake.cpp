#include "assets/qt/intake.h"

#include "assets/qt/exportreading.h"
#include "common/qt/pathtext.h"

#include <QDir>
#include <QFileInfo>
#include <QPromise>
#include <QSet>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

namespace kvx {
namespace {

IntakeVerdict verdictFor(const VersionDetection &detection, bool reportProblems)
{
    switch (detection.status) {
    case DetectionStatus::Supported:
        return IntakeVerdict::Listed;
    case DetectionStatus::OpenFailed:
    case DetectionStatus::Unrecognized:
        return reportProblems ? IntakeVerdict::Unrecognized : IntakeVerdict::Ignored;
    case DetectionStatus::Unsupported:
        return reportProblems ? IntakeVerdict::Unsupported : IntakeVerdict::Ignored;
    }
    return IntakeVerdict::Ignored;
}

void scanBatch(QPromise<IntakeOutcome> &promise, const QStringList &paths)
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

IntakeOutcome examineCandidate(const ScanCandidate &candidate)
{
    IntakeOutcome outcome;
    outcome.record = detectExport(candidate.path);
    outcome.verdict = verdictFor(outcome.record.detection, candidate.reportProblems);
    outcome.root = candidate.root;
    return outcome;
}

QString folderWithinRoot(const IntakeOutcome &outcome)
{
    if (outcome.root.isEmpty())
        return QString();
    const QString folder = QFileInfo(toQString(outcome.record.skeleton)).absolutePath();
    const QString relative = QDir(outcome.root).relativeFilePath(folder);
    if (relative == QLatin1String(".") || relative == QLatin1String("..") || relative.startsWith(QLatin1String("../"))
        || QDir::isAbsolutePath(relative))
        return QString();
    return relative;
}

std::vector<IntakeOutcome> takeIn(const QStringList &paths)
{
    std::vector<IntakeOutcome> outcomes;
    QSet<QString> seen;
    for (const QString &path : paths) {
        for (const ScanCandidate &candidate : candidatesFor(path)) {
            if (seen.contains(candidate.path))
                continue;
            IntakeOutcome outcome = examineCandidate(candidate);
            if (outcome.verdict == IntakeVerdict::Ignored)
                continue;
            seen.insert(candidate.path);
            outcomes.push_back(std::move(outcome));
        }
    }
    return outcomes;
}

QFuture<IntakeOutcome> scanResources(QThreadPool *pool, const QStringList &paths)
{
    return QtConcurrent::run(pool, scanBatch, paths);
}

} // namespace kvx
