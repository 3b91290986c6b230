#pragma once
// Lossless hand-over of paths between Qt text and the file system.

#include <QString>
#include <filesystem>

namespace kvx {

std::filesystem::path toPath(const QString &text);
QString toQString(const std::filesystem::path &path);

} // namespace kvx
