#include "assets/qt/resourcewalk.h"

#include <QDirIterator>
#include <QFileInfo>

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
        candidates.append({entries.next(), reportProblems, QFileInfo(folder).absoluteFilePath()});
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
        candidates.append({path, true, info.absolutePath()});
    else if (!path.isEmpty()) // an atlas or image: look beside it (beside no path would be the working folder)
        appendSkeletonFilesIn(info.absolutePath(), false, false, cancelled, candidates);
    return candidates;
}

} // namespace kvx
