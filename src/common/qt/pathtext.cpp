#include "common/qt/pathtext.h"

#include <QFile>

namespace kvx {

std::filesystem::path toPath(const QString &text)
{
#ifdef _WIN32
    return std::filesystem::path(text.toStdWString());
#else
    // Qt's own file-name encoding, so names Qt listed from the disk come back byte for byte.
    return std::filesystem::path(QFile::encodeName(text).toStdString());
#endif
}

QString toQString(const std::filesystem::path &path)
{
#ifdef _WIN32
    return QString::fromStdWString(path.native());
#else
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
#endif
}

} // namespace kvx
