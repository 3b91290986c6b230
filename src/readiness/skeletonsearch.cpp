#include "readiness/skeletonsearch.h"

#include "common/pathtext.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QSet>

namespace kvx {
namespace {

class Search {
public:
    void addPath(const QString &path)
    {
        const QFileInfo info(path);
        if (info.isDir())
            scan(path, true, true);
        else if (hasSkeletonSuffix(path))
            addFile(path, true);
        else if (!path.isEmpty())
            scan(info.absolutePath(), false, false);
    }

    std::vector<FoundSkeleton> found;

private:
    void scan(const QString &folder, bool recursive, bool reportProblems)
    {
        const QStringList patterns{QStringLiteral("*.json"), QStringLiteral("*.skel"), QStringLiteral("*.skel.bytes")};
        QDirIterator entries(folder, patterns, QDir::Files,
                             recursive ? QDirIterator::Subdirectories : QDirIterator::NoIteratorFlags);
        while (entries.hasNext())
            addFile(entries.next(), reportProblems);
    }

    void addFile(const QString &path, bool reportProblems)
    {
        if (seen.contains(path))
            return;
        VersionDetection detection = detectSpineVersion(toPath(path));
        if (detection.status != DetectionStatus::Supported && !reportProblems)
            return;
        seen.insert(path);
        found.push_back(FoundSkeleton{path, std::move(detection)});
    }

    QSet<QString> seen;
};

} // namespace

bool hasSkeletonSuffix(const QString &path)
{
    const QFileInfo info(path);
    return info.suffix().compare(QLatin1String("json"), Qt::CaseInsensitive) == 0
        || info.suffix().compare(QLatin1String("skel"), Qt::CaseInsensitive) == 0
        || info.completeSuffix().compare(QLatin1String("skel.bytes"), Qt::CaseInsensitive) == 0;
}

std::vector<FoundSkeleton> findSkeletons(const QStringList &paths)
{
    Search search;
    for (const QString &path : paths)
        search.addPath(path);
    return std::move(search.found);
}

} // namespace kvx
