#include <gtest/gtest.h>

#include "platform/rtl/Utf8.h"

using namespace rtl;

TEST(Utf8, RoundTripsEveryPlane) {
    const std::u16string text = u"A\u00e9\u0416\u05d0\u20ac\U0001F600";
    EXPECT_EQ(Utf16ToUtf8(text), "A\xC3\xA9\xD0\x96\xD7\x90\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
}

TEST(Utf8, MalformedInputBecomesReplacementCharacters) {
    // Unpaired surrogates on the way out.
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, u'\xD800') + u"x"), "\xEF\xBF\xBDx");
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, u'\xDC00')), "\xEF\xBF\xBD");
    // A stray continuation byte, an overlong form, an encoded surrogate, a cut-off sequence.
    EXPECT_EQ(Utf8ToUtf16("\x80" "a"), u"\uFFFDa");
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("a\xE2\x82"), u"a\uFFFD\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");  // beyond U+10FFFF
}
