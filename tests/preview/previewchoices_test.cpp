// The preview's choices in the window, with the test plugin installed as the 4.2 runtime: how a
// page's alpha is taken, part skins combined from the skin list, and the time slider's clicks.

#include "app/playbackbar.h"
#include "app/previewcontroller.h"
#include "app/skinlist.h"
#include "app/spinepreviewwidget.h"
#include "common/qt/pathtext.h"
#include "support/installedplugin.h"
#include "support/waits.h"
#include "support/windowharness.h"

#include <QComboBox>
#include <QLabel>
#include <QSlider>
#include <QStandardItemModel>
#include <QTest>
#include <gtest/gtest.h>

namespace kvx::test {
namespace {

using testplugin::Call;

class PreviewChoices : public ::testing::Test {
protected:
    void SetUp() override { harness.window().show(); }
    void TearDown() override { removeInstalledPlugin(); }

    // The plugin with one animation and commands 0 … count - 1, each a quad over the whole page.
    void install(const std::string &variant, const std::filesystem::path &page, int count = 1)
    {
        plugin = std::make_unique<InstalledPlugin>(variant);
        controlled().setAnimations({{"idle", 2.0f}});
        controlled().control().commandCount = uint32_t(count);
        for (int i = 0; i < count; ++i) {
            const float x = 40.0f * float(i);
            controlled().setCommand(uint32_t(i),
                                     {{x, 0, 0, 0, 0xFFFFFFFF}, {x + 40, 0, 1, 0, 0xFFFFFFFF},
                                      {x + 40, 40, 1, 1, 0xFFFFFFFF}, {x, 40, 0, 1, 0xFFFFFFFF}},
                                     {0, 1, 2, 2, 3, 0}, toQString(page).toStdString());
        }
    }
    bool show(const std::filesystem::path &skeleton)
    {
        return harness.takeIn({skeleton}) && waitFor([this] { return canvas()->showsFrame(); });
    }
    // The centre pixel of the canvas as drawn, once the preview has answered.
    QColor centre()
    {
        EXPECT_TRUE(waitFor([this] { return harness.window().preview().isSettled(); }));
        const QImage image = canvas()->grab().toImage();
        return image.pixelColor(image.width() / 2, image.height() / 2);
    }
    SpinePreviewWidget *canvas() const { return harness.find<SpinePreviewWidget>("preview"); }
    QComboBox *alpha() const { return harness.find<QComboBox>("previewAlpha"); }
    SkinList *skins() const { return harness.find<SkinList>("skinCombo"); }

    TestPluginLibrary &controlled() const { return **plugin; }

