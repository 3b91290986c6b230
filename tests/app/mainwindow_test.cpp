// The window as built and as a user sees it: its controls, their texts, places and colours, the
// badge, and how the window shares out its size.

#include "support/windowfixture.h"

#include "app/elidedcombobox.h"
#include "app/elidedlabel.h"
#include "app/playbackbar.h"
#include "app/spinepreviewwidget.h"
#include "common/qt/pathtext.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

namespace kvx::test {
namespace {

using MainWindowConstruction = WindowFixture;

QColor pixelOf(QWidget *widget, QPoint point)
{
    return widget->grab().toImage().pixelColor(point);
}

QRect placeIn(QWidget *root, QWidget *widget)
{
    return QRect(widget->mapTo(root, QPoint(0, 0)), widget->size());
}

TEST_F(MainWindowConstruction, StartsWithNothingListedAndTheButtonDisabled)
{
    const WindowView w = view();
    EXPECT_TRUE(w.badge()->isHidden());
    EXPECT_TRUE(w.resourceList()->isHidden());
    EXPECT_EQ(w.resourceList()->count(), 0);
    EXPECT_FALSE(w.animationList()->isEnabled());
    EXPECT_FALSE(w.skinListShown());
    EXPECT_EQ(w.primaryButton()->text(), QStringLiteral("一键转换为 .spine"));
    EXPECT_FALSE(w.primaryButton()->isEnabled());
    EXPECT_FALSE(w.convertAllButton()->isEnabled());
    EXPECT_TRUE(w.stopButton()->isHidden());
    EXPECT_TRUE(w.status()->text().isEmpty());
    EXPECT_FALSE(w.straightAlpha()->isChecked());
    EXPECT_EQ(w.canvas()->currentMessage(),
              QStringLiteral("把 .json / .skel / .skel.bytes、.atlas / .atlas.txt 和图片拖到这里\n\n也可以拖入整个资源文件夹"));
    // Nothing plays, nothing is evaluated, probed or converted.
    EXPECT_FALSE(w.playbackBar()->playButton()->isEnabled());
    EXPECT_FALSE(w.showsPlaying());
    EXPECT_FALSE(window->preview().isPlaying());
    EXPECT_TRUE(window->preview().isSettled());
    EXPECT_EQ(window->readiness().runCount(), 0);
    EXPECT_FALSE(window->readiness().isProbing());
    EXPECT_FALSE(window->conversion().isRunning());
    EXPECT_TRUE(window->acceptDrops());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Kovexa"));
    EXPECT_EQ(window->size(), QSize(960, 680));
    EXPECT_EQ(window->styleSheet(), mainWindowStyleSheet());
    EXPECT_EQ(w.badge()->alignment(), Qt::AlignCenter);
    EXPECT_EQ(w.straightAlpha()->text(), QStringLiteral("去除预乘 Alpha"));
    EXPECT_EQ(w.straightAlpha()->toolTip(), QStringLiteral("由 Spine 官方纹理解包器转换为普通透明图片"));
}

// Rows read top to bottom: the header and the list above the canvas and the playback bar, the
// choices, the status line and the actions below; each row read left to right.
TEST_F(MainWindowConstruction, ControlsSitInRowsAroundTheCanvasInReadingOrder)
{
    add(files.write("lonely/hero.json", skeletonJson("4.2.43"))); // the badge and the list show
    window->show();
    deliverQueuedWork();
    const WindowView w = view();
    QWidget *central = window->centralWidget();
    auto *title = window->findChild<QLabel *>(QStringLiteral("title"));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->text(), QStringLiteral("Kovexa"));

