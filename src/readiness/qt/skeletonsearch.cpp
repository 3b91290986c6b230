#include "readiness/qt/skeletonsearch.h"

#include "assets/qt/resourcewalk.h"
#include "common/qt/pathtext.h"

#include <QSet>

namespace kvx {
namespace {

class Search {
public:
    void addPath(const QString &path)
    {
        for (const ScanCandidate &candidate : candidatesFor(path))
            addFile(candidate);
    }

    std::vector<FoundSkeleton> found;

private:
    void addFile(const ScanCandidate &candidate)
    {
        if (seen.contains(candidate.path))
            return;
        VersionDetection detection = detectSpineVersion(toPath(candidate.path));
        if (detection.status != DetectionStatus::Supported && !candidate.reportProblems)
            return;
        seen.insert(candidate.path);
        found.push_back(FoundSkeleton{candidate.path, std::move(detection)});
    }

    QSet<QString> seen;
};

} // namespace

std::vector<FoundSkeleton> findSkeletons(const QStringList &paths)
{
    Search search;
    for (const QString &path : paths)
        search.addPath(path);
    return std::move(search.found);
}

} // namespace kvx
