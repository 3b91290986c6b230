// How fast Kovexa renders a real-size character (benchcharacter.h: 55 bones, 45 slots, meshes,
// physics, one 1024 x 1024 page, ten animations of 15 s in all) at 512 x 512 and 30 fps, the way
// it used to beside the way it does now:
//   1. processor time per frame of one job, stage by stage: loading the skeleton (once per output
//      before, once per job and skeleton now), sampling (the plugin posing the frame), painting
//      (the rasterizer and the straight-alpha conversion) and PNG encoding (zlib at level 1 with
//      its run-length strategy before, the run-length deflate of render/rundeflate.h now);
//   2. every animation in each format through the render batch, one job: frames per second and
//      the ratio to real time;
//   3. every animation as PNG frames, one job and two: a fresh plugin session per output and
//      zlib's PNGs (the old batch, rebuilt here) beside the render batch; wall and processor time
//      and the ratio to real time.
// Prints figures only; a busy machine shows lower ones, and processor time is the steadier figure.
//
//   kvx-bench-render [stages | formats | export] [plugin folder]    (one part; all by default)
//   kvx-bench-render write FOLDER                                    (the character's files)

#include "assets/qt/exportreading.h"
#include "benchcharacter.h"
#include "common/newfile.h"
#include "common/qt/pathtext.h"
#include "render/framesequence.h"
#include "render/outputrenderer.h"
#include "render/qt/framesinks.h"
#include "render/qt/pageimages.h"
#include "render/qt/renderbatch.h"
#include "render/qt/rendersettings.h"
#include "render/skeletonsurvey.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <zlib.h>

#include <atomic>
#include <cstdio>
#include <ctime>
#include <sys/resource.h>
#include <thread>

namespace {

using namespace kvx;

constexpr int kSide = 512;
constexpr int kFps = 30;
constexpr int kAttempts = 3;

std::filesystem::path pluginFolder = KVX_RUNTIME_PLUGIN_DIR;

double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// Processor time of the whole process: in its own code, and in the system's (creating and
// writing files above all).
struct ProcessorTime {
    double user = 0;
    double system = 0;
};

ProcessorTime processorTime()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return {seconds(usage.ru_utime), seconds(usage.ru_stime)};
}

double totalSeconds()
{
    double seconds = 0;
    for (const bench::BenchAnimation &animation : bench::benchCharacterAnimations())
        seconds += animation.seconds;
    return seconds;
}

