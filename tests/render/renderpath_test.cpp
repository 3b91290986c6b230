// The render path end to end: a real export posed by its line's plugin, painted through a camera
// into straight RGBA. The box lands on the pixels the camera's formula gives, to the half pixel:
// a pixel is painted when its centre lies inside the box, left and top edges included.

#include "assets/qt/exportreading.h"
#include "common/qt/pathtext.h"
#include "render/outputrenderer.h"
#include "render/qt/pageimages.h"
#include "support/renderexport.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <QRect>

namespace kvx {
namespace {

class KeptFrames final : public FrameSink {
public:
    explicit KeptFrames(std::vector<RgbaImage> &frames) : frames(frames) {}
    Status add(const RgbaImage &frame) override
    {
        frames.push_back(frame);
        return Done{};
    }
    Result<std::filesystem::path> finish() override { return std::filesystem::path("kept"); }

private:
    std::vector<RgbaImage> &frames;
};

struct Rendered {
    Result<std::filesystem::path> result = failure(FailureKind::Unexpected);
    std::vector<RgbaImage> frames;
};

class RenderPathTest : public ::testing::Test {
protected:
    RenderPathTest() : record(readExport(toQString(test::writeRenderExport(folder.path())))), pages(record) {}

    Rendered render(OutputRequest request, const OutputControl &control = {}, KeptSession *kept = nullptr)
    {
        return renderOf(record, pages, std::move(request), control, kept);
    }

    static Rendered renderOf(const ExportRecord &record, const ExportPages &pages, OutputRequest request,
                             const OutputControl &control = {}, KeptSession *kept = nullptr)
    {
        request.source = {std::filesystem::path(KVX_RUNTIME_PLUGIN_DIR) / runtimePluginFileName("4.2"), record.skeleton,
                          record.atlas};
        request.rules = &rendererRulesFor(4, 2);
        Rendered rendered;
        rendered.result = renderOutput(request, pages.lookupFunction(), [&](const Camera &) {
            return Result<std::unique_ptr<FrameSink>>(std::make_unique<KeptFrames>(rendered.frames));
        }, control, kept);
        return rendered;
    }

