// The argument rules, and real runs of the program with its automation switches.

#include "app/commandline.h"
#include "support/programrun.h"
#include "support/testfiles.h"

#include "common/qt/pathtext.h"

#include <QFile>
#include <QImage>
#include <gtest/gtest.h>

namespace kvx::test {
namespace {

CommandLine parsed(QStringList arguments)
{
    arguments.prepend(QStringLiteral("/opt/kovexa/kovexa"));
    return parseCommandLine(arguments);
}

TEST(CommandLine, PositionalArgumentsAreResourcesInOrder)
{
    const CommandLine line = parseCommandLine({"a.skel", "b.skel", "folder", "c.json"}); // index 0: the program
    EXPECT_EQ(line.resourcePaths, QStringList({"b.skel", "folder", "c.json"}));
    EXPECT_FALSE(line.screenshotRequested);
    EXPECT_FALSE(line.smokeTest);
}


TEST(CommandLine, ScreenshotTakesTheNextArgumentWhereverItStands)
{
    for (const QStringList &arguments : {QStringList{"--screenshot", "out.png", "a.skel"},
                                         QStringList{"a.skel", "--screenshot", "out.png"}}) {
        const CommandLine line = parsed(arguments);
        EXPECT_TRUE(line.screenshotRequested);
        EXPECT_EQ(line.screenshotPath, QStringLiteral("out.png"));
        EXPECT_EQ(line.resourcePaths, QStringList({"a.skel"}));
    }
}

TEST(CommandLine, ScreenshotWithoutItsFileIsRefused)
{
    const CommandLine line = parsed({"a.skel", "--screenshot"});
    EXPECT_EQ(line.action, CommandLineAction::Invalid);
    EXPECT_EQ(line.error, QStringLiteral("option --screenshot needs a value"));
    EXPECT_FALSE(line.screenshotRequested);
}

TEST(CommandLine, TheArgumentAfterScreenshotIsItsFileWhateverItLooksLike)
{
    const CommandLine line = parsed({"--screenshot", "--smoke-test"});
    EXPECT_EQ(line.action, CommandLineAction::OpenWindow);
    EXPECT_TRUE(line.screenshotRequested);
    EXPECT_EQ(line.screenshotPath, QStringLiteral("--smoke-test"));
    EXPECT_FALSE(line.smokeTest);
    EXPECT_TRUE(line.resourcePaths.isEmpty());
    EXPECT_EQ(parsed({"--screenshot=shot.png"}).screenshotPath, QStringLiteral("shot.png"));
}

TEST(CommandLine, TwoScreenshotSwitchesUseTheFirstFileAndListNeither)
{
    const CommandLine line = parsed({"--screenshot", "first.png", "hero.json", "--screenshot", "second.png"});
    EXPECT_EQ(line.screenshotPath, QStringLiteral("first.png"));
    EXPECT_EQ(line.resourcePaths, QStringList({"hero.json"}));
}

TEST(CommandLine, UnknownSwitchesAreRefusedAndHelpWinsOverThem)
{
    for (const char *option : {"-v", "--smoke-testing", "--SMOKE-TEST", "--Screenshot", "--smoke-test=yes"}) {
        const CommandLine line = parsed({"hero.json", option});
        EXPECT_EQ(line.action, CommandLineAction::Invalid) << option;
        EXPECT_TRUE(line.error.contains(QString::fromUtf8(option).section('=', 0, 0))) << line.error.toStdString();
    }
    EXPECT_EQ(parsed({"-v", "hero.json", "-h"}).action, CommandLineAction::Help);
    EXPECT_EQ(parsed({"--version"}).action, CommandLineAction::Version);
    EXPECT_TRUE(commandLineUsage().startsWith("Usage:"));
}

TEST(CommandLine, PathsBeginningWithADashFollowTheDoubleDash)
{
    const CommandLine line = parsed({"-", "--smoke-test", "--", "-hero.json", "--help"});
    EXPECT_EQ(line.action, CommandLineAction::OpenWindow);
    EXPECT_EQ(line.resourcePaths, QStringList({"-", "-hero.json", "--help"}));
    EXPECT_TRUE(line.smokeTest);
}

TEST(CommandLine, ConvertIntoTakesTheFolderAfterItAndNeverAsAResource)
{
    const CommandLine line = parsed({"hero.json", "--convert-into", "out folder"});
    EXPECT_EQ(line.convertInto, QStringLiteral("out folder"));
    EXPECT_EQ(line.resourcePaths, QStringList({"hero.json"}));
    EXPECT_EQ(parsed({"hero.json", "--convert-into"}).action, CommandLineAction::Invalid);
    EXPECT_TRUE(parsed({"hero.json"}).convertInto.isEmpty());
}

TEST(CommandLine, LanguageIsEnglishOrChineseAndAnythingElseIsRefused)
{
    EXPECT_EQ(parsed({"--language", "en"}).language, UiLanguage::English);
    EXPECT_EQ(parsed({"hero.json", "--language=zh"}).language, UiLanguage::Chinese);
    EXPECT_FALSE(parsed({"hero.json"}).language.has_value());
    for (const QStringList &arguments : {QStringList{"--language", "fr"}, QStringList{"--language=EN"},
                                         QStringList{"hero.json", "--language"}}) {
        const CommandLine line = parsed(arguments);
        EXPECT_EQ(line.action, CommandLineAction::Invalid) << arguments.join(' ').toStdString();
        EXPECT_TRUE(line.error.startsWith("option --language needs")) << line.error.toStdString();
    }
    EXPECT_EQ(parsed({"--language", "fr"}).error, QStringLiteral("option --language needs one of en, zh, not fr"));
    EXPECT_TRUE(commandLineUsage().contains("--language en|zh")) << commandLineUsage().toStdString();
}

TEST(CommandLine, AnEmptyArgumentIsNoResource)
{
    EXPECT_TRUE(parsed({""}).resourcePaths.isEmpty());
}

// Real runs of the built program, on the offscreen platform with a private HOME.
class ProgramRun : public ::testing::Test {
protected:
    int run(const QStringList &arguments, bool *finished = nullptr, bool withDisplay = true)
    {
        const ProgramOutcome outcome = runWithHome(QStringLiteral(KVX_APP_PATH), arguments, home, withDisplay);
        if (finished)
            *finished = outcome.ended;
        output = outcome.output;
        return outcome.exitCode;
    }

