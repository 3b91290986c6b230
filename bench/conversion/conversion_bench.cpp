// How long Kovexa itself works on one conversion, outside the two editor runs: preparing (checks,
// working folder, the atlas copy) and publishing (the checks after the import and the move), for an
// atlas of 10 pages. The stand-in editor (tests and demos only) plays the editor; its own run time
// and the cost of starting its processes are left out.

#include "assets/qt/exportreading.h"
#include "conversion/qt/conversionjob.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int kPages = 10;
constexpr int kRegionsPerPage = 8;
constexpr int kRuns = 30;

struct Sandbox {
    QTemporaryDir root;
    QString editor;
    QString skeleton;
    QString atlas;
    QString output;
};

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
}

QByteArray tenPageAtlas(const QString &folder)
{
    QByteArray atlas;
    for (int page = 0; page < kPages; ++page) {
        const QString name = QStringLiteral("hero_%1.png").arg(page + 1);
        QImage image(256, 256, QImage::Format_ARGB32);
        image.fill(QColor(120, 60, 30, 200));
        image.save(QDir(folder).filePath(name));
        atlas += name.toUtf8() + "\nsize: 256, 256\nfilter: Linear, Linear\npma: true\nscale: 0.5\n";
        for (int region = 0; region < kRegionsPerPage; ++region) {
            atlas += QStringLiteral("part_%1_%2\nbounds: %3, 0, 32, 64\n").arg(page).arg(region).arg(region * 32).toUtf8();
            if (region % 2)
                atlas += "rotate: 90\n";
        }
        atlas += "\n";
    }
    return atlas;
}

bool prepareSandbox(Sandbox &box, const QString &standin)
{
    const QDir root(box.root.path());
    qputenv("HOME", root.filePath("home").toUtf8());
    box.editor = root.filePath("home/Spine/Spine.sh");
    QDir().mkpath(root.filePath("home/Spine"));
    writeFile(root.filePath("home/.spine/updates/4.2.43"), "cached");
    if (!QFile::copy(standin, box.editor))
        return false;
    QFile::setPermissions(box.editor, QFile::permissions(standin));
    const QString exportFolder = root.filePath("export");
    QDir().mkpath(exportFolder);
    box.skeleton = QDir(exportFolder).filePath("hero.json");
    writeFile(box.skeleton, R"({"skeleton":{"hash":"bench","spine":"4.2.43"},"bones":[{"name":"root"}]})");
    box.atlas = QDir(exportFolder).filePath("hero.atlas");
    writeFile(box.atlas, tenPageAtlas(exportFolder));
    box.output = root.filePath("out");
    return true;
}

// Sees the job create its process: the first thing it does once preparing is over.
class ChildAddedWatch : public QObject {
public:
    explicit ChildAddedWatch(std::function<void()> onChildAdded) : onChildAdded(std::move(onChildAdded)) {}

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::ChildAdded && onChildAdded) {
            onChildAdded();
            onChildAdded = nullptr;
        }
        return false;
    }

private:
    std::function<void()> onChildAdded;
};

struct RunTimes {
    double prepareMs = 0;
    double publishMs = 0; // from the importer's exit to the report
    bool ok = false;
};

RunTimes convertOnce(const Sandbox &box, bool straightAlpha)
{
    kvx::ConversionJob job(kvx::ConversionRequest{kvx::readExport(box.skeleton), box.editor, QStringLiteral("4.2.43"),
                                                  box.output, QStringLiteral("hero"), straightAlpha});
    RunTimes times;
    bool done = false;
    QElapsedTimer sinceImportExit;
    QObject::connect(&job, &kvx::ConversionJob::finished, [&](const kvx::ConversionOutcome &outcome) {
        times.publishMs = sinceImportExit.nsecsElapsed() / 1e6;
        times.ok = outcome.ok();
        done = true;
        if (!outcome)
            std::fprintf(stderr, "conversion failed: %s\n", kvx::englishText(outcome.failure()).c_str());
    });
    QElapsedTimer clock;
    ChildAddedWatch watch([&] { times.prepareMs = clock.nsecsElapsed() / 1e6; });
    job.installEventFilter(&watch);
    clock.start();
    job.start();
    job.removeEventFilter(&watch);
    if (auto *process = job.findChild<QProcess *>()) {
        // readChannelFinished comes just before finished, which the job handles.
        QObject::connect(process, &QProcess::readChannelFinished, [&] {
            if (job.currentStage() == kvx::ConversionStage::Importing)
                sinceImportExit.start();
        });
    }
    while (!done)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return times;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const QString standin = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(KVX_STANDIN_EDITOR_PATH);
    Sandbox box;
    if (!box.root.isValid() || !prepareSandbox(box, standin))
        return 1;

    for (const bool removePremultipliedAlpha : {false, true}) {
        std::vector<double> prepare, publish;
        for (int run = 0; run < kRuns; ++run) {
            const RunTimes times = convertOnce(box, removePremultipliedAlpha);
            if (!times.ok)
                return 1;
            prepare.push_back(times.prepareMs);
            publish.push_back(times.publishMs);
            QDir(QDir(box.output).filePath("hero")).removeRecursively(); // every run publishes "hero"
        }
        std::printf("%d pages, straight alpha %s, median of %d runs: prepare %.3f ms, publish %.3f ms, "
                    "Kovexa's own time %.3f ms\n",
                    kPages, removePremultipliedAlpha ? "on " : "off", kRuns, median(prepare), median(publish),
                    median(prepare) + median(publish));
    }
    return 0;
}