    test::TempFolder folder;
    ExportRecord record;
    ExportPages pages;
};

const uint8_t *pixel(const RgbaImage &image, int x, int y)
{
    return image.bytes.data() + (std::size_t(y) * std::size_t(image.width) + std::size_t(x)) * 4;
}

// The pixels in the box's colour (red above green above blue), as columns and rows first to last.
QRect boxPixels(const RgbaImage &image)
{
    QRect box;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const uint8_t *p = pixel(image, x, y);
            if (p[3] > 0 && p[0] > p[1] && p[1] > p[2])
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

TEST_F(RenderPathTest, TheBoxLandsOnThePixelsOfTheCameraFormula)
{
    const struct {
        std::optional<Camera> camera;
        std::optional<FrameSize> size;
        double scale;
        FrameSize image;
        QRect box; // columns and rows painted, first to last
    } cases[] = {
        // (0, 0) at the centre, 2 pixels per unit: [-8, 8] becomes [16, 48).
        {Camera{0, 0, 2, 64, 64}, {}, 1, {64, 64}, QRect(QPoint(16, 16), QPoint(47, 47))},
        // A quarter unit right: the left edge passes through pixel 15's centre (in), the right
        // edge through 47's (out).
        {Camera{0.25, 0, 2, 64, 64}, {}, 1, {64, 64}, QRect(QPoint(15, 16), QPoint(46, 47))},
        // A quarter unit down (y up): the top edge through row 15's centre (in), the bottom through 47's.
        {Camera{0, -0.25, 2, 64, 64}, {}, 1, {64, 64}, QRect(QPoint(16, 15), QPoint(47, 46))},
        // "still" spans x -48 … 8 and y -8 … 8; fitted into 112 × 40 at zoom min(100.8 / 56, 36 / 16) = 1.8
        // about (-20, 0): the box covers x 77.6 … 106.4 and y 5.6 … 34.4.
        {{}, FrameSize{112, 40}, 1, {112, 40}, QRect(QPoint(78, 6), QPoint(105, 33))},
        // Without a size at scale 2: 56 × 16 units make ceil(112 / 0.9) × ceil(32 / 0.9) = 125 × 36
        // pixels; the box covers x 86.5 … 118.5 and y 2 … 34.
        {{}, {}, 2, {125, 36}, QRect(QPoint(86, 2), QPoint(117, 33))},
    };
    for (const auto &c : cases) {
        OutputRequest request;
        request.animation = "still";
        request.time = 0.0;
        request.frames = 15;
        request.framing.camera = c.camera;
        request.framing.size = c.size;
        request.framing.scale = c.scale;
        const Rendered rendered = render(request);
        ASSERT_TRUE(rendered.result) << englishText(rendered.result.failure());
        ASSERT_EQ(rendered.frames.size(), 1u);
        const RgbaImage &image = rendered.frames.front();
        EXPECT_EQ((FrameSize{image.width, image.height}), c.image);
        EXPECT_EQ(boxPixels(image), c.box);
        const QPoint centre = c.box.center();
        EXPECT_EQ(std::vector<uint8_t>(pixel(image, centre.x(), centre.y()), pixel(image, centre.x(), centre.y()) + 4),
                  (std::vector<uint8_t>{200, 80, 40, 255}));
    }
}

TEST_F(RenderPathTest, HalfTransparentTexelsStayStraightOrAreComposedOverTheBackground)
{
    const struct {
        std::optional<BackgroundColour> background;
        std::vector<int> rgba;
    } cases[] = {
        {std::nullopt, {40, 80, 200, 128}},
        // 40 · 128 / 255 + 255 · 127 / 255 over white, and so on.
        {0xFFFFFFu, {147, 167, 227, 255}},
    };
    for (const auto &c : cases) {
        OutputRequest request;
        request.animation = "still";
        request.time = 0.0;
        request.framing.camera = Camera{-40, 0, 2, 64, 64};
        request.background = c.background;
        const Rendered rendered = render(request);
        ASSERT_TRUE(rendered.result) << englishText(rendered.result.failure());
        const uint8_t *p = pixel(rendered.frames.front(), 32, 32);
        for (int channel = 0; channel < 4; ++channel)
            EXPECT_NEAR(p[channel], c.rgba[std::size_t(channel)], 1) << channel;
        EXPECT_EQ(pixel(rendered.frames.front(), 0, 0)[3], c.background ? 255 : 0);
    }
}

TEST_F(RenderPathTest, AnAnimationsFramesStepByOneOverTheRateAndStartAtTimeZero)
{
    OutputRequest request;
    request.animation = "move";
    request.fps = 10;
    request.frames = 10;
    request.framing.size = FrameSize{120, 40};
    const Rendered animation = render(request);
    ASSERT_TRUE(animation.result) << englishText(animation.result.failure());
    ASSERT_EQ(animation.frames.size(), 10u);
    // Fitted once for the whole animation: x -48 … 48 (the box ends at 36 + 8 = 44 in frame 9,
    // so the extent is -48 … 44 wide, 92 units) and the box moves 4 units a frame.
    const int first = boxPixels(animation.frames[0]).left();
    for (std::size_t i = 1; i < animation.frames.size(); ++i)
        EXPECT_GT(boxPixels(animation.frames[i]).left(), boxPixels(animation.frames[i - 1]).left()) << i;
    request.time = 0.0;
    const Rendered single = render(request);
    ASSERT_TRUE(single.result);
    EXPECT_EQ(single.frames.front().bytes, animation.frames.front().bytes);
    EXPECT_EQ(boxPixels(single.frames.front()).left(), first);
    // Stopped between frames: nothing is finished.
    request.time.reset();
    int polls = 0;
    OutputControl control;
    control.stopRequested = [&polls] { return ++polls > 13; };
    const Rendered stopped = render(request, control);
    ASSERT_FALSE(stopped.result);
    EXPECT_EQ(stopped.result.failure().kind, FailureKind::Cancelled);
    EXPECT_EQ(stopped.frames.size(), 3u);
}

// A job keeps its skeleton loaded from one output to the next: each output, physics included,
// still gives exactly the frames of a fresh load, whatever the kept session played before, on a
// given camera or framed by the frames' extent.
TEST_F(RenderPathTest, OutputsInAKeptSessionGiveTheFramesOfAFreshLoad)
{
    const ExportRecord swinging = readExport(toQString(test::writeSwingingExport(folder.path() / "swing")));
    const ExportPages swingingPages(swinging);
    const auto request = [](const char *animation, double seconds, bool framed) {
        OutputRequest out;
        out.animation = animation;
        out.fps = 30;
        out.frames = int64_t(seconds * 30);
        if (framed)
            out.framing.size = FrameSize{48, 48};
        else
            out.framing.camera = Camera{0, -25, 1, 80, 80};
        return out;
    };
    const OutputRequest outputs[] = {request("kick", 0.5, false), request("rest", 0.5, false), request("sway", 1, true),
                                     request("kick", 0.5, true), request("rest", 0.5, true)};
    KeptSession kept;
    bool moved = false;
    for (const OutputRequest &output : outputs) {
        SCOPED_TRACE(*output.animation);
        const Rendered fresh = renderOf(swinging, swingingPages, output);
        const Rendered inKept = renderOf(swinging, swingingPages, output, {}, &kept);
        ASSERT_TRUE(fresh.result && inKept.result);
        ASSERT_EQ(inKept.frames.size(), fresh.frames.size());
        for (std::size_t i = 0; i < fresh.frames.size(); ++i)
            EXPECT_TRUE(inKept.frames[i].bytes == fresh.frames[i].bytes) << "frame " << i;
        moved = moved || fresh.frames.front().bytes != fresh.frames.back().bytes;
    }
    EXPECT_TRUE(moved);
}

} // namespace
} // namespace kvx
