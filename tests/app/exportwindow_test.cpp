// Exports from the window with the real 4.2 runtime plugin installed beside the test binary: the
// dialog's answer becomes files that decode, "取消" leaves nothing behind while the preview plays
// on, the current frame is the canvas's framing rendered exactly, and the atlas's images are
// written with what was left out named. Pages the canvas cannot show are named in the window.

#include "app/exportcontroller.h"
#include "app/exportdialog.h"
#include "app/playbackbar.h"
#include "app/previewcontroller.h"
#include "app/skinlist.h"
#include "app/spinepreviewwidget.h"
#include "app/viewsettings.h"
#include "assets/qt/exportreading.h"
#include "common/qt/pathtext.h"
#include "render/outputrenderer.h"
#include "render/qt/pageimages.h"
#include "support/decodedanimation.h"
#include "support/installedplugin.h"
#include "support/renderexport.h"
#include "support/waits.h"
#include "support/windowharness.h"
#include "support/windowview.h"

#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QProgressBar>
#include <QRadioButton>
#include <QSpinBox>
#include <gtest/gtest.h>

#include <fstream>

namespace kvx::test {
namespace {

namespace fs = std::filesystem;

// Turns the root for a minute: thousands of frames, far more than a test waits for.
const std::string kLongAnimation =
    R"(, "long": {"bones": {"root": {"rotate": [{"time": 0, "value": 0}, {"time": 60, "value": 360}]}}})";

class ExportWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        skeleton = writeRenderExport(harness.files / "in", "box", kLongAnimation);
        harness.window().show();
    }

    WindowView view() const { return WindowView(harness.window()); }
    ExportController &exports() const { return harness.window().exports(); }
    bool exportEnds() const
    {
        return waitFor([this] { return !exports().isRunning(); }, 120000);
    }
    void showAnimation(const QString &name) const
    {
        view().animationList()->setCurrentText(name);
        ASSERT_TRUE(view().waitForPreview());
        ASSERT_EQ(harness.window().preview().playingAnimation(), name);
    }
    void click(const char *role) const { harness.button(role)->click(); }

    // Declared first: the window ends before its plugin is taken away.
    InstalledRuntimePlugin plugin{fs::path(KVX_RUNTIME_PLUGIN_DIR) / runtimePluginFileName("4.2"), "4.2"};
    WindowHarness harness;
    fs::path skeleton;
};

bool hasTranslucentPixel(const DecodedAnimation &decoded)
{
    for (const std::vector<unsigned char> &frame : decoded.frames) {
        for (std::size_t alpha = 3; alpha < frame.size(); alpha += 4) {
            if (frame[alpha] < 255)
                return true;
        }
    }
    return false;
}

