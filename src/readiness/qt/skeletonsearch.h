#pragma once
// The intake rules without a window: which skeleton files a list of paths names. A folder is
// searched with its sub-folders; a skeleton file is taken as it is; any other file (an atlas, an
// image) stands for the skeletons beside it, not below.

#include "assets/versiondetection.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace kvx {

struct FoundSkeleton {
    QString path;
    VersionDetection detection;
};

// Supported skeletons, plus the problem files the window would report (named directly or found in
// a named folder); problem files found only beside an atlas or image are left out, as the window
// leaves them unreported. Each path once, in the order the window would list them.
std::vector<FoundSkeleton> findSkeletons(const QStringList &paths);

} // namespace kvx
