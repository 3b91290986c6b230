// kovexa-cli render end to end with the real runtime plugins, on a fixture export whose frames are
// known (support/renderexport.h): exact images, every format read back, the same bytes from any
// number of jobs, refusals before any work, and nothing left behind by a failure or a stop.

#include "support/decodedanimation.h"
#include "support/renderexport.h"
#include "support/testfiles.h"
#include "support/waits.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <map>

namespace kvx {
namespace {

namespace fs = std::filesystem;

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

QString q(const fs::path &path)
{
    return QString::fromStdString(path.string());
}

// Every file below the folder (hidden ones too), by relative path, with its bytes. A running
// render may add and remove entries meanwhile: what vanishes is passed over.
std::map<std::string, std::string> filesBelow(const fs::path &folder)
{
    std::map<std::string, std::string> files;
    std::error_code error;
    for (fs::recursive_directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
        if (!entry->is_directory(error))
            files[fs::relative(entry->path(), folder).generic_string()] = test::readFileBytes(entry->path());
    }
    return files;
}

std::vector<std::string> namesOf(const std::map<std::string, std::string> &files)
{
    std::vector<std::string> names;
    for (const auto &[name, bytes] : files)
        names.push_back(name);
    return names;
}

// The long animation turns the root for 1000 s: 120,000 frames at 120 fps, more than an output
// may hold, 60,000 at 60.
const std::string kLongAnimation =
    R"(, "long": {"bones": {"root": {"rotate": [{"time": 0, "value": 0}, {"time": 1000, "value": 360}]}}})";

class RenderCliTest : public ::testing::Test {
protected:
    RenderCliTest() { skeleton = test::writeRenderExport(root / "in", "box", kLongAnimation); }

    CliRun run(QStringList arguments)
    {
        QProcess process;
        process.start(QStringLiteral(KVX_CLI_PATH), QStringList{"render"} + arguments);
        EXPECT_TRUE(process.waitForFinished(120000));
        return CliRun{process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                      QString::fromUtf8(process.readAllStandardError())};
    }

    fs::path out() const { return root / "out"; }

    test::TempFolder root;
    fs::path skeleton;
};

TEST_F(RenderCliTest, AFrameIsOnePngOfTheExactSizeWithStraightAlphaAndNothingIsReplaced)
{
    const QStringList arguments{q(skeleton), "--output", q(out()), "--animation", "still", "--time", "0", "--size", "100x40"};
    const CliRun first = run(arguments);
    ASSERT_EQ(first.exitCode, 0) << first.err.toStdString();
    EXPECT_TRUE(first.out.contains("-> " + q(out() / "box/still.png") + " (1 frame)")) << first.out.toStdString();
    EXPECT_TRUE(first.out.endsWith("1 rendered, 0 failed\n"));
    const QImage image(q(out() / "box/still.png"));
    ASSERT_EQ(image.size(), QSize(100, 40));
    EXPECT_TRUE(image.hasAlphaChannel());
    // x -48 … 8 fitted into 100 × 40 at zoom 90 / 56 about (-20, 0): glass's centre (-40, 0) at (17.9, 20).
    const QColor glass = image.pixelColor(17, 20);
    EXPECT_NEAR(glass.red(), 40, 1);
    EXPECT_NEAR(glass.green(), 80, 1);
    EXPECT_NEAR(glass.blue(), 200, 1);
    EXPECT_EQ(glass.alpha(), 128);
    EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0);

    const std::string before = test::readFileBytes(out() / "box/still.png");
    const CliRun second = run(arguments);
    ASSERT_EQ(second.exitCode, 0);
    EXPECT_EQ(test::readFileBytes(out() / "box/still.png"), before);
    EXPECT_EQ(test::readFileBytes(out() / "box/still-2.png"), before);

    // The pages taken as premultiplied, as a 3.8 atlas cannot say: the glass's (40, 80, 200) at
    // half alpha is then about twice as bright once straight.
    const CliRun premultiplied = run(arguments + QStringList{"--page-alpha", "premultiplied"});
    ASSERT_EQ(premultiplied.exitCode, 0) << premultiplied.err.toStdString();
    EXPECT_NEAR(QImage(q(out() / "box/still-3.png")).pixelColor(17, 20).red(), 80, 2);
    EXPECT_EQ(run(arguments + QStringList{"--page-alpha", "dark"}).exitCode, 2);

