// The window in English and in Chinese: every text it shows follows the language chosen in the
// window at once (what was on screen is worded again, what comes later is worded anew), the
// Chinese texts come back exactly as written, `--language` starts it in either, and Qt's own
// dialogs speak the window's language.

#include "app/commandline.h"
#include "app/exportdialog.h"
#include "app/fittedmessagebox.h"
#include "app/resourcelist.h"
#include "app/spinepreviewwidget.h"
#include "common/qt/uilanguage.h"
#include "support/installedplugin.h"
#include "support/shownwords.h"
#include "support/waits.h"
#include "support/windowharness.h"
#include "support/windowview.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTreeView>
#include <gtest/gtest.h>

namespace kvx::test {
namespace {

// Chooses the language as a user does, in the window's language list.
void choose(MainWindow &window, UiLanguage language)
{
    auto *list = window.findChild<QComboBox *>(QStringLiteral("language"));
    ASSERT_NE(list, nullptr);
    list->setCurrentIndex(list->findData(uiLanguageCode(language)));
}

QString joined(const QStringList &lines)
{
    return lines.join(QLatin1Char('\n'));
}

// The shown words that differ between two walks, for a test's message.
QString differences(const std::vector<ShownWords> &before, const std::vector<ShownWords> &after)
{
    QStringList lines;
    for (size_t i = 0; i < std::max(before.size(), after.size()); ++i) {
        const QString was = i < before.size() ? before[i].where + QStringLiteral(": ") + before[i].text : QString();
        const QString is = i < after.size() ? after[i].where + QStringLiteral(": ") + after[i].text : QString();
        if (was != is)
            lines.append(was + QStringLiteral("  ->  ") + is);
    }
    return joined(lines);
}

class WindowLanguage : public ::testing::Test {
protected:
    // Chinese is where every window starts unless told otherwise, with Qt's Chinese texts.
    void SetUp() override { useUiLanguage(UiLanguage::Chinese); }
    void TearDown() override { useUiLanguage(UiLanguage::Chinese); }

    // A window with the test plugin as its 4.2 runtime and a cached 4.2 editor, holding an export
    // whose line has no cached editor (goblin), one missing its page (broken) and a ready one
    // (hero, shown last, paused so that nothing on screen moves).
    void openGame()
    {
        plugin = std::make_unique<InstalledPlugin>("full");
        (*plugin)->setAnimations({{"idle", 1.0f}, {"walk", 0.5f}});
        (*plugin)->setSkins({"default", "hair"});
        harness.installEditor("Starting: Spine 4.2.43");
        harness.cacheEditorVersion("4.2.43");
        ASSERT_TRUE(harness.takeIn({harness.writeExport("old", "goblin", "3.8.55")}));
        ASSERT_TRUE(waitFor([&] { return harness.badge() == noVersion(); }, 15000));
        ASSERT_TRUE(harness.takeIn({harness.writeExport("broken", "broken", "4.2.43", {"page.png"}, false)}));
        ASSERT_TRUE(harness.takeIn({harness.writeExport("hero", "hero", "4.2.43")}));
        ASSERT_TRUE(waitFor([&] { return harness.badge() == QStringLiteral("可转换 · Spine 4.2.43"); }));
        if (harness.window().preview().isPlaying())
            harness.window().preview().togglePlayback();
        ASSERT_TRUE(view().waitForPreview());
    }
    void show(const char *skeleton) const
    {
        auto *list = harness.find<ResourceList>("resourceList");
        for (int row = 0; row < list->count(); ++row) {
            if (list->itemText(row) == QLatin1String(skeleton))
                list->setCurrentIndex(row);
        }
    }
    WindowView view() const { return WindowView(harness.window()); }
    QString status() const { return harness.find<QLabel>("status")->text(); }
    QString readiness(int row) const
    {
        return harness.find<ResourceList>("resourceList")->dropDown()->model()->index(row, ResourceList::Readiness).data().toString();
    }
    static QString noVersion() { return QStringLiteral("未找到对应版本"); }
    // Every text of the window is English, once the event loop has delivered the change.
    bool speaksEnglish() const
    {
        return waitFor([&] { return chineseWords(harness.window()).isEmpty(); }, 5000);
    }

