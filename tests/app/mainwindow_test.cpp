// The window as built: widget tree, sizes, texts, style sheet, badge and primary button.

#include "windowfixture.h"

#include "conversion/qt/conversionjob.h"
#include "app/playbackbar.h"
#include "app/spinepreviewwidget.h"

#include "app/elidedcombobox.h"
#include "app/elidedlabel.h"
#include "common/qt/pathtext.h"

#include <QDir>
#include <QBoxLayout>
#include <QSignalBlocker>
#include <QSlider>
#include <QImage>
#include <QMetaMethod>

namespace kvx::test {
namespace {

using MainWindowConstruction = WindowFixture;

QBoxLayout *rowAt(QBoxLayout *column, int index)
{
    return qobject_cast<QBoxLayout *>(column->itemAt(index)->layout());
}

QWidget *widgetAt(QBoxLayout *row, int index)
{
    return row->itemAt(index)->widget();
}

QColor pixelOf(QWidget *widget, QPoint point)
{
    return widget->grab().toImage().pixelColor(point);
}

TEST_F(MainWindowConstruction, StartsWithNothingListedAndTheButtonDisabled)
{
    MainWindowTestAccess w = access();
    EXPECT_TRUE(w.badgeLabel()->isHidden());
    EXPECT_TRUE(w.resourceCombo()->isHidden());
    EXPECT_EQ(w.resourceCombo()->count(), 0);
    EXPECT_FALSE(w.animationCombo()->isEnabled());
    EXPECT_EQ(w.primaryButton()->text(), QStringLiteral("一键转换为 .spine"));
    EXPECT_FALSE(w.primaryButton()->isEnabled());
    EXPECT_TRUE(w.statusLabel()->text().isEmpty());
    EXPECT_FALSE(w.straightAlphaCheckBox()->isChecked());
    EXPECT_EQ(w.previewWidget()->currentMessage(),
              QStringLiteral("把 .json / .skel / .skel.bytes、.atlas / .atlas.txt 和图片拖到这里\n\n也可以拖入整个资源文件夹"));
    EXPECT_FALSE(w.playbackTimer()->isActive());
    EXPECT_EQ(w.playbackTimer()->interval(), 16);
    EXPECT_EQ(w.playbackTimer()->timerType(), Qt::PreciseTimer);
    EXPECT_EQ(w.playbackTimer()->parent(), window.get());
    EXPECT_EQ(w.probeWatcher()->parent(), window.get());
    EXPECT_EQ(w.probeGeneration(), 0);
    EXPECT_EQ(w.conversionJob(), nullptr);
    EXPECT_FALSE(w.readinessScheduled());
    EXPECT_EQ(w.readinessRuns(), 0);
    EXPECT_TRUE(window->acceptDrops());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Kovexa"));
    EXPECT_EQ(window->size(), QSize(960, 680));
    EXPECT_EQ(window->styleSheet(), mainWindowStyleSheet());
    EXPECT_EQ(w.badgeLabel()->alignment(), Qt::AlignCenter);
    EXPECT_EQ(w.badgeLabel()->minimumWidth(), 190);
    EXPECT_EQ(w.resourceCombo()->minimumWidth(), 260);
    EXPECT_EQ(w.animationCombo()->minimumWidth(), 220);
    EXPECT_EQ(w.straightAlphaCheckBox()->text(), QStringLiteral("去除预乘 Alpha"));
    EXPECT_EQ(w.straightAlphaCheckBox()->toolTip(), QStringLiteral("由 Spine 官方纹理解包器转换为普通透明图片"));
}

TEST_F(MainWindowConstruction, LaysOutTwoRowsAroundThePreview)
{
    MainWindowTestAccess w = access();
    auto *column = qobject_cast<QVBoxLayout *>(window->centralWidget()->layout());
    ASSERT_NE(column, nullptr);
    EXPECT_EQ(column->contentsMargins(), QMargins(28, 24, 28, 24));
    EXPECT_EQ(column->spacing(), 16);
    ASSERT_EQ(column->count(), 4); // the playback bar sits between the canvas and row 2
    EXPECT_EQ(column->itemAt(1)->widget(), w.previewWidget());
    EXPECT_NE(qobject_cast<PlaybackBar *>(column->itemAt(2)->widget()), nullptr);
    EXPECT_EQ(column->stretch(0), 0);
    EXPECT_EQ(column->stretch(1), 1);
    EXPECT_EQ(column->stretch(2), 0);
    EXPECT_EQ(column->stretch(3), 0);
    EXPECT_EQ(w.previewWidget()->objectName(), QStringLiteral("preview"));

    QBoxLayout *header = rowAt(column, 0);
    ASSERT_NE(header, nullptr);
    ASSERT_EQ(header->count(), 6);
    auto *title = qobject_cast<QLabel *>(widgetAt(header, 0));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->objectName(), QStringLiteral("title"));
    EXPECT_EQ(title->text(), QStringLiteral("Kovexa"));
    EXPECT_NE(header->itemAt(1)->spacerItem(), nullptr);
    EXPECT_EQ(widgetAt(header, 2), w.badgeLabel());
    EXPECT_NE(header->itemAt(3)->spacerItem(), nullptr);
    EXPECT_EQ(widgetAt(header, 4), w.resourceCombo());
    auto *chooseButton = qobject_cast<QPushButton *>(widgetAt(header, 5));
    ASSERT_NE(chooseButton, nullptr);
    EXPECT_EQ(chooseButton->objectName(), QStringLiteral("quietButton"));
    EXPECT_EQ(chooseButton->text(), QStringLiteral("选择资源"));
    for (int i = 0; i < header->count(); ++i)
        EXPECT_EQ(header->stretch(i), 0) << i;

