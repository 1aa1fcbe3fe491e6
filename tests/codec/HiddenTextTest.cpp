// The code page of the hidden text: what the memo shows, encoded with the system code page (or the
// one the command line names), refused with the first character it cannot hold.

#include <gtest/gtest.h>

#include "codec/HiddenText.h"

using namespace codec;

namespace {

std::string RefusalOf(const WideString& text, int codePage) {
    try {
        HiddenTextOf(text, codePage);
    } catch (const EHiddenTextError& error) {
        return error.Message();
    }
    return "<hidden>";
}

TEST(HiddenText, LettersOfTheCodePageRoundTrip) {
    const WideString german = u"Gr\u00fc\u00dfe \u00fcber\r\nzwei Zeilen \u20ac";
    const AnsiString hidden = HiddenTextOf(german, 1252);
    EXPECT_EQ(hidden, "Gr\xFC\xDF" "e \xFC" "ber\r\nzwei Zeilen \x80");
    EXPECT_EQ(ShownTextOf(hidden, 1252), german);

    const WideString russian = u"\u041f\u0440\u0438\u0432\u0435\u0442";
    EXPECT_EQ(ShownTextOf(HiddenTextOf(russian, 1251), 1251), russian);
    const WideString hebrew = u"\u05e9\u05dc\u05d5\u05dd";
    EXPECT_EQ(ShownTextOf(HiddenTextOf(hebrew, 1255), 1255), hebrew);
    const WideString japanese = u"\u65e5\u672c\u8a9e\u30c6\u30ad\u30b9\u30c8";
    EXPECT_EQ(ShownTextOf(HiddenTextOf(japanese, 932), 932), japanese);
    EXPECT_EQ(HiddenTextOf(u"", 1252), "");
}

TEST(HiddenText, TheFirstCharacterTheCodePageCannotHoldIsNamed) {
    // Cyrillic on a Western system: character 4 (counted from 1) is the first it cannot hold.
    const std::string message = RefusalOf(u"ab\u00e9\u0416\u0417", 1252);
    EXPECT_NE(message.find("character 4"), std::string::npos) << message;
    EXPECT_NE(message.find("U+0416"), std::string::npos) << message;
    EXPECT_NE(message.find("1252"), std::string::npos) << message;
    // German letters on a Cyrillic system; a character outside the basic plane counts as one.
    EXPECT_NE(RefusalOf(u"\U0001F600 \u00fc", 1251).find("character 1, "), std::string::npos);
    EXPECT_NE(RefusalOf(u"\U0001F600 \u00fc", 1251).find("(U+1F600)"), std::string::npos);
    EXPECT_NE(RefusalOf(u"x\u00fc", 1251).find("character 2"), std::string::npos);
    // A lone surrogate is no character any code page holds.
    EXPECT_NE(RefusalOf(WideString(u"a") + char16_t(0xD800), 1252).find("U+D800"), std::string::npos);
    // A code page that is not one we convert holds nothing.
    EXPECT_NE(RefusalOf(u"a", 12345).find("character 1"), std::string::npos);
}

}  // namespace