    const std::vector<std::vector<QWidget *>> above{{title, w.badge(), w.chooseButton()}, {w.resourceList()}};
    const std::vector<std::vector<QWidget *>> below{
        {w.animationList()}, {w.status()}, {w.straightAlpha(), w.convertAllButton(), w.primaryButton()}};
    const QRect canvas = placeIn(central, w.canvas());
    const QRect bar = placeIn(central, w.playbackBar());
    const auto inReadingOrder = [central](const std::vector<std::vector<QWidget *>> &rows) {
        for (size_t r = 0; r < rows.size(); ++r) {
            for (size_t i = 0; i < rows[r].size(); ++i) {
                const QRect area = placeIn(central, rows[r][i]);
                if (i > 0)
                    EXPECT_GT(area.left(), placeIn(central, rows[r][i - 1]).right()) << r << ' ' << i;
                if (r > 0)
                    EXPECT_GT(area.top(), placeIn(central, rows[r - 1].front()).bottom()) << r << ' ' << i;
            }
        }
    };
    inReadingOrder(above);
    inReadingOrder(below);
    EXPECT_LT(placeIn(central, w.resourceList()).bottom(), canvas.top());
    EXPECT_LT(canvas.bottom(), bar.top());
    EXPECT_GT(placeIn(central, w.animationList()).top(), bar.bottom());
    EXPECT_EQ(w.chooseButton()->text(), QStringLiteral("选择资源"));
    EXPECT_EQ(w.convertAllButton()->text(), QStringLiteral("全部转换"));
    EXPECT_EQ(w.stopButton()->text(), QStringLiteral("停止转换"));
    // The canvas takes the width between the margins.
    EXPECT_EQ(canvas.left(), placeIn(central, title).left());
    EXPECT_EQ(canvas.right(), placeIn(central, w.primaryButton()).right());
}

// The eleven rules of the window's look stand in their order; the rules added since only give
// disabled controls and the newer kinds of widget their look.
TEST(MainWindowStyleSheet, KeepsItsElevenRulesInOrder)
{
    const QString sheet = mainWindowStyleSheet();
    EXPECT_TRUE(sheet.startsWith(QStringLiteral("\n        QMainWindow, QWidget {")));
    EXPECT_TRUE(sheet.endsWith(QStringLiteral("}\n    ")));
    const QStringList lines = sheet.split(QLatin1Char('\n'));
    EXPECT_EQ(lines.first(), QString());
    EXPECT_EQ(lines.last(), QStringLiteral("    "));
    const char *const rules[] = {
        "QMainWindow, QWidget { background: #17191e; color: #f3f4f6; font-size: 14px; }",
        "QLabel#title { font-size: 22px; font-weight: 650; }",
        "QLabel#preview { background: #101217; border: 2px dashed #343944; border-radius: 14px; color: #a7adb8; }",
        "QLabel#status { color: #9299a5; padding-left: 8px; }",
        "QComboBox { background: #242832; border: 1px solid #3a404c; border-radius: 8px; padding: 8px 12px; }",
        "QPushButton { border-radius: 8px; padding: 9px 16px; }",
        "QPushButton#quietButton { background: #292d36; border: 1px solid #3d4350; }",
        "QPushButton#primaryButton { background: #6e5eea; border: none; font-weight: 650; padding: 11px 20px; }",
        "QPushButton#primaryButton:disabled { background: #343743; color: #777d89; }",
        "QCheckBox { spacing: 8px; color: #c9ced8; }",
        "QCheckBox::indicator { width: 18px; height: 18px; }",
    };
    qsizetype at = 0;
    for (const char *rule : rules) {
        const qsizetype found = lines.indexOf(QStringLiteral("        ") + QLatin1String(rule), at);
        EXPECT_GT(found, 0) << rule;
        at = std::max(at, found);
    }
    for (qsizetype i = 1; i + 1 < lines.size(); ++i) {
        const bool kept = std::any_of(std::begin(rules), std::end(rules), [&](const char *rule) {
            return lines[i] == QStringLiteral("        ") + QLatin1String(rule);
        });
        const bool added = lines[i].contains(QLatin1String(":disabled")) || lines[i].contains(QLatin1String("QLineEdit"))
            || lines[i].contains(QLatin1String("QProgressBar"));
        EXPECT_TRUE(kept || added) << lines[i].toStdString();
    }
}

TEST_F(MainWindowConstruction, BadgeShowsTheDotAndItsColour)
{
    installEditor("Starting: Spine 4.2.43");
    cacheEditorVersion("4.2.43");
    add(writeExport("ready", "hero.json", "4.2.43"));
    const WindowView w = view();
    EXPECT_FALSE(w.badge()->isHidden());
    EXPECT_EQ(w.badge()->text(), QStringLiteral("●  可转换 · Spine 4.2.43"));
    EXPECT_EQ(w.badge()->styleSheet(),
              QStringLiteral("QLabel { color: #55d68b; background: #20242c; border: 1px solid #343a46; "
                             "border-radius: 8px; padding: 7px 12px; font-weight: 600; }"));

    add(files.write("lonely/goblin.json", skeletonJson("4.2.43")));
    EXPECT_EQ(w.badge()->text(), QStringLiteral("●  缺少配套 Atlas"));
    EXPECT_TRUE(w.badge()->styleSheet().startsWith(QStringLiteral("QLabel { color: #ef6b73; background")));
    EXPECT_FALSE(w.badge()->styleSheet().contains(QStringLiteral("#55d68b")));
    EXPECT_FALSE(w.badge()->isHidden());
}

TEST_F(MainWindowConstruction, BadgeBackgroundWinsOverTheWindowRule)
{
    add(files.write("lonely/hero.json", skeletonJson("4.2.43")));
    window->show();
    deliverQueuedWork();
    QLabel *badge = view().badge();
    ASSERT_FALSE(badge->isHidden());
    EXPECT_EQ(pixelOf(badge, QPoint(6, badge->height() / 2)), QColor(0x20, 0x24, 0x2c));
    EXPECT_EQ(pixelOf(window->centralWidget(), QPoint(4, 4)), QColor(0x17, 0x19, 0x1e));
    QPushButton *button = view().primaryButton();
    ASSERT_FALSE(button->isEnabled());
    EXPECT_EQ(pixelOf(button, QPoint(button->width() / 2, 3)), QColor(0x34, 0x37, 0x43));
}

TEST_F(MainWindowConstruction, ResizingGivesHeightToThePreviewAndWidthToTheStatusLine)
{
    add(files.write("lonely/hero.json", skeletonJson("4.2.43")));
    window->show();
    deliverQueuedWork();
    const WindowView w = view();
    const int previewHeight = w.canvas()->height();
    const int statusWidth = w.status()->width();
    window->resize(1260, 880);
    deliverQueuedWork();
    EXPECT_EQ(w.canvas()->height(), previewHeight + 200);
    EXPECT_EQ(w.status()->width(), statusWidth + 300);

    // The badge stays beside the title, whatever the window's width.
    const QRect title = window->findChild<QLabel *>(QStringLiteral("title"))->geometry();
    EXPECT_LT(w.badge()->geometry().left() - title.right(), 40);
}

TEST_F(MainWindowConstruction, LongStatusTextNeverWidensTheWindow)
{
    window->show();
    deliverQueuedWork();
    view().status()->setText(QString(400, QLatin1Char('x')));
    deliverQueuedWork();
    EXPECT_EQ(window->width(), 960);
    EXPECT_LE(view().status()->geometry().right(), window->centralWidget()->width());
}

TEST_F(MainWindowConstruction, EmptyDialogSeamsAnswerLikeACancel)
{
    window->setDialogs(WindowDialogs{});
    view().chooseButton()->click();
    EXPECT_FALSE(window->readiness().chooseEditor());
    settleIntake();
    EXPECT_EQ(view().resourceList()->count(), 0);
    EXPECT_TRUE(view().badge()->isHidden());
}

// The controls a user reads or clicks (inner parts of lists and the canvas are not counted).
std::vector<QWidget *> visibleControls(QWidget *root)
{
    std::vector<QWidget *> controls;
    for (QWidget *widget : root->findChildren<QWidget *>()) {
        const bool control = qobject_cast<QLabel *>(widget) || qobject_cast<QAbstractButton *>(widget)
            || qobject_cast<QComboBox *>(widget) || qobject_cast<QSlider *>(widget);
        if (control && widget->isVisible() && !qobject_cast<QComboBox *>(widget->parentWidget()))
            controls.push_back(widget);
    }
    return controls;
}

TEST_F(MainWindowConstruction, AtItsMinimumSizeEveryControlIsWholeAndLongTextsAreCutWithATip)
{
    // A long skeleton name whose long page is missing: the list, the badge and the status line
    // (the plugin's loader message) all carry long texts.
    const std::string longName = "hero_with_a_very_long_export_name_from_a_big_project_" + std::string(40, 'x');
    add(writeExport("long", longName + ".json", "4.2.43", {longName + ".png"}, false));
    const WindowView w = view();
    ASSERT_EQ(w.badgeText(), QStringLiteral("缺少纹理页 %1.png").arg(QString::fromStdString(longName)));
    window->show();
    window->resize(1, 1); // the window stops at its minimum
    deliverQueuedWork();

    const QSize minimum = window->size();
    EXPECT_EQ(minimum, window->minimumSizeHint());
    EXPECT_LE(minimum.width(), 1024) << "fits a small screen";
    EXPECT_LE(minimum.height(), 768) << "fits a small screen";

    QWidget *central = window->centralWidget();
    const std::vector<QWidget *> controls = visibleControls(central);
    ASSERT_GE(controls.size(), 12u);
    std::vector<QRect> placed;
    for (QWidget *control : controls) {
        const QRect area = placeIn(central, control);
        const std::string name = control->metaObject()->className() + std::string(" ")
            + control->property("text").toString().toStdString();
        EXPECT_TRUE(central->rect().contains(area)) << name;
        if (auto *elided = dynamic_cast<ElidedLabel *>(control)) {
            if (elided->isElided())
                EXPECT_TRUE(elided->hoverText().startsWith(elided->text())) << name;
        } else if (!qobject_cast<QComboBox *>(control) && !qobject_cast<QSlider *>(control)) {
            EXPECT_GE(control->width(), control->minimumSizeHint().width()) << name << " is cut";
        }
        EXPECT_GE(control->height(), control->minimumSizeHint().height()) << name;
        for (const QRect &other : placed)
            EXPECT_FALSE(area.intersects(other)) << name << " overlaps another control";
        placed.push_back(area);
    }
    EXPECT_TRUE(dynamic_cast<ElidedLabel *>(w.badge())->isElided());
    EXPECT_TRUE(dynamic_cast<ElidedLabel *>(w.status())->isElided()) << w.status()->text().toStdString();
    auto *list = dynamic_cast<ElidedComboBox *>(w.resourceList());
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->shownText().endsWith(QStringLiteral("…")));
    EXPECT_TRUE(QString::fromStdString(longName).startsWith(list->shownText().chopped(1)));

