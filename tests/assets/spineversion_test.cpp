#include "assets/spineversion.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

TEST(ParseSpineVersion, AcceptsTwoOrThreeNumbersAndIgnoresSuffixAfterPatch)
{
    EXPECT_EQ(parseSpineVersion("4.2"), (SpineVersion{4, 2, std::nullopt}));
    EXPECT_EQ(parseSpineVersion("4.2.43"), (SpineVersion{4, 2, 43}));
    EXPECT_EQ(parseSpineVersion("4.1.20-beta"), (SpineVersion{4, 1, 20}));
    EXPECT_EQ(parseSpineVersion("4.1.20-beta.3"), (SpineVersion{4, 1, 20}));
    EXPECT_EQ(parseSpineVersion("4.1.20-"), (SpineVersion{4, 1, 20}));
    EXPECT_EQ(parseSpineVersion("-1.-2"), (SpineVersion{-1, -2, std::nullopt}));
    EXPECT_EQ(parseSpineVersion("2147483647.-2147483648.2147483647"),
              (SpineVersion{2147483647, -2147483647 - 1, 2147483647}));
}

TEST(ParseSpineVersion, RejectsMalformedTexts)
{
    for (const char *text : {"", "4", "4.", "4.2.", ".2", "4..2", "4.1-beta", "4.2.43.1", "4.2.x", "4.2.-1",
                             " 4.2", "4.2 ", "4 .2", "+4.2", "4.+2", "4.2.+1", "-.2", "4.-", "2147483648.0",
                             "4.2.2147483648", "4.2.43 ", "v4.2", "4.2a", "4,2", "4.2.43beta"})
        EXPECT_FALSE(parseSpineVersion(text).has_value()) << '"' << text << '"';
}

TEST(ParseSpineVersion, StopsAtEmbeddedZeroBytes)
{
    EXPECT_FALSE(parseSpineVersion(std::string_view("4.2\0", 4)).has_value());
    EXPECT_EQ(parseSpineVersion(std::string_view("4.2.1-\0x", 8)), (SpineVersion{4, 2, 1}));
}

TEST(SpineVersionText, PrintsLineAndFullVersion)
{
    EXPECT_EQ((SpineVersion{4, 2, 43}).majorMinorText(), "4.2");
    EXPECT_EQ((SpineVersion{4, 2, 43}).fullText(), "4.2.43");
    EXPECT_EQ((SpineVersion{3, 8, std::nullopt}).fullText(), "3.8");
    EXPECT_EQ((SpineVersion{-1, 0, -7}).fullText(), "-1.0.-7");
    EXPECT_EQ(parseSpineVersion("4.1.20-beta")->fullText(), "4.1.20");
}

TEST(SupportedSpineVersion, CoversLate38AndTheFourLines)
{
    const auto supported = [](const char *text) { return isSupportedSpineVersion(*parseSpineVersion(text)); };
    for (const char *text : {"3.8", "3.8.20", "3.8.99", "4.0", "4.0.64", "4.1.24", "4.2.43", "4.3", "4.3.0"})
        EXPECT_TRUE(supported(text)) << text;
    for (const char *text : {"3.8.19", "3.8.0", "3.7.94", "3.9", "4.4.1", "4.-1", "5.0", "2.1.27", "0.0", "-4.2"})
        EXPECT_FALSE(supported(text)) << text;
    EXPECT_FALSE(isSupportedSpineVersion(SpineVersion{3, 8, -5}));
}

} // namespace
} // namespace kvx
