// kovexa-cli end to end: a private HOME with the stand-in editor (4.2.43 cached), exports written
// to temp folders, the program run as a pipeline would run it.

#include "conversion/conversionsandbox.h"
#include "support/atlasfixture.h"
#include "support/exportbuilder.h"
#include "support/processes_posix.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <algorithm>
#include <csignal>
#include <filesystem>
#include <unistd.h>

namespace kvx {
namespace {

namespace fs = std::filesystem;
using test::ConversionSandbox;
using test::ScopedEnvironment;
using test::skeletonJson;

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

class CliTest : public ::testing::Test {
protected:
    CliRun run(const QStringList &arguments)
    {
        QProcess process;
        process.start(QStringLiteral(KVX_CLI_PATH), arguments);
        EXPECT_TRUE(process.waitForFinished(120000));
        return CliRun{process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                   QString::fromUtf8(process.readAllStandardError())};
    }

    fs::path copyExport(const fs::path &folder, const std::string &name = "hero") const
    {
        return box.copyExportTo(folder, name);
    }

    QString q(const fs::path &path) const { return box.q(path); }

    ConversionSandbox box;
};

// The report with the sandbox's folder written as $ROOT and the records in path order, so that
// it can be held against the checked copy.
QJsonObject comparable(const QByteArray &json, const QString &root)
{
    QString text = QString::fromUtf8(json);
    text.replace(root, QStringLiteral("$ROOT"));
    QJsonObject report = QJsonDocument::fromJson(text.toUtf8()).object();
    QJsonArray skeletons = report.value("skeletons").toArray();
    std::vector<QJsonValue> sorted(skeletons.begin(), skeletons.end());
    std::sort(sorted.begin(), sorted.end(), [](const QJsonValue &a, const QJsonValue &b) {
        return a.toObject().value("path").toString() < b.toObject().value("path").toString();
    });
    QJsonArray ordered;
    for (const QJsonValue &value : sorted)
        ordered.append(value);
    report.insert("skeletons", ordered);
    return report;
}

TEST_F(CliTest, InspectOfAMixedFolderMatchesTheCheckedReport)
{
    copyExport("mixed/ready");
    copyExport("mixed/older", "elf");
    box.root.write("mixed/older/elf.json", skeletonJson("4.1.24"));
    box.root.write("mixed/old/goblin.json", skeletonJson("3.7.94"));
    box.root.write("mixed/notspine/package.json", R"({"name":"not a skeleton"})");
    box.root.write("mixed/lonely/orphan.json", skeletonJson("4.2.43"));
    copyExport("mixed/nopage", "knight");
    fs::remove(box.root / "mixed/nopage/hero_2.png");
    // The editor says 4.1.24 when asked, which the update cache does not hold.
    ScopedEnvironment answer("KVX_STANDIN_OUTPUT", std::string("Starting: Spine 4.1.24\n"));

    QProcess process;
    process.start(QStringLiteral(KVX_CLI_PATH), {"inspect", q(box.root / "mixed"), "--json"});
    ASSERT_TRUE(process.waitForFinished(120000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    const QJsonObject actual = comparable(process.readAllStandardOutput(), q(box.root.path()));

    QFile checked(QStringLiteral(KVX_SOURCE_DIR "/tests/cli/inspect_mixed.json"));
    ASSERT_TRUE(checked.open(QIODevice::ReadOnly));
    const QJsonObject expected = QJsonDocument::fromJson(checked.readAll()).object();
    EXPECT_EQ(actual, expected) << QJsonDocument(actual).toJson().toStdString();
}

TEST_F(CliTest, InspectPrintsOneReadableRecordPerSkeleton)
{
    copyExport("one");
    const CliRun result = run({"inspect", q(box.root / "one" / "hero.atlas")});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.out.contains("format: json, data version 4.2.43 (line 4.2)")) << result.out.toStdString();
    EXPECT_TRUE(result.out.contains("page: hero.png (scale 1, premultiplied alpha yes)"));
    EXPECT_TRUE(result.out.contains("editor version: 4.2.43 (cache)"));
    EXPECT_TRUE(result.out.contains("verdict: ready"));
    EXPECT_TRUE(result.out.contains("1 skeleton file(s), 1 ready to convert"));

    const CliRun nothing = run({"inspect", q(box.root / "missing-folder")});
    EXPECT_EQ(nothing.exitCode, 2) << "nothing named exists";
    EXPECT_EQ(nothing.err, "kovexa-cli: no such file or folder: " + q(box.root / "missing-folder") + "\n");
}

TEST_F(CliTest, ThreeExportsBecomeThreeProjectsEachInItsOwnFolder)
{
    const fs::path a = copyExport("batch/a");
    const fs::path b = copyExport("batch/b");
    const fs::path c = copyExport("batch/c");
    const CliRun result = run({"convert", q(box.root / "batch"), "--output", q(box.output())});
    EXPECT_EQ(result.exitCode, 0) << result.out.toStdString() << result.err.toStdString();
    EXPECT_EQ(test::entryNames(box.output()), (QStringList{"a", "b", "c"}));
    for (const char *folder : {"a", "b", "c"}) {
        EXPECT_EQ(test::entryNames(box.output() / folder), QStringList{"hero"}) << folder;
        EXPECT_TRUE(fs::exists(box.output() / folder / "hero/hero.spine")) << folder;
        EXPECT_TRUE(fs::exists(box.output() / folder / "hero/images")) << folder;
    }
    EXPECT_EQ(result.out.count("converted "), 3);
    EXPECT_TRUE(result.out.endsWith("3 converted, 0 failed\n")) << result.out.toStdString();
}

TEST_F(CliTest, OneFailingExportDoesNotStopTheOthers)
{
    copyExport("batch/a");
    copyExport("batch/b", "broken");
    fs::remove(box.root / "batch/b/hero_2.png");
    copyExport("batch/c", "third");
    box.root.write("batch/d/notes.json", R"({"not":"spine"})");
    const CliRun result = run({"convert", q(box.root / "batch"), "--output", q(box.output()), "--straight-alpha"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(test::entryNames(box.output()), (QStringList{"a", "c"})) << "the failed one leaves no folder";
    EXPECT_EQ(test::entryNames(box.output() / "c"), QStringList{"third"});
    EXPECT_TRUE(result.out.contains("failed " + q(box.root / "batch/b/broken.json") + ":\n    The export is not ready to convert: missing page images: hero_2.png"))
        << result.out.toStdString();
    EXPECT_TRUE(result.out.contains("skipped " + q(box.root / "batch/d/notes.json")));
    EXPECT_TRUE(result.out.endsWith("2 converted, 1 failed\n")) << result.out.toStdString();
}

TEST_F(CliTest, AFailureOfTheEditorIsReportedWithItsMessage)
{
    copyExport("batch/a");
    ScopedEnvironment code("KVX_STANDIN_FAIL_CODE", std::string("3"));
    ScopedEnvironment output("KVX_STANDIN_FAIL_OUTPUT", std::string("no pages"));
    const CliRun result = run({"convert", q(box.root / "batch"), "--output", q(box.output())});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.out.contains("The Spine Editor's texture unpacker failed: no pages")) << result.out.toStdString();
    EXPECT_EQ(test::entryNames(box.output()), QStringList());
}

bool processRunsFrom(const fs::path &folder)
{
    const std::string marker = folder.string();
    for (const fs::directory_entry &entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || !std::all_of(name.begin(), name.end(), ::isdigit))
            continue;
        const std::string commandLine = test::readFileBytes(entry.path() / "cmdline");
        if (commandLine.find(marker) != std::string::npos && commandLine.find("kovexa-cli") == std::string::npos)
            return true;
    }
    return false;
}

TEST_F(CliTest, CtrlCStopsMidBatchAndLeavesNothingOfTheRunningJob)
{
    copyExport("batch/a");
    copyExport("batch/b");
    ScopedEnvironment delay("KVX_STANDIN_DELAY_MS", std::string("60000"));
    QProcess process;
    process.start(QStringLiteral(KVX_CLI_PATH), {"convert", q(box.root / "batch"), "--output", q(box.output())});
    ASSERT_TRUE(process.waitForStarted());
    // The first job's working folder appears once its editor runs, in the folder kept for its export.
    const auto workingFolderShows = [&] {
        for (const QString &kept : test::entryNames(box.output())) {
            const QStringList inside = test::entryNames(box.output() / kept.toStdString());
            if (!inside.isEmpty() && inside.constFirst().startsWith(".kovexa-"))
                return true;
        }
        return false;
    };
    ASSERT_TRUE(test::waitFor(workingFolderShows, 60000));
    ASSERT_TRUE(test::waitFor([&] { return processRunsFrom(box.home()); }, 60000));

    ::kill(static_cast<pid_t>(process.processId()), SIGINT);
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 130);
    EXPECT_EQ(test::entryNames(box.output()), QStringList());
    EXPECT_FALSE(processRunsFrom(box.home())) << "the editor was left running";
    EXPECT_TRUE(QString::fromUtf8(process.readAllStandardOutput()).endsWith("0 converted, 0 failed, 2 not converted (stopped)\n"));
}

TEST_F(CliTest, HelpVersionAndBadArguments)
{
    const CliRun help = run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith("Usage:"));
    const CliRun version = run({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.startsWith("kovexa-cli "));

    const CliRun bad = run({"convert", q(box.exportFolder())});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_EQ(bad.err, "kovexa-cli: convert needs --output DIR\nTry 'kovexa-cli --help'.\n");
    const CliRun editor = run({"convert", q(box.exportFolder()), "--output", q(box.output()), "--editor", q(box.root / "nothing")});
    EXPECT_EQ(editor.exitCode, 2);
    EXPECT_TRUE(editor.err.contains("is not a Spine Editor executable"));
    EXPECT_FALSE(fs::exists(box.output()));

    const fs::path file = box.root.write("taken", "a file");
    const CliRun output = run({"convert", q(box.exportFolder()), "--output", q(file)});
    EXPECT_EQ(output.exitCode, 2);
    EXPECT_TRUE(output.err.contains("is not a folder"));
    EXPECT_EQ(test::readFileBytes(file), "a file");
}

TEST_F(CliTest, TerminationRequestsStopAsCleanlyAsCtrlC)
{
    copyExport("batch/a");
    ScopedEnvironment delay("KVX_STANDIN_DELAY_MS", std::string("60000"));
    for (const int signal : {SIGTERM, SIGHUP}) {
        QProcess process;
        process.start(QStringLiteral(KVX_CLI_PATH), {"convert", q(box.root / "batch"), "--output", q(box.output())});
        ASSERT_TRUE(process.waitForStarted());
        ASSERT_TRUE(test::waitFor([&] { return processRunsFrom(box.home()); }, 60000));
        ASSERT_TRUE(test::waitFor([&] { return !test::entryNames(box.output()).isEmpty(); }, 60000));
        ::kill(static_cast<pid_t>(process.processId()), signal);
        ASSERT_TRUE(process.waitForFinished(30000));
        EXPECT_EQ(process.exitCode(), 130) << signal;
        EXPECT_EQ(test::entryNames(box.output()), QStringList()) << signal;
        EXPECT_FALSE(processRunsFrom(box.home())) << signal;
    }
}

TEST_F(CliTest, ConventionsOfTheCommandLine)
{
    const CliRun help = run({"convert", q(box.exportFolder()), "-h"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith("Usage:\n  kovexa-cli convert PATH...")) << help.out.toStdString();
    const CliRun unknown = run({"inspect", q(box.exportFolder()), "--bogus"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_EQ(unknown.err, "kovexa-cli: unknown option --bogus for inspect\nTry 'kovexa-cli --help'.\n");

    // A missing path is named and the others are still done.
    const QString missing = q(box.root / "gone.json");
    const CliRun partly = run({"inspect", missing, q(box.exportFolder())});
    EXPECT_EQ(partly.exitCode, 1);
    EXPECT_EQ(partly.err, "kovexa-cli: no such file or folder: " + missing + "\n");
    EXPECT_TRUE(partly.out.contains("verdict: ready"));

    // Only Spine skeletons are counted; the others are skipped and counted apart.
    box.root.write("export/package.json", R"({"name":"not a skeleton"})");
    const CliRun mixed = run({"inspect", q(box.exportFolder())});
    EXPECT_EQ(mixed.exitCode, 0);
    EXPECT_TRUE(mixed.out.contains("skipped " + q(box.exportFolder() / "package.json") + ": ")) << mixed.out.toStdString();
    EXPECT_TRUE(mixed.out.endsWith("1 skeleton file(s), 1 ready to convert, 1 other file(s) skipped\n"));
}

TEST_F(CliTest, AnOutputFolderThatCannotBeUsedIsRefusedBeforeAnyWork)
{
    const fs::path file = box.root.write("taken", "a file");
    const CliRun below = run({"convert", q(box.exportFolder()), "--output", q(file / "out")});
    EXPECT_EQ(below.exitCode, 2);
    EXPECT_TRUE(below.err.startsWith("kovexa-cli: cannot use --output " + q(file / "out") + ": Folder could not be created. "))
        << below.err.toStdString();
    EXPECT_TRUE(below.err.contains(QString::fromStdString(std::make_error_code(std::errc::not_a_directory).message())));

    // Permissions do not bind the superuser; /sys takes no new entry from anyone.
    fs::path readOnly = box.root / "read-only";
    fs::create_directory(readOnly);
    fs::permissions(readOnly, fs::perms::owner_read | fs::perms::owner_exec);
    if (::geteuid() == 0)
        readOnly = "/sys";
    const CliRun locked = run({"unpack", q(box.exportFolder()), "--output", q(readOnly)});
    EXPECT_EQ(locked.exitCode, 2);
    EXPECT_TRUE(locked.err.contains("Folder cannot be written to. " + q(readOnly) + ": ")) << locked.err.toStdString();
    EXPECT_TRUE(locked.out.isEmpty()) << "no atlas was tried";
    EXPECT_FALSE(fs::exists(box.log())) << "no editor was started";
    fs::permissions(box.root / "read-only", fs::perms::owner_all);
}

TEST_F(CliTest, UnpackWritesEachAtlasOnceIntoANewFolder)
{
    copyExport("unpack/a");
    test::writeFixtureAtlases(box.root, "unpack/loose");
    const QString heroAtlas = q(box.root / "unpack/a/hero.atlas");
    const QString sheetAtlas = q(box.root / "unpack/loose/sheet.atlas");
    // The skeleton's folder and its atlas name one atlas; the sheet is named directly.
    const QStringList arguments{"unpack", q(box.root / "unpack/a"), heroAtlas, sheetAtlas, "--output=" + q(box.output())};
    const CliRun first = run(arguments);
    EXPECT_EQ(first.exitCode, 0) << first.err.toStdString();
    EXPECT_EQ(first.out, "unpacked " + heroAtlas + " -> " + q(box.output() / "hero") + " (3 image(s))\n"
                         "unpacked " + sheetAtlas + " -> " + q(box.output() / "sheet") + " (7 image(s))\n"
                         "2 unpacked, 0 failed\n") << first.out.toStdString();
    for (const char *image : {"hero/body.png", "hero/arm.png", "hero/face/head.png", "sheet/parts/run_1.png"})
        EXPECT_TRUE(fs::is_regular_file(box.output() / image)) << image;

    box.root.write("unpack/loose/twice.atlas", "sheet.png\nsize: 32, 16\nplain\nbounds: 0, 0, 4, 3\nplain\nbounds: 4, 0, 4, 3\n");
    const CliRun again = run(arguments + QStringList{q(box.root / "unpack/loose/twice.atlas")});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_TRUE(again.out.contains("failed " + q(box.root / "unpack/loose/twice.atlas") + " -> " + q(box.output() / "twice")
                                   + " (1 image(s), 1 left out):\n    The name is already taken. plain.png (region plain)\n"))
        << again.out.toStdString();
    EXPECT_TRUE(again.out.endsWith("2 unpacked, 1 failed\n"));
    EXPECT_EQ(test::entryNames(box.output()), (QStringList{"hero", "hero-2", "sheet", "sheet-2", "twice"}));
}

// The editor behind a launcher that runs it as its child: a termination request ends both.
TEST_F(CliTest, TerminationEndsTheEditorALauncherRunsAsItsChild)
{
    copyExport("batch/a");
    box.installLauncher(R"("$editor" "$@")");
    const fs::path editorIds = box.root / "editor.pid";
    ScopedEnvironment delay("KVX_STANDIN_DELAY_MS", std::string("600000"));
    ScopedEnvironment idFile("KVX_STANDIN_PID_FILE", editorIds.string());
    QProcess process;
    process.start(QStringLiteral(KVX_CLI_PATH), {"convert", q(box.root / "batch"), "--output", q(box.output())});
    ASSERT_TRUE(process.waitForStarted());
    // The version probe runs the stand-in too, and records it; the conversion's editor comes last.
    ASSERT_TRUE(test::waitFor([&] { return !test::entryNames(box.output()).isEmpty(); }, 60000));
    ASSERT_TRUE(test::waitFor([&] {
        const std::vector<long> ids = test::recordedIds(editorIds);
        return !ids.empty() && test::processIsLive(ids.back());
    }, 60000));
    const long editor = test::recordedIds(editorIds).back();
    const long launcher = test::recordedIds(box.launcherIds()).back();
    ASSERT_EQ(test::parentOf(editor), launcher);

    ::kill(static_cast<pid_t>(process.processId()), SIGTERM);
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 130);
    EXPECT_FALSE(test::processIsLive(editor)) << "the editor outlived kovexa-cli";
    EXPECT_FALSE(test::processIsLive(launcher));
    EXPECT_EQ(test::entryNames(box.output()), QStringList());
    test::killRecorded(editorIds);
}

} // namespace
} // namespace kvx
