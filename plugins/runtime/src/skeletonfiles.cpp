#include "skeletonfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

namespace kvx::plugin {

FileBytes readWholeFile(const QString &path)
{
    FileBytes result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = "File could not be opened: " + path.toStdString();
        return result;
    }
    result.bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        result.error = "File could not be read: " + path.toStdString();
        return result;
    }
    result.ok = true;
    return result;
}

bool isBinarySkeleton(const QString &skeletonPath)
{
    return !skeletonPath.endsWith(QStringLiteral(".json"), Qt::CaseInsensitive);
}

QString decodeText(const QByteArray &bytes)
{
    const QByteArray bom("\xEF\xBB\xBF");
    return QString::fromUtf8(bytes.startsWith(bom) ? bytes.mid(bom.size()) : bytes);
}

QString pageImagePath(const QString &atlasPath, const QString &pageName)
{
    const QDir folder = QFileInfo(atlasPath).absoluteDir();
    return QDir::cleanPath(folder.absoluteFilePath(pageName));
}

QSize pageImageSize(const QString &imagePath)
{
    // Reading a FIFO named like a page would never return.
    if (!QFileInfo(imagePath).isFile())
        return QSize();
    QImageReader reader(imagePath);
    return reader.size();
}

} // namespace kvx::plugin