    QBoxLayout *footer = rowAt(column, 3);
    ASSERT_NE(footer, nullptr);
    // Beside the animation list, the skin list (hidden until a skeleton has several skins); the
    // "全部转换" button and the stop button (hidden until a conversion runs) sit before the primary button.
    ASSERT_EQ(footer->count(), 8);
    auto *animationLabel = qobject_cast<QLabel *>(widgetAt(footer, 0));
    ASSERT_NE(animationLabel, nullptr);
    EXPECT_EQ(animationLabel->text(), QStringLiteral("动画"));
    EXPECT_EQ(widgetAt(footer, 1), w.animationCombo());
    EXPECT_TRUE(widgetAt(footer, 2)->isHidden());
    EXPECT_NE(widgetAt(footer, 2)->findChild<QComboBox *>(QStringLiteral("skinCombo")), nullptr);
    EXPECT_EQ(widgetAt(footer, 3), w.statusLabel());
    EXPECT_EQ(widgetAt(footer, 4), w.straightAlphaCheckBox());
    EXPECT_EQ(widgetAt(footer, 5), w.convertAllButton());
    EXPECT_EQ(widgetAt(footer, 6), w.stopButton());
    EXPECT_TRUE(w.stopButton()->isHidden());
    EXPECT_EQ(widgetAt(footer, 7), w.primaryButton());
    EXPECT_EQ(footer->stretch(3), 1);
    int otherStretch = 0;
    for (int i = 0; i < footer->count(); ++i)
        otherStretch += i == 3 ? 0 : footer->stretch(i);
    EXPECT_EQ(otherStretch, 0);
    EXPECT_EQ(w.statusLabel()->objectName(), QStringLiteral("status"));
    EXPECT_EQ(w.primaryButton()->objectName(), QStringLiteral("primaryButton"));
}


TEST_F(MainWindowConstruction, DeclaresTheSevenSlotsInOrder)
{
    const QMetaObject *meta = window->metaObject();
    EXPECT_STREQ(meta->className(), "kvx::MainWindow");
    const char *const expected[] = {"chooseResources()",
                                    "resourceChanged(int)",
                                    "convertCurrent()",
                                    "conversionFinished(bool,QString,QString)",
                                    "animationChanged(QString)",
                                    "advancePreview()",
                                    "onEditorProbeFinished()"};
    ASSERT_EQ(meta->methodCount() - meta->methodOffset(), 7);
    for (int i = 0; i < 7; ++i) {
        const QMetaMethod method = meta->method(meta->methodOffset() + i);
        EXPECT_EQ(method.methodSignature(), QByteArray(expected[i]));
        EXPECT_EQ(method.methodType(), QMetaMethod::Slot);
        EXPECT_EQ(method.access(), QMetaMethod::Private);
    }
    EXPECT_EQ(meta->propertyCount(), meta->propertyOffset());
}

TEST(MainWindowStyleSheet, HoldsElevenRulesInOrderIn889Characters)
{
    const QString sheet = mainWindowStyleSheet();
    EXPECT_EQ(sheet.size(), 889);
    EXPECT_TRUE(sheet.startsWith(QStringLiteral("\n        QMainWindow, QWidget {")));
    EXPECT_TRUE(sheet.endsWith(QStringLiteral("}\n    ")));
    const QStringList lines = sheet.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 13); // leading break, eleven rules, trailing indentation
    EXPECT_EQ(lines.first(), QString());
    EXPECT_EQ(lines.last(), QStringLiteral("    "));
    const char *const selectors[] = {"QMainWindow, QWidget", "QLabel#title", "QLabel#preview", "QLabel#status",
                                     "QComboBox", "QPushButton", "QPushButton#quietButton",
                                     "QPushButton#primaryButton", "QPushButton#primaryButton:disabled", "QCheckBox",
                                     "QCheckBox::indicator"};
    for (int i = 0; i < 11; ++i) {
        const QString &line = lines.at(i + 1);
        EXPECT_TRUE(line.startsWith(QStringLiteral("        ") + QLatin1String(selectors[i]) + QStringLiteral(" {")))
            << line.toStdString();
        EXPECT_TRUE(line.endsWith(QStringLiteral(" }"))) << line.toStdString();
    }
    EXPECT_TRUE(lines.at(9).contains(QStringLiteral("background: #343743; color: #777d89;")));
}


