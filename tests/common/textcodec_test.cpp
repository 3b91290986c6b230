#include "common/textcodec.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

TEST(TextCodec, WellFormedTextRoundTripsThroughBothDirections)
{
    const std::string text = "hero \xE8\x8B\xB1\xE9\x9B\x84 \xF0\x9F\x98\x80"; // BMP and a surrogate pair
    const auto wide = utf8ToUtf16Strict(text);
    ASSERT_TRUE(wide);
    EXPECT_EQ(*wide, u"hero \u82F1\u96C4 \U0001F600");
    EXPECT_EQ(utf8ToUtf16Lenient(text), *wide);
    EXPECT_EQ(utf16ToUtf8Strict(*wide), text);
}

TEST(TextCodec, StrictDecodingRejectsEveryMalformedForm)
{
    for (const std::string bad : {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE8\x8B",
                                  "\x80", "\xFF", "a\xC3"}) {
        EXPECT_FALSE(utf8ToUtf16Strict(bad)) << testing::PrintToString(bad);
    }
}

TEST(TextCodec, LenientDecodingReplacesEachMalformedSequenceOnce)
{
    EXPECT_EQ(utf8ToUtf16Lenient("a\xFF" "b"), u"a\uFFFDb");
    EXPECT_EQ(utf8ToUtf16Lenient("a\xE8\x8B" "b"), u"a\uFFFDb");      // truncated sequence
    EXPECT_EQ(utf8ToUtf16Lenient("\xED\xA0\x80"), u"\uFFFD");         // encoded surrogate
    EXPECT_EQ(utf8ToUtf16Lenient(""), u"");
}

TEST(TextCodec, StrictEncodingRejectsUnpairedSurrogates)
{
    EXPECT_FALSE(utf16ToUtf8Strict(std::u16string(1, char16_t(0xD800))));
    EXPECT_FALSE(utf16ToUtf8Strict(std::u16string(1, char16_t(0xDC00))));
    EXPECT_FALSE(utf16ToUtf8Strict(std::u16string{char16_t(0xD800), u'a'}));
    EXPECT_EQ(utf16ToUtf8Strict(u""), "");
}

} // namespace
} // namespace kvx
