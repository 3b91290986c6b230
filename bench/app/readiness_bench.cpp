// Times one readiness run of the window with 1,000 listed skeletons of mixed Spine lines, an editor
// in place and a populated update cache (everything in a private temporary HOME): the way it works
// now (detection kept per file, the update cache listed once) beside the earlier way (every listed
// file detected and the update cache listed once per skeleton), and kovexa-cli's inspect over the
// same folder.

#include "app/mainwindow.h"
#include "app/readinesspresenter.h"

#include "assets/atlasreader.h"
#include "assets/qt/companionfiles.h"
#include "assets/versiondetection.h"
#include "cli/inspection.h"
#include "common/qt/pathtext.h"
#include "editor/editordiscovery.h"
#include "editor/qt/editorlocator.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QSettings>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kSkeletons = 1000;
constexpr int kRuns = 20;
const char *const lines[] = {"3.8.99", "4.0.64", "4.1.24", "4.2.43", "4.3.1"};

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

void writeExports(const QString &root)
{
    for (int i = 0; i < kSkeletons; ++i) {
        const QString folder = QStringLiteral("%1/export%2").arg(root).arg(i);
        const QByteArray version = lines[i % 5];
        writeFile(folder + QStringLiteral("/hero.json"),
                  "{\"skeleton\":{\"hash\":\"h\",\"spine\":\"" + version + "\"},\"bones\":[{\"name\":\"root\"}]}");
        writeFile(folder + QStringLiteral("/hero.atlas"),
                  "\nhero.png\nsize: 64, 64\nformat: RGBA8888\nfilter: Linear, Linear\nrepeat: none\n"
                  "body\n  bounds: 0, 0, 8, 8\n\nhero_2.png\nsize: 64, 64\nhead\n  bounds: 0, 0, 8, 8\n");
        writeFile(folder + QStringLiteral("/hero.png"), "png");
        writeFile(folder + QStringLiteral("/hero_2.png"), "png");
    }
}

void prepareHome(const QString &home)
{
    writeFile(home + QStringLiteral("/Spine/Spine.sh"), "#!/bin/sh\n");
    for (const char *version : {"3.8.99", "4.0.64", "4.1.9", "4.1.24", "4.2.3", "4.2.43", "4.3.1", "4.3.2"})
        writeFile(home + QStringLiteral("/.spine/updates/") + QLatin1String(version), "cached");
    writeFile(home + QStringLiteral("/.spine/updates/readme.txt"), "not a version");
}

// The run as it was before detection was kept: every listed file detected, the update cache
// listed per skeleton, then the current export checked.
void earlierReadinessRun(const QStringList &paths, const QString &current)
{
    QHash<QString, QString> byLine;
    const QString editor = kvx::locateSpineEditor();
    for (const QString &path : paths) {
        const kvx::VersionDetection detection = kvx::detectSpineVersion(kvx::toPath(path));
        if (!detection.version)
            continue;
        const std::string line = detection.version->majorMinorText();
        if (const auto cached = kvx::findCachedEditorVersion(line))
            byLine.insert(QString::fromStdString(line), QString::fromStdString(cached->fullText()));
    }
    if (!kvx::detectSpineVersion(kvx::toPath(current)).version || editor.isEmpty())
        return;
    const QString atlasPath = kvx::findCompanionAtlas(current);
    const kvx::AtlasReadResult atlas = kvx::readAtlasFile(kvx::toPath(atlasPath));
    for (const kvx::AtlasPage &page : atlas.pages)
        QFileInfo::exists(kvx::pageImagePath(atlasPath, kvx::pageNameText(page)));
}

struct Timing {
    double median = 0;
    double mean = 0;
};

template <typename Work>
Timing timeRuns(Work work)
{
    std::vector<double> milliseconds;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        work();
        milliseconds.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(milliseconds.begin(), milliseconds.end());
    double total = 0;
    for (const double value : milliseconds)
        total += value;
    return Timing{milliseconds[kRuns / 2], total / kRuns};
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    QTemporaryDir exports;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/.config")).toLocal8Bit());
    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("KovexaBench"));
    QCoreApplication::setApplicationName(QStringLiteral("KovexaBench"));
    prepareHome(home.path());
    writeExports(exports.path());

    kvx::MainWindow window;
    window.setDialogs(kvx::WindowDialogs{});

    window.addResourcePath(exports.path());
    QCoreApplication::processEvents();
    std::printf("listed skeletons: %d\n", static_cast<int>(window.listedPaths().size()));

    const Timing now = timeRuns([&] { window.readiness().run(); });
    const Timing earlier =
        timeRuns([&] { earlierReadinessRun(window.listedPaths(), window.listedPaths().constLast()); });
    std::printf("readiness run, %d skeletons (median of %d): earlier way %.2f ms, now %.2f ms, %.1fx faster\n",
                kSkeletons, kRuns, earlier.median, now.median, earlier.median / now.median);
    std::printf("  means: earlier way %.2f ms, now %.2f ms\n", earlier.mean, now.mean);
    std::printf("badge: %s\n", qPrintable(window.findChild<QLabel *>(QStringLiteral("badge"))->text()));

    QElapsedTimer inspectTimer;
    inspectTimer.start();
    kvx::EditorVersionResolver resolver(kvx::currentEditorSituation());
    const auto records = kvx::inspectSkeletons({exports.path()}, resolver);
    const QByteArray json = QJsonDocument(kvx::inspectionJson(records, resolver.editor())).toJson();
    std::printf("kovexa-cli inspect --json, %zu skeletons: %.0f ms (%lld bytes of JSON)\n", records.size(),
                static_cast<double>(inspectTimer.nsecsElapsed()) / 1e6, static_cast<long long>(json.size()));
    return 0;
}