TEST_F(MainWindowConstruction, BadgeShowsTheDotAndItsColour)
{
    MainWindowTestAccess w = access();
    window->setBadge(QStringLiteral("可转换 · Spine 4.2.43"), QStringLiteral("#55d68b"));
    EXPECT_FALSE(w.badgeLabel()->isHidden());
    EXPECT_EQ(w.badgeLabel()->text(), QStringLiteral("●  可转换 · Spine 4.2.43"));
    EXPECT_EQ(w.badgeLabel()->styleSheet(),
              QStringLiteral("QLabel { color: #55d68b; background: #20242c; border: 1px solid #343a46; "
                             "border-radius: 8px; padding: 7px 12px; font-weight: 600; }"));

    window->setBadge(QString(), QStringLiteral("#ef6b73"));
    EXPECT_EQ(w.badgeLabel()->text(), QStringLiteral("●  "));
    EXPECT_TRUE(w.badgeLabel()->styleSheet().startsWith(QStringLiteral("QLabel { color: #ef6b73; background")));
    EXPECT_FALSE(w.badgeLabel()->styleSheet().contains(QStringLiteral("#55d68b")));
    EXPECT_FALSE(w.badgeLabel()->isHidden());
}

TEST_F(MainWindowConstruction, BadgeBackgroundWinsOverTheWindowRule)
{
    MainWindowTestAccess w = access();
    window->setBadge(QStringLiteral("未找到 Spine Editor"), QStringLiteral("#f2b84b"));
    window->show();
    settle();
    QLabel *badge = w.badgeLabel();
    EXPECT_EQ(pixelOf(badge, QPoint(6, badge->height() / 2)), QColor(0x20, 0x24, 0x2c));
    EXPECT_EQ(pixelOf(window->centralWidget(), QPoint(4, 4)), QColor(0x17, 0x19, 0x1e));
    QPushButton *button = w.primaryButton();
    EXPECT_EQ(pixelOf(button, QPoint(button->width() / 2, 3)), QColor(0x34, 0x37, 0x43));
}

TEST_F(MainWindowConstruction, ResizingGivesHeightToThePreviewAndKeepsTheBadgeCentred)
{
    MainWindowTestAccess w = access();
    w.resourceCombo()->show();
    window->setBadge(QStringLiteral("x"), QStringLiteral("#55d68b"));
    window->show();
    settle();
    const int previewHeight = w.previewWidget()->height();
    const int statusWidth = w.statusLabel()->width();
    window->resize(1260, 880);
    settle();
    EXPECT_EQ(w.previewWidget()->height(), previewHeight + 200);
    EXPECT_EQ(w.statusLabel()->width(), statusWidth + 300);

    auto *column = qobject_cast<QBoxLayout *>(window->centralWidget()->layout());
    const QRect title = widgetAt(rowAt(column, 0), 0)->geometry();
    const QRect badge = w.badgeLabel()->geometry();
    const QRect combo = w.resourceCombo()->geometry();
    EXPECT_NEAR(badge.left() - title.right(), combo.left() - badge.right(), 2);
}

