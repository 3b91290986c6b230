// How fast Kovexa renders a real-size character (benchcharacter.h: 55 bones, 45 slots, meshes,
// physics, one 1024 x 1024 page, ten animations of 15 s in all) at 512 x 512 and 30 fps:
//   1. frames per second of one job, and the share of sampling (the plugin posing the frame),
//      painting (the rasterizer and the straight-alpha conversion) and PNG encoding; PNG encoding
//      at Qt's default zlib level beside the level used, with their ratio;
//   2. every animation in each format through the render batch, one job: frames per second and the
//      ratio to real time;
//   3. every animation as PNG frames, one job against two: wall time and the ratio to real time.
// Prints figures only; a busy machine shows lower ones.
//
//   kvx-bench-render [stages] [plugin folder]   (stages: only the first table)

#include "assets/qt/exportreading.h"
#include "common/qt/pathtext.h"
#include "benchcharacter.h"
#include "render/framesequence.h"
#include "render/outputrenderer.h"
#include "render/qt/framesinks.h"
#include "render/qt/pageimages.h"
#include "render/qt/renderbatch.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QImageWriter>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>

namespace {

using namespace kvx;

constexpr int kSide = 512;
constexpr int kFps = 30;

std::filesystem::path pluginFolder = KVX_RUNTIME_PLUGIN_DIR;

double cpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

double totalSeconds()
{
    double seconds = 0;
    for (const bench::BenchAnimation &animation : bench::benchCharacterAnimations())
        seconds += animation.seconds;
    return seconds;
}

QByteArray pngAtQtDefault(const RgbaImage &image)
{
    const QImage view(image.bytes.data(), image.width, image.height, image.stride(), QImage::Format_RGBA8888);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "png").write(view);
    return bytes;
}

struct Shares {
    double loadMs = 0; // wall time: a context's creation includes a thread's start
    int loads = 0;
    double sampleMs = 0, paintMs = 0, pngMs = 0, defaultPngMs = 0;
    double pngBytes = 0, defaultPngBytes = 0;
    int64_t frames = 0;
    int64_t triangles = 0;
};

// The stages of renderOutput one by one, timed apart, on one thread.
bool measureStages(const ExportRecord &record, Shares &shares)
{
    const ExportPages pages(record);
    const PreviewSource source{pluginFolder / runtimePluginFileName(record.line()), record.skeleton, record.atlas};
    for (const bench::BenchAnimation &animation : bench::benchCharacterAnimations()) {
        PreviewSession session;
        QElapsedTimer loading;
        loading.start();
        Result<LoadedSkeleton> loaded = session.load(source, FirstSkin::Leave);
        shares.loadMs += double(loading.nsecsElapsed()) / 1e6;
        ++shares.loads;
        if (!loaded) {
            std::printf("load: %s\n", englishText(loaded.failure()).c_str());
            return false;
        }
        const int64_t count = animationFrameCount(animation.seconds, kFps);
        std::vector<PreviewFrame> frames;
        FrameExtent extent;
        for (int64_t i = 0; i < count; ++i) {
            const double start = cpuMs();
            Result<PreviewFrame> frame = i == 0 ? session.select(animation.name, true, 0.0f) : session.advance(1.0f / kFps);
            shares.sampleMs += cpuMs() - start;
            if (!frame) {
                std::printf("sample: %s\n", englishText(frame.failure()).c_str());
                return false;
            }
            extent.include(frame->items);
            frames.push_back(std::move(*frame));
        }
        FrameCanvas canvas(rendererRulesFor(4, 2), fittedCamera(*extent.box(), {kSide, kSide}), std::nullopt);
        for (const PreviewFrame &frame : frames) {
            for (const DrawItem &item : frame.items)
                shares.triangles += int64_t(item.indices.size() / 3);
            double start = cpuMs();
            const RgbaImage &image = canvas.paint(frame.items, pages.lookupFunction());
            shares.paintMs += cpuMs() - start;
            start = cpuMs();
            shares.pngBytes += double(encodePng(image).size());
            shares.pngMs += cpuMs() - start;
            start = cpuMs();
            shares.defaultPngBytes += double(pngAtQtDefault(image).size());
            shares.defaultPngMs += cpuMs() - start;
        }
        shares.frames += count;
    }
    return true;
}

struct BatchRun {
    double wallSeconds = 0;
    double cpuSeconds = 0;
    int64_t frames = 0;
    int failed = 0;
    uintmax_t bytes = 0;
};

uintmax_t bytesBelow(const std::filesystem::path &folder)
{
    uintmax_t bytes = 0;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            bytes += entry.file_size();
    return bytes;
}