TEST_F(ExportWindowTest, TheDialogsChoiceWritesFilesThatDecodeAndTheFolderIsRemembered)
{
    ASSERT_TRUE(harness.takeIn({skeleton}));
    showAnimation(QStringLiteral("move"));
    const struct {
        std::optional<MediaFormat> format;
        const char *written; // a file, or a folder of frames
        bool alpha;          // mp4 is composed over black
    } cases[] = {
        {MediaFormat::Gif, "box/move.gif", true},
        {MediaFormat::Webm, "box/move.webm", true},
        {MediaFormat::Mp4, "box/move.mp4", false},
        {std::nullopt, "box/move", true},
    };
    QString remembered;
    for (const auto &c : cases) {
        const fs::path out = harness.files / "out" / (c.format ? std::string(mediaFormatName(*c.format)) : "png");
        SCOPED_TRACE(out.string());
        AnimationExportChoice choice;
        choice.format = c.format;
        choice.fps = 10; // "move" lasts a second
        choice.size = FrameSize{64, 32};
        choice.outputFolder = toQString(out);
        harness.exportAnswer = choice;
        harness.messages.clear();
        click("exportAnimations");
        ASSERT_TRUE(exportEnds());

        // Offered what the preview shows, and the folder chosen last.
        EXPECT_EQ(harness.exportOffers.back().animation, QStringLiteral("move"));
        EXPECT_EQ(harness.exportOffers.back().initial.outputFolder, remembered);
        remembered = choice.outputFolder;
        EXPECT_EQ(readViewSettings().exportFolder, remembered);

        ASSERT_TRUE(fs::exists(out / c.written));
        if (c.format) {
            const DecodedAnimation decoded = decodeAnimation(out / c.written);
            ASSERT_EQ(decoded.error, "");
            EXPECT_EQ(decoded.frames.size(), 10u);
            EXPECT_EQ(decoded.width, 64);
            EXPECT_EQ(decoded.height, 32);
            EXPECT_EQ(hasTranslucentPixel(decoded), c.alpha);
        } else {
            EXPECT_EQ(entriesBelow(out / "box/move").back(), "move_0010.png");
            EXPECT_EQ(entriesBelow(out / "box/move").size(), 10u);
        }
        // One summary, whose button opens the skeleton's folder of outputs.
        const std::vector<WindowMessage> summary = harness.messagesTitled(QStringLiteral("导出动画完成"));
        ASSERT_EQ(summary.size(), 1u);
        EXPECT_EQ(summary[0].icon, QMessageBox::Information);
        EXPECT_TRUE(summary[0].list.contains(QDir::toNativeSeparators(toQString(out / c.written))))
            << summary[0].list.toStdString();
        summary[0].action();
        EXPECT_EQ(harness.openedFolders.last(), toQString(out / "box"));
    }
}

TEST_F(ExportWindowTest, CancelLeavesNothingBehindAndThePreviewPlaysMeanwhile)
{
    ASSERT_TRUE(harness.takeIn({skeleton}));
    showAnimation(QStringLiteral("long"));
    ASSERT_TRUE(harness.window().preview().isPlaying());
    AnimationExportChoice choice;
    choice.fps = 120;
    choice.size = FrameSize{512, 512};
    choice.outputFolder = toQString(harness.files / "out/new"); // made for the export, gone with it
    harness.exportAnswer = choice;
    click("exportAnimations");
    ASSERT_TRUE(exports().isRunning());

    auto *progress = harness.find<QProgressBar>("exportProgress");
    ASSERT_TRUE(waitFor([&] { return progress->value() > 0; }, 60000));
    const float playedBefore = harness.window().preview().playbackState().time();
    EXPECT_TRUE(waitFor([&] { return harness.window().preview().playbackState().time() != playedBefore; }));
    ASSERT_TRUE(exports().isRunning()) << "the export ended before the checks it should outlast";
    // Nothing else starts meanwhile.
    for (const char *role : {"exportAnimations", "exportFrame", "exportImages", "convertAll"})
        EXPECT_FALSE(harness.button(role)->isEnabled()) << role;

    click("cancelExport");
    ASSERT_TRUE(exportEnds());
    EXPECT_FALSE(fs::exists(harness.files / "out")) << testing::PrintToString(entriesBelow(harness.files / "out"));
    EXPECT_EQ(view().status()->text(), QStringLiteral("导出已取消"));
    EXPECT_TRUE(harness.messages.empty());
    EXPECT_FALSE(progress->isVisible());
    EXPECT_TRUE(harness.button("exportAnimations")->isEnabled());
}

class KeptFrame final : public FrameSink {
public:
    explicit KeptFrame(RgbaImage &kept) : kept(kept) {}
    Status add(const RgbaImage &frame) override
    {
        kept = frame;
        return Done{};
    }
    Result<fs::path> finish() override { return fs::path("kept"); }

private:
    RgbaImage &kept;
};

