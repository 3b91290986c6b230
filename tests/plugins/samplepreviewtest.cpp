// The bundled sample export previews for real: through the host, and in the window's screenshot.

#include "plugins/pluginharness.h"

#include <QColor>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

namespace kvx::test {
namespace {

const std::filesystem::path examples = std::filesystem::path(KVX_SOURCE_DIR) / "examples";

TEST(SamplePreviewTest, HeroPlaysThroughTheHostWithTriangles)
{
    if (!std::filesystem::exists(examples / "hero.json"))
        GTEST_SKIP() << "examples/hero.json is not there yet";
    PluginHarness harness("4.2");
    const SkeletonMetadata metadata =
        harness.load({examples / "hero.json", examples / "hero.atlas", examples / "hero.png"});
    ASSERT_TRUE(metadata.ok) << harness.error;
    ASSERT_FALSE(metadata.animations.empty());
    for (const AnimationInfo &animation : metadata.animations) {
        ASSERT_TRUE(harness.select(animation.name)) << harness.error;
        for (float delta : {0.0f, 0.016f, 0.25f}) {
            const PreviewFrame frame = harness.sample(delta);
            ASSERT_TRUE(frame.ok) << animation.name << ": " << harness.error;
            size_t triangles = 0;
            for (const DrawItem &item : frame.items) {
                triangles += item.indices.size() / 3;
                EXPECT_EQ(std::filesystem::path(item.texturePath).filename(), "hero.png");
                EXPECT_TRUE(std::filesystem::path(item.texturePath).is_absolute());
                for (const kvxRuntimeVertex &vertex : item.vertices)
                    EXPECT_TRUE(std::isfinite(vertex.x) && std::isfinite(vertex.y) && vertex.u >= 0 && vertex.u <= 1
                                && vertex.v >= 0 && vertex.v <= 1);
            }
            EXPECT_GT(triangles, 4u) << animation.name;
        }
    }
}

// The canvas: the bounding box of the background colour "#101217" in the empty window.
QRect canvasArea(const QImage &image)
{
    QRect area;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == qRgb(0x10, 0x12, 0x17))
                area |= QRect(x, y, 1, 1);
    return area;
}

// Pixels inside area that are neither the background nor grey like the canvas's message text.
int colouredPixels(const QImage &image, const QRect &area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor colour = image.pixelColor(x, y);
            if (colour.hsvSaturation() > 60 && colour.value() > 60)
                ++count;
        }
    }
    return count;
}

QImage screenshot(const std::filesystem::path &folder, const QStringList &resources, const std::string &name)
{
    const QString shot = QString::fromStdString((folder / name).string());
    QProcess kovexa;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("HOME", QString::fromStdString((folder / "home").string()));
    environment.insert("XDG_CONFIG_HOME", QString::fromStdString((folder / "config").string()));
    kovexa.setProcessEnvironment(environment);
    kovexa.start(QString::fromStdString(KVX_KOVEXA_PATH), resources + QStringList{"--screenshot", shot});
    if (!kovexa.waitForFinished(60000))
        kovexa.kill();
    return QImage(shot);
}

TEST(SamplePreviewTest, WindowScreenshotShowsTheHeroOnTheCanvas)
{
    if (!std::filesystem::exists(examples / "hero.json") || !std::filesystem::exists(KVX_KOVEXA_PATH))
        GTEST_SKIP() << "needs examples/hero.json and the kovexa executable";
    TempFolder folder;
    std::filesystem::create_directories(folder / "home");
    std::filesystem::create_directories(folder / "config");
    const QImage empty = screenshot(folder.path(), {}, "empty.png");
    const QImage hero = screenshot(folder.path(), {QString::fromStdString(examples.string())}, "hero.png");
    ASSERT_FALSE(empty.isNull());
    ASSERT_FALSE(hero.isNull());
    const QRect canvas = canvasArea(empty);
    ASSERT_GT(canvas.width() * canvas.height(), 10000) << "no canvas background in the empty window";
    // The sample's colours cover a visible part of the canvas, where the empty window has none.
    EXPECT_EQ(colouredPixels(empty, canvas), 0);
    EXPECT_GT(colouredPixels(hero, canvas), canvas.width() * canvas.height() / 100);
}

} // namespace
} // namespace kvx::test
