#pragma once
// Pieces of the generated exports the plugin benchmarks load: one 16 x 16 region on a 64 x 64
// page, in each line's atlas layout, and rotate keys in each line's JSON spelling.

#include <QFile>
#include <QString>
#include <string>

namespace kvx::bench {

inline std::string rotateKey(const std::string &line, double time, double degrees)
{
    const char *valueName = line == "3.8" ? "angle" : "value";
    return "{\"time\": " + std::to_string(time) + ", \"" + valueName + "\": " + std::to_string(degrees) + "}";
}

inline std::string atlas(const std::string &line)
{
    return line == "3.8" ? "\npage.png\nsize: 64,64\nformat: RGBA8888\nfilter: Linear,Linear\nrepeat: none\n"
                           "r\n  rotate: false\n  xy: 0, 0\n  size: 16, 16\n  orig: 16, 16\n  offset: 0, 0\n  index: -1\n"
                         : "page.png\nsize: 64,64\nfilter: Linear,Linear\nr\nbounds: 0,0,16,16\n";
}

inline bool writeFile(const QString &path, const std::string &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes.data(), qint64(bytes.size())) == qint64(bytes.size());
}

} // namespace kvx::bench