// The frame as the render path paints it through the camera at the time.
RgbaImage renderedAt(const fs::path &skeletonPath, const Camera &camera, double seconds, const std::string &animation,
                     std::vector<std::string> skins = {})
{
    const ExportRecord record = readExport(toQString(skeletonPath));
    const ExportPages pages(record);
    OutputRequest request;
    request.source = {fs::path(KVX_RUNTIME_PLUGIN_DIR) / runtimePluginFileName("4.2"), record.skeleton, record.atlas};
    request.rules = &rendererRulesFor(4, 2);
    request.animation = animation;
    request.skins = std::move(skins);
    request.time = seconds;
    request.framing.camera = camera;
    RgbaImage kept;
    const Result<fs::path> rendered = renderOutput(request, pages.lookupFunction(), [&](const Camera &) {
        return Result<std::unique_ptr<FrameSink>>(std::make_unique<KeptFrame>(kept));
    });
    EXPECT_TRUE(rendered.ok()) << englishText(rendered.failure());
    return kept;
}

QImage straightImage(const fs::path &png)
{
    return QImage(toQString(png)).convertToFormat(QImage::Format_RGBA8888);
}

bool samePixels(const QImage &image, const RgbaImage &expected)
{
    if (image.width() != expected.width || image.height() != expected.height)
        return false;
    for (int y = 0; y < image.height(); ++y) {
        if (std::memcmp(image.constScanLine(y), expected.bytes.data() + y * expected.stride(), std::size_t(expected.stride())))
            return false;
    }
    return true;
}

int opaquePixels(const QImage &image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) == 255 ? 1 : 0;
    return count;
}

TEST_F(ExportWindowTest, TheCurrentFrameIsTheCanvasFramingAtTheSlidersTime)
{
    ASSERT_TRUE(harness.takeIn({skeleton}));
    showAnimation(QStringLiteral("move"));
    harness.window().preview().togglePlayback();
    emit view().playbackBar()->scrubbed(0.5f);
    ASSERT_TRUE(view().waitForPreview());
    SpinePreviewWidget *canvas = view().canvas();
    canvas->zoomAboutCentre(-2); // a framing of the user's own
    const double seconds = harness.window().preview().playbackState().time();
    ASSERT_NEAR(seconds, 0.5, 1e-6);
    const Camera camera = canvas->camera(canvas->size(), canvas->devicePixelRatioF());

    harness.folderAnswer = toQString(harness.files / "frames");
    click("exportFrame");
    ASSERT_TRUE(exportEnds());
    EXPECT_EQ(harness.outputFolderRequests, 1); // no folder was remembered yet
    const fs::path written = harness.files / "frames/box/move.png";
    const std::vector<WindowMessage> said = harness.messagesTitled(QStringLiteral("导出当前帧"));
    ASSERT_EQ(said.size(), 1u);
    EXPECT_TRUE(said[0].text.contains(QDir::toNativeSeparators(toQString(written)))) << said[0].text.toStdString();

    const QImage image = straightImage(written);
    EXPECT_EQ(image.size(), QSize(camera.width, camera.height)); // the canvas's, in pixels
    EXPECT_GT(opaquePixels(image), 0); // the box is in the frame
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0); // over transparency
    EXPECT_TRUE(samePixels(image, renderedAt(skeleton, camera, seconds, "move")));

    // The remembered folder is used from then on, under a name of its own.
    click("exportFrame");
    ASSERT_TRUE(exportEnds());
    EXPECT_EQ(harness.outputFolderRequests, 1);
    EXPECT_TRUE(fs::exists(harness.files / "frames/box/move-2.png"));
    // A remembered folder that is gone is asked for again.
    fs::remove_all(harness.files / "frames");
    harness.folderAnswer = toQString(harness.files / "elsewhere");
    click("exportFrame");
    ASSERT_TRUE(exportEnds());
    EXPECT_EQ(harness.outputFolderRequests, 2);
    EXPECT_TRUE(fs::exists(harness.files / "elsewhere/box/move.png"));
}

// The glass is stored as (40, 80, 200) at half alpha: taken straight, that is its colour; taken as
// premultiplied, its straight red is about twice that.
double glassRed(const QImage &image)
{
    double red = 0;
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (std::abs(qAlpha(pixel) - 128) <= 8) {
                red += qRed(pixel);
                ++count;
            }
        }
    }
    return count ? red / count : -1;
}

