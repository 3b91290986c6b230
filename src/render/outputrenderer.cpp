#include "render/outputrenderer.h"

#include <algorithm>

namespace kvx {
namespace {

// A session posed for one output: loaded without the window's skin choice, on the output's skin.
class Poser {
public:
    Poser(const OutputRequest &request, KeptSession &kept) : request(request), kept(kept) {}

    Status open()
    {
        Result<PreviewSession *> opened = kept.open(request);
        if (!opened)
            return opened.failure();
        session = *opened;
        return Done{};
    }

    // The first frame: from the setup pose, updated by the seconds in one step.
    Result<PreviewFrame> start(double seconds)
    {
        if (request.animation)
            return session->select(*request.animation, true, float(seconds));
        return session->advance(float(seconds));
    }

    Result<PreviewFrame> step() { return session->advance(float(1.0 / request.fps)); }

private:
    const OutputRequest &request;
    KeptSession &kept;
    PreviewSession *session = nullptr;
};

bool sameSource(const PreviewSource &a, const PreviewSource &b)
{
    return a.plugin == b.plugin && a.skeleton == b.skeleton && a.atlas == b.atlas;
}

std::size_t footprint(const PreviewFrame &frame)
{
    std::size_t bytes = sizeof(PreviewFrame);
    for (const DrawItem &item : frame.items)
        bytes += sizeof(DrawItem) + item.vertices.size() * sizeof(kvxRuntimeVertex) + item.indices.size() * 2
                 + item.texturePath.size() * 2;
    return bytes;
}

bool stopped(const OutputControl &control)
{
    return control.stopRequested && control.stopRequested();
}

Failure cancelled()
{
    return failure(FailureKind::Cancelled);
}

// Poses the output's frames one after another, stopping at the first failure or stop request.
template <typename Use>
Status poseFrames(const OutputRequest &request, const OutputControl &control, KeptSession &kept, Use use)
{
    Poser poser(request, kept);
    if (Status opened = poser.open(); !opened)
        return opened;
    for (int64_t index = 0; index < request.frames; ++index) {
        if (stopped(control))
            return cancelled();
        Result<PreviewFrame> frame = index == 0 ? poser.start(0.0) : poser.step();
        if (!frame)
            return frame.failure();
        if (Status used = use(index, std::move(*frame)); !used)
            return used;
    }
    return Done{};
}

Result<PreviewFrame> poseSingleFrame(const OutputRequest &request, KeptSession &kept, double seconds)
{
    Poser poser(request, kept);
    if (Status opened = poser.open(); !opened)
        return opened.failure();
    return poser.start(seconds);
}

// What the measuring pass leaves: the extent, and the frames while they fit the budget.
struct Measured {
    FrameExtent extent;
    std::vector<PreviewFrame> kept;
    bool keptAll = true;
};

Result<Measured> measureFrames(const OutputRequest &request, const OutputControl &control, KeptSession &kept,
                               bool keep)
{
    Measured measured;
    std::size_t keptBytes = 0;
    Status posed = poseFrames(request, control, kept, [&](int64_t index, PreviewFrame frame) -> Status {
        measured.extent.include(frame.items);
        if (keep && measured.keptAll) {
            keptBytes += footprint(frame);
            if (keptBytes <= kKeptFramesBudgetBytes) {
                measured.kept.push_back(std::move(frame));
            } else {
                measured.keptAll = false;
                measured.kept = {};
            }
        } else if (!keep && index == 0 && request.time && *request.time == 0.0) {
            measured.kept.push_back(std::move(frame));
        }
        return Done{};
    });
    if (!posed)
        return posed.failure();
    return measured;
}

Result<Camera> cameraFor(const OutputFraming &framing, const std::optional<SkeletonBox> &extent)
{
    if (!extent && !framing.size)
        return failure(FailureKind::NothingToFrame);
    Camera camera;
    if (!extent) {
        camera.zoom = framing.scale;
        camera.width = framing.size->width;
        camera.height = framing.size->height;
        return camera;
    }
    camera = framing.size ? fittedCamera(*extent, *framing.size, framing.scale)
                          : framedCamera(*extent, framing.scale, framing.evenSides);
    if (camera.width > framing.maxSide || camera.height > framing.maxSide)
        return failure(FailureKind::RenderLimitExceeded,
                       "the frames would be " + std::to_string(camera.width) + " x " + std::to_string(camera.height)
                           + " pixels, more than " + std::to_string(framing.maxSide) + " on a side; a smaller scale or a given size fits");
    return camera;
}

class Writer {
public:
    Writer(const OutputRequest &request, const PageLookup &pages, const OutputControl &control, const Camera &camera,
           std::unique_ptr<FrameSink> sink, int64_t total)
        : pages(pages), control(control), canvas(*request.rules, camera, request.background), sink(std::move(sink)),
          total(total)
    {
    }

    Status write(const PreviewFrame &frame)
    {
        if (stopped(control))
            return cancelled();
        const RgbaImage &painted = canvas.paint(frame.items, pages);
        if (control.paintFailure) {
            if (std::optional<Failure> failed = control.paintFailure())
                return *failed;
        }
        if (Status added = sink->add(painted); !added)
            return added;
        ++written;
        if (control.progress)
            control.progress(written, total);
        return Done{};
    }

