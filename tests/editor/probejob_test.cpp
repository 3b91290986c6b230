// The pool-thread job behind the window's probe: cached versions first, then the stand-in editor.

#include "editor/probejob.h"

#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <chrono>

namespace kvx {
namespace {

namespace fs = std::filesystem;
using test::ScopedEnvironment;
using test::TempFolder;

// The answer as text: the full version, or empty for none.
std::string answer(std::string_view line, const std::filesystem::path &editor)
{
    const std::optional<SpineVersion> version = resolveEditorVersion(line, editor);
    return version ? version->fullText() : std::string();
}

class ProbeJobTest : public testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(editor.parent_path());
        fs::copy_file(test::standinEditorPath(), editor);
    }

    bool editorRan() const { return fs::exists(log); }

    TempFolder home;
    ScopedEnvironment homeVariable{"HOME", home.path().string()};
    fs::path editor = home / "Spine" / "Spine.sh";
    fs::path log = home / "standin.log";
    ScopedEnvironment logVariable{"KVX_STANDIN_LOG", log.string()};
};

TEST_F(ProbeJobTest, CachedVersionOfTheLineWinsWithoutRunningTheEditor)
{
    home.write(".spine/updates/4.1.9", "x");
    home.write(".spine/updates/4.1.24", "x");
    EXPECT_EQ(answer("4.1", editor), "4.1.24");
    EXPECT_FALSE(editorRan());
    EXPECT_EQ(answer("4.1", home / "missing.sh"), "4.1.24");
}

TEST_F(ProbeJobTest, ProbedVersionOfTheLineIsTheAnswer)
{
    home.write(".spine/updates/4.2.43", "x");
    const ScopedEnvironment output("KVX_STANDIN_OUTPUT", std::string("Starting: Spine 4.1.24\n"));
    EXPECT_EQ(answer("4.1", editor), "4.1.24");
    EXPECT_EQ(test::readFileBytes(log), "--version\n");
}

TEST_F(ProbeJobTest, VersionOfAnotherLineOrNoneGivesAnEmptyAnswer)
{
    const ScopedEnvironment output("KVX_STANDIN_OUTPUT", std::string("Starting: Spine 4.1.24\n"));
    EXPECT_EQ(answer("4.2", editor), "");
    const ScopedEnvironment launcherOnly("KVX_STANDIN_OUTPUT", std::string("Spine Launcher 4.2.5\n"));
    EXPECT_EQ(answer("4.2", editor), "");
    EXPECT_EQ(answer("4.2", home / "missing.sh"), "");
}

TEST_F(ProbeJobTest, VersionReadFromAFailedRunStillCounts)
{
    const ScopedEnvironment output("KVX_STANDIN_OUTPUT", std::string("Starting: Spine 4.1.0 Essential\n"));
    const ScopedEnvironment code("KVX_STANDIN_EXIT_CODE", std::string("3"));
    EXPECT_EQ(answer("4.1", editor), "4.1.0");
}

TEST_F(ProbeJobTest, EditorThatHangsAfterPrintingIsStoppedAndItsVersionCounts)
{
    const ScopedEnvironment output("KVX_STANDIN_OUTPUT", std::string("Starting: Spine 4.1.24\n"));
    const ScopedEnvironment delay("KVX_STANDIN_DELAY_MS", std::string("30000"));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(answer("4.1", editor), "4.1.24");
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(2900));
    EXPECT_LT(elapsed, std::chrono::milliseconds(4500));
}

} // namespace
} // namespace kvx
