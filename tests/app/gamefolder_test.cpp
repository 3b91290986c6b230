// The window as a user meets it with a game's folder: the warning that says how to get an editor
// version, boxes that fit the screen, a list that tells skeletons apart, choosing folders, and
// controls that look idle when they are.

#include "app/elidedlabel.h"
#include "app/fittedmessagebox.h"
#include "app/playbackbar.h"
#include "app/resourcelist.h"
#include "app/spinepreviewwidget.h"
#include "support/waits.h"
#include "support/windowharness.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

namespace kvx::test {
namespace {

const QString noVersion = QStringLiteral("未找到对应版本");

// What a user can tell apart: the widget as drawn.
QImage drawn(QWidget *widget)
{
    return widget->grab().toImage();
}

TEST(GameFolder, TheMissingVersionBoxSaysWhatIsNeededAndWaitsForAnOpenDialog)
{
    WindowHarness harness;
    harness.installEditor("Starting: Spine 4.2.43");
    harness.cacheEditorVersion("4.2.43");
    harness.window().show();
    QDialog summary(&harness.window()); // a box the user is still reading
    summary.open();
    ASSERT_TRUE(harness.takeIn({harness.writeExport("game/old", "goblin", "3.8.55")}));
    ASSERT_TRUE(waitFor([&] { return harness.badge() == noVersion; }, 15000));
    waitForReferenceTicks(90, 16); // past the box's delay
    EXPECT_TRUE(harness.messagesTitled(noVersion).empty()) << "never over another dialog";

    summary.accept();
    ASSERT_TRUE(waitFor([&] { return !harness.messagesTitled(noVersion).empty(); }));
    const WindowMessage box = harness.messagesTitled(noVersion).front();
    EXPECT_EQ(box.text, noVersion);
    for (const char *part : {"数据版本 3.8.55", "需要 Spine 3.8.x", "本机已缓存：4.2.43", "Spine 启动器", "指定 Spine 路径"})
        EXPECT_TRUE(box.explanation.contains(QString::fromUtf8(part))) << part << "\n" << box.explanation.toStdString();
    const auto *status = dynamic_cast<ElidedLabel *>(harness.find<QLabel>("status"));
    EXPECT_TRUE(status->text().startsWith(QStringLiteral("数据版本 3.8.55")));
    EXPECT_FALSE(status->isElided()) << "the status line has a row of its own";
}

TEST(GameFolder, ALongWarningScrollsInsideABoxThatFitsTheScreen)
{
    WindowHarness harness;
    for (int i = 1; i <= 80; ++i)
        harness.files.write("game/levels/level" + std::to_string(i) + ".json", R"({"tiles": []})");
    WindowDialogs answered = WindowDialogs::platformDialogs();
    answered.showWindowMessage = [&harness](QWidget *parent, const WindowMessage &message) {
        harness.messages.push_back(message);
        WindowDialogs::platformDialogs().showWindowMessage(parent, message);
    };
    answered.chooseResourceFiles = [](QWidget *) { return QStringList(); };
    harness.window().setDialogs(answered);
    harness.window().show();

    QRect boxArea;
    QRect screenArea;
    int listScroll = -1;
    bool okVisible = false;
    QTimer inspect;
    QObject::connect(&inspect, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        boxArea = box->frameGeometry();
        screenArea = box->screen()->availableGeometry();
        auto *fitted = qobject_cast<FittedMessageBox *>(box);
        listScroll = fitted && fitted->listView() ? fitted->listView()->verticalScrollBar()->maximum() : -1;
        for (QPushButton *button : box->findChildren<QPushButton *>())
            okVisible = okVisible || (button->isVisible() && box->rect().contains(button->geometry()));
        box->accept();
    });
    inspect.start(50);
    ASSERT_TRUE(harness.takeIn({harness.files / "game"}));
    ASSERT_TRUE(waitFor([&] { return boxArea.isValid(); }));
    EXPECT_TRUE(screenArea.contains(boxArea)) << boxArea.height() << " on " << screenArea.height();
    EXPECT_GT(listScroll, 0) << "the list scrolls";
    EXPECT_TRUE(okVisible);

    ASSERT_EQ(harness.messages.size(), 1u);
    EXPECT_EQ(harness.messages[0].text, QStringLiteral("以下文件未能识别为有效的 Spine 资产："));
    const QStringList names = harness.messages[0].list.split(QLatin1Char('\n'));
    ASSERT_EQ(names.size(), 51);
    EXPECT_EQ(names.mid(0, 3), (QStringList{"level1.json", "level2.json", "level3.json"})) << "in natural order";
    EXPECT_EQ(names[49], QStringLiteral("level50.json"));
}

class ListedGame : public ::testing::Test {
protected:
    void SetUp() override
    {
        harness.installEditor("Starting: Spine 4.2.43");
        harness.cacheEditorVersion("4.2.43");
        harness.writeExport("game/heroes/a", "spineboy-pro", "4.2.43");
        harness.writeExport("game/heroes/b", "spineboy-pro", "4.2.43", {"page.png"}, false);
        harness.writeExport("game", "spineboy-pro", "4.1.24");
        // Chosen as a folder from the window.
        harness.folderAnswer = QString::fromStdString((harness.files / "game").string());
        harness.button("chooseFolder")->click();
        bool settled = false;
        harness.window().whenIntakeSettles([&settled] { settled = true; });
        ASSERT_TRUE(waitFor([&settled] { return settled; }));
        ASSERT_EQ(harness.window().listedPaths().size(), 3);
    }
    ResourceList *list() const { return harness.find<ResourceList>("resourceList"); }
    QString cell(int row, int column) const { return list()->model()->index(row, column).data().toString(); }
    QString readiness(int row) const { return cell(row, ResourceList::Readiness); }
    // The rows the drop-down shows.
    QStringList shownFolders() const
    {
        QStringList folders;
        for (int row = 0; row < list()->count(); ++row) {
            if (list()->isShownInDropDown(row))
                folders.append(cell(row, ResourceList::Folder));
        }
        return folders;
    }

