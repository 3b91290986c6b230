// Declared options with numbers and sizes, as a render or export command would declare them.

#include "common/qt/commandoptions.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

const CommandDeclaration kRender{QStringLiteral("render"), QStringLiteral("PATH..."), QStringLiteral("path"), 1,
                          {OptionDeclaration{.name = "--fps", .value = OptionValue::Number, .valueName = "N", .maximum = 120},
                           OptionDeclaration{.name = "--size", .value = OptionValue::Size, .valueName = "WxH", .maximum = 8192},
                           OptionDeclaration{.name = "--animation", .value = OptionValue::Text, .valueName = "NAME", .required = true}}};

TEST(CommandOptions, NumbersAndSizesAreCheckedAgainstTheirDeclaration)
{
    const ParsedCommand good = parseCommand(kRender, {"a", "--fps=24", "--size", "512x256", "--animation", "-walk-"});
    EXPECT_TRUE(good.mistake.isEmpty()) << good.mistake.toStdString();
    EXPECT_EQ(good.options.number("--fps"), 24);
    EXPECT_EQ(good.options.size("--size"), QSize(512, 256));
    EXPECT_EQ(good.options.text("--animation"), "-walk-");
    EXPECT_FALSE(good.options.number("--jobs").has_value());

    const struct {
        QStringList arguments;
        const char *mistake;
    } cases[] = {
        {{"a", "--animation", "x", "--fps", "0"}, "option --fps needs a whole number from 1 to 120"},
        {{"a", "--animation", "x", "--fps=121"}, "option --fps needs a whole number from 1 to 120"},
        {{"a", "--animation", "x", "--fps", "2.5"}, "option --fps needs a whole number from 1 to 120"},
        {{"a", "--animation", "x", "--size", "512"}, "option --size needs WIDTHxHEIGHT, each from 1 to 8192"},
        {{"a", "--animation", "x", "--size", "9000x10"}, "option --size needs WIDTHxHEIGHT, each from 1 to 8192"},
        {{"a"}, "render needs --animation NAME"},
        {{"--animation", "x"}, "render needs at least one path"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(parseCommand(kRender, c.arguments).mistake, QString::fromUtf8(c.mistake)) << c.mistake;
    EXPECT_EQ(commandSynopsis(kRender), "render PATH... [--fps N] [--size WxH] --animation NAME");
}

} // namespace
} // namespace kvx
