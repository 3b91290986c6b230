#pragma once
// Ties a skeleton file to its atlas, and an atlas page to its image.

#include <QString>

namespace kvx {

struct AtlasPage;

// Absolute atlas path, or empty when the skeleton has no companion atlas.
QString findCompanionAtlas(const QString &skeletonPath);

// The page name resolved against the atlas's folder (an absolute name stays as it is).
QString pageImagePath(const QString &atlasPath, const QString &pageName);

// The page-name line's bytes read as UTF-8.
QString pageNameText(const AtlasPage &page);

} // namespace kvx