    TempFolder home;
    QString output;
};

TEST_F(ProgramRun, ScreenshotWritesAnImageOfTheWindowAndQuits)
{
    const QString shot = toQString(home / "out.png");
    EXPECT_EQ(run({QStringLiteral("--screenshot"), shot}), 0) << output.toStdString();
    const QImage image(shot);
    ASSERT_FALSE(image.isNull());
    EXPECT_GE(image.width(), 960);
    EXPECT_GE(image.height(), 680);
    // The window's own background colour, from its style sheet.
    EXPECT_EQ(image.pixelColor(4, 4), QColor(0x17, 0x19, 0x1e));
}

TEST_F(ProgramRun, HelpAndVersionAnswerWithoutADisplayAndMistakesOpenNoWindow)
{
    EXPECT_EQ(run({QStringLiteral("--help")}, nullptr, false), 0);
    EXPECT_TRUE(output.startsWith("Usage:\n  kovexa [PATH...]")) << output.toStdString();
    EXPECT_EQ(run({QStringLiteral("hero.json"), QStringLiteral("-h")}, nullptr, false), 0);
    EXPECT_EQ(run({QStringLiteral("--version")}, nullptr, false), 0);
    EXPECT_TRUE(output.startsWith("kovexa ")) << output.toStdString();

    const QString shot = toQString(home / "never.png");
    EXPECT_EQ(run({QStringLiteral("--bogus"), QStringLiteral("--screenshot"), shot}), 2);
    EXPECT_TRUE(output.contains("kovexa: unknown option --bogus\nTry 'kovexa --help'.")) << output.toStdString();
    EXPECT_FALSE(QFile::exists(shot));
}

// The command line's language is for its run: the window looks exactly as one started with that
// language remembered, and the remembered choice stays as it was.
TEST_F(ProgramRun, TheCommandLinesLanguageWinsForItsRunOnly)
{
    const std::filesystem::path settings = home / ".config" / "Kovexa" / "Kovexa.conf";
    const auto shot = [&](const char *remembered, QStringList arguments) {
        std::filesystem::remove(settings);
        if (remembered)
            home.write(".config/Kovexa/Kovexa.conf", std::string("[General]\nlanguage=") + remembered + "\n");
        const QString file = toQString(home / "shot.png");
        QFile::remove(file);
        EXPECT_EQ(run(arguments << QStringLiteral("--screenshot") << file), 0) << output.toStdString();
        return QImage(file);
    };
    const QImage english = shot("en", {});
    const QImage chinese = shot(nullptr, {});
    ASSERT_FALSE(english.isNull());
    EXPECT_NE(english, chinese);
    EXPECT_EQ(shot("zh", {QStringLiteral("--language"), QStringLiteral("en")}), english);
    EXPECT_NE(readFileBytes(settings).find("\nlanguage=zh\n"), std::string::npos) << "remembered as it was";
    EXPECT_EQ(shot("en", {QStringLiteral("--language=zh")}), chinese);

    EXPECT_EQ(run({QStringLiteral("--language"), QStringLiteral("fr")}), 2);
    EXPECT_TRUE(output.contains("kovexa: option --language needs one of en, zh, not fr\n")) << output.toStdString();
}

TEST_F(ProgramRun, SmokeTestQuitsWithExitCodeZero)
{
    bool finished = false;
    EXPECT_EQ(run({QStringLiteral("--smoke-test")}, &finished), 0) << output.toStdString();
    EXPECT_TRUE(finished);
}

TEST_F(ProgramRun, SmokeTestEndsTheRunBeforeTheScreenshot)
{
    const QString shot = toQString(home / "never.png");
    EXPECT_EQ(run({QStringLiteral("--screenshot"), shot, QStringLiteral("--smoke-test")}), 0);
    EXPECT_FALSE(QFile::exists(shot));
}

TEST_F(ProgramRun, AnUnwritableScreenshotStillQuits)
{
    EXPECT_EQ(run({QStringLiteral("--screenshot"), toQString(home / "missing" / "folder" / "x.png")}), 0);
    EXPECT_EQ(run({QStringLiteral("--screenshot"), toQString(home / "shot.unknownformat")}), 0);
}

TEST_F(ProgramRun, QuitsEvenWhileACommandLineWarningIsOpen)
{
    // An unrecognised file opens the real warning box in a nested loop; the switches still end the run.
    home.write("export/package.json", "{\"name\": \"not a skeleton\"}");
    const QString resource = toQString(home / "export" / "package.json");
    bool finished = false;
    EXPECT_EQ(run({resource, QStringLiteral("--smoke-test")}, &finished), 0);
    EXPECT_TRUE(finished);
    const QString shot = toQString(home / "warning.png");
    EXPECT_EQ(run({resource, QStringLiteral("--screenshot"), shot}), 0);
    EXPECT_FALSE(QImage(shot).isNull());
}

} // namespace
} // namespace kvx::test
