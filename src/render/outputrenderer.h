#pragma once
// One output rendered: a skeleton posed by its runtime plugin, each frame painted through one
// camera into a transparent premultiplied target, made straight RGBA (over a background when
// asked) and handed to a sink that writes the file. The window-free render path; no Qt. A job may
// keep its loaded skeleton for its next output (KeptSession): selecting an animation poses it from
// a fresh skeleton and state in every runtime plugin, so an output's bytes do not depend on what
// was rendered before it or beside it.
//
// Posing, as playback does:
//   - an animation: frame 0 is the animation set on track 0, looping, from the setup pose; frame i
//     follows frame i − 1 by one update of 1 / fps seconds (physics stepped once per update);
//   - a single frame at time T: the animation set the same way and updated by T in one step;
//   - without an animation, the setup pose (updated the same way).

#include "common/failure.h"
#include "preview/previewsession.h"
#include "render/framepainter.h"
#include "render/framing.h"
#include "render/straightframe.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace kvx {

// Where the camera comes from: given (its size is the image's), or the extent of every frame the
// output draws (framing.h) fitted into the size, or without a size framed at zoom scale.
struct OutputFraming {
    std::optional<Camera> camera;
    std::optional<FrameSize> size;
    double scale = 1.0;     // multiplies the fitted zoom; the zoom itself without a size
    bool evenSides = false; // sizes found from the extent are rounded up to even
    int maxSide = 8192;     // larger images found from the extent are refused
};

struct OutputRequest {
    PreviewSource source;
    const RendererRules *rules = &rendererRulesFor(4, 3); // the skeleton's line
    std::vector<std::string> skins;       // chosen before posing, several combined in their order;
                                          // none leaves the runtime's own
    std::optional<std::string> animation; // none: the setup pose
    int fps = 30;
    int64_t frames = 1;                   // animationFrameCount, checked by the caller
    std::optional<double> time;           // a single frame at this time instead of the frames
    OutputFraming framing;
    std::optional<BackgroundColour> background;
};

// Where the frames go: a file or a folder of frames written aside and published by finish().
// Destroyed before finish() succeeded, it leaves nothing behind.
class FrameSink {
public:
    virtual ~FrameSink() = default;
    virtual Status add(const RgbaImage &frame) = 0;
    // Returns where the output now is.
    virtual Result<std::filesystem::path> finish() = 0;
};

// Made once the image's size is known, before the first frame is painted.
using FrameSinkFactory = std::function<Result<std::unique_ptr<FrameSink>>(const Camera &camera)>;

struct OutputControl {
    std::function<bool()> stopRequested;                         // polled between frames
    std::function<void(int64_t written, int64_t total)> progress; // after each frame handed over
    // What went wrong while a frame was painted (a page the frame needs could not be read), asked
    // after each frame is painted: a failure ends the output before the frame is handed over.
    std::function<std::optional<Failure>()> paintFailure;
};

// Frames kept between measuring and painting, per output; longer animations are posed again.
inline constexpr std::size_t kKeptFramesBudgetBytes = std::size_t(64) << 20;

// The skeleton one job keeps loaded from one output to the next. An output of the same skeleton
// (plugin, skeleton and atlas) that selects an animation is posed in the kept session, on its own
// skin when it names one, and so exactly as in a fresh load; an output without an animation (the
// setup pose goes on from wherever the last output left it), one that names no skin after others
// did, another skeleton, and anything after a failure load afresh. Used from one thread at a time.
class KeptSession {
public:
    // The session to pose the output in, loaded or kept, on the output's skin when it names one.
    Result<PreviewSession *> open(const OutputRequest &request);
    // Keeps a session loaded elsewhere from the source, with a skin chosen in it or not.
    void keep(std::unique_ptr<PreviewSession> loaded, const PreviewSource &from, bool skinWasChosen);
    void discard() { session.reset(); }

private:
    bool serves(const OutputRequest &request) const;

    std::unique_ptr<PreviewSession> session;
    PreviewSource source;
    bool skinChosen = false;
};

// Fails with the session's failures, NothingToFrame, RenderLimitExceeded (a found size above
// maxSide), the sink's failures, or Cancelled once stopRequested said so. Without kept sessions the
// output loads its skeleton for itself; with them, a failed output leaves nothing kept.
Result<std::filesystem::path> renderOutput(const OutputRequest &request, const PageLookup &pages,
                                           const FrameSinkFactory &sinks, const OutputControl &control = {},
                                           KeptSession *kept = nullptr);

// One frame painted as renderOutput paints it: a premultiplied target cleared to transparency,
// the painter, then straight RGBA. Reused from frame to frame.
class FrameCanvas {
public:
    FrameCanvas(const RendererRules &rules, const Camera &camera, std::optional<BackgroundColour> background);

    const RgbaImage &paint(const std::vector<DrawItem> &items, const PageLookup &pages);
    const Camera &camera() const { return view; }

private:
    FramePainter painter;
    Camera view;
    std::optional<BackgroundColour> background;
    std::vector<uint32_t> target;
    RgbaImage image;
};

} // namespace kvx
