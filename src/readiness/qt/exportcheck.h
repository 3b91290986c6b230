#pragma once
// Whether a skeleton's export is complete: its companion atlas, readable, and every page image.

#include "assets/atlasreader.h"
#include "readiness/readinessverdict.h"

#include <QString>
#include <QStringList>

namespace kvx {

struct ExportCheck {
    ExportCompleteness completeness = ExportCompleteness::MissingAtlas;
    QString atlasPath;         // empty when there is no companion atlas
    AtlasReadResult atlas;     // read when there is an atlas
    QStringList missingPages;  // file names of the page images that are not usable, in atlas order
};

ExportCheck checkExport(const QString &skeletonPath);

// A page image is usable only as a readable regular file: a folder, a device, a FIFO or a file
// that cannot be opened counts as missing.
bool pageImageUsable(const QString &imagePath);

} // namespace kvx
