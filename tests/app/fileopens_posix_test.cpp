// The files the window opens, counted with Linux inotify: a readiness run reads only what changed
// since the last one, and one skeleton named on the command line is read at most twice per file
// (the window once, the runtime plugin once).

#include "support/programrun.h"
#include "support/windowfixture.h"

#include "support/fileopens_posix.h"

#include <QImage>

namespace kvx::test {
namespace {

using FileOpens = WindowFixture;

TEST_F(FileOpens, AReadinessRunReadsOnlyWhatChangedSinceTheLastOne)
{
    cacheEditorVersion("4.2.43");
    cacheEditorVersion("4.1.24");
    installEditor("Starting: Spine 4.2.43");
    std::vector<std::filesystem::path> skeletons;
    for (int i = 0; i < 20; ++i) {
        const std::string name = "hero" + std::to_string(i);
        skeletons.push_back(writeExport("export", name + ".json", "4.2.43", {name + ".png"}));
    }
    dropPaths(skeletons);
    ASSERT_EQ(window->listedPaths().size(), 20);
    FileOpenCounter counter(files / "export");
    ASSERT_TRUE(counter.isWatching());

    window->readiness().run();
    window->readiness().run();
    EXPECT_TRUE(counter.opens().empty()) << "unchanged files are not read again";
    EXPECT_EQ(badge(), QStringLiteral("可转换 · Spine 4.2.43"));

    // The current skeleton rewritten as another line: it alone is read again, with its atlas and page.
    files.write("export/hero19.json", skeletonJson("4.1.24") + "    ");
    counter.clear();
    window->readiness().run();
    const std::map<std::string, int> expected{{"hero19.atlas", 1}, {"hero19.json", 1}, {"hero19.png", 1}};
    EXPECT_EQ(counter.opens(), expected);
    EXPECT_EQ(badge(), QStringLiteral("可转换 · Spine 4.1.24"));
}

TEST_F(FileOpens, OneSkeletonOnTheCommandLineIsReadAtMostTwicePerFile)
{
    const std::vector<std::string> names{"hero.json", "hero.atlas", "hero.png"};
    std::filesystem::create_directories(files / "sample");
    for (const std::string &name : names)
        std::filesystem::copy_file(std::filesystem::path(KVX_SOURCE_DIR) / "examples" / name, files / "sample" / name);
    FileOpenCounter counter(files / "sample");
    ASSERT_TRUE(counter.isWatching());

    const QString shot = qpath(files / "shot.png");
    ASSERT_EQ(runWithHome(QStringLiteral(KVX_APP_PATH), {qpath(files / "sample" / "hero.json"), "--screenshot", shot},
                          home)
                  .exitCode,
              0);
    ASSERT_FALSE(QImage(shot).isNull());
    for (const std::string &name : names) {
        EXPECT_GE(counter.opensOf(name), 1) << name;
        EXPECT_LE(counter.opensOf(name), 2) << name;
    }
}

} // namespace
} // namespace kvx::test