    WindowHarness harness;
};

TEST_F(ListedGame, TheDropDownTellsSkeletonsOfOneNameApartInTheirOrder)
{
    const QStringList paths = harness.window().listedPaths();
    ASSERT_EQ(paths.size(), 3);
    ASSERT_TRUE(waitFor([this] { return readiness(0) != "" && readiness(1) != "" && readiness(2) != ""; }));
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(list()->itemText(row), QStringLiteral("spineboy-pro")) << "each entry keeps its text";
        EXPECT_EQ(list()->pathOf(row), paths[row]) << "and its place";
        const QString folder = cell(row, ResourceList::Folder);
        const QString expected = folder == "heroes/a" ? "可转换 · Spine 4.2.43"
            : folder == "heroes/b"                    ? "缺少纹理页 page.png"
                                                      : "本机未缓存 Spine 4.1.x";
        EXPECT_EQ(readiness(row), expected) << folder.toStdString();
        EXPECT_EQ(cell(row, ResourceList::Version), folder.isEmpty() ? "4.1.24" : "4.2.43");
    }
    QStringList folders = shownFolders();
    folders.sort();
    EXPECT_EQ(folders, (QStringList{"", "heroes/a", "heroes/b"}));

    // Later entries follow in the order they were handed over, not sorted.
    const std::filesystem::path zed = harness.writeExport("more", "zed", "4.2.43");
    const std::filesystem::path abe = harness.writeExport("more", "abe", "4.2.43");
    ASSERT_TRUE(harness.takeIn({zed, abe}));
    EXPECT_EQ(harness.window().listedPaths().mid(3), (QStringList{QString::fromStdString(zed.string()),
                                                                  QString::fromStdString(abe.string())}));
}

TEST_F(ListedGame, TheFilterNarrowsTheDropDownAsOneTypesAndTheListKeepsEveryEntry)
{
    auto *filter = harness.find<QLineEdit>("resourceFilter");
    ASSERT_TRUE(filter->isVisibleTo(&harness.window()));
    filter->setFocus();
    QTest::keyClicks(filter, QStringLiteral("HEROES/"));
    EXPECT_EQ(shownFolders().size(), 2);
    QTest::keyClick(filter, Qt::Key_B);
    EXPECT_EQ(shownFolders(), QStringList{"heroes/b"});
    EXPECT_EQ(list()->count(), 3);
    EXPECT_EQ(harness.window().listedPaths().size(), 3);
    filter->clear();
    EXPECT_EQ(shownFolders().size(), 3);
}

TEST_F(ListedGame, CtrlOChoosesResourcesWhileTheDropDownIsOpen)
{
    harness.window().show();
    harness.window().activateWindow();
    ASSERT_TRUE(waitFor([this] { return harness.window().isActiveWindow(); }));
    list()->showPopup();
    ASSERT_TRUE(waitFor([this] { return list()->view()->isVisible(); }));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(harness.resourceRequests, 1);
    EXPECT_FALSE(list()->view()->isVisible()) << "the drop-down closes for the dialog";
}

// Disabled controls must look it: drawn alike, a user cannot tell that they do nothing.
TEST(GameFolder, IdleControlsLookIdleAndAMissingPageIsNamedOnTheCanvas)
{
    WindowHarness harness;
    harness.window().show();
    QPushButton *convertAll = harness.button("convertAll");
    QPushButton *play = harness.window().findChild<PlaybackBar *>()->playButton();
    for (QPushButton *button : {convertAll, play}) {
        ASSERT_FALSE(button->isEnabled()) << "nothing to do in an empty window";
        const QImage idle = drawn(button);
        button->setEnabled(true);
        EXPECT_NE(drawn(button), idle) << button->text().toStdString();
        button->setEnabled(false);
    }

    ASSERT_TRUE(harness.takeIn({harness.writeExport("game", "hero", "4.2.43", {"page.png", "page_2.png"}, false)}));
    auto *canvas = harness.find<SpinePreviewWidget>("preview");
    EXPECT_TRUE(canvas->currentNotice().contains(QStringLiteral("page.png、page_2.png"))) << canvas->currentNotice().toStdString();
}

} // namespace
} // namespace kvx::test