TEST_F(ExportWindowTest, ExportsTakeThePagesAlphaAsThePreviewShowsIt)
{
    ASSERT_TRUE(harness.takeIn({skeleton}));
    showAnimation(QStringLiteral("still"));
    harness.folderAnswer = toQString(harness.files / "frames");
    auto *alpha = harness.find<QComboBox>("previewAlpha");
    const std::pair<PageAlpha, double> cases[] = {{PageAlpha::Automatic, 40}, {PageAlpha::Premultiplied, 80}};
    for (const auto &[choice, red] : cases) {
        alpha->setCurrentIndex(alpha->findData(int(choice)));
        ASSERT_TRUE(view().waitForPreview());
        click("exportFrame");
        ASSERT_TRUE(exportEnds());
    }
    EXPECT_NEAR(glassRed(straightImage(harness.files / "frames/box/still.png")), 40, 3);
    EXPECT_NEAR(glassRed(straightImage(harness.files / "frames/box/still-2.png")), 80, 3);
}

TEST_F(ExportWindowTest, TheCurrentFrameShowsTheSkinsCombinedAsTheListDoes)
{
    const fs::path skins = harness.files / "in/skins.json";
    fs::copy_file(harness.files / "in/box.atlas", harness.files / "in/skins.atlas");
    std::ofstream(skins) << R"({"skeleton": {"spine": "4.2.43"}, "bones": [{"name": "root"}],)"
                         << R"( "slots": [{"name": "a", "bone": "root", "attachment": "box"},)"
                         << R"( {"name": "b", "bone": "root", "attachment": "glass"}],)"
                         << R"( "skins": [{"name": "default", "attachments": {}},)"
                         << R"( {"name": "boxed", "attachments": {"a": {"box": {"width": 16, "height": 16}}}},)"
                         << R"( {"name": "glazed", "attachments": {"b": {"glass": {"x": 30, "width": 16, "height": 16}}}}],)"
                         << R"( "animations": {"idle": {}}})";
    ASSERT_TRUE(harness.takeIn({skins}));
    auto *list = static_cast<SkinList *>(view().skinList());
    ASSERT_TRUE(list->isCombinable());
    // Ticked first, so that the skin shown at first may be unticked (the last one ticked stays).
    for (const bool tick : {true, false}) {
        for (int row = 0; row < list->count(); ++row) {
            if ((list->itemText(row) != QStringLiteral("default")) == tick)
                list->setTicked(row, tick);
        }
    }
    ASSERT_TRUE(view().waitForPreview());
    ASSERT_EQ(harness.window().preview().shownSkins(), (QStringList{"boxed", "glazed"}));
    SpinePreviewWidget *canvas = view().canvas();
    const Camera camera = canvas->camera(canvas->size(), canvas->devicePixelRatioF());
    const double seconds = harness.window().preview().playbackState().time();

    harness.folderAnswer = toQString(harness.files / "frames");
    click("exportFrame");
    ASSERT_TRUE(exportEnds());
    const fs::path written = harness.files / "frames/skins/idle-boxed+glazed.png";
    ASSERT_TRUE(fs::exists(written)) << testing::PrintToString(entriesBelow(harness.files / "frames"));
    const RgbaImage both = renderedAt(skins, camera, seconds, "idle", {"boxed", "glazed"});
    EXPECT_TRUE(samePixels(straightImage(written), both));
    const RgbaImage boxOnly = renderedAt(skins, camera, 0.0, "idle", {"boxed"});
    EXPECT_NE(both.bytes, boxOnly.bytes); // the glass is drawn as well
}

