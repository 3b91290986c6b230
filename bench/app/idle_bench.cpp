// What an idle window costs: the sample export playing (what every window did before playback
// could be paused) against the same window paused. Counts the window's timer ticks, its paints
// and the process's CPU time over the same stretch of real time, and prints their ratio.

#include "app/mainwindow.h"

#include "app/playbackbar.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

bool belongsTo(QObject *object, const QObject *ancestor)
{
    for (; object; object = object->parent()) {
        if (object == ancestor)
            return true;
    }
    return false;
}

struct Activity : QObject {
    explicit Activity(const QObject *watched) : window(watched) {}
    bool eventFilter(QObject *receiver, QEvent *event) override
    {
        if (belongsTo(receiver, window)) {
            ticks += event->type() == QEvent::Timer;
            paints += event->type() == QEvent::Paint;
        }
        return false;
    }
    const QObject *window;
    long ticks = 0;
    long paints = 0;
};

struct Figures {
    double ticksPerSecond = 0;
    double paintsPerSecond = 0;
    double cpuMillisecondsPerSecond = 0;
};

Figures measure(const QObject *window, int milliseconds)
{
    Activity activity(window);
    qApp->installEventFilter(&activity);
    const std::clock_t cpuStart = std::clock();
    QElapsedTimer wall;
    wall.start();
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
    const double seconds = static_cast<double>(wall.elapsed()) / 1000.0;
    const double cpu = 1000.0 * static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    qApp->removeEventFilter(&activity);
    return {activity.ticks / seconds, activity.paints / seconds, cpu / seconds};
}

double ratio(double before, double after)
{
    return after > 0 ? before / after : 0;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    QApplication application(argc, argv);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home.path());
    const int milliseconds = argc > 1 ? std::max(200, std::atoi(argv[1])) : 2000;

    kvx::MainWindow window;
    window.show();
    window.addResourcePath(QDir(QStringLiteral(KVX_SOURCE_DIR)).filePath(QStringLiteral("examples/hero.json")));
    auto *bar = window.findChild<kvx::PlaybackBar *>();
    if (!bar || !bar->playButton()->isEnabled()) {
        std::fprintf(stderr, "the sample does not play here (is the 4.2 runtime plugin built?)\n");
        return 1;
    }

    const Figures playing = measure(&window, milliseconds);
    bar->playButton()->click();
    measure(&window, 100); // the pause's last paint goes out
    const Figures paused = measure(&window, milliseconds);

    std::printf("idle window over %d ms        playing (always, before)   paused (now)   ratio\n", milliseconds);
    std::printf("timer ticks per second        %10.1f              %10.1f   %s\n", playing.ticksPerSecond,
                paused.ticksPerSecond, paused.ticksPerSecond > 0 ? "" : "no ticks");
    std::printf("paints per second             %10.1f              %10.1f   %s\n", playing.paintsPerSecond,
                paused.paintsPerSecond, paused.paintsPerSecond > 0 ? "" : "no paints");
    std::printf("CPU milliseconds per second   %10.2f              %10.2f   %.0fx\n", playing.cpuMillisecondsPerSecond,
                paused.cpuMillisecondsPerSecond,
                ratio(playing.cpuMillisecondsPerSecond, paused.cpuMillisecondsPerSecond));
    return 0;
}
