#pragma once
// Which atlases kovexa-cli unpack writes out: those of the skeletons the paths name, by the intake
// rules, and atlases named directly; each atlas once, under the name of what led to it first.

#include <QString>
#include <QStringList>
#include <vector>

namespace kvx {

struct AtlasToUnpack {
    QString atlasPath;   // absolute
    QString folderName;  // the skeleton's name, or the atlas's when it was named directly
};

struct UnpackPlan {
    std::vector<AtlasToUnpack> atlases;
    QStringList skippedLines;  // "skipped PATH: reason" for files that are no Spine skeleton
    QStringList failedLines;   // "failed PATH: ..." for skeletons without a companion atlas
};

UnpackPlan planUnpack(const QStringList &paths);

} // namespace kvx
