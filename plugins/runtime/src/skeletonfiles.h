#pragma once
// The files of one export as the plugin reads them: skeleton data, atlas text, page images.

#include <QByteArray>
#include <QSize>
#include <QString>

#include <string>

namespace kvx::plugin {

struct FileBytes {
    bool ok = false;
    QByteArray bytes;
    std::string error;
};

FileBytes readWholeFile(const QString &path);

// .json is text; .skel, .skel.bytes and anything else is the binary format.
bool isBinarySkeleton(const QString &skeletonPath);

// Skeleton JSON and atlas text as the script takes them: UTF-8 without a byte order mark.
QString decodeText(const QByteArray &bytes);

// Absolute path of an atlas page image: the page name resolved against the atlas's folder.
QString pageImagePath(const QString &atlasPath, const QString &pageName);

// Pixel size from the image header; invalid when the file cannot be read as an image.
QSize pageImageSize(const QString &imagePath);

} // namespace kvx::plugin
