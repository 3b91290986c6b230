// Times one readiness run of the window with 200 listed skeletons of mixed Spine lines, an editor
// in place and a populated update cache (everything in a private temporary HOME).

#include "support/mainwindowaccess.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kSkeletons = 200;
constexpr int kRuns = 50;
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
    kvx::MainWindowTestAccess access(window);
    window.addResourcePath(exports.path());
    QCoreApplication::processEvents();
    std::printf("listed skeletons: %d\n", access.resourceCombo()->count());

    std::vector<double> milliseconds;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        access.updateReadiness();
        milliseconds.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(milliseconds.begin(), milliseconds.end());
    double total = 0;
    for (const double value : milliseconds)
        total += value;
    std::printf("readiness run, %d skeletons: median %.2f ms, mean %.2f ms, min %.2f ms, max %.2f ms (%d runs)\n",
                kSkeletons, milliseconds[kRuns / 2], total / kRuns, milliseconds.front(), milliseconds.back(), kRuns);
    std::printf("badge: %s\n", qPrintable(access.badgeLabel()->text()));
    return 0;
}