TEST_F(MainWindowConstruction, LongStatusTextNeverWidensTheWindow)
{
    MainWindowTestAccess w = access();
    window->show();
    settle();
    w.statusLabel()->setText(QString(400, QLatin1Char('x')));
    settle();
    EXPECT_EQ(window->width(), 960);
    EXPECT_LE(w.statusLabel()->geometry().right(), w.straightAlphaCheckBox()->geometry().left());
}

TEST_F(MainWindowConstruction, PrimaryButtonFollowsEvaluationsUnlessAConversionRuns)
{
    MainWindowTestAccess w = access();
    w.setPrimaryButton(QStringLiteral("指定 Spine 路径"), true);
    EXPECT_EQ(w.primaryButton()->text(), QStringLiteral("指定 Spine 路径"));
    EXPECT_TRUE(w.primaryButton()->isEnabled());

    auto *job = new ConversionJob(QString(), QString(), QString(), QString(), QString(), QString(), false,
                                  window.get()); // never started: only its presence matters here
    w.setConversionJob(job);
    w.setPrimaryButton(QStringLiteral("一键转换为 .spine"), true);
    EXPECT_EQ(w.primaryButton()->text(), QStringLiteral("正在转换…"));
    EXPECT_FALSE(w.primaryButton()->isEnabled());
    w.setConversionJob(nullptr);

    w.setPrimaryButton(QStringLiteral("资源不完整"), false);
    EXPECT_EQ(w.primaryButton()->text(), QStringLiteral("资源不完整"));
    EXPECT_FALSE(w.primaryButton()->isEnabled());
}

TEST_F(MainWindowConstruction, EmptyDialogSeamsAnswerLikeACancel)
{
    window->setDialogs(WindowDialogs{});
    MainWindowTestAccess w = access();
    w.chooseResources();
    EXPECT_FALSE(w.chooseSpineEditor());
    EXPECT_EQ(w.resourceCombo()->count(), 0);
    EXPECT_TRUE(w.badgeLabel()->isHidden());
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
    MainWindowTestAccess w = access();
    const QString longName = QStringLiteral("hero_with_a_very_long_export_name_from_a_big_project_") + QString(40, 'x');
    {
        const QSignalBlocker quiet(w.resourceCombo()); // listed without loading anything
        w.resourceCombo()->addItem(longName, QStringLiteral("/exports/") + longName + QStringLiteral(".json"));
    }
    w.resourceCombo()->show();
    window->setBadge(QStringLiteral("缺少纹理页 ") + longName + QStringLiteral(".png"), QStringLiteral("#ef6b73"));
    w.statusLabel()->setText(QStringLiteral("dlopen failed: ") + longName + QStringLiteral(": cannot open shared object"));
    window->show();
    window->resize(1, 1); // the window stops at its minimum
    settle();

    const QSize minimum = window->size();
    EXPECT_EQ(minimum, window->minimumSizeHint());
    EXPECT_LE(minimum.width(), 1024) << "fits a small screen";
    EXPECT_LE(minimum.height(), 768) << "fits a small screen";

    QWidget *central = window->centralWidget();
    const std::vector<QWidget *> controls = visibleControls(central);
    ASSERT_GE(controls.size(), 12u);
    std::vector<QRect> placed;
    for (QWidget *control : controls) {
        const QRect area(control->mapTo(central, QPoint(0, 0)), control->size());
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
    EXPECT_TRUE(dynamic_cast<ElidedLabel *>(w.badgeLabel())->isElided());
    EXPECT_TRUE(dynamic_cast<ElidedLabel *>(w.statusLabel())->isElided());
    auto *list = dynamic_cast<ElidedComboBox *>(w.resourceCombo());
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->shownText().endsWith(QStringLiteral("…")));
    EXPECT_TRUE(longName.startsWith(list->shownText().chopped(1)));

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
    MainWindowTestAccess w = access();
    w.animationCombo()->addItem(QStringLiteral("a_long_animation_name"));
    EXPECT_EQ(w.animationCombo()->toolTip(), QStringLiteral("a_long_animation_name"));
    const QString skeleton = qpath(writeExport(files.path() / "hero", "hero.json", "4.2.43"));
    add(toPath(skeleton));
    EXPECT_TRUE(w.resourceCombo()->toolTip().startsWith(QDir::toNativeSeparators(skeleton) + QLatin1Char('\n')))
        << w.resourceCombo()->toolTip().toStdString();
}

} // namespace
} // namespace kvx::test
