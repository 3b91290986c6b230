// Paints frames of textured triangles into a 960 x 680 image, with the first painter (one clipped,
// transformed page draw per triangle, kept in tests/support) and with the canvas (background,
// rasterizer, one draw of the composed image), and prints milliseconds of CPU per frame side by
// side with their ratio; then the frame painter alone, drawing into a plain buffer. Then what a
// painted pixel and a triangle cost the painter, and the bundled sample character played through its
// runtime plugin (sampling plus painting) when the plugin is built.
//
// Run: kvx-bench-preview-paint [seconds per measurement, default 1]
//      kvx-bench-preview-paint profile <old|canvas> <triangles> <frames>
// The second form paints a fixed number of frames one way and nothing else, for instruction counts
// that a busy machine cannot disturb:
//   valgrind --tool=callgrind --toggle-collect='*paintProfiledFrames*' kvx-bench-preview-paint profile canvas 10000 10

#include "app/spinepreviewwidget.h"

#include "common/qt/pathtext.h"
#include "preview/runtimeplugin.h"
#include "render/framepainter.h"
#include "support/referencepainter.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPainter>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>
#include <optional>

namespace {

using kvx::DrawItem;

constexpr QSize kCanvas(960, 680);
constexpr int kPageSize = 1024;
constexpr int kTrianglesPerItem = 40; // about one mesh attachment

// A page with soft-edged coloured blobs, like packed regions with transparent gutters.
QImage makePage()
{
    QImage page(kPageSize, kPageSize, QImage::Format_ARGB32);
    for (int y = 0; y < kPageSize; ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(page.scanLine(y));
        for (int x = 0; x < kPageSize; ++x) {
            const int cellX = x % 128 - 64;
            const int cellY = y % 128 - 64;
            const int alpha = std::max(0, 255 - (cellX * cellX + cellY * cellY) / 16);
            line[x] = qRgba(x / 4, y / 4, (x + y) / 8, alpha);
        }
    }
    return page;
}

kvxRuntimeVertex vertex(float x, float y, float u, float v, uint32_t colour = 0xFFFFFFFFu)
{
    return kvxRuntimeVertex{x, y, u, v, colour};
}

// Triangles spread over a 400 x 600 figure in skeleton space, in pairs forming quads on a grid.
// Each quad samples its own 64 x 64 texel region of the page; neighbours overlap a little.
std::vector<DrawItem> makeFrame(int triangles, const std::u16string &page)
{
    const int quads = (triangles + 1) / 2;
    const int columns = std::max(1, static_cast<int>(std::lround(std::sqrt(quads * 400.0 / 600.0))));
    const int rows = (quads + columns - 1) / columns;
    const float cellWidth = 400.0f / columns;
    const float cellHeight = 600.0f / rows;
    std::vector<DrawItem> items;
    int made = 0;
    for (int q = 0; q < quads; ++q) {
        if (items.empty() || items.back().indices.size() >= kTrianglesPerItem * 3) {
            items.emplace_back();
            items.back().texturePath = page;
        }
        DrawItem &item = items.back();
        const float x = (q % columns) * cellWidth - 200.0f;
        const float y = (q / columns) * cellHeight - 600.0f;
        const float u = ((q * 7) % 16) / 16.0f;
        const float v = ((q * 11) % 16) / 16.0f;
        const float span = 1.0f / 16.0f;
        const auto base = static_cast<uint16_t>(item.vertices.size());
        item.vertices.push_back(vertex(x, y, u, v));
        item.vertices.push_back(vertex(x + cellWidth * 1.1f, y, u + span, v));
        item.vertices.push_back(vertex(x + cellWidth * 1.1f, y + cellHeight * 1.1f, u + span, v + span));
        item.vertices.push_back(vertex(x, y + cellHeight * 1.1f, u, v + span));
        for (const uint16_t corner : {0, 1, 2, 0, 2, 3}) {
            if (made == triangles)
                break;
            item.indices.push_back(static_cast<uint16_t>(base + corner));
            if (item.indices.size() % 3 == 0)
                ++made;
        }
    }
    return items;
}

// One quad from (left, left) to (right, right), in the given colour, blend mode and dark colour.
std::vector<DrawItem> quad(float left, float right, const std::u16string &page, uint32_t colour = 0xFFFFFFFFu,
                           int32_t blendMode = 0, uint32_t dark = 0)
{
    DrawItem item;
    item.vertices = {vertex(left, left, 0, 0, colour), vertex(right, left, 1, 0, colour),
                     vertex(right, right, 1, 1, colour), vertex(left, right, 0, 1, colour)};
    item.indices = {0, 1, 2, 0, 2, 3};
    item.texturePath = page;
    item.blendMode = blendMode;
    item.darkColor = dark;
    std::vector<DrawItem> items;
    items.push_back(std::move(item));
    return items;
}

struct Timing {
    double wall = 0;    // milliseconds per frame
    double process = 0; // CPU milliseconds per frame: steadier than wall time on a busy machine
};

Timing millisecondsPerFrame(double seconds, const std::function<void(QPainter &)> &paint)
{
    QImage target(kCanvas, QImage::Format_ARGB32_Premultiplied);
    {
        QPainter warmUp(&target);
        paint(warmUp);
    }
    QElapsedTimer clock;
    clock.start();
    const std::clock_t cpuStart = std::clock();
    int frames = 0;
    while (frames < 3 || clock.nsecsElapsed() < seconds * 1e9) {
        QPainter painter(&target);
        paint(painter);
        painter.end();
        ++frames;
    }
    Timing timing;
    timing.wall = clock.nsecsElapsed() / 1e6 / frames;
    timing.process = (std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC / frames;
    return timing;
}

// The first frame fixes the framing, the second is painted.
// The canvas follows the newest line's renderer unless told another line.
Timing rasterizerTiming(double seconds, std::vector<DrawItem> framing, std::vector<DrawItem> frame,
                        const kvx::RendererRules &rules = kvx::rendererRulesFor(4, 3))
{
    kvx::SpinePreviewWidget widget;
    widget.setRendererRules(rules);
    widget.setFrame(std::move(framing));
    widget.setFrame(std::move(frame));
    return millisecondsPerFrame(seconds, [&](QPainter &p) { widget.paintContent(p, kCanvas); });
}

// The core alone: the frame painted into a plain buffer cleared to the background.
class RasterizerAlone {
public:
    RasterizerAlone(const std::vector<DrawItem> &frame, const QRectF &framing, const QImage &page)
        : frame(frame), texels(page.convertToFormat(QImage::Format_ARGB32)),
          pixels(size_t(kCanvas.width()) * kCanvas.height())
    {
        camera.zoom = std::min(kCanvas.height() / framing.height(), kCanvas.width() / framing.width()) * 0.94;
        camera.x = framing.center().x();
        camera.y = -framing.center().y();
        camera.width = kCanvas.width();
        camera.height = kCanvas.height();
    }

    void paint()
    {
        const kvx::PageImage image{{reinterpret_cast<const uint32_t *>(texels.constBits()), texels.width(),
                                    texels.height(), texels.bytesPerLine() / 4},
                                   {false, kvx::TextureFilter::Linear, kvx::TextureFilter::Linear}};
        const kvx::PixelView canvas{pixels.data(), kCanvas.width(), kCanvas.height(), kCanvas.width()};
        std::fill(pixels.begin(), pixels.end(), 0xFF101217u);
        painter.paint(frame, camera, canvas, [&](const std::u16string &) { return std::optional(image); });
    }

private:
    const std::vector<DrawItem> &frame;
    const QImage texels;
    std::vector<uint32_t> pixels;
    kvx::Camera camera;
    kvx::FramePainter painter;
};

// The ways take turns, a frame each, until the time is up: a machine busy with other work then
// slows them alike, and their ratio holds where one measured after the other would not.
std::vector<Timing> interleavedTimings(double seconds, const std::vector<std::function<void()>> &ways)
{
    for (const auto &way : ways)
        way(); // warm up: pages read, buffers allocated
    std::vector<Timing> timings(ways.size());
    QElapsedTimer total;
    total.start();
    int rounds = 0;
    while (rounds < 3 || total.nsecsElapsed() < seconds * ways.size() * 1e9) {
        for (size_t i = 0; i < ways.size(); ++i) {
            QElapsedTimer clock;
            clock.start();
            const std::clock_t cpuStart = std::clock();
            ways[i]();
            timings[i].process += double(std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC;
            timings[i].wall += clock.nsecsElapsed() / 1e6;
        }
        ++rounds;
    }
    for (Timing &timing : timings) {
        timing.process /= rounds;
        timing.wall /= rounds;
    }
    return timings;
}

void printComparison(double seconds, const QString &pagePath, const QImage &page)
{
    std::printf("Preview frame painting, %dx%d target, %dx%d page, textured triangles\n", kCanvas.width(),
                kCanvas.height(), kPageSize, kPageSize);
    std::printf("milliseconds of CPU per frame (wall in brackets), the three ways taking turns frame by frame\n");
    std::printf("%10s %20s %20s %7s %20s %7s\n", "triangles", "old painter", "canvas", "ratio", "frame painter alone",
                "ratio");
    const auto pages = [&](const std::u16string &) -> const QImage & { return page; };
    std::vector<Timing> rasterized;
    for (const int triangles : {100, 500, 2000, 10000, 20000}) {
        const std::vector<DrawItem> frame = makeFrame(triangles, pagePath.toStdU16String());
        kvx::SpinePreviewWidget widget;
        widget.setFrame(frame);
        kvx::test::ReferenceView view;
        view.framing = widget.framing().value_or(QRectF(0, 0, 1, 1));
        QImage target(kCanvas, QImage::Format_ARGB32_Premultiplied);
        RasterizerAlone alone(frame, view.framing, page);
        const std::vector<Timing> timings = interleavedTimings(
            seconds, {[&] {
                          QPainter painter(&target);
                          kvx::test::paintReferenceFrame(painter, kCanvas, frame, view, pages);
                      },
                      [&] {
                          QPainter painter(&target);
                          widget.paintContent(painter, kCanvas);
                      },
                      [&] { alone.paint(); }});
        const Timing &old = timings[0];
        const Timing &now = timings[1];
        rasterized.push_back(timings[2]);
        std::printf("%10d %9.2f (%7.2f) %9.2f (%7.2f) %6.1fx %9.2f (%7.2f) %6.1fx\n", triangles, old.process, old.wall,
                    now.process, now.wall, old.process / now.process, timings[2].process, timings[2].wall,
                    old.process / timings[2].process);
    }
    // The figure covers about the same pixels at every count, so the difference is per triangle.
    std::printf("frame painter alone, per triangle: %.0f ns (from 100 to 20,000 triangles)\n",
                (rasterized.back().process - rasterized.front().process) * 1e6 / (20000 - 100));
}

void printPixelCosts(double seconds, const QString &pagePath)
{
    const std::u16string page = pagePath.toStdU16String();
    // Framed on the middle of the quad, the quad reaches well beyond the canvas on every side.
    const std::vector<DrawItem> framing = quad(0.4f, 0.6f, page);
    std::vector<DrawItem> untriangulated = quad(0.4f, 0.6f, page);
    untriangulated.front().indices.clear();
    const Timing empty = rasterizerTiming(seconds, framing, untriangulated);
    const double pixels = double(kCanvas.width()) * kCanvas.height();
    std::printf("\nCanvas per painted pixel, one quad over the whole canvas (a frame without triangles: %.2f ms)\n",
                empty.process);
    const struct {
        const char *name;
        uint32_t colour;
        int32_t blendMode;
        uint32_t dark;
        int minor; // of line 4
    } cases[] = {{"normal, white", 0xFFFFFFFFu, 0, 0, 3},         {"normal, half opacity", 0x80FFFFFFu, 0, 0, 3},
                 {"normal, tinted", 0xFFC08040u, 0, 0, 3},        {"normal, two colours", 0xFFC08040u, 0, 0x402010u, 3},
                 {"normal, straight (4.2)", 0xFFFFFFFFu, 0, 0, 2}, {"additive", 0xFFFFFFFFu, 1, 0, 3},
                 {"multiply", 0xFFFFFFFFu, 2, 0, 3},              {"screen", 0xFFFFFFFFu, 3, 0, 3}};
    for (const auto &paintCase : cases) {
        const Timing covered =
            rasterizerTiming(seconds, framing, quad(-1.0f, 2.0f, page, paintCase.colour, paintCase.blendMode, paintCase.dark),
                             kvx::rendererRulesFor(4, paintCase.minor));
        std::printf("%22s %6.2f ms  %5.2f ns per pixel\n", paintCase.name, covered.process,
                    (covered.process - empty.process) * 1e6 / pixels);
    }
}

// The bundled sample played through its line's plugin at the preview's size in the default window.
void printSampleCharacter(double seconds)
{
    const QString root = QStringLiteral(KVX_SOURCE_DIR);
    const QString plugin = QDir(QCoreApplication::applicationDirPath()).filePath("runtimes/kvx-runtime-4.2.so");
    kvx::RuntimePlugin runtime;
    std::string error;
    if (!QFileInfo::exists(plugin) || !runtime.open(kvx::toPath(plugin), error)
        || !runtime.loadSkeleton(kvx::toPath(root + "/examples/hero.json"), kvx::toPath(root + "/examples/hero.atlas"),
                                 1.0f, error)
               .ok
        || !runtime.setAnimation("wave", true, error)) {
        std::printf("\nSample character: skipped (%s)\n", error.empty() ? "no 4.2 plugin" : error.c_str());
        return;
    }
    kvx::SpinePreviewWidget widget;
    kvx::PreviewFrame first = runtime.sampleFrame(0.0f, error);
    size_t triangles = 0;
    for (const DrawItem &item : first.items)
        triangles += item.indices.size() / 3;
    widget.setFrame(std::move(first.items));
    const QSize size(920, 520); // about the canvas in a 960 x 680 window
    QImage target(size, QImage::Format_ARGB32_Premultiplied);
    QElapsedTimer clock;
    clock.start();
    const std::clock_t cpuStart = std::clock();
    int frames = 0;
    while (frames < 10 || clock.nsecsElapsed() < seconds * 1e9) {
        kvx::PreviewFrame frame = runtime.sampleFrame(1.0f / 60.0f, error);
        widget.setFrame(std::move(frame.items));
        QPainter painter(&target);
        widget.paintContent(painter, size);
        ++frames;
    }
    std::printf("\nSample character (hero, %zu triangles) at %dx%d: %.2f ms of CPU per frame, sampling plus painting\n",
                triangles, size.width(), size.height(), (std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC / frames);
}

// The frames a profiler counts: run it with --toggle-collect='*paintProfiledFrames*'.
[[gnu::noinline]] void paintProfiledFrames(int frames, QImage &target, const std::function<void(QPainter &)> &paint)
{
    for (int i = 0; i < frames; ++i) {
        QPainter painter(&target);
        paint(painter);
    }
}

// Paints the frames one way into one target, after a first frame that reads the page.
int profile(const QString &way, int triangles, int frames, const QString &pagePath, const QImage &page)
{
    const std::vector<DrawItem> frame = makeFrame(triangles, pagePath.toStdU16String());
    kvx::SpinePreviewWidget widget;
    widget.setFrame(frame);
    kvx::test::ReferenceView view;
    view.framing = widget.framing().value_or(QRectF(0, 0, 1, 1));
    const auto pages = [&](const std::u16string &) -> const QImage & { return page; };
    std::function<void(QPainter &)> paint;
    if (way == QLatin1String("old"))
        paint = [&](QPainter &p) { kvx::test::paintReferenceFrame(p, kCanvas, frame, view, pages); };
    else if (way == QLatin1String("canvas"))
        paint = [&](QPainter &p) { widget.paintContent(p, kCanvas); };
    else
        return 2;
    QImage target(kCanvas, QImage::Format_ARGB32_Premultiplied);
    {
        QPainter first(&target);
        paint(first);
    }
    paintProfiledFrames(frames, target, paint);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const double seconds = argc == 2 ? std::atof(argv[1]) : 1.0;

    QTemporaryDir folder;
    const QString pagePath = QDir(folder.path()).filePath("page.png");
    const QImage page = makePage();
    page.save(pagePath);
    if (argc == 5 && QLatin1String(argv[1]) == QLatin1String("profile"))
        return profile(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), pagePath, page);

    printComparison(seconds, pagePath, page);
    printPixelCosts(seconds, pagePath);
    printSampleCharacter(seconds);
    return 0;
}
