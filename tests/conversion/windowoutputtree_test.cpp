// "全部转换" of a game's folder through the window: each skeleton's project keeps its folder below the
// chosen one, the summary tells skeletons of one name apart and opens the output folder, and the
// progress shows while the skin list is on screen too.

#include "app/elidedlabel.h"
#include "app/mainwindow.h"
#include "conversion/conversionsandbox.h"
#include "support/installedplugin.h"

#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <gtest/gtest.h>

namespace kvx {
namespace {

namespace fs = std::filesystem;
using test::ConversionSandbox;
using test::entryNames;

class WindowOutputTree : public ::testing::Test {
protected:
    WindowOutputTree()
    {
        QSettings().setValue("spineEditorPath", box.q(box.editor()));
        plugin->setAnimations({{"idle", 1.0f}});
        plugin->setSkins({"default", "cape"});
        window = std::make_unique<MainWindow>();
        WindowDialogs dialogs;
        dialogs.chooseOutputFolder = [this](QWidget *, const QString &) { return box.q(box.output()); };
        dialogs.showWindowMessage = [this](QWidget *, const WindowMessage &message) { messages.push_back(message); };
        dialogs.openFolder = [this](const QString &folder) { opened.append(folder); };
        window->setDialogs(dialogs);
        window->show();
    }
    ~WindowOutputTree() override
    {
        window.reset();
        QSettings().remove("spineEditorPath");
    }
    QPushButton *button(const char *role) const
    {
        for (QPushButton *candidate : window->findChildren<QPushButton *>()) {
            if (candidate->property("role").toString() == QLatin1String(role))
                return candidate;
        }
        return nullptr;
    }

    ConversionSandbox box;
    test::InstalledPlugin plugin{"full"};
    std::unique_ptr<MainWindow> window;
    std::vector<WindowMessage> messages;
    QStringList opened;
};

TEST_F(WindowOutputTree, EachProjectKeepsItsFolderAndTheSummaryNamesIt)
{
    box.copyExportTo("game/heroes/a");
    box.copyExportTo("game/heroes/b");
    box.copyExportTo("game", "third");
    bool settled = false;
    window->takeInResources({box.q(box.root / "game")});
    window->whenIntakeSettles([&settled] { settled = true; });
    ASSERT_TRUE(test::waitFor([&settled] { return settled; }));
    ASSERT_TRUE(test::waitFor([this] { return window->findChild<QWidget *>("skinCombo")->isVisible(); }));

    button("convertAll")->click();
    const auto *status = dynamic_cast<ElidedLabel *>(window->findChild<QLabel *>("status"));
    auto *progress = window->findChild<QProgressBar *>("batchProgress");
    EXPECT_TRUE(status->text().startsWith(QStringLiteral("正在全部转换 1 / 3："))) << status->text().toStdString();
    EXPECT_FALSE(status->isElided()) << "the progress is readable beside the skin list";
    EXPECT_TRUE(progress->isVisible());
    EXPECT_EQ(progress->maximum(), 3);

    ASSERT_TRUE(test::waitFor([this] { return !messages.empty(); }));
    EXPECT_FALSE(progress->isVisible());
    EXPECT_EQ(entryNames(box.output()), (QStringList{"heroes", "third"}));
    EXPECT_EQ(entryNames(box.output() / "heroes"), (QStringList{"a", "b"}));
    EXPECT_EQ(entryNames(box.output() / "heroes/a"), QStringList{"hero"});
    EXPECT_EQ(entryNames(box.output() / "heroes/b"), QStringList{"hero"});

    const WindowMessage &summary = messages.front();
    EXPECT_EQ(summary.text, QStringLiteral("成功 3 个，失败 0 个"));
    for (const char *line : {"heroes/a/hero.json → ", "heroes/b/hero.json → ", "\nthird.json → "})
        EXPECT_TRUE(summary.list.contains(QString::fromUtf8(line))) << line << "\n" << summary.list.toStdString();
    EXPECT_EQ(summary.actionText, QStringLiteral("打开输出文件夹"));
    ASSERT_TRUE(summary.action);
    summary.action();
    EXPECT_EQ(opened, QStringList{box.q(box.output())});
}

} // namespace
} // namespace kvx
