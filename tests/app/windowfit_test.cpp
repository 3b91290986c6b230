// The window on small screens: at scale 1 on 1280 × 720 and at twice the scale on 1600 × 1000 it
// opens inside the screen, can be made as small as its minimum there, and every control stays on it.
// Each screen needs a process of its own (the platform is chosen before the application starts):
// WindowFit runs this binary again as WindowFitOnThisScreen on the offscreen platform's screen. The
// English window, whose words are longer, must fit the smallest screen too.

#include "app/elidedlabel.h"
#include "common/qt/uilanguage.h"
#include "support/installedplugin.h"
#include "support/waits.h"
#include "support/windowharness.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QScreen>
#include <gtest/gtest.h>

namespace kvx::test {
namespace {

constexpr char kChildVariable[] = "KVX_WINDOW_FIT_CHILD";
constexpr char kLanguageVariable[] = "KVX_WINDOW_FIT_LANGUAGE";

struct Screen {
    const char *name;
    int width;
    int height;
    const char *scale;
    const char *language = "zh";
};

class WindowFit : public ::testing::TestWithParam<Screen> {};

TEST_P(WindowFit, EveryControlIsOnAWindowThatFitsTheScreen)
{
    const Screen screen = GetParam();
    TempFolder folder;
    const std::filesystem::path config = folder.write(
        "screen.json", "{\"screens\": [{\"name\": \"fit\", \"x\": 0, \"y\": 0, \"width\": " + std::to_string(screen.width)
                           + ", \"height\": " + std::to_string(screen.height)
                           + ", \"logicalDpi\": 96, \"logicalBaseDpi\": 96, \"dpr\": 1}]}");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"),
                       QStringLiteral("offscreen:configfile=") + QString::fromStdString(config.string()));
    environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::fromLatin1(screen.scale));
    environment.insert(QString::fromLatin1(kChildVariable), QStringLiteral("1"));
    environment.insert(QString::fromLatin1(kLanguageVariable), QString::fromLatin1(screen.language));
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=WindowFitOnThisScreen.*")});
    ASSERT_TRUE(child.waitForFinished(90000));
    const QString output = QString::fromUtf8(child.readAll());
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << output.toStdString();
}

INSTANTIATE_TEST_SUITE_P(SmallScreens, WindowFit,
                         ::testing::Values(Screen{"Laptop1280x720", 1280, 720, "1"},
                                           Screen{"Scale2On1600x1000", 1600, 1000, "2"},
                                           Screen{"Scale2On1600x1000English", 1600, 1000, "2", "en"}),
                         [](const auto &info) { return std::string(info.param.name); });

// Every control a user works with is shown whole inside the window, and the status line reads.
void expectEveryControlReachable(const QWidget &window)
{
    int controls = 0;
    for (const QWidget *widget : window.findChildren<QWidget *>()) {
        const bool control = qobject_cast<const QAbstractButton *>(widget) || qobject_cast<const QComboBox *>(widget)
            || qobject_cast<const QAbstractSlider *>(widget) || qobject_cast<const QLineEdit *>(widget);
        if (!control || !widget->isVisible() || widget->window() != &window)
            continue;
        ++controls;
        const QRect area(widget->mapTo(&window, QPoint(0, 0)), widget->size());
        EXPECT_TRUE(window.rect().contains(area)) << widget->metaObject()->className() << " "
                                                  << widget->objectName().toStdString() << " outside the window";
        EXPECT_GE(widget->width(), std::min(widget->minimumSizeHint().width(), 40))
            << widget->metaObject()->className() << " squeezed";
    }
    EXPECT_GE(controls, 14);
    const auto *status = dynamic_cast<const ElidedLabel *>(window.findChild<QLabel *>(QStringLiteral("status")));
    EXPECT_FALSE(status->text().isEmpty());
    EXPECT_FALSE(status->isElided()) << status->text().toStdString();
}

TEST(WindowFitOnThisScreen, EveryControlIsReachable)
{
    if (!qEnvironmentVariableIsSet(kChildVariable))
        GTEST_SKIP() << "runs in a process of its own, started by WindowFit";
    useUiLanguage(uiLanguageWithCode(qEnvironmentVariable(kLanguageVariable)).value_or(UiLanguage::Chinese));
    WindowHarness harness;
    {
        InstalledPlugin plugin("full"); // a skeleton with skins: the skin list takes its room too
        plugin->setAnimations({{"idle", 1.0f}});
        plugin->setSkins({"default", "hair"});
        harness.installEditor("Starting: Spine 4.2.43");
        harness.cacheEditorVersion("4.2.43");
        MainWindow &window = harness.window();
        window.show();
        ASSERT_TRUE(harness.takeIn({harness.writeExport("hero", "hero", "4.2.43")}));
        ASSERT_TRUE(waitFor([&] { return window.findChild<QWidget *>(QStringLiteral("skinCombo"))->isVisible(); }));
        const QRect free = window.screen()->availableGeometry();
        EXPECT_TRUE(free.contains(window.frameGeometry())) << "opens inside the screen: " << window.frameGeometry().x() << "," << window.frameGeometry().y() << " " << window.frameGeometry().width() << "x" << window.frameGeometry().height() << " in " << free.width() << "x" << free.height();
        const QSize frame = window.frameGeometry().size() - window.size();
        EXPECT_LE(window.minimumSizeHint().width() + frame.width(), free.width());
        EXPECT_LE(window.minimumSizeHint().height() + frame.height(), free.height());
        expectEveryControlReachable(window);

        window.resize(window.minimumSizeHint());
        ASSERT_TRUE(waitFor([&] { return window.size() == window.minimumSizeHint(); }));
        QCoreApplication::processEvents();
        expectEveryControlReachable(window);
        harness.window().close();
    }
}

} // namespace
} // namespace kvx::test
