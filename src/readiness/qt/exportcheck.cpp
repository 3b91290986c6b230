#include "readiness/qt/exportcheck.h"

#include "assets/qt/companionfiles.h"
#include "common/qt/pathtext.h"

#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <system_error>

namespace kvx {

bool pageImageUsable(const QString &imagePath)
{
    std::error_code error;
    // Only a regular file is opened: opening a FIFO would block until a writer comes.
    if (!std::filesystem::is_regular_file(toPath(imagePath), error) || error)
        return false;
    QFile file(imagePath);
    return file.open(QIODevice::ReadOnly);
}

ExportCheck checkExport(const QString &skeletonPath)
{
    ExportCheck check;
    check.atlasPath = findCompanionAtlas(skeletonPath);
    if (check.atlasPath.isEmpty())
        return check;
    check.atlas = readAtlasFile(toPath(check.atlasPath));
    if (!check.atlas.ok) {
        check.completeness = ExportCompleteness::UnreadableAtlas;
        return check;
    }
    for (const AtlasPage &page : check.atlas.pages) {
        const QString name = pageNameText(page);
        if (!pageImageUsable(pageImagePath(check.atlasPath, name)))
            check.missingPages.append(QFileInfo(name).fileName());
    }
    check.completeness = check.missingPages.isEmpty() ? ExportCompleteness::Complete : ExportCompleteness::MissingPage;
    return check;
}

} // namespace kvx
