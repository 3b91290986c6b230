// Milliseconds to open a runtime plugin and load a chain of n bones (each the parent of the
// next), for n doubling up to the plugins' bone limit, with the ratio to the previous n: about 2
// means the load grows linearly, 4 quadratically. Prints figures only.
//
// kvx-bench-plugins-bonechain

#include "benchexport.h"
#include "common/qt/pathtext.h"
#include "preview/runtimeplugin.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <string>

namespace {

using kvx::bench::atlas;
using kvx::bench::writeFile;

std::string chainSkeleton(const std::string &line, int count)
{
    std::string bones = R"({"name": "b0"})";
    for (int i = 1; i < count; ++i)
        bones += R"(, {"name": "b)" + std::to_string(i) + R"(", "parent": "b)" + std::to_string(i - 1) + R"(", "x": 1})";
    const std::string version = line == "3.8" ? "3.8.99" : line + ".20";
    return R"({"skeleton": {"spine": ")" + version + R"("}, "bones": [)" + bones
           + R"(], "slots": [{"name": "s", "bone": "b)" + std::to_string(count - 1)
           + R"(", "attachment": "r"}], "skins": [{"name": "default", "attachments": {"s": {"r": {"width": 16, )"
           + R"("height": 16}}}}]})";
}

// Milliseconds of open and load, or a negative value when the load failed.
double loadMilliseconds(const std::string &line, int count, const QTemporaryDir &folder)
{
    const QString skeletonPath = folder.filePath(QString::fromStdString("chain-" + line + ".json"));
    const QString atlasPath = folder.filePath(QString::fromStdString("chain-" + line + ".atlas"));
    if (!writeFile(skeletonPath, chainSkeleton(line, count)) || !writeFile(atlasPath, atlas(line)))
        return -1;
    kvx::RuntimePlugin host;
    std::string error;
    QElapsedTimer clock;
    clock.start();
    const bool opened = host.open(std::filesystem::path(KVX_RUNTIME_PLUGIN_DIR) / kvx::runtimePluginFileName(line), error);
    const bool loaded = opened && host.loadSkeleton(kvx::toPath(skeletonPath), kvx::toPath(atlasPath), 1.0f, error).ok;
    if (!loaded)
        std::printf("  %d bones: %s\n", count, error.c_str());
    return loaded ? double(clock.nsecsElapsed()) / 1e6 : -1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    QTemporaryDir folder;
    if (!folder.isValid())
        return 1;
    for (const char *line : {"3.8", "4.3"}) {
        std::printf("Spine %s\n", line);
        double previous = -1;
        for (int count : {1250, 2500, 5000, 10000}) {
            const double ms = loadMilliseconds(line, count, folder);
            if (ms < 0)
                continue;
            if (previous > 0)
                std::printf("  %5d bones: %8.1f ms  (x%.2f for twice the bones)\n", count, ms, ms / previous);
            else
                std::printf("  %5d bones: %8.1f ms\n", count, ms);
            previous = ms;
        }
    }
    return 0;
}
