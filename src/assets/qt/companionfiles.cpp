#include "assets/qt/companionfiles.h"

#include "assets/atlasreader.h"

#include <QDir>
#include <QFileInfo>

namespace kvx {
namespace {

// B + ".atlas", then B + ".atlas.txt", whatever kind of entry carries the name.
QString exactCandidate(const QDir &folder, const QString &baseName)
{
    for (const QString &suffix : {QStringLiteral(".atlas"), QStringLiteral(".atlas.txt")}) {
        const QString candidate = folder.filePath(baseName + suffix);
        if (QFileInfo::exists(candidate))
            return candidate;
    }
    return {};
}

QFileInfoList atlasFilesIn(const QDir &folder)
{
    return folder.entryInfoList({QStringLiteral("*.atlas"), QStringLiteral("*.atlas.txt")}, QDir::Files,
                                QDir::Name | QDir::IgnoreCase);
}

// One name starts with the other, case-sensitively: hero.skel goes with hero.atlas.
bool sharesPrefix(const QString &skeletonBase, const QString &atlasBase)
{
    return skeletonBase.startsWith(atlasBase, Qt::CaseSensitive) || atlasBase.startsWith(skeletonBase, Qt::CaseSensitive);
}

} // namespace

QString findCompanionAtlas(const QString &skeletonPath)
{
    if (skeletonPath.isEmpty())
        return {};
    const QFileInfo skeleton(skeletonPath);
    const QDir folder(skeleton.absolutePath());
    const QString baseName = skeleton.completeBaseName();
    if (const QString exact = exactCandidate(folder, baseName); !exact.isEmpty())
        return exact;
    const QFileInfoList atlases = atlasFilesIn(folder);
    if (atlases.size() == 1)
        return atlases.front().absoluteFilePath();
    for (const QFileInfo &atlas : atlases) {
        if (sharesPrefix(baseName, atlas.completeBaseName()))
            return atlas.absoluteFilePath();
    }
    return {};
}

QString pageImagePath(const QString &atlasPath, const QString &pageName)
{
    return QFileInfo(atlasPath).dir().filePath(pageName);
}

QString pageNameText(const AtlasPage &page)
{
    return QString::fromUtf8(page.rawName.data(), static_cast<qsizetype>(page.rawName.size()));
}

} // namespace kvx
