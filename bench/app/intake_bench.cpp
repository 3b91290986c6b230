// Takes a folder of generated exports (ten sub-folders; each skeleton with its atlas and page) into
// the window twice: the way intake used to work (every path taken in synchronously, each listed
// entry previewed as it becomes current) and the background batch (walk and detection off the GUI
// thread, one preview for the settled entry). Prints, for each, the wall time from the start of
// intake to the settled window and the longest stretch the GUI thread did not process events, then
// the time of one readiness run with all entries listed. Runs with the real runtime plugins beside
// the program when they are built; an editor and its update cache sit in a private HOME.
//
// kvx-bench-app-intake [skeletons]   (default 1000)

#include "support/exportbuilder.h"
#include "app/intakecontroller.h"
#include "app/mainwindow.h"
#include "app/previewcontroller.h"
#include "app/readinesspresenter.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

constexpr int kReadinessRuns = 20;

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

void prepareHome(const QString &home)
{
    writeFile(home + QStringLiteral("/Spine/Spine.sh"), "#!/bin/sh\n");
    for (const char *version : {"3.8.99", "4.0.64", "4.1.24", "4.2.43", "4.3.1"})
        writeFile(home + QStringLiteral("/.spine/updates/") + QLatin1String(version), "cached");
}

// Watches the event loop from a 1 ms timer: the longest gap between two ticks is the longest time
// the GUI thread was busy with something else. Gaps that end while the batch is still being listed
// count as stalls during the scan.
class StallMeter {
public:
    explicit StallMeter(std::function<bool()> scanning) : scanning(std::move(scanning))
    {
        timer.setTimerType(Qt::PreciseTimer);
        timer.setInterval(1);
        QObject::connect(&timer, &QTimer::timeout, [this] { noteGap(sinceTick.restart()); });
    }
    void start()
    {
        sinceTick.start();
        timer.start();
    }
    void stop()
    {
        timer.stop();
        noteGap(sinceTick.elapsed());
    }
    qint64 longest = 0;
    qint64 longestDuringScan = 0;

private:
    void noteGap(qint64 gap)
    {
        longest = std::max(longest, gap);
        if (scanning())
            longestDuringScan = std::max(longestDuringScan, gap);
    }

    std::function<bool()> scanning;
    QTimer timer;
    QElapsedTimer sinceTick;
};

struct IntakeFigures {
    qint64 wallMilliseconds = 0;
    qint64 longestStallMilliseconds = 0;
    qint64 longestScanStallMilliseconds = 0;
    int listed = 0;
    int readinessRuns = 0;
};

void runUntil(const std::function<bool()> &done)
{
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start(1);
    loop.exec();
}

// A synchronous intake lists everything inside its one call, so its whole stall is scanning.
IntakeFigures measure(kvx::MainWindow &window, bool synchronous, const std::function<void()> &intake)
{
    StallMeter meter([&] { return window.intake().isBatchOpen(); });
    QElapsedTimer wall;
    meter.start();
    wall.start();
    intake();
    bool settled = false;
    window.whenIntakeSettles([&settled] { settled = true; });
    runUntil([&] { return settled; });
    IntakeFigures figures;
    figures.wallMilliseconds = wall.elapsed();
    meter.stop();
    figures.longestStallMilliseconds = meter.longest;
    figures.longestScanStallMilliseconds = synchronous ? meter.longest : meter.longestDuringScan;
    figures.listed = static_cast<int>(window.listedPaths().size());
    figures.readinessRuns = window.readiness().runCount();
    return figures;
}

void print(const char *way, const IntakeFigures &figures)
{
    std::printf("%-32s %8lld ms to settle; longest GUI stall %8lld ms while scanning, %8lld ms overall"
                "   (%d listed, %d readiness run)\n",
                way, static_cast<long long>(figures.wallMilliseconds),
                static_cast<long long>(figures.longestScanStallMilliseconds),
                static_cast<long long>(figures.longestStallMilliseconds), figures.listed, figures.readinessRuns);
}

double readinessMilliseconds(kvx::MainWindow &window)
{
    std::vector<double> runs;
    for (int run = 0; run < kReadinessRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        window.readiness().run();
        runs.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(runs.begin(), runs.end());
    return runs[runs.size() / 2];
}

double ratio(qint64 before, qint64 after)
{
    return after > 0 ? static_cast<double>(before) / static_cast<double>(after) : 0.0;
}

} // namespace

int main(int argc, char **argv)
{
    const int skeletons = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    QTemporaryDir exports;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/.config")).toLocal8Bit());
    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("KovexaBench"));
    QCoreApplication::setApplicationName(QStringLiteral("KovexaBench"));
    prepareHome(home.path());
    kvx::test::writeExportFolder(exports.path().toStdString(), skeletons, 10, "4.2.43", 30);
    const bool realPlugin = QFile::exists(QDir(QCoreApplication::applicationDirPath()).filePath("runtimes"));
    std::printf("%d skeletons in 10 folders; runtime plugins %s\n", skeletons,
                realPlugin ? "beside the program" : "missing (previews fail fast)");

    IntakeFigures before;
    {
        kvx::MainWindow window;
        window.setDialogs(kvx::WindowDialogs{});
        window.show();
        before = measure(window, true, [&] {
            for (const kvx::ScanCandidate &candidate : kvx::candidatesFor(exports.path()))
                window.addResourcePath(candidate.path);
        });
    }
    IntakeFigures after;
    double readiness = 0;
    {
        kvx::MainWindow window;
        window.setDialogs(kvx::WindowDialogs{});
        window.show();
        after = measure(window, false, [&] { window.takeInResources({exports.path()}); });
        readiness = readinessMilliseconds(window);
    }
    print("synchronous, preview per entry:", before);
    print("background batch, one preview:", after);
    std::printf("ratio (before / after): %.1fx to settle, %.1fx longest GUI stall overall\n",
                ratio(before.wallMilliseconds, after.wallMilliseconds),
                ratio(before.longestStallMilliseconds, after.longestStallMilliseconds));
    std::printf("one readiness run with %d listed: median %.2f ms (%d runs)\n", after.listed, readiness,
                kReadinessRuns);
    return 0;
}
