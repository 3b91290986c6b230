// CPU milliseconds per sampleFrame through the host for a 100-bone chain with one 16 × 16 region per
// bone and an animation turning every bone, for each runtime plugin line: as it is, and with every
// region clipped by a concave polygon (a comb of 12 teeth) side by side, their ratio, the time to
// open the plugin and load the skeleton, and the time to measure the animation's whole extent.
// Prints figures only.
//
// kvx-bench-plugins-sampleframe [frames] [line] [plugin folder]
//   default: 600 frames (ten seconds of playback at 60 frames per second), every line, the plugins of
//   this build; another build's plugin folder gives its figures to set beside these.

#include "benchexport.h"
#include "common/qt/pathtext.h"
#include "preview/runtimeplugin.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>
#include <string>

namespace {

using kvx::bench::atlas;
using kvx::bench::rotateKey;
using kvx::bench::writeFile;

constexpr int boneCount = 100;

// A comb spanning the chain's reach: teeth pointing up, notches down to y 0, counter-clockwise.
std::string combClipping()
{
    std::string vertices = "-700, -700, 700, -700";
    for (int tooth = 12; tooth >= 0; --tooth) {
        const int x = -700 + tooth * 1400 / 12;
        vertices += ", " + std::to_string(x) + ", 700";
        if (tooth > 0)
            vertices += ", " + std::to_string(x - 700 / 12) + ", 0";
    }
    return R"({"type": "clipping", "end": "b)" + std::to_string(boneCount - 1) + R"(", "vertexCount": 27, "vertices": [)"
           + vertices + "]}";
}

std::string chainSkeleton(const std::string &line, bool clipped)
{
    std::string bones = R"({"name": "b0"})", slotList, attachments, timelines;
    if (clipped) {
        slotList = R"({"name": "clip", "bone": "b0", "attachment": "clip"}, )";
        attachments = R"("clip": {"clip": )" + combClipping() + "}, ";
    }
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

// CPU time rather than wall time: the frame budget is CPU, and a busy machine stretches the wall clock.
double processCpuMs()
{
    return double(std::clock()) * 1000.0 / CLOCKS_PER_SEC;
}

struct Figures {
    bool ok = false;
    double loadMs = 0.0;
    double frameMs = 0.0;
    double boundsMs = 0.0;
    size_t triangles = 0;
};

std::filesystem::path pluginFolder = KVX_RUNTIME_PLUGIN_DIR;

Figures benchSkeleton(const std::string &line, const QTemporaryDir &folder, int frames, bool clipped)
{
    const std::string name = std::string(clipped ? "clipped-" : "chain-") + line;
    const QString skeletonPath = folder.filePath(QString::fromStdString(name + ".json"));
    const QString atlasPath = folder.filePath(QString::fromStdString(name + ".atlas"));
    Figures figures;
    if (!writeFile(skeletonPath, chainSkeleton(line, clipped)) || !writeFile(atlasPath, atlas(line))) {
        std::printf("%s: could not write the skeleton\n", line.c_str());
        return figures;
    }
    kvx::RuntimePlugin host;
    std::string error;
    QElapsedTimer clock;
    clock.start();
    const bool opened = host.open(pluginFolder / kvx::runtimePluginFileName(line), error);
    const kvx::SkeletonMetadata metadata =
        opened ? host.loadSkeleton(kvx::toPath(skeletonPath), kvx::toPath(atlasPath), 1.0f, error) : kvx::SkeletonMetadata{};
    figures.loadMs = double(clock.nsecsElapsed()) / 1e6;
    if (!metadata.ok || !host.setAnimation("sway", true, error)) {
        std::printf("%s: %s\n", line.c_str(), error.c_str());
        return figures;
    }
    clock.restart();
    if (host.canMeasureAnimations() && !host.animationBounds("sway", error))
        std::printf("%s: %s\n", line.c_str(), error.c_str());
    figures.boundsMs = double(clock.nsecsElapsed()) / 1e6;
    size_t triangles = 0;
    const double cpuStart = processCpuMs();
    for (int i = 0; i < frames; ++i) {
        const kvx::PreviewFrame frame = host.sampleFrame(1.0f / 60.0f, error);
        for (const kvx::DrawItem &item : frame.items)
            triangles += item.indices.size() / 3;
    }
    figures.frameMs = (processCpuMs() - cpuStart) / frames;
    figures.triangles = triangles / size_t(frames);
    figures.ok = true;
    return figures;
}

void benchLine(const std::string &line, const QTemporaryDir &folder, int frames)
{
    const Figures plain = benchSkeleton(line, folder, frames, false);
    const Figures clipped = benchSkeleton(line, folder, frames, true);
    if (!plain.ok || !clipped.ok)
        return;
    std::printf("Spine %s: open + load %.1f ms (clipped %.1f ms); sampleFrame %.3f ms, clipped %.3f ms CPU per frame "
                "(x%.1f; %zu and %zu triangles); whole-animation extent %.1f ms, clipped %.1f ms\n",
                line.c_str(), plain.loadMs, clipped.loadMs, plain.frameMs, clipped.frameMs,
                clipped.frameMs / plain.frameMs, plain.triangles, clipped.triangles, plain.boundsMs, clipped.boundsMs);
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
    const std::string only = argc > 2 ? argv[2] : "";
    if (argc > 3)
        pluginFolder = kvx::toPath(QString::fromLocal8Bit(argv[3]));
    for (const char *line : {"3.8", "4.0", "4.1", "4.2", "4.3"})
        if (only.empty() || only == line)
            benchLine(line, folder, frames);
    return 0;
}