BatchRun runBatch(const ExportRecord &record, std::optional<MediaFormat> format, int jobs)
{
    QTemporaryDir output;
    RenderRequest request;
    SurveyRequest choice;
    choice.animations.all = true;
    request.skeletons.push_back({record, choice});
    request.settings.format = format;
    request.settings.fps = kFps;
    request.settings.framing.size = FrameSize{kSide, kSide};
    request.outputFolder = toPath(output.path());
    request.pluginFolder = pluginFolder;
    request.jobs = jobs;
    RenderBatch batch(request);
    BatchRun run;
    QEventLoop loop;
    QObject::connect(&batch, &RenderBatch::finished, &loop, &QEventLoop::quit);
    const std::clock_t cpuStart = std::clock();
    QElapsedTimer wall;
    wall.start();
    batch.start();
    loop.exec();
    run.wallSeconds = double(wall.nsecsElapsed()) / 1e9;
    run.cpuSeconds = double(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    for (const RenderOutcome &outcome : batch.outcomes()) {
        run.frames += outcome.frames;
        if (!outcome.succeeded()) {
            ++run.failed;
            std::printf("  failed: %s\n", outcome.failure ? englishText(*outcome.failure).c_str() : "stopped");
        }
    }
    run.bytes = bytesBelow(request.outputFolder);
    return run;
}

void printStages(const Shares &s)
{
    const double perFrame = (s.sampleMs + s.paintMs + s.pngMs) / double(s.frames);
    const auto share = [&](double ms) { return 100.0 * ms / (s.sampleMs + s.paintMs + s.pngMs); };
    std::printf("1. One job, %lld frames of %d x %d (%.0f triangles per frame), processor time per frame:\n\n",
                (long long)s.frames, kSide, kSide, double(s.triangles) / double(s.frames));
    std::printf("| stage | ms per frame | share |\n|---|---:|---:|\n");
    std::printf("| sampling (plugin) | %.2f | %.0f %% |\n", s.sampleMs / s.frames, share(s.sampleMs));
    std::printf("| painting + straight alpha | %.2f | %.0f %% |\n", s.paintMs / s.frames, share(s.paintMs));
    std::printf("| PNG encoding | %.2f | %.0f %% |\n", s.pngMs / s.frames, share(s.pngMs));
    std::printf("| all | %.2f | %.0f frames per second |\n\n", perFrame, 1000.0 / perFrame);
    std::printf("Loading the skeleton into a fresh plugin context (once per output): %.0f ms\n\n", s.loadMs / s.loads);
    std::printf("PNG encoding at Qt's default level: %.2f ms, %.1f KB per frame; at the level used: %.2f ms, %.1f KB "
                "(x%.2f faster, x%.2f the size)\n\n",
                s.defaultPngMs / s.frames, s.defaultPngBytes / s.frames / 1024, s.pngMs / s.frames, s.pngBytes / s.frames / 1024,
                s.defaultPngMs / s.pngMs, s.pngBytes / s.defaultPngBytes);
}

void runFormats(const ExportRecord &record, double seconds)
{
    std::printf("2. Every animation through the render batch, one job, %d x %d at %d fps:\n\n", kSide, kSide, kFps);
    std::printf("| format | frames | wall s | CPU ms per frame | frames per second | x real time | MB |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|\n");
    const std::optional<MediaFormat> formats[] = {std::nullopt,       MediaFormat::Gif,  MediaFormat::Apng, MediaFormat::Webp,
                                                  MediaFormat::Webm, MediaFormat::Mov, MediaFormat::Mp4};
    for (const std::optional<MediaFormat> &format : formats) {
        const BatchRun run = runBatch(record, format, 1);
        std::printf("| %s | %lld | %.2f | %.2f | %.1f | %.1f | %.1f |\n",
                    format ? std::string(mediaFormatName(*format)).c_str() : "png frames", (long long)run.frames,
                    run.wallSeconds, run.cpuSeconds * 1000 / std::max<int64_t>(run.frames, 1), run.frames / run.wallSeconds,
                    seconds / run.wallSeconds, double(run.bytes) / 1e6);
    }
}

void runWholeExport(const ExportRecord &record, double seconds)
{
    std::printf("\n3. Every animation as PNG frames, %d x %d at %d fps (%.1f s of animation):\n\n", kSide, kSide, kFps, seconds);
    std::printf("| jobs | wall s | x real time | processor s | x real time on free cores (processor s / jobs) |\n"
                "|---:|---:|---:|---:|---:|\n");
    double oneJob = 0;
    for (int jobs : {1, 2}) {
        const BatchRun run = runBatch(record, std::nullopt, jobs);
        if (jobs == 1)
            oneJob = run.wallSeconds;
        std::printf("| %d | %.2f | %.1f | %.2f | %.1f |\n", jobs, run.wallSeconds, seconds / run.wallSeconds, run.cpuSeconds,
                    seconds * jobs / run.cpuSeconds);
        if (jobs == 2)
            std::printf("\nTwo jobs against one: x%.2f\n", oneJob / run.wallSeconds);
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    int argument = 1;
    const std::string part = argc > argument ? argv[argument] : "";
    const bool stagesOnly = part == "stages", exportOnly = part == "export", writeOnly = part == "write";
    argument += stagesOnly || exportOnly || writeOnly ? 1 : 0;
    if (writeOnly) {
        const QString written = argc > argument ? bench::writeBenchCharacter(QString::fromLocal8Bit(argv[argument])) : QString();
        std::printf("%s\n", written.isEmpty() ? "kvx-bench-render write FOLDER" : qPrintable(written));
        return written.isEmpty() ? 1 : 0;
    }
    if (argc > argument)
        pluginFolder = toPath(QString::fromLocal8Bit(argv[argument]));
    QTemporaryDir folder;
    const QString skeleton = bench::writeBenchCharacter(folder.path());
    if (skeleton.isEmpty())
        return 1;
    const ExportRecord record = readExport(skeleton);
    const double seconds = totalSeconds();
    std::printf("Character: %s, %.1f s of animation in %zu animations\n\n", record.line().c_str(), seconds,
                bench::benchCharacterAnimations().size());

    if (!exportOnly) {
        Shares shares;
        if (!measureStages(record, shares))
            return 1;
        printStages(shares);
        if (stagesOnly)
            return 0;
        runFormats(record, seconds);
    }
    runWholeExport(record, seconds);
    return 0;
}