    const QImage shot = window->grab().toImage();
    ASSERT_EQ(shot.size(), minimum * shot.devicePixelRatio());
    const QString target = qEnvironmentVariable("KVX_SCREENSHOT_DIR");
    if (!target.isEmpty())
        shot.save(target + QStringLiteral("/minimum-size.png"));
    // The primary button's bottom-right stays on screen, drawn in its disabled colour.
    const QRect button(w.primaryButton()->mapTo(window.get(), QPoint(0, 0)), w.primaryButton()->size());
    EXPECT_EQ(shot.pixelColor(QPoint(button.center().x(), button.bottom() - 2)), QColor(0x34, 0x37, 0x43));
}

TEST_F(MainWindowConstruction, ListsShowTheFullNameOfTheCurrentEntryInTheirTip)
{
    view().animationList()->addItem(QStringLiteral("a_long_animation_name"));
    EXPECT_EQ(view().animationList()->toolTip(), QStringLiteral("a_long_animation_name"));
    const QString skeleton = qpath(writeExport(files.path() / "hero", "hero.json", "4.2.43"));
    add(toPath(skeleton));
    EXPECT_TRUE(view().resourceList()->toolTip().startsWith(QDir::toNativeSeparators(skeleton) + QLatin1Char('\n')))
        << view().resourceList()->toolTip().toStdString();
}

} // namespace
} // namespace kvx::test
