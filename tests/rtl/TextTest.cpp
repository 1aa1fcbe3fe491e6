#include <gtest/gtest.h>

#include <climits>

#include "platform/rtl/Conversions.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/PackedStrings.h"
#include "platform/rtl/RtlConsts.h"

using namespace rtl;

TEST(Format, SpecifiersWidthAndErrors) {
    EXPECT_EQ(Format("Too long string to encrypt (Max: %d, Actual: %d)", {63, 65}),
              "Too long string to encrypt (Max: 63, Actual: 65)");
    EXPECT_EQ(Format("%s%%-%s", {"a", AnsiString("b")}), "a%-b");
    EXPECT_EQ(Format("[%4d|%-3s|%x|%u]", {7, "ab", 255, -1}), "[   7|ab |FF|4294967295]");
    EXPECT_EQ(Format("%d", {INT64_MIN}), "-9223372036854775808");
    EXPECT_THROW(Format("%d", {"x"}), EConvertError);
    EXPECT_THROW(Format("%s", {1}), EConvertError);
    EXPECT_THROW(Format("%d %d", {1}), EConvertError);
    EXPECT_THROW(Format("50%", {}), EConvertError);
    EXPECT_THROW(Format("%q", {1}), EConvertError);
}

TEST(Exceptions, MessagesFromResourcesAndTheFallback) {
    EXPECT_STREQ(EListError(EListError::CreateResFmt, SListIndexError, {-1}).what(), "List index out of bounds (-1)");
    EXPECT_THROW(RaiseListIndexError(5), EListError);
    // The loader answers for ids the resource module holds; others fall back to the declared text.
    auto previous = SetResStringLoader([](int id) -> std::optional<AnsiString> {
        if (id == SReadError.Id) return AnsiString("Error de lectura");
        return std::nullopt;
    });
    EXPECT_EQ(LoadResString(SReadError), "Error de lectura");
    EXPECT_EQ(LoadResString(SWriteError), "Stream write error");
    EXPECT_EQ(LoadResString(SReadError.Id), "Error de lectura");
    EXPECT_EQ(LoadResString(1), "");
    SetResStringLoader(previous);
    EXPECT_EQ(LoadResString(SReadError), "Stream read error");
}

TEST(Conversions, IntegersAndTrimming) {
    EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
    EXPECT_EQ(StrToInt("$FF"), 255);
    EXPECT_EQ(StrToInt("0x10"), 16);
    try {
        StrToInt("12x");
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'12x' is not a valid integer value");
    }
    EXPECT_THROW(StrToInt("2147483648"), EConvertError);
    EXPECT_THROW(StrToInt(""), EConvertError);
    EXPECT_THROW(StrToInt(" 1"), EConvertError);
    EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);  // hexadecimal takes all 32 bits
    EXPECT_THROW(StrToInt("$100000000"), EConvertError);
    std::int64_t wide = 0;
    EXPECT_TRUE(TryStrToInt64("-9223372036854775808", wide));
    EXPECT_EQ(wide, INT64_MIN);
    EXPECT_FALSE(TryStrToInt64("9223372036854775808", wide));
    EXPECT_TRUE(TryStrToInt64("0xFFFFFFFFFFFFFFFF", wide));
    EXPECT_EQ(wide, -1);
    EXPECT_EQ(Trim("\r\n  Hi \t\x01"), "Hi");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(CompareText("abc", "ABD"), -1);
    EXPECT_TRUE(SameText("Caption", "CAPTION"));
    EXPECT_FALSE(SameText("\xe9", "\xc9"));  // only a..z fold
}

TEST(PackedStrings, PrefixFormsByVersion) {
    struct Case {
        std::uint32_t length;
        std::vector<std::uint8_t> prefix;
    };
    const Case cases[] = {
        {0, {0x00}}, {127, {0x7F}}, {128, {0x80, 0x01}}, {16383, {0xFF, 0x7F}},
        {16384, {0x80, 0x80, 0x01, 0x00}}, {70000, {0xF0, 0xA2, 0x04, 0x00}},
    };
    for (const auto& c : cases) {
        TMemoryStream s;
        WritePackedString(s, AnsiString(c.length, 'x'), 6);
        std::vector<std::uint8_t> head(s.Bytes().begin(), s.Bytes().begin() + c.prefix.size());
        EXPECT_EQ(head, c.prefix) << c.length;
        EXPECT_EQ(s.Size(), static_cast<std::int64_t>(c.prefix.size() + c.length));
        s.SetPosition(0);
        EXPECT_EQ(ReadPackedString(s, 6).size(), c.length);
    }
    TMemoryStream old;
    WritePackedWideString(old, u"\u00e9t\u00e9", 5);
    EXPECT_EQ(old.Bytes(), (std::vector<std::uint8_t>{3, 0, 0xE9, 0, 't', 0, 0xE9, 0}));
    old.SetPosition(0);
    EXPECT_EQ(ReadPackedWideString(old, 5), u"\u00e9t\u00e9");
    TMemoryStream big;
    EXPECT_THROW(WritePackedString(big, AnsiString(70000, 'x'), 5), EWriteError);
}

TEST(PackedStrings, HostileLengthsRaiseWithoutAllocating) {
    TMemoryStream s(std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 'a'});
    EXPECT_THROW(ReadPackedString(s, 6), EReadError);
    s.SetPosition(0);
    EXPECT_THROW(ReadPackedWideString(s, 5), EReadError);
    TMemoryStream cut(std::vector<std::uint8_t>{0x81});
    EXPECT_THROW(ReadPackedString(cut, 6), EReadError);
}
