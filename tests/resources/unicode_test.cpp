// UTF-8 / UTF-16 / Windows-1251 conversions used by the tools and the data-set generator.
#include "resources/unicode.h"

#include <gtest/gtest.h>

namespace {

TEST(UnicodeTest, Utf16ToUtf8HandlesSurrogates)
{
    const char16_t pair[] = {u'a', 0xD83D, 0xDE00, u'\u0436'};
    EXPECT_EQ(utf16ToUtf8(pair, 4), "a\xF0\x9F\x98\x80\xD0\xB6");
    // Unpaired halves become U+FFFD instead of invalid UTF-8.
    const char16_t lone[] = {0xDE00, u'x', 0xD83D};
    EXPECT_EQ(utf16ToUtf8(lone, 3), "\xEF\xBF\xBDx\xEF\xBF\xBD");
    EXPECT_EQ(utf16ToUtf8(nullptr, 3), "");
}

TEST(UnicodeTest, Utf8ToUtf16RoundTripsAndRejectsMalformedInput)
{
    std::u16string out;
    ASSERT_TRUE(utf8ToUtf16("a\xF0\x9F\x98\x80\xD0\xB6", out));
    EXPECT_EQ(out, (std::u16string{u'a', char16_t(0xD83D), char16_t(0xDE00), u'\u0436'}));
    EXPECT_FALSE(utf8ToUtf16("\xC0\xAF", out));          // overlong
    EXPECT_FALSE(utf8ToUtf16("\xED\xA0\x80", out));      // encoded surrogate
    EXPECT_FALSE(utf8ToUtf16("\xF4\x90\x80\x80", out));  // above U+10FFFF
    EXPECT_FALSE(utf8ToUtf16("\xE2\x82", out));          // cut off
    EXPECT_FALSE(utf8ToUtf16("\x80", out));              // stray continuation byte
}

TEST(UnicodeTest, CodePageConversionsBothWays)
{
    EXPECT_EQ(cp1251ToUtf8("\xC6\xF3\xEA \xA8\xB8 \x88"), "\xD0\x96\xD1\x83\xD0\xBA \xD0\x81\xD1\x91 \xE2\x82\xAC");
    std::string back;
    ASSERT_TRUE(utf8ToCp1251("\xD0\x96\xD1\x83\xD0\xBA \xD0\x81\xD1\x91 \xE2\x82\xAC", back));
    EXPECT_EQ(back, "\xC6\xF3\xEA \xA8\xB8 \x88");
    EXPECT_FALSE(utf8ToCp1251("\xE4\xB8\xAD", back));  // not in the code page
    EXPECT_FALSE(utf8ToCp1251("\xFF", back));
}

} // namespace
