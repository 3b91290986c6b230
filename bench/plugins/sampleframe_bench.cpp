// Milliseconds per sampleFrame through the host for a 100-bone chain with one 16 × 16 region per
// bone and an animation turning every bone, for each runtime plugin line. Prints figures only.
//
// kvx-bench-plugins-sampleframe [frames]   (default 600, ten seconds of playback at 60 frames per second)

#include "common/pathtext.h"
#include "preview/runtimeplugin.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <string>

namespace {

constexpr int boneCount = 100;

std::string rotateKey(const std::string &line, double time, double degrees)
{
    const char *valueName = line == "3.8" ? "angle" : "value";
    return "{\"time\": " + std::to_string(time) + ", \"" + valueName + "\": " + std::to_string(degrees) + "}";
}

std::string chainSkeleton(const std::string &line)
{
    std::string bones = R"({"name": "b0"})", slotList, attachments, timelines;
    for (int i = 0; i < boneCount; ++i) {
        const std::string name = "b" + std::to_string(i);
        if (i > 0)
            bones += R"(, {"name": ")" + name + R"(", "parent": "b)" + std::to_string(i - 1) + R"(", "x": 12, "rotation": 3})";
        slotList += std::string(i ? ", " : "") + R"({"name": ")" + name + R"(", "bone": ")" + name + R"(", "attachment": "r"})";
        attachments += std::string(i ? ", " : "") + "\"" + name + R"(": {"r": {"width": 16, "height": 16}})";
        timelines += std::string(i ? ", " : "") + "\"" + name + "\": {\"rotate\": [" + rotateKey(line, 0, 0) + ", "
                     + rotateKey(line, 1, 4) + ", " + rotateKey(line, 2, 0) + "]}";
    }
    const std::string version = line == "3.8" ? "3.8.99" : line + ".20";
    return R"({"skeleton": {"spine": ")" + version + R"("}, "bones": [)" + bones + R"(], "slots": [)" + slotList
           + R"(], "skins": [{"name": "default", "attachments": {)" + attachments
           + R"(}}], "animations": {"sway": {"bones": {)" + timelines + "}}}}";
}

std::string atlas(const std::string &line)
{
    return line == "3.8" ? "\npage.png\nsize: 64,64\nformat: RGBA8888\nfilter: Linear,Linear\nrepeat: none\n"
                           "r\n  rotate: false\n  xy: 0, 0\n  size: 16, 16\n  orig: 16, 16\n  offset: 0, 0\n  index: -1\n"
                         : "page.png\nsize: 64,64\nfilter: Linear,Linear\nr\nbounds: 0,0,16,16\n";
}

bool writeFile(const QString &path, const std::string &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes.data(), qint64(bytes.size())) == qint64(bytes.size());
}

void benchLine(const std::string &line, const QTemporaryDir &folder, int frames)
{
    const QString skeletonPath = folder.filePath(QString::fromStdString("chain-" + line + ".json"));
    const QString atlasPath = folder.filePath(QString::fromStdString("chain-" + line + ".atlas"));
    if (!writeFile(skeletonPath, chainSkeleton(line)) || !writeFile(atlasPath, atlas(line))) {
        std::printf("%s: could not write the skeleton\n", line.c_str());
        return;
    }
    kvx::RuntimePlugin host;
    std::string error;
    QElapsedTimer clock;
    clock.start();
    const bool opened = host.open(std::filesystem::path(KVX_RUNTIME_PLUGIN_DIR) / kvx::runtimePluginFileName(line), error);
    const kvx::SkeletonMetadata metadata =
        opened ? host.loadSkeleton(kvx::toPath(skeletonPath), kvx::toPath(atlasPath), 1.0f, error) : kvx::SkeletonMetadata{};
    const double loadMs = double(clock.nsecsElapsed()) / 1e6;
    if (!metadata.ok || !host.setAnimation("sway", true, error)) {
        std::printf("%s: %s\n", line.c_str(), error.c_str());
        return;
    }
    size_t triangles = 0;
    clock.restart();
    for (int i = 0; i < frames; ++i) {
        const kvx::PreviewFrame frame = host.sampleFrame(1.0f / 60.0f, error);
        for (const kvx::DrawItem &item : frame.items)
            triangles += item.indices.size() / 3;
    }
    const double perFrame = double(clock.nsecsElapsed()) / 1e6 / frames;
    std::printf("Spine %s: open + load %.1f ms, sampleFrame %.3f ms per frame (%zu triangles per frame)\n",
                line.c_str(), loadMs, perFrame, triangles / size_t(frames));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 600;
    QTemporaryDir folder;
    if (!folder.isValid())
        return 1;
    std::printf("%d bones, %d regions, %d frames per line\n", boneCount, boneCount, frames);
    for (const char *line : {"3.8", "4.0", "4.1", "4.2", "4.3"})
        benchLine(line, folder, frames);
    return 0;
}
