// kovexa-cli's arguments: what each command accepts and the errors for what it does not.

#include "cli/cliarguments.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

CliArguments parse(const QStringList &arguments)
{
    return parseCliArguments(arguments);
}

TEST(CliArguments, InspectTakesPathsAndJson)
{
    const CliArguments parsed = parse({"inspect", "a", "--json", "b"});
    EXPECT_EQ(parsed.action, CliAction::Inspect);
    EXPECT_EQ(parsed.paths, (QStringList{"a", "b"}));
    EXPECT_TRUE(parsed.json);
}

TEST(CliArguments, ConvertTakesItsOptionsAnywhere)
{
    const CliArguments parsed =
        parse({"convert", "--output", "out", "a", "--straight-alpha", "--editor", "/opt/Spine/Spine.sh", "b"});
    EXPECT_EQ(parsed.action, CliAction::Convert);
    EXPECT_EQ(parsed.paths, (QStringList{"a", "b"}));
    EXPECT_EQ(parsed.outputFolder, "out");
    EXPECT_TRUE(parsed.straightAlpha);
    EXPECT_EQ(parsed.editorPath, "/opt/Spine/Spine.sh");
}

TEST(CliArguments, ValuesFollowAnEqualsSignOrTheNextArgument)
{
    const CliArguments parsed = parse({"unpack", "--output=out=1", "a", "--straight-alpha", "--", "-b"});
    EXPECT_EQ(parsed.action, CliAction::Unpack);
    EXPECT_EQ(parsed.outputFolder, "out=1");
    EXPECT_TRUE(parsed.straightAlpha);
    EXPECT_EQ(parsed.paths, (QStringList{"a", "-b"}));
    EXPECT_EQ(parse({"convert", "a", "--output", "out", "--editor=/opt/Spine/Spine.sh"}).editorPath, "/opt/Spine/Spine.sh");
    EXPECT_EQ(parse({"inspect", "-"}).paths, (QStringList{"-"}));
}

TEST(CliArguments, HelpAnywhereWinsAndNamesItsCommand)
{
    for (const QStringList &arguments : {QStringList{"convert", "-h"}, QStringList{"convert", "--bogus", "--help"},
                                         QStringList{"help", "convert"}}) {
        const CliArguments parsed = parse(arguments);
        EXPECT_EQ(parsed.action, CliAction::Help);
        EXPECT_EQ(parsed.command, "convert");
    }
    EXPECT_EQ(parse({"convert", "a", "--output", "-h"}).outputFolder, "-h") << "a value, not an option";
    EXPECT_EQ(parse({"unpack", "--version"}).action, CliAction::Version);
    EXPECT_EQ(parse({"frob", "-h"}).action, CliAction::Help);
    EXPECT_EQ(parse({"frob", "--", "-h"}).error, "unknown command frob");
    const QString unpackUsage = cliUsage("unpack");
    EXPECT_TRUE(unpackUsage.contains("kovexa-cli unpack PATH... --output DIR [--straight-alpha]"));
    EXPECT_FALSE(unpackUsage.contains("inspect PATH"));
}

TEST(CliArguments, DoubleDashEndsTheOptions)
{
    const CliArguments parsed = parse({"inspect", "--", "--json"});
    EXPECT_EQ(parsed.action, CliAction::Inspect);
    EXPECT_EQ(parsed.paths, (QStringList{"--json"}));
    EXPECT_FALSE(parsed.json);
}

TEST(CliArguments, HelpAndVersion)
{
    EXPECT_EQ(parse({"--help"}).action, CliAction::Help);
    EXPECT_EQ(parse({"-h"}).action, CliAction::Help);
    EXPECT_EQ(parse({"--version"}).action, CliAction::Version);
    EXPECT_TRUE(cliUsage().contains("convert PATH... --output DIR"));
}

TEST(CliArguments, MistakesAreNamed)
{
    const struct {
        QStringList arguments;
        const char *error;
    } cases[] = {
        {{}, "no command given"},
        {{"frob"}, "unknown command frob"},
        {{"inspect"}, "inspect needs at least one path"},
        {{"inspect", "a", "--output", "x"}, "unknown option --output for inspect"},
        {{"convert", "a"}, "convert needs --output DIR"},
        {{"convert", "a", "--output"}, "option --output needs a value"},
        {{"convert", "a", "--output", ""}, "option --output needs a value"},
        {{"convert", "a", "--output", "x", "--editor"}, "option --editor needs a value"},
        {{"convert", "a", "--output", "x", "--json"}, "unknown option --json for convert"},
        {{"convert", "a", "--output="}, "option --output needs a value"},
        {{"inspect", "a", "--json=yes"}, "option --json takes no value"},
        {{"inspect", "-j", "a"}, "unknown option -j for inspect"},
        {{"unpack", "a"}, "unpack needs --output DIR"},
        {{"unpack", "--output", "x"}, "unpack needs at least one path"},
    };
    for (const auto &c : cases) {
        const CliArguments parsed = parse(c.arguments);
        EXPECT_EQ(parsed.action, CliAction::Invalid) << c.error;
        EXPECT_EQ(parsed.error, QString::fromUtf8(c.error));
    }
}

} // namespace
} // namespace kvx
