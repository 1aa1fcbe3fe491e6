#include <gtest/gtest.h>

#include "locstore/KStrings.h"
#include "platform/rtl/Exception.h"

using namespace locstore;

TEST(KStrings, HexDigitsAndNumbers) {
    EXPECT_EQ(HexDigitValue('0'), 0);
    EXPECT_EQ(HexDigitValue('9'), 9);
    EXPECT_EQ(HexDigitValue('A'), 10);
    EXPECT_EQ(HexDigitValue('f'), 15);
    EXPECT_EQ(HexToInt("1A"), 26u);
    EXPECT_EQ(HexToInt("ff"), 255u);
    EXPECT_EQ(HexToInt(""), 0u);
    EXPECT_EQ(HexToInt("FFFFFFFF"), 0xFFFFFFFFu);
    EXPECT_EQ(HexToInt("912345678"), 0x12345678u);  // the ninth digit drops out
    EXPECT_EQ(HexToInt("0409"), 0x409u);
}

TEST(KStrings, BadHexDigitNamesTheCharacter) {
    for (const char* text : {"G", "1G", "G12345678", " 1"}) {
        try {
            HexToInt(text);
            ADD_FAILURE() << text << " was accepted";
        } catch (const EKStringsError& e) {
            std::string bad(1, std::string(text).find('G') != std::string::npos ? 'G' : ' ');
            EXPECT_EQ(e.Message(), bad + " is not a hex digit");
        }
    }
    EXPECT_THROW(HexDigitValue('g'), EKStringsError);
}

TEST(KStrings, LenientIntegerAndFloatParsing) {
    EXPECT_EQ(StrToIntOrZero(" 42 "), 42);
    EXPECT_EQ(StrToIntOrZero("\t-7\r\n"), -7);
    EXPECT_EQ(StrToIntOrZero("12x"), 0);
    EXPECT_EQ(StrToIntOrZero(""), 0);
    EXPECT_EQ(StrToIntOrZero("99999999999"), 0);
    EXPECT_EQ(StrToFloatOrZero(""), 0.0);
    EXPECT_EQ(StrToFloatOrZero(" 2.5 "), 2.5);
    EXPECT_EQ(StrToFloatOrZero("-1e3"), -1000.0);
    EXPECT_EQ(StrToFloatOrZero("+.5"), 0.5);
    for (const char* bad : {"1,5", "inf", "nan", "0x10", "1.5.2", "+-1", "1e", "abc", "-"})
        EXPECT_EQ(StrToFloatOrZero(bad), 0.0) << bad;
}

TEST(KStrings, LooseIntegerTakesLeadingDigits) {
    EXPECT_EQ(StrToIntLoose(" 1252 "), 1252);
    EXPECT_EQ(StrToIntLoose("1252abc"), 1252);
    EXPECT_EQ(StrToIntLoose("932 (ANSI/OEM - Japanese)"), 932);
    EXPECT_EQ(StrToIntLoose("abc"), 0);
    EXPECT_EQ(StrToIntLoose(""), 0);
    EXPECT_EQ(StrToIntLoose("-5"), -5);
    EXPECT_EQ(StrToIntLoose("-5x"), 0);
    try {
        StrToIntLoose("99999999999abc");
        ADD_FAILURE() << "an overlong digit run was accepted";
    } catch (const rtl::EConvertError& e) {
        EXPECT_EQ(e.Message(), "'99999999999' is not a valid integer value");
    }
}

TEST(KStrings, TextBefore) {
    EXPECT_EQ(TextBefore(" (", "English (United States)"), "English");
    EXPECT_EQ(TextBefore(" (", "  English  "), "  English  ");
    EXPECT_EQ(TextBefore(",", " a , b, c"), "a");
    EXPECT_EQ(TextBefore("", " x "), " x ");
}

TEST(KStrings, FindNthCountsOverlappingOccurrences) {
    EXPECT_EQ(FindNth("aa", "aaaa", 1, 1), 1);
    EXPECT_EQ(FindNth("aa", "aaaa", 1, 2), 2);
    EXPECT_EQ(FindNth("aa", "aaaa", 1, 3), 3);
    EXPECT_EQ(FindNth("aa", "aaaa", 1, 4), 0);
    EXPECT_EQ(FindNth("aa", "aaaa", 0, 2), 2);
    EXPECT_EQ(FindNth("aa", "aaaa", -5, 1), 1);
    EXPECT_EQ(FindNth("aa", "aaaa", 3, 1), 3);
    EXPECT_EQ(FindNth("aa", "aaaa", 4, 1), 0);   // would not fit
    EXPECT_EQ(FindNth("a", "aaaa", 5, 1), 0);    // past the end
    EXPECT_EQ(FindNth("b", "abab", 1, 2), 4);
    EXPECT_EQ(FindNth("B", "abab", 1, 1), 0);    // case counts
    EXPECT_EQ(FindNth("", "abab", 1, 1), 0);
    EXPECT_EQ(FindNth("a", "", 0, 1), 0);
    EXPECT_EQ(FindNth("abcde", "abc", 1, 1), 0);
}

TEST(KStrings, Joining) {
    EXPECT_EQ(JoinWithSeparator("C:\\dir\\", "\\file", '\\'), "C:\\dir\\file");
    EXPECT_EQ(JoinWithSeparator("C:\\dir", "file", '\\'), "C:\\dir\\file");
    EXPECT_EQ(JoinWithSeparator("C:\\dir\\", "file", '\\'), "C:\\dir\\file");
    EXPECT_EQ(JoinWithSeparator("C:\\dir", "\\file", '\\'), "C:\\dir\\file");
    EXPECT_EQ(JoinWithSeparator("", "file", '\\'), "file");
    EXPECT_EQ(JoinWithSeparator("dir", "", '\\'), "dir");
    EXPECT_EQ(JoinPath("/opt/vlmrk/", "/Vlmrk.ES.lng"), "/opt/vlmrk/Vlmrk.ES.lng");
    EXPECT_EQ(JoinPath("/opt/vlmrk", "Vlmrk.ES.lng"), "/opt/vlmrk/Vlmrk.ES.lng");
    EXPECT_EQ(JoinPath("", "Vlmrk"), "Vlmrk");
    EXPECT_EQ(JoinDotted("", "Caption"), "Caption");
    EXPECT_EQ(JoinDotted("Font", ""), "Font");
    EXPECT_EQ(JoinDotted("Font", "Name"), "Font.Name");
    EXPECT_EQ(JoinDotted("", ""), "");
}

TEST(KStrings, IsAllDigits) {
    EXPECT_FALSE(IsAllDigits(""));
    EXPECT_TRUE(IsAllDigits("0123456789"));
    EXPECT_FALSE(IsAllDigits("12a"));
    EXPECT_FALSE(IsAllDigits("-1"));
    EXPECT_FALSE(IsAllDigits(" 1"));
}