TEST_F(ExportWindowTest, ImagesOfTheAtlasAreWrittenWithWhatWasLeftOutNamed)
{
    std::ofstream(harness.files / "in/box.atlas", std::ios::app) << "outside\nbounds: 56,24,16,16\n";
    ASSERT_TRUE(harness.takeIn({skeleton}));
    harness.folderAnswer = toQString(harness.files / "images");
    click("exportImages");
    ASSERT_TRUE(exportEnds());

    EXPECT_EQ(entriesBelow(harness.files / "images"), (std::vector<std::string>{"box", "box/box.png", "box/glass.png"}));
    const QImage box(toQString(harness.files / "images/box/box.png"));
    EXPECT_EQ(box.size(), QSize(16, 16));
    EXPECT_EQ(box.pixelColor(8, 8), kBoxColour);
    const std::vector<WindowMessage> said = harness.messagesTitled(QStringLiteral("导出图片"));
    ASSERT_EQ(said.size(), 1u);
    EXPECT_EQ(said[0].icon, QMessageBox::Warning);
    EXPECT_TRUE(said[0].text.contains(QStringLiteral("2 张"))) << said[0].text.toStdString();
    EXPECT_TRUE(said[0].list.contains(QStringLiteral("outside"))) << said[0].list.toStdString();
    said[0].action();
    EXPECT_EQ(harness.openedFolders.last(), toQString(harness.files / "images/box"));
}

TEST_F(ExportWindowTest, APageTheCanvasCannotShowIsNamedWithTheReason)
{
    const int defaultLimit = QImageReader::allocationLimit();
    const struct {
        const char *folder;
        std::function<void(const fs::path &page)> spoil;
        int allocationLimit; // megabytes
        QString reason;
    } cases[] = {
        {"garbled", [](const fs::path &page) { std::ofstream(page, std::ios::trunc) << "not an image"; }, defaultLimit,
         QStringLiteral("不是可以读取的图片")},
        // 1024 × 1024 ARGB32 takes 4 MB, more than a limit of 1 MB.
        {"large",
         [](const fs::path &page) {
             QImage large(1024, 1024, QImage::Format_ARGB32);
             large.fill(Qt::transparent);
             large.save(toQString(page), "PNG");
         },
         1, QStringLiteral("太大")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.folder);
        const fs::path spoiled = writeRenderExport(harness.files / c.folder);
        c.spoil(spoiled.parent_path() / "box.png");
        QImageReader::setAllocationLimit(c.allocationLimit);
        ASSERT_TRUE(harness.takeIn({spoiled}));
        const auto named = [&](const QString &text) { return text.contains(QStringLiteral("box.png")) && text.contains(c.reason); };
        EXPECT_TRUE(waitFor([&] { return named(view().canvas()->currentNotice()); })) << view().canvas()->currentNotice().toStdString();
        EXPECT_TRUE(named(view().status()->toolTip())) << view().status()->toolTip().toStdString();
        QImageReader::setAllocationLimit(defaultLimit);
    }
}

TEST(ExportDialogTest, FormatsWithoutAlphaTakeAColourAndRefusalsShowInPlace)
{
    AnimationExportOffer offer{QStringLiteral("box.json"), QStringLiteral("move"), QString(), {}};
    ExportDialog dialog(offer);
    auto *formats = dialog.findChild<QComboBox *>(QStringLiteral("exportFormat"));
    auto *fps = dialog.findChild<QSpinBox *>(QStringLiteral("exportFps"));
    formats->setCurrentIndex(formats->findText(QStringLiteral("MP4")));
    EXPECT_EQ(dialog.choice().format, MediaFormat::Mp4);
    EXPECT_EQ(dialog.choice().background, std::optional<BackgroundColour>(0x000000)); // black unless chosen
    formats->setCurrentIndex(formats->findText(QStringLiteral("GIF")));
    EXPECT_EQ(fps->maximum(), traitsOf(MediaFormat::Gif).maxFps);

    // Without a folder the dialog stays open and says why.
    dialog.accept();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.findChild<QLabel *>(QStringLiteral("exportRefusal"))->text().isEmpty());

    AnimationExportChoice odd;
    odd.format = MediaFormat::Mp4;
    odd.size = FrameSize{63, 32};
    odd.outputFolder = QStringLiteral("/tmp");
    EXPECT_TRUE(ExportDialog::refusalOf(odd).contains(QStringLiteral("even"))) << ExportDialog::refusalOf(odd).toStdString();
    odd.size = FrameSize{64, 32};
    EXPECT_EQ(ExportDialog::refusalOf(odd), QString());
}

} // namespace
} // namespace kvx::test