// The PNG writer before: every row less the row above, deflated by zlib at level 1 with its
// run-length strategy.
void appendChunk(std::string &png, const char (&type)[5], const unsigned char *data, std::size_t size)
{
    const auto bigEndian = [&](uint32_t value) {
        const char four[4] = {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
        png.append(four, 4);
    };
    bigEndian(uint32_t(size));
    uLong crc = crc32(0, reinterpret_cast<const Bytef *>(type), 4);
    png.append(type, 4);
    if (size > 0) {
        png.append(reinterpret_cast<const char *>(data), size);
        crc = crc32(crc, data, uInt(size));
    }
    bigEndian(uint32_t(crc));
}

std::string zlibPng(const RgbaImage &image)
{
    const std::size_t stride = std::size_t(image.stride());
    std::vector<unsigned char> rows((stride + 1) * std::size_t(image.height));
    for (int y = 0; y < image.height; ++y) {
        const uint8_t *row = image.bytes.data() + std::size_t(y) * stride;
        unsigned char *out = rows.data() + std::size_t(y) * (stride + 1);
        out[0] = 2;
        for (std::size_t i = 0; i < stride; ++i)
            out[1 + i] = uint8_t(row[i] - (y == 0 ? 0 : row[i - stride]));
    }
    z_stream stream{};
    deflateInit2(&stream, 1, Z_DEFLATED, 15, 8, Z_RLE);
    std::vector<unsigned char> compressed(deflateBound(&stream, uLong(rows.size())));
    stream.next_in = rows.data();
    stream.avail_in = uInt(rows.size());
    stream.next_out = compressed.data();
    stream.avail_out = uInt(compressed.size());
    deflate(&stream, Z_FINISH);
    compressed.resize(stream.total_out);
    deflateEnd(&stream);
    const unsigned char header[13] = {uint8_t(image.width >> 24), uint8_t(image.width >> 16), uint8_t(image.width >> 8),
                                      uint8_t(image.width),       uint8_t(image.height >> 24), uint8_t(image.height >> 16),
                                      uint8_t(image.height >> 8), uint8_t(image.height),      8, 6, 0, 0, 0};
    std::string png("\x89PNG\r\n\x1a\n", 8);
    appendChunk(png, "IHDR", header, sizeof header);
    appendChunk(png, "IDAT", compressed.data(), compressed.size());
    appendChunk(png, "IEND", nullptr, 0);
    return png;
}

struct Stages {
    double loadMs = 0; // wall time: a context's creation includes a thread's start
    int loads = 0;
    double sampleMs = 0, paintMs = 0, newPngMs = 0, oldPngMs = 0;
    double newPngBytes = 0, oldPngBytes = 0;
    int64_t frames = 0;
    int64_t triangles = 0;
};

// The stages of renderOutput one by one, timed apart, on one thread, each animation loaded afresh.
bool measureStages(const ExportRecord &record, Stages &stages)
{
    const ExportPages pages(record);
    const PreviewSource source{pluginFolder / runtimePluginFileName(record.line()), record.skeleton, record.atlas};
    for (const bench::BenchAnimation &animation : bench::benchCharacterAnimations()) {
        PreviewSession session;
        QElapsedTimer loading;
        loading.start();
        Result<LoadedSkeleton> loaded = session.load(source, FirstSkin::Leave);
        stages.loadMs += double(loading.nsecsElapsed()) / 1e6;
        ++stages.loads;
        if (!loaded) {
            std::printf("load: %s\n", englishText(loaded.failure()).c_str());
            return false;
        }
        const int64_t count = animationFrameCount(animation.seconds, kFps);
        std::vector<PreviewFrame> frames;
        FrameExtent extent;
        for (int64_t i = 0; i < count; ++i) {
            const double start = threadCpuMs();
            Result<PreviewFrame> frame = i == 0 ? session.select(animation.name, true, 0.0f) : session.advance(1.0f / kFps);
            stages.sampleMs += threadCpuMs() - start;
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
                stages.triangles += int64_t(item.indices.size() / 3);
            double start = threadCpuMs();
            const RgbaImage &image = canvas.paint(frame.items, pages.lookupFunction());
            stages.paintMs += threadCpuMs() - start;
            start = threadCpuMs();
            stages.newPngBytes += double(encodePng(image).size());
            stages.newPngMs += threadCpuMs() - start;
            start = threadCpuMs();
            stages.oldPngBytes += double(zlibPng(image).size());
            stages.oldPngMs += threadCpuMs() - start;
        }
        stages.frames += count;
    }
    return true;
}

void printStages(const Stages &s)
{
    const double frames = double(s.frames);
    const double load = s.loadMs / s.loads;
    const double oldLoad = load * s.loads / frames, newLoad = load / frames; // per output, once for one job
    const double oldAll = oldLoad + (s.sampleMs + s.paintMs + s.oldPngMs) / frames;
    const double newAll = newLoad + (s.sampleMs + s.paintMs + s.newPngMs) / frames;
    std::printf("1. One job, %lld frames of %d x %d (%.0f triangles per frame), processor time per frame in ms:\n\n",
                (long long)s.frames, kSide, kSide, double(s.triangles) / frames);
    std::printf("| stage | before | now | before / now | share now |\n|---|---:|---:|---:|---:|\n");
    const auto row = [&](const char *stage, double before, double now) {
        std::printf("| %s | %.2f | %.2f | x%.2f | %.0f %% |\n", stage, before, now, before / now, 100.0 * now / newAll);
    };
    row("loading the skeleton (per output; per job and skeleton)", oldLoad, newLoad);
    row("sampling (plugin)", s.sampleMs / frames, s.sampleMs / frames);
    row("painting + straight alpha", s.paintMs / frames, s.paintMs / frames);
    row("PNG encoding (zlib; run-length deflate)", s.oldPngMs / frames, s.newPngMs / frames);
    row("all", oldAll, newAll);
    std::printf("\nFrames per second of one job: %.0f before, %.0f now. One load: %.0f ms (wall).\n", 1000.0 / oldAll,
                1000.0 / newAll, load);
    std::printf("PNG size per frame: %.1f KB before, %.1f KB now (x%.3f).\n\n", s.oldPngBytes / frames / 1024,
                s.newPngBytes / frames / 1024, s.newPngBytes / s.oldPngBytes);
}

struct ExportRun {
    double wallSeconds = 0;
    double cpuSeconds = 0;    // user and system
    double systemSeconds = 0;
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

template <typename Work>
ExportRun timed(const std::filesystem::path &folder, Work work)
{
    ExportRun run;
    const ProcessorTime start = processorTime();
    QElapsedTimer wall;
    wall.start();
    work(run);
    run.wallSeconds = double(wall.nsecsElapsed()) / 1e9;
    const ProcessorTime end = processorTime();
    run.systemSeconds = end.system - start.system;
    run.cpuSeconds = end.user - start.user + run.systemSeconds;
    run.bytes = bytesBelow(folder);
    return run;
}

RenderRequest requestFor(const ExportRecord &record, std::optional<MediaFormat> format, int jobs,
                         const std::filesystem::path &folder)
{
    RenderRequest request;
    SurveyRequest choice;
    choice.animations.all = true;
    request.skeletons.push_back({record, choice});
    request.settings.format = format;
    request.settings.fps = kFps;
    request.settings.framing.size = FrameSize{kSide, kSide};
    request.outputFolder = folder;
    request.pluginFolder = pluginFolder;
    request.jobs = jobs;
    return request;
}

// Every animation through the render batch.
ExportRun runBatch(const ExportRecord &record, std::optional<MediaFormat> format, int jobs)
{
    QTemporaryDir output;
    RenderBatch batch(requestFor(record, format, jobs, toPath(output.path())));
    return timed(toPath(output.path()), [&](ExportRun &run) {
        QEventLoop loop;
        QObject::connect(&batch, &RenderBatch::finished, &loop, &QEventLoop::quit);
        batch.start();
        loop.exec();
        for (const RenderOutcome &outcome : batch.outcomes()) {
            run.frames += outcome.frames;
            if (!outcome.succeeded()) {
                ++run.failed;
                std::printf("  failed: %s\n", outcome.failure ? englishText(*outcome.failure).c_str() : "stopped");
            }
        }
    });
}

// Numbered PNGs through zlib, as the sinks wrote them before.
class ZlibFrames final : public FrameSink {
public:
    ZlibFrames(std::filesystem::path folder, std::string name) : folder(std::move(folder)), name(std::move(name)) {}

    Status add(const RgbaImage &frame) override
    {
        char number[16];
        std::snprintf(number, sizeof number, "_%04lld.png", (long long)++count);
        if (const std::error_code error = writeNewFile(folder / (name + number), zlibPng(frame)))
            return failure(FailureKind::FileWrite, name, error);
        return Done{};
    }

    Result<std::filesystem::path> finish() override { return folder; }

private:
    std::filesystem::path folder;
    std::string name;
    int64_t count = 0;
};

// Every animation the way the batch rendered them before: the skeleton surveyed once, then each
// output on one of the jobs in a plugin session of its own, its PNGs through zlib.
ExportRun runOldWay(const ExportRecord &record, int jobs)
{
    QTemporaryDir output;
    const std::filesystem::path folder = toPath(output.path());
    const RenderRequest request = requestFor(record, std::nullopt, jobs, folder);
    const ExportPages pages(record);
    const PreviewSource source{pluginFolder / runtimePluginFileName(record.line()), record.skeleton, record.atlas};
    return timed(folder, [&](ExportRun &run) {
        const Result<SkeletonSurvey> survey = surveySkeleton(source, request.skeletons.front().choice);
        if (!survey) {
            ++run.failed;
            return;
        }
        std::atomic<std::size_t> next{0};
        std::atomic<int64_t> frames{0};
        std::atomic<int> failed{0};
        const auto job = [&] {
            for (std::size_t index = next++; index < survey->animations.size(); index = next++) {
                const AnimationInfo &animation = survey->animations[index];
                OutputRequest out;
                out.source = source;
                out.rules = &rendererRulesFor(4, 2);
                out.animation = animation.name;
                out.fps = kFps;
                out.frames = animationFrameCount(animation.duration, kFps);
                out.framing = effectiveFraming(request.settings);
                const std::filesystem::path target = folder / animation.name;
                std::filesystem::create_directories(target);
                const Result<std::filesystem::path> written =
                    renderOutput(out, pages.lookupFunction(), [&](const Camera &) -> Result<std::unique_ptr<FrameSink>> {
                        return std::unique_ptr<FrameSink>(std::make_unique<ZlibFrames>(target, animation.name));
                    });
                if (written)
                    frames += out.frames;
                else
                    ++failed;
            }
        };
        std::vector<std::thread> threads;
        for (int i = 1; i < jobs; ++i)
            threads.emplace_back(job);
        job();
        for (std::thread &thread : threads)
            thread.join();
        run.frames = frames;
        run.failed = failed;
    });
}

void runFormats(const ExportRecord &record, double seconds)
{
    std::printf("2. Every animation through the render batch, one job, %d x %d at %d fps:\n\n", kSide, kSide, kFps);
    std::printf("| format | frames | wall s | CPU ms per frame | frames per second | x real time | MB |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|\n");
    const std::optional<MediaFormat> formats[] = {std::nullopt,       MediaFormat::Gif,  MediaFormat::Apng, MediaFormat::Webp,
                                                  MediaFormat::Webm, MediaFormat::Mov, MediaFormat::Mp4};
    for (const std::optional<MediaFormat> &format : formats) {
        const ExportRun run = runBatch(record, format, 1);
        std::printf("| %s | %lld | %.2f | %.2f | %.1f | %.1f | %.1f |\n",
                    format ? std::string(mediaFormatName(*format)).c_str() : "png frames", (long long)run.frames,
                    run.wallSeconds, run.cpuSeconds * 1000 / double(std::max<int64_t>(run.frames, 1)),
                    double(run.frames) / run.wallSeconds, seconds / run.wallSeconds, double(run.bytes) / 1e6);
    }
    std::printf("\n");
}

void runWholeExport(const ExportRecord &record, double seconds)
{
    std::printf("3. Every animation as PNG frames, %d x %d at %d fps (%.1f s of animation), the fastest of %d runs;\n"
                "x real time is the animation's length over the wall time, and on free cores over processor time / jobs:\n\n",
                kSide, kSide, kFps, seconds, kAttempts);
    std::printf("| way | jobs | frames | wall s | x real time | processor s (system) | CPU ms per frame | x real time on free cores | MB |\n"
                "|---|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (int jobs : {1, 2}) {
        for (const bool now : {false, true}) {
            // The fastest of three: what else runs on the machine only ever slows a run down.
            ExportRun run;
            for (int attempt = 0; attempt < kAttempts; ++attempt) {
                const ExportRun tried = now ? runBatch(record, std::nullopt, jobs) : runOldWay(record, jobs);
                if (attempt == 0 || tried.wallSeconds < run.wallSeconds)
                    run = tried;
            }
            if (run.failed > 0)
                std::printf("  (%d outputs failed)\n", run.failed);
            std::printf("| %s | %d | %lld | %.2f | %.1f | %.2f (%.2f) | %.2f | %.1f | %.1f |\n", now ? "now" : "before", jobs,
                        (long long)run.frames, run.wallSeconds, seconds / run.wallSeconds, run.cpuSeconds, run.systemSeconds,
                        run.cpuSeconds * 1000 / double(std::max<int64_t>(run.frames, 1)), seconds * jobs / run.cpuSeconds,
                        double(run.bytes) / 1e6);
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const std::string part = argc > 1 ? argv[1] : "";
    const bool one = part == "stages" || part == "formats" || part == "export";
    if (part == "write") {
        const QString written = argc > 2 ? bench::writeBenchCharacter(QString::fromLocal8Bit(argv[2])) : QString();
        std::printf("%s\n", written.isEmpty() ? "kvx-bench-render write FOLDER" : qPrintable(written));
        return written.isEmpty() ? 1 : 0;
    }
    if (const int folderArgument = one ? 2 : 1; argc > folderArgument)
        pluginFolder = toPath(QString::fromLocal8Bit(argv[folderArgument]));
    QTemporaryDir folder;
    const QString skeleton = bench::writeBenchCharacter(folder.path());
    if (skeleton.isEmpty())
        return 1;
    const ExportRecord record = readExport(skeleton);
    const double seconds = totalSeconds();
    std::printf("Character: %s, %.1f s of animation in %zu animations\n\n", record.line().c_str(), seconds,
                bench::benchCharacterAnimations().size());
    if (!one || part == "stages") {
        Stages stages;
        if (!measureStages(record, stages))
            return 1;
        printStages(stages);
    }
    if (!one || part == "formats")
        runFormats(record, seconds);
    if (!one || part == "export")
        runWholeExport(record, seconds);
    return 0;
}