    Result<std::filesystem::path> finish() { return sink->finish(); }

private:
    const PageLookup &pages;
    const OutputControl &control;
    FrameCanvas canvas;
    std::unique_ptr<FrameSink> sink;
    int64_t total = 0;
    int64_t written = 0;
};

Result<std::unique_ptr<Writer>> openWriter(const OutputRequest &request, const PageLookup &pages,
                                           const FrameSinkFactory &sinks, const OutputControl &control,
                                           const Camera &camera)
{
    Result<std::unique_ptr<FrameSink>> sink = sinks(camera);
    if (!sink)
        return sink.failure();
    const int64_t total = request.time ? 1 : request.frames;
    return std::make_unique<Writer>(request, pages, control, camera, std::move(*sink), total);
}

// Every frame posed straight into the writer, once the camera is known.
Status streamFrames(const OutputRequest &request, const OutputControl &control, KeptSession &kept, Writer &writer)
{
    if (request.time) {
        Result<PreviewFrame> frame = poseSingleFrame(request, kept, *request.time);
        return frame ? writer.write(*frame) : Status(frame.failure());
    }
    return poseFrames(request, control, kept, [&](int64_t, PreviewFrame frame) { return writer.write(frame); });
}

// Without a camera: the frames are posed once to find their extent, then painted from what was
// kept, or posed again where they did not fit (the same poses: selecting the animation again
// plays it from a fresh state, and the setup pose is loaded afresh). A single frame at T is posed
// again the same way, so the extent pass leaves its physics untouched; at 0 it is the first frame
// measured.
Result<std::filesystem::path> renderFramed(const OutputRequest &request, const PageLookup &pages,
                                           const FrameSinkFactory &sinks, const OutputControl &control,
                                           KeptSession &kept)
{
    Result<Measured> measured = measureFrames(request, control, kept, !request.time);
    if (!measured)
        return measured.failure();
    std::optional<PreviewFrame> single;
    if (request.time) {
        if (!measured->kept.empty()) {
            single = std::move(measured->kept.front());
        } else {
            Result<PreviewFrame> posed = poseSingleFrame(request, kept, *request.time);
            if (!posed)
                return posed.failure();
            single = std::move(*posed);
        }
        measured->extent.include(single->items);
    }
    const Result<Camera> camera = cameraFor(request.framing, measured->extent.box());
    if (!camera)
        return camera.failure();
    Result<std::unique_ptr<Writer>> writer = openWriter(request, pages, sinks, control, *camera);
    if (!writer)
        return writer.failure();
    Status written = Done{};
    if (single) {
        written = (*writer)->write(*single);
    } else if (measured->keptAll) {
        for (const PreviewFrame &frame : measured->kept) {
            if (written = (*writer)->write(frame); !written)
                break;
        }
    } else {
        measured->kept.clear();
        written = streamFrames(request, control, kept, **writer);
    }
    if (!written)
        return written.failure();
    return (*writer)->finish();
}

} // namespace

FrameCanvas::FrameCanvas(const RendererRules &rules, const Camera &camera, std::optional<BackgroundColour> background)
    : painter(rules), view(camera), background(background),
      target(std::size_t(std::max(camera.width, 0)) * std::size_t(std::max(camera.height, 0)))
{
}

const RgbaImage &FrameCanvas::paint(const std::vector<DrawItem> &items, const PageLookup &pages)
{
    std::fill(target.begin(), target.end(), 0u);
    const PixelView view{target.data(), this->view.width, this->view.height, this->view.width};
    painter.paint(items, this->view, view, pages);
    straightenInto(view, background, image);
    return image;
}

Result<PreviewSession *> KeptSession::open(const OutputRequest &request)
{
    if (!serves(request)) {
        session.reset(); // the old context ends before the new one starts
        session = std::make_unique<PreviewSession>();
        if (Result<LoadedSkeleton> loaded = session->load(request.source, FirstSkin::Leave); !loaded) {
            session.reset();
            return loaded.failure();
        }
        source = request.source;
        skinChosen = false;
    }
    if (!request.skins.empty()) {
        if (Result<PreviewFrame> shown = session->chooseSkins(request.skins); !shown) {
            session.reset();
            return shown.failure();
        }
        skinChosen = true;
    }
    return session.get();
}

void KeptSession::keep(std::unique_ptr<PreviewSession> loaded, const PreviewSource &from, bool skinWasChosen)
{
    session = std::move(loaded);
    source = from;
    skinChosen = skinWasChosen;
}

bool KeptSession::serves(const OutputRequest &request) const
{
    return session && request.animation && sameSource(source, request.source) && (!request.skins.empty() || !skinChosen);
}

Result<std::filesystem::path> renderOutput(const OutputRequest &request, const PageLookup &pages,
                                           const FrameSinkFactory &sinks, const OutputControl &control,
                                           KeptSession *kept)
{
    KeptSession own;
    KeptSession &sessions = kept ? *kept : own;
    Result<std::filesystem::path> rendered = [&]() -> Result<std::filesystem::path> {
        if (!request.framing.camera)
            return renderFramed(request, pages, sinks, control, sessions);
        Result<std::unique_ptr<Writer>> writer = openWriter(request, pages, sinks, control, *request.framing.camera);
        if (!writer)
            return writer.failure();
        if (Status written = streamFrames(request, control, sessions, **writer); !written)
            return written.failure();
        return (*writer)->finish();
    }();
    if (!rendered)
        sessions.discard();
    return rendered;
}

} // namespace kvx