    // Every animation: a "/" in a name makes a folder.
    const CliRun all = run({q(root / "in"), "--output", q(root / "all"), "--all-animations", "--time", "0", "--size", "16x16"});
    ASSERT_EQ(all.exitCode, 0) << all.err.toStdString();
    EXPECT_EQ(namesOf(filesBelow(root / "all")),
              (std::vector<std::string>{"box/face/blink.png", "box/long.png", "box/move.png", "box/still.png"}));
}

TEST_F(RenderCliTest, EverySkinThatDrawsIsNamedAfterItsAnimationAndSkin)
{
    fs::copy_file(root / "in/box.atlas", root / "in/skins.atlas");
    root.write("in/skins.json",
               R"({"skeleton": {"spine": "4.2.43"}, "bones": [{"name": "root"}],)"
               R"( "slots": [{"name": "body", "bone": "root", "attachment": "box"}],)"
               R"( "skins": [{"name": "default", "attachments": {}},)"
               R"( {"name": "outfits/red", "attachments": {"body": {"box": {"width": 16, "height": 16}}}},)"
               R"( {"name": "blue", "attachments": {"body": {"box": {"x": 30, "width": 16, "height": 16}}}}],)"
               R"( "animations": {"idle": {}}})");
    const CliRun all = run({q(root / "in/skins.json"), "--output", q(out()), "--all-skins", "--time", "0"});
    ASSERT_EQ(all.exitCode, 0) << all.err.toStdString() << all.out.toStdString();
    EXPECT_EQ(namesOf(filesBelow(out())),
              (std::vector<std::string>{"skins/idle-blue.png", "skins/idle-outfits/red.png"}));
    // Without a skin named, the one the window shows first: the largest of those drawing, the earlier on a tie.
    const CliRun first = run({q(root / "in/skins.json"), "--output", q(root / "first"), "--time", "0"});
    ASSERT_EQ(first.exitCode, 0);
    EXPECT_EQ(namesOf(filesBelow(root / "first")), std::vector<std::string>{"skins/idle-outfits/red.png"});
}

TEST_F(RenderCliTest, AnUnknownAnimationOrSkinStopsWithTheNamesTheSkeletonHasAndWritesNothing)
{
    const struct {
        QStringList arguments;
        QString message;
    } cases[] = {
        {{"--animation", "walk"},
         R"(The skeleton has no animation of that name: "walk" (it has "move", "still", "face/blink", "long"))"},
        {{"--skin", "red"}, R"(The skeleton has no skin of that name: "red" (it has "default"))"},
    };
    for (const auto &c : cases) {
        const CliRun result = run(QStringList{q(skeleton), "--output", q(out())} + c.arguments);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_TRUE(result.err.contains(c.message)) << result.err.toStdString();
        EXPECT_FALSE(fs::exists(out()));
    }
}

TEST_F(RenderCliTest, EveryFormatReadsBackWithItsFramesSizeAlphaAndLoopingAndStartsAtTimeZero)
{
    const struct {
        const char *format;
        const char *file;
        bool alpha;
        std::optional<int> loops;
        double meanTolerance; // per premultiplied channel, against the frame at time 0
    } cases[] = {
        // GIF holds no half-transparent pixel: the glass is either shown or not.
        {"gif", "move.gif", true, 0, 4.0},    {"apng", "move.png", true, 0, 0.0},   {"webp", "move.webp", true, 0, 0.0},
        {"webm", "move.webm", true, {}, 1.5}, {"mov", "move.mov", true, {}, 0.5}, {"mp4", "move.mp4", false, {}, 2.0},
    };
    for (const auto &c : cases) {
        const fs::path folder = root / c.format;
        const QStringList common{q(skeleton), "--animation", "move", "--fps", "10", "--size", "64x32"};
        const CliRun animation = run(common + QStringList{"--output", q(folder), "--format", c.format});
        ASSERT_EQ(animation.exitCode, 0) << c.format << animation.err.toStdString();
        const QStringList background = c.alpha ? QStringList() : QStringList{"--background", "#000000"};
        const CliRun frame = run(common + background + QStringList{"--output", q(folder / "first"), "--time", "0"});
        ASSERT_EQ(frame.exitCode, 0) << c.format << frame.err.toStdString();

        const test::DecodedAnimation decoded = test::decodeAnimation(folder / "box" / c.file);
        ASSERT_TRUE(decoded.error.empty()) << c.format << ": " << decoded.error;
        EXPECT_EQ(decoded.frames.size(), 10u) << c.format; // round(1 s × 10 fps)
        EXPECT_EQ(decoded.width, 64);
        EXPECT_EQ(decoded.height, 32);
        EXPECT_EQ(decoded.loops, c.loops) << c.format;
        const QImage first = QImage(q(folder / "first/box/move.png")).convertToFormat(QImage::Format_RGBA8888);
        ASSERT_FALSE(decoded.frames.empty());
        const std::vector<unsigned char> &decodedFirst = decoded.frames.front();
        // Compared premultiplied: the colour of a transparent pixel is nobody's concern.
        double difference = 0;
        bool transparent = false;
        for (int i = 0; i < 64 * 32 * 4; i += 4) {
            const unsigned char *decodedPixel = decodedFirst.data() + i, *expected = first.constBits() + i;
            for (int channel = 0; channel < 4; ++channel) {
                const int alphaOfDecoded = channel == 3 ? 255 : decodedPixel[3], alphaOfExpected = channel == 3 ? 255 : expected[3];
                difference += std::abs(decodedPixel[channel] * alphaOfDecoded - expected[channel] * alphaOfExpected) / 255.0;
            }
            transparent |= decodedPixel[3] < 255;
        }
        EXPECT_LE(difference / (64 * 32 * 4), c.meanTolerance) << c.format;
        EXPECT_EQ(transparent, c.alpha) << c.format;
    }
    // PNG frames: numbered from 1, the first the same bytes as the frame at time 0.
    const CliRun frames = run({q(skeleton), "--animation", "move", "--fps", "10", "--size", "64x32", "--output", q(root / "png")});
    ASSERT_EQ(frames.exitCode, 0);
    const std::map<std::string, std::string> written = filesBelow(root / "png");
    ASSERT_EQ(written.size(), 10u);
    EXPECT_EQ(written.begin()->first, "box/move/move_0001.png");
    EXPECT_EQ(written.rbegin()->first, "box/move/move_0010.png");
    EXPECT_EQ(written.begin()->second, test::readFileBytes(root / "gif/first/box/move.png"));
}

// A job keeps its skeleton loaded from one output to the next; the swinging box's physics shows
// whether an animation posed after another starts afresh.
TEST_F(RenderCliTest, TwoJobsWriteTheSameBytesAsOne)
{
    test::writeRenderExport(root / "in2", "crate");
    test::writeSwingingExport(root / "in3", "swing");
    const QStringList common{"--fps", "12", "--size", "32x16"};
    for (const char *format : {"gif", "png"}) {
        std::map<std::string, std::string> outputs[2];
        for (int jobs : {1, 2}) {
            const fs::path folder = root / (std::string(format) + std::to_string(jobs));
            const CliRun result = run(QStringList{q(root / "in2"), q(root / "in3"), "--all-animations", "--output", q(folder),
                                                  "--format", format, "--jobs", QString::number(jobs)}
                                      + common);
            ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
            outputs[jobs - 1] = filesBelow(folder);
        }
        // crate: move 12 frames, still 6, face/blink 2; swing: kick 6, rest 6, sway 12.
        EXPECT_EQ(outputs[0].size(), format == std::string("gif") ? 6u : 44u);
        EXPECT_TRUE(outputs[0] == outputs[1]) << format;
    }
    // "rest" follows "kick" in the same job, and is the same alone.
    const CliRun alone = run(QStringList{q(root / "in3"), "--animation", "rest", "--output", q(root / "alone")} + common);
    ASSERT_EQ(alone.exitCode, 0) << alone.err.toStdString();
    const std::map<std::string, std::string> rest = filesBelow(root / "alone");
    ASSERT_EQ(rest.size(), 6u);
    const std::map<std::string, std::string> together = filesBelow(root / "png1");
    for (const auto &[name, bytes] : rest)
        EXPECT_TRUE(together.count(name) && together.at(name) == bytes) << name;
}

TEST_F(RenderCliTest, LimitsAreRefusedBeforeAnyWork)
{
    const struct {
        QStringList arguments;
        int exitCode;
        QString message;
    } cases[] = {
        {{"--size", "9000x10"}, 2, "option --size needs WIDTHxHEIGHT, each from 1 to 8192"},
        {{"--fps", "121"}, 2, "option --fps needs a whole number from 1 to 120"},
        {{"--format", "gif", "--fps", "60"}, 2, "60 frames per second (gif: 1-50)"},
        {{"--format", "gif", "--quality", "50"}, 2, "quality (gif has no quality setting)"},
        {{"--format", "webm", "--time", "1"}, 2, "a time with webm"},
        {{"--format", "mp4", "--size", "63x32"}, 2, "mp4 needs an even width and height"},
        {{"--scale", "0"}, 2, "scale 0"},
        {{"--camera", "0,0,1"}, 2, "option --camera needs --size"},
        {{"--background", "red"}, 2, "option --background needs transparent or #RRGGBB"},
        {{"--format", "tiff"}, 2, "option --format needs png, gif"},
        {{"--animation", "move", "--all-animations"}, 2, "exclude each other"},
        // A limit only the skeleton tells: that output fails before it is posed, the others go on.
        {{"--animation", "long", "--fps", "120"}, 1, "120000 frames, more than 100000"},
        {{"--animation", "long", "--fps", "120", "--format", "gif"}, 2, "120 frames per second (gif: 1-50)"},
    };
    for (const auto &c : cases) {
        const CliRun result = run(QStringList{q(skeleton), "--output", q(out())} + c.arguments);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.arguments.join(' ').toStdString();
        EXPECT_TRUE((result.err + result.out).contains(c.message)) << result.err.toStdString() << result.out.toStdString();
        EXPECT_FALSE(fs::exists(out())) << c.arguments.join(' ').toStdString();
    }
    const CliRun tooMany = run({q(skeleton), "--output", q(out()), "--animation", "long", "--fps", "120", "--time", "0"});
    EXPECT_EQ(tooMany.exitCode, 1); // framing a single frame poses the animation's frames too
    EXPECT_TRUE(tooMany.out.contains("120000 frames, more than 100000")) << tooMany.out.toStdString();
}

TEST_F(RenderCliTest, AnUnusableFolderGivesTheSystemsReasonAndAHostileSkeletonFailsAlone)
{
    root.write("file", "not a folder");
    const CliRun unusable = run({q(skeleton), "--output", q(root / "file/out")});
    EXPECT_EQ(unusable.exitCode, 2);
    EXPECT_TRUE(unusable.err.contains("Not a directory")) << unusable.err.toStdString();

    // Detected as 4.2, refused by the runtime: it ends in the middle.
    root.write("in/bad.json", R"({"skeleton": {"spine": "4.2.43"}, "bones": [{"name": "a", "parent": "a"}, )");
    root.write("in/bad.atlas", "box.png\nsize: 64,32\nbox\nbounds: 8,8,16,16\n");
    const CliRun mixed = run({q(root / "in"), "--output", q(out()), "--time", "0", "--size", "16x16"});
    EXPECT_EQ(mixed.exitCode, 1);
    EXPECT_TRUE(mixed.out.contains("failed " + q(root / "in/bad.json") + ":\n    Runtime plugin could not load the skeleton."))
        << mixed.out.toStdString();
    EXPECT_TRUE(mixed.out.endsWith("1 rendered, 1 failed\n")) << mixed.out.toStdString();
    EXPECT_EQ(namesOf(filesBelow(out())), std::vector<std::string>{"box/move.png"});

    // A page that is there but is no image: the frames would lack what it draws.
    const fs::path crate = test::writeRenderExport(root / "broken", "crate");
    root.write("broken/crate.png", "not an image");
    const CliRun broken = run({q(crate), "--output", q(root / "out2"), "--time", "0", "--size", "16x16"});
    EXPECT_EQ(broken.exitCode, 1);
    EXPECT_TRUE(broken.out.contains("Page image could not be read. " + q(root / "broken/crate.png"))) << broken.out.toStdString();
    EXPECT_TRUE(filesBelow(root / "out2").empty());
}

TEST_F(RenderCliTest, StoppingLeavesNoPartialFile)
{
    for (const int signal : {SIGINT, SIGTERM}) {
        QProcess process;
        process.start(QStringLiteral(KVX_CLI_PATH), {"render", q(skeleton), "--output", q(out()), "--animation", "long",
                                                     "--fps", "60", "--size", "64x32", "--camera", "0,0,1"});
        ASSERT_TRUE(process.waitForStarted());
        // The frames' working folder appears once the first frame is being written.
        const auto working = [&] {
            for (const auto &[name, bytes] : filesBelow(out()))
                if (name.find(".kovexa-") != std::string::npos)
                    return true;
            return false;
        };
        ASSERT_TRUE(test::waitFor(working, 60000));
        ::kill(pid_t(process.processId()), signal);
        ASSERT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 130);
        EXPECT_TRUE(filesBelow(out()).empty()) << signal;
        EXPECT_FALSE(fs::exists(out())) << "the output folder the run made is removed again";
        EXPECT_TRUE(QString::fromUtf8(process.readAllStandardOutput()).endsWith("0 rendered, 0 failed, 1 not rendered (stopped)\n"));
    }
}

} // namespace
} // namespace kvx
