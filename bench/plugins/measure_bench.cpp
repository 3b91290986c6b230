// Milliseconds to measure an animation's whole extent through the host, per runtime plugin line,
// for a 300-bone chain with a 16 × 16 region on every bone swaying over 10 s (300 poses at 30 a
// second): every pose in order, as the window once waited for on every selection, next to the
// sweep within its budget (coarse to fine, stopping after 150 ms) and a second selection of the
// same animation (the kept box). Also how much of the full box the budgeted one covers.
// Prints figures only.
//
// kvx-bench-plugins-measure

#include "benchexport.h"
#include "common/qt/pathtext.h"
#include "preview/runtimeplugin.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

using kvx::bench::atlas;
using kvx::bench::rotateKey;
using kvx::bench::writeFile;

constexpr int boneCount = 300;

std::string chainSkeleton(const std::string &line)
{
    std::string bones = R"({"name": "b0"})", slotList, attachments, timelines;
    for (int i = 0; i < boneCount; ++i) {
        const std::string name = "b" + std::to_string(i);
        if (i > 0)
            bones += R"(, {"name": ")" + name + R"(", "parent": "b)" + std::to_string(i - 1) + R"(", "x": 4, "rotation": 1})";
        slotList += std::string(i ? ", " : "") + R"({"name": ")" + name + R"(", "bone": ")" + name + R"(", "attachment": "r"})";
        attachments += std::string(i ? ", " : "") + "\"" + name + R"(": {"r": {"width": 16, "height": 16}})";
        timelines += std::string(i ? ", " : "") + "\"" + name + "\": {\"rotate\": [" + rotateKey(line, 0, 0) + ", "
                     + rotateKey(line, 5, 2) + ", " + rotateKey(line, 10, -1) + "]}";
    }
    const std::string version = line == "3.8" ? "3.8.99" : line + ".20";
    return R"({"skeleton": {"spine": ")" + version + R"("}, "bones": [)" + bones + R"(], "slots": [)" + slotList
           + R"(], "skins": [{"name": "default", "attachments": {)" + attachments
           + R"(}}], "animations": {"sway": {"bones": {)" + timelines + "}}}}";
}

struct Measure {
    std::optional<kvx::SkeletonBox> box;
    double milliseconds = 0.0;
};

Measure measure(kvx::RuntimePlugin &host)
{
    std::string error;
    QElapsedTimer clock;
    clock.start();
    Measure result;
    result.box = host.animationBounds("sway", error);
    result.milliseconds = double(clock.nsecsElapsed()) / 1e6;
    if (!result.box)
        std::printf("  %s\n", error.c_str());
    return result;
}

bool open(kvx::RuntimePlugin &host, const std::string &line, const QString &skeletonPath, const QString &atlasPath)
{
    std::string error;
    const bool ok = host.open(std::filesystem::path(KVX_RUNTIME_PLUGIN_DIR) / kvx::runtimePluginFileName(line), error)
                    && host.loadSkeleton(kvx::toPath(skeletonPath), kvx::toPath(atlasPath), 1.0f, error).ok
                    && host.setAnimation("sway", true, error) && host.canMeasureAnimations();
    if (!ok)
        std::printf("Spine %s: %s\n", line.c_str(), error.c_str());
    return ok;
}

void benchLine(const std::string &line, const QTemporaryDir &folder)
{
    const QString skeletonPath = folder.filePath(QString::fromStdString("chain-" + line + ".json"));
    const QString atlasPath = folder.filePath(QString::fromStdString("chain-" + line + ".atlas"));
    if (!writeFile(skeletonPath, chainSkeleton(line)) || !writeFile(atlasPath, atlas(line)))
        return;
    kvx::RuntimePlugin everyPose, budgeted;
    if (!open(everyPose, line, skeletonPath, atlasPath) || !open(budgeted, line, skeletonPath, atlasPath))
        return;
    qputenv("KVX_RUNTIME_MEASURE_SWEEP_MS", "3600000");
    const Measure full = measure(everyPose);
    qunsetenv("KVX_RUNTIME_MEASURE_SWEEP_MS");
    const Measure first = measure(budgeted);
    const Measure again = measure(budgeted);
    if (!full.box || !first.box || !again.box)
        return;
    const double coverage =
        double(first.box->width) * first.box->height / (double(full.box->width) * full.box->height) * 100.0;
    std::printf("Spine %s: every pose %.1f ms; within budget %.1f ms (x%.2f, box %.1f %% of the full one); "
                "selected again %.3f ms\n",
                line.c_str(), full.milliseconds, first.milliseconds, full.milliseconds / first.milliseconds, coverage,
                again.milliseconds);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    QTemporaryDir folder;
    if (!folder.isValid())
        return 1;
    std::printf("%d bones, %d regions, a 10 s animation, 301 poses for the whole sweep\n", boneCount, boneCount);
    for (const char *line : {"3.8", "4.0", "4.1", "4.2", "4.3"})
        benchLine(line, folder);
    return 0;
}
