// Milliseconds to open a skeleton of 5,000, 10,000 and 30,000 skins through the host, per runtime
// plugin line: the load, then the choice of the first skin shown trying every skin without a total
// budget (the old way) next to the choice under its total budget (the way the window opens it),
// with their ratio. Each skin puts a 16 × 16 region on the one slot. Prints figures only.
//
// kvx-bench-plugins-skinchoice [skin counts...]

#include "benchexport.h"
#include "common/qt/pathtext.h"
#include "preview/runtimeplugin.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

using kvx::bench::atlas;
using kvx::bench::writeFile;

constexpr char kBudgetVariable[] = "KVX_RUNTIME_SKIN_CHOICE_BUDGET_MS";

std::string manySkinsSkeleton(const std::string &line, int count)
{
    std::string skins = R"({"name": "default", "attachments": {"s": {"r": {"width": 16, "height": 16}}}})";
    for (int i = 1; i < count; ++i)
        skins += R"(, {"name": "skin)" + std::to_string(i) + R"(", "attachments": {"s": {"r": {"width": 16, "height": 16}}}})";
    const std::string version = line == "3.8" ? "3.8.99" : line + ".20";
    return R"({"skeleton": {"spine": ")" + version + R"("}, "bones": [{"name": "root"}], "slots": [{"name": "s", )"
           + R"("bone": "root", "attachment": "r"}], "skins": [)" + skins + R"(], "animations": {"idle": {}}})";
}

struct Opening {
    double loadMilliseconds = -1;
    double choiceMilliseconds = -1;
    std::optional<size_t> chosen;
};

// One load and one choice; budget empty: the plugin's default.
Opening open(const std::string &line, const QString &skeletonPath, const QString &atlasPath,
             const char *budget)
{
    if (budget)
        qputenv(kBudgetVariable, budget);
    else
        qunsetenv(kBudgetVariable);
    kvx::RuntimePlugin host;
    std::string error;
    Opening opening;
    QElapsedTimer clock;
    clock.start();
    const bool opened = host.open(std::filesystem::path(KVX_RUNTIME_PLUGIN_DIR) / kvx::runtimePluginFileName(line), error);
    const kvx::SkeletonMetadata metadata =
        opened ? host.loadSkeleton(kvx::toPath(skeletonPath), kvx::toPath(atlasPath), 1.0f, error) : kvx::SkeletonMetadata{};
    if (!metadata.ok) {
        std::printf("  load failed: %s\n", error.c_str());
        return opening;
    }
    opening.loadMilliseconds = double(clock.nsecsElapsed()) / 1e6;
    clock.restart();
    opening.chosen = host.chooseInitialSkin(metadata.skins, "idle", error);
    opening.choiceMilliseconds = double(clock.nsecsElapsed()) / 1e6;
    if (!opening.chosen)
        std::printf("  choice failed: %s\n", error.c_str());
    return opening;
}

void benchLine(const std::string &line, const std::vector<int> &counts, const QTemporaryDir &folder)
{
    std::printf("Spine %s           load   every skin   budgeted   ratio   opened in\n", line.c_str());
    const QString atlasPath = folder.filePath(QString::fromStdString("skins-" + line + ".atlas"));
    if (!writeFile(atlasPath, atlas(line)))
        return;
    for (const int count : counts) {
        const QString skeletonPath = folder.filePath(QString::fromStdString("skins-" + line + ".json"));
        if (!writeFile(skeletonPath, manySkinsSkeleton(line, count)))
            return;
        const Opening everySkin = open(line, skeletonPath, atlasPath, "3600000");
        const Opening budgeted = open(line, skeletonPath, atlasPath, nullptr);
        if (everySkin.choiceMilliseconds < 0 || budgeted.choiceMilliseconds < 0)
            continue;
        std::printf("  %5d skins: %7.0f ms %9.0f ms %8.0f ms  x%5.1f  %7.0f ms\n", count, budgeted.loadMilliseconds,
                    everySkin.choiceMilliseconds, budgeted.choiceMilliseconds,
                    everySkin.choiceMilliseconds / std::max(budgeted.choiceMilliseconds, 0.001),
                    budgeted.loadMilliseconds + budgeted.choiceMilliseconds);
        std::fflush(stdout);
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    QTemporaryDir folder;
    if (!folder.isValid())
        return 1;
    std::vector<int> counts;
    for (int i = 1; i < argc; ++i)
        counts.push_back(std::atoi(argv[i]));
    if (counts.empty())
        counts = {5000, 10000, 30000};
    for (const char *line : {"3.8", "4.3"})
        benchLine(line, counts, folder);
    return 0;
}