    WindowHarness harness;
    std::unique_ptr<InstalledPlugin> plugin;
};

TEST_F(WindowLanguage, WhatIsOnScreenIsWordedAgainAndChineseComesBackAsWritten)
{
    ASSERT_NO_FATAL_FAILURE(openGame());
    MainWindow &window = harness.window();
    const std::vector<ShownWords> chinese = shownWords(window);
    // As the sources write them.
    EXPECT_EQ(status(), QStringLiteral("已识别 2 个动画"));
    EXPECT_EQ(harness.button("chooseFiles")->text(), QStringLiteral("选择资源"));
    EXPECT_EQ(harness.button("exportAnimations")->text(), QStringLiteral("导出动画…"));
    EXPECT_EQ(readiness(1), QStringLiteral("缺少纹理页 page.png"));
    EXPECT_EQ(harness.find<QComboBox>("previewAlpha")->currentText(), QStringLiteral("自动（非预乘）"));

    choose(window, UiLanguage::English);
    EXPECT_TRUE(speaksEnglish()) << joined(chineseWords(window)).toStdString();
    EXPECT_EQ(harness.badge(), QStringLiteral("Ready · Spine 4.2.43"));
    EXPECT_EQ(status(), QStringLiteral("2 animations found"));
    EXPECT_EQ(readiness(1), QStringLiteral("Texture page missing: page.png"));
    EXPECT_EQ(harness.find<QComboBox>("previewAlpha")->currentText(), QStringLiteral("Automatic (Straight)"));
    EXPECT_EQ(QSettings().value(QStringLiteral("language")).toString(), QStringLiteral("en")) << "remembered";

    choose(window, UiLanguage::Chinese);
    EXPECT_TRUE(waitFor([&] { return shownWords(window) == chinese; }, 5000))
        << differences(chinese, shownWords(window)).toStdString();
    EXPECT_EQ(QSettings().value(QStringLiteral("language")).toString(), QStringLiteral("zh"));
}

TEST_F(WindowLanguage, WhatComesAfterTheChangeSpeaksTheNewLanguage)
{
    ASSERT_NO_FATAL_FAILURE(openGame());
    MainWindow &window = harness.window();
    choose(window, UiLanguage::English);
    ASSERT_TRUE(speaksEnglish());

    // No plugin for 3.8, and a probe that finds no editor for the line: the canvas's message, the
    // badge, its tool tip and the status line's explanation are made in English.
    show("goblin");
    ASSERT_TRUE(waitFor([&] { return harness.badge() == QStringLiteral("No matching editor version"); }, 15000));
    ASSERT_TRUE(view().waitForPreview());
    EXPECT_EQ(view().canvas()->currentMessage(), QStringLiteral("This export cannot be loaded for now"));
    EXPECT_TRUE(status().startsWith(QStringLiteral("Data version 3.8.55 needs Spine 3.8.x"))) << status().toStdString();
    EXPECT_TRUE(view().badge()->toolTip().contains(QStringLiteral("Spine line: 3.8.x")));
    EXPECT_TRUE(speaksEnglish()) << joined(chineseWords(window)).toStdString();

    show("broken");
    ASSERT_TRUE(waitFor([&] { return harness.badge().startsWith(QStringLiteral("Texture page missing")); }));
    ASSERT_TRUE(view().waitForPreview());
    EXPECT_EQ(view().canvas()->currentNotice(), QStringLiteral("Texture page missing: page.png. What uses it is not shown."));
    EXPECT_TRUE(speaksEnglish()) << joined(chineseWords(window)).toStdString();

    // Back in Chinese, the texts made in English are worded as the sources write them.
    choose(window, UiLanguage::Chinese);
    EXPECT_TRUE(waitFor([&] { return harness.badge() == QStringLiteral("缺少纹理页 page.png"); }));
    EXPECT_EQ(view().canvas()->currentNotice(), QStringLiteral("缺少纹理页 page.png：用到它的部分不会显示"));
    EXPECT_EQ(harness.button("exportFrame")->text(), QStringLiteral("导出当前帧"));
}

TEST_F(WindowLanguage, TheCommandLineStartsTheWindowInEnglishWithoutChangingTheRememberedChoice)
{
    const CommandLine line = parseCommandLine({QStringLiteral("kovexa"), QStringLiteral("--language"), QStringLiteral("en")});
    ASSERT_EQ(line.language, UiLanguage::English);
    useUiLanguage(*line.language); // as the program does before it opens the window
    WindowHarness english;
    EXPECT_TRUE(chineseWords(english.window()).isEmpty()) << joined(chineseWords(english.window())).toStdString();
    EXPECT_TRUE(WindowView(english.window()).canvas()->currentMessage().startsWith(QStringLiteral("Drop .json")));
    EXPECT_EQ(english.find<QComboBox>("language")->currentText(), QStringLiteral("English"));
    EXPECT_FALSE(QSettings().contains(QStringLiteral("language")));
}

TEST_F(WindowLanguage, TheExportDialogIsWordedAgainWhileItIsOpen)
{
    const AnimationExportOffer offer{QStringLiteral("hero.json"), QStringLiteral("idle"), QStringLiteral("default + hair"), {}};
    ExportDialog dialog(offer);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("导出动画：hero.json"));
    dialog.findChild<QSpinBox *>(QStringLiteral("exportFps"))->setValue(24);
    useUiLanguage(UiLanguage::English);
    EXPECT_TRUE(waitFor([&] { return chineseWords(dialog).isEmpty(); }, 5000)) << joined(chineseWords(dialog)).toStdString();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Export animations: hero.json"));
    useUiLanguage(UiLanguage::Chinese);
    EXPECT_TRUE(waitFor([&] { return dialog.windowTitle() == QStringLiteral("导出动画：hero.json"); }));
    EXPECT_EQ(dialog.choice().fps, 24) << "what was entered stays";
}

// Qt's buttons in a message box, the window's own box and a file dialog drawn by Qt.
QStringList qtButtonTexts()
{
    QStringList texts;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("t"), QStringLiteral("x"), QMessageBox::Ok | QMessageBox::Cancel);
    texts << box.button(QMessageBox::Ok)->text() << box.button(QMessageBox::Cancel)->text();
    FittedMessageBox fitted(WindowMessage{QMessageBox::Information, QStringLiteral("t"), QStringLiteral("x"), {}, {}, {}, {}});
    texts << fitted.findChild<QDialogButtonBox *>()->buttons().front()->text();
    QFileDialog files;
    files.setOption(QFileDialog::DontUseNativeDialog);
    files.setFileMode(QFileDialog::Directory);
    for (QAbstractButton *button : files.findChild<QDialogButtonBox *>()->buttons())
        texts << button->text();
    return texts;
}

TEST_F(WindowLanguage, QtsOwnDialogsSpeakTheWindowsLanguage)
{
    const struct {
        UiLanguage language;
        QStringList expected; // message box OK and Cancel, the window's box OK, the file dialog's
    } cases[] = {
        {UiLanguage::Chinese, {"确定", "取消", "确定", "选择(&C)", "取消"}},
        {UiLanguage::English, {"OK", "Cancel", "OK", "&Choose", "Cancel"}},
    };
    for (const auto &c : cases) {
        useUiLanguage(c.language);
        EXPECT_EQ(qtButtonTexts(), c.expected) << uiLanguageCode(c.language).toStdString();
    }
    // A box already open follows a change too.
    QMessageBox open(QMessageBox::Warning, QStringLiteral("t"), QStringLiteral("x"), QMessageBox::Ok);
    useUiLanguage(UiLanguage::Chinese);
    EXPECT_TRUE(waitFor([&] { return open.button(QMessageBox::Ok)->text() == QStringLiteral("确定"); }));
}

} // namespace
} // namespace kvx::test
