// Readiness that explains itself: the badge's tool tip, the status text when no editor version
// suits, and a probed version the cache lacks. (That a run reads only what changed is shown by the
// files it opens, in fileopens_posix_test.)

#include "support/windowfixture.h"

#include <QLabel>
#include <filesystem>

namespace kvx::test {
namespace {

const QString red = QStringLiteral("#ef6b73");
const QString green = QStringLiteral("#55d68b");

class ReadinessExplained : public WindowFixture {
protected:
    QString tip() { return view().badge()->toolTip(); }
    QString status() { return view().status()->text(); }
};

TEST_F(ReadinessExplained, TheToolTipNamesVersionsLineAndEditor)
{
    const auto editor = installEditor("Starting: Spine 4.2.43");
    cacheEditorVersion("4.2.43");
    cacheEditorVersion("4.1.24");
    add(writeExport("export", "hero.json", "4.2.43"));
    EXPECT_EQ(badge(), QStringLiteral("可转换 · Spine 4.2.43"));
    EXPECT_TRUE(tip().contains(QStringLiteral("数据版本：4.2.43"))) << tip().toStdString();
    EXPECT_TRUE(tip().contains(QStringLiteral("Spine 分支：4.2.x")));
    EXPECT_TRUE(tip().contains(window->readiness().editorPath()));
    EXPECT_TRUE(tip().contains(QStringLiteral("（版本 4.2.43）")));
    EXPECT_TRUE(tip().contains(QStringLiteral("本机已缓存的 Editor 版本：4.1.24、4.2.43")));
}

TEST_F(ReadinessExplained, NoSuitableVersionSaysWhichLineIsNeededAndWhatIsCached)
{
    installEditor("Starting: Spine 4.2.43");
    cacheEditorVersion("4.2.43");
    add(writeExport("export", "hero.json", "3.8.99"));
    ASSERT_TRUE(waitForProbeAnswer());
    EXPECT_EQ(badge(), QStringLiteral("未找到对应版本"));
    EXPECT_EQ(badgeColour(), red);
    EXPECT_EQ(status(), QStringLiteral("数据版本 3.8.99，需要 Spine 3.8.x；本机已缓存：4.2.43"));
    EXPECT_TRUE(tip().contains(QStringLiteral("Spine 分支：3.8.x")));
    EXPECT_TRUE(tip().contains(QStringLiteral("（版本 未确定）")));
}

TEST_F(ReadinessExplained, AProbedVersionTheCacheLacksIsNotReady)
{
    installEditor("Starting: Spine 4.2.7 Professional");
    add(writeExport("export", "hero.json", "4.2.43"));
    ASSERT_TRUE(waitForProbeAnswer());
    EXPECT_EQ(badge(), QStringLiteral("未找到对应版本"));
    EXPECT_EQ(badgeColour(), red);
    EXPECT_EQ(buttonText(), QStringLiteral("指定 Spine 路径"));
    EXPECT_TRUE(window->readiness().editorVersion().isEmpty()) << "converting would refuse it anyway";
    EXPECT_TRUE(status().startsWith(QStringLiteral("已找到 Spine 4.2.7，但本机未缓存该版本，转换会触发下载。")))
        << status().toStdString();
    EXPECT_TRUE(status().endsWith(QStringLiteral("本机已缓存：无")));
}

TEST_F(ReadinessExplained, APageImageThatIsAFolderIsMissing)
{
    cacheEditorVersion("4.2.43");
    installEditor("Starting: Spine 4.2.43");
    const auto skeleton = writeExport("export", "hero.json", "4.2.43", {"hero.png"}, false);
    std::filesystem::create_directories(files / "export" / "hero.png");
    add(skeleton);
    EXPECT_EQ(badge(), QStringLiteral("缺少纹理页 hero.png"));
    EXPECT_EQ(badgeColour(), red);
}

} // namespace
} // namespace kvx::test