    WindowHarness harness;
    std::unique_ptr<InstalledPlugin> plugin;
};

TEST_F(PreviewChoices, APremultipliedPageIsDrawnAsTheChosenAlphaSaysAndTheChoiceStaysWithItsAtlas)
{
    const std::filesystem::path premultiplied = harness.writeExport("pma", "hero", "4.2.43", {"page.png"}, true, true);
    const std::filesystem::path straight = harness.writeExport("plain", "goblin", "4.2.43", {"page.png"}, true, false);
    install("full", harness.files / "pma/page.png");
    ASSERT_TRUE(show(premultiplied));
    EXPECT_EQ(alpha()->currentText(), QStringLiteral("自动（预乘）"));
    const QColor automatic = centre();
    alpha()->setCurrentIndex(alpha()->findData(int(PageAlpha::Straight)));
    EXPECT_EQ(alpha()->currentText(), QStringLiteral("非预乘"));
    const QColor asStraight = centre();
    alpha()->setCurrentIndex(alpha()->findData(int(PageAlpha::Premultiplied)));
    EXPECT_EQ(centre(), automatic) << "the atlas says premultiplied";
    EXPECT_GT(automatic.red(), asStraight.red() + 40) << "colour already multiplied is not darkened again";

    alpha()->setCurrentIndex(alpha()->findData(int(PageAlpha::Straight)));
    ASSERT_TRUE(harness.takeIn({straight}));
    EXPECT_EQ(alpha()->currentText(), QStringLiteral("自动（非预乘）")) << "each atlas has its own choice";
    EXPECT_EQ(canvas()->pageAlpha(), PageAlpha::Automatic);
    harness.find<QComboBox>("resourceList")->setCurrentIndex(0);
    ASSERT_TRUE(waitFor([this] { return harness.window().preview().isSettled() && canvas()->showsFrame(); }));
    EXPECT_EQ(alpha()->currentText(), QStringLiteral("非预乘"));
    EXPECT_EQ(centre(), asStraight);
}

TEST_F(PreviewChoices, TickedSkinsAreCombinedInTheListsOrder)
{
    install("full", harness.files / "hero/page.png", 6);
    controlled().setSkins({"body", "hair", "hat"});
    controlled().control().commandsBySkin = true;
    const uint32_t counts[] = {3, 1, 2};
    std::copy(std::begin(counts), std::end(counts), controlled().control().skinCommandCounts);
    ASSERT_TRUE(show(harness.writeExport("hero", "hero", "4.2.43")));
    ASSERT_TRUE(skins()->isVisibleTo(&harness.window()));
    ASSERT_TRUE(skins()->isCombinable());
    EXPECT_EQ(skins()->chosenSkins(), QStringList{"body"});
    controlled().clearCalls();

    const auto sampledCommands = [this] {
        waitFor([this] { return harness.window().preview().isSettled(); });
        return canvas()->currentFrame().size();
    };
    skins()->setTicked(2, true);
    EXPECT_EQ(sampledCommands(), 5u) << "body and hat drawn together";
    skins()->setTicked(1, true);
    EXPECT_EQ(sampledCommands(), 6u);
    std::vector<std::string> combinations;
    for (const testplugin::CallRecord &call : controlled().callsOf(Call::SetSkins))
        combinations.push_back(call.text);
    EXPECT_EQ(combinations, (std::vector<std::string>{"body+hat", "body+hair+hat"}));
    EXPECT_EQ(skins()->shownText(), QStringLiteral("body + hair + hat"));

    skins()->setTicked(0, false);
    skins()->setTicked(2, false);
    EXPECT_EQ(sampledCommands(), 1u);
    EXPECT_STREQ(controlled().callsOf(Call::SetSkin).back().text, "hair");
    skins()->setTicked(1, false);
    EXPECT_EQ(skins()->chosenSkins(), QStringList{"hair"}) << "something is always shown";
    skins()->setCurrentIndex(2);
    EXPECT_EQ(skins()->chosenSkins(), QStringList{"hat"}) << "choosing an entry shows it alone";
}

TEST_F(PreviewChoices, WithoutCombinedSkinsTheEntriesCarryNoCheckBoxes)
{
    install("singleskin", harness.files / "hero/page.png");
    controlled().setSkins({"body", "hair"});
    ASSERT_TRUE(show(harness.writeExport("hero", "hero", "4.2.43")));
    ASSERT_TRUE(skins()->isVisibleTo(&harness.window()));
    EXPECT_FALSE(skins()->isCombinable());
    EXPECT_FALSE(skins()->model()->index(1, 0).flags() & Qt::ItemIsUserCheckable);
    skins()->setCurrentIndex(1);
    EXPECT_TRUE(waitFor([this] { return !controlled().callsOf(Call::SetSkin).empty()
                                        && std::string(controlled().callsOf(Call::SetSkin).back().text) == "hair"; }));
}

TEST_F(PreviewChoices, AClickOnTheTimeSliderPutsTheTimeWhereItWasClicked)
{
    install("full", harness.files / "hero/page.png");
    ASSERT_TRUE(show(harness.writeExport("hero", "hero", "4.2.43")));
    PlaybackBar *bar = harness.window().findChild<PlaybackBar *>();
    bar->playButton()->click(); // paused: only the click moves the time
    QSlider *slider = bar->timeSlider();
    QTest::mouseClick(slider, Qt::LeftButton, Qt::NoModifier, QPoint(slider->width() * 3 / 4, slider->height() / 2));
    EXPECT_NEAR(harness.window().preview().playbackState().time(), 1.5f, 0.2f);
    EXPECT_TRUE(bar->timeLabel()->text().startsWith(QStringLiteral("1.")));
}

} // namespace
} // namespace kvx::test
