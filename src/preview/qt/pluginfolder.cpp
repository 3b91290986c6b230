#include "preview/qt/pluginfolder.h"

#include "common/qt/pathtext.h"

#include <QCoreApplication>
#include <QDir>

namespace kvx {

std::filesystem::path installedPluginFolder()
{
    return toPath(QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("runtimes")));
}

} // namespace kvx
