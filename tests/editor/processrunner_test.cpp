#include "editor/processrunner.h"

#include "common/textcodec.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

// Splits a command line with the Microsoft C runtime's rules, as the child will.
std::vector<std::u16string> splitCommandLine(std::u16string_view line)
{
    std::vector<std::u16string> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == u' ' || line[i] == u'\t'))
            ++i;
        if (i == line.size())
            break;
        std::u16string word;
        bool quoted = false;
        while (i < line.size() && (quoted || (line[i] != u' ' && line[i] != u'\t'))) {
            size_t backslashes = 0;
            while (i < line.size() && line[i] == u'\\') {
                ++backslashes;
                ++i;
            }
            if (i < line.size() && line[i] == u'"') {
                word.append(backslashes / 2, u'\\');
                if (backslashes % 2 == 1)
                    word.push_back(u'"');
                else
                    quoted = !quoted;
                ++i;
            } else {
                word.append(backslashes, u'\\');
                if (i < line.size() && (quoted || (line[i] != u' ' && line[i] != u'\t')))
                    word.push_back(line[i++]);
            }
        }
        words.push_back(word);
    }
    return words;
}

TEST(QuoteArgument, QuotesOnlyTextWithSpaceTabQuoteOrNothing)
{
    EXPECT_EQ(quoteArgument(u"--version"), u"--version");
    EXPECT_EQ(quoteArgument(u"C:\\dir\\"), u"C:\\dir\\");
    EXPECT_EQ(quoteArgument(u"line\nfeed"), u"line\nfeed");
    EXPECT_EQ(quoteArgument(u"two words"), u"\"two words\"");
    EXPECT_EQ(quoteArgument(u"tab\there"), u"\"tab\there\"");
    EXPECT_EQ(quoteArgument(u""), u"\"\"") << "an empty argument must still reach the child";
}

TEST(QuoteArgument, DoublesBackslashesOnlyBeforeAQuote)
{
    EXPECT_EQ(quoteArgument(u"a\\b c"), u"\"a\\b c\"");
    EXPECT_EQ(quoteArgument(u"say \"hi\""), u"\"say \\\"hi\\\"\"");
    EXPECT_EQ(quoteArgument(u"a\\\"b"), u"\"a\\\\\\\"b\"");
    EXPECT_EQ(quoteArgument(u"a\\\\\"b c"), u"\"a\\\\\\\\\\\"b c\"");
    EXPECT_EQ(quoteArgument(u"C:\\Program Files\\"), u"\"C:\\Program Files\\\\\"");
}

TEST(BuildCommandLine, QuotesTheProgramAndSeparatesWordsBySingleSpaces)
{
    ProcessRequest request;
    request.program = "C:/Program Files/Spine/Spine.com";
    EXPECT_EQ(buildCommandLine(request), u"\"C:/Program Files/Spine/Spine.com\"");
    request.arguments = {"--version"};
    EXPECT_EQ(buildCommandLine(request), u"\"C:/Program Files/Spine/Spine.com\" --version");
    request.program = std::filesystem::path(u8"C:/\u540d\u524d/Spine.com");
    request.arguments = {"-u", "4.2.43", "-i", "in folder"};
    EXPECT_EQ(buildCommandLine(request), u"C:/\u540d\u524d/Spine.com -u 4.2.43 -i \"in folder\"");
}

TEST(BuildCommandLine, ConvertsArgumentsFromUtf8ReplacingMalformedBytes)
{
    ProcessRequest request;
    request.program = "Spine.com";
    request.arguments = {"\xe4\xb8\xad\xe6\x96\x87 \xc3\xbc", "\xf0\x9f\x98\x80", "a\xff" "b", "\xe4\xb8"};
    EXPECT_EQ(buildCommandLine(request), u"Spine.com \"\u4e2d\u6587 \u00fc\" \U0001F600 a\uFFFDb \uFFFD");
}

TEST(BuildCommandLine, EveryArgumentSplitsBackUnchanged)
{
    const std::vector<std::string> arguments = {
        "--version", "two words", "say \"hi\"", "C:\\Program Files\\", "a\\\"b", "a\\\\\"b c",
        "\\\\server\\share\\", "", "\"", "\\", "tab\tand space ", "\xe4\xb8\xad\xe6\x96\x87 \xc3\xbc",
        "end\\\\"};
    ProcessRequest request;
    request.program = "C:/Program Files/Spine/Spine.com";
    request.arguments = arguments;
    const std::vector<std::u16string> words = splitCommandLine(buildCommandLine(request));
    ASSERT_EQ(words.size(), arguments.size() + 1);
    EXPECT_EQ(words[0], u"C:/Program Files/Spine/Spine.com");
    for (size_t i = 0; i < arguments.size(); ++i)
        EXPECT_EQ(words[i + 1], utf8ToUtf16Lenient(arguments[i])) << "argument " << i << ": " << arguments[i];
}

TEST(KeepOutput, KeepsUpToTheLimitAndNotesWhatWasDropped)
{
    std::string output;
    bool cut = false;
    keepOutput(output, cut, "Spine ", 8);
    EXPECT_EQ(output, "Spine ");
    EXPECT_FALSE(cut);
    keepOutput(output, cut, "4.2", 8);
    EXPECT_EQ(output, "Spine 4.");
    EXPECT_TRUE(cut);
    keepOutput(output, cut, "more", 8);
    EXPECT_EQ(output, "Spine 4.");
    keepOutput(output, cut, "", 8);
    EXPECT_EQ(output.size(), 8u);
}

TEST(KeepOutput, AnOutputAlreadyPastALowerLimitKeepsItsBytes)
{
    std::string output = "0123456789";
    bool cut = false;
    keepOutput(output, cut, "x", 4);
    EXPECT_EQ(output, "0123456789");
    EXPECT_TRUE(cut);
}

} // namespace
} // namespace kvx
