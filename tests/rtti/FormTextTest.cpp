// Form sources <-> form streams: exact both ways for every value type and encoding.

#include <gtest/gtest.h>

#include <cstring>

#include "tests/rtti/TestClasses.h"

using namespace rttitest;

namespace {

// Written in the converter's own layout, so text -> binary -> text gives back every byte.
const char* const kEveryValue = R"(object Form1: TForm1
  NullValue = Null
  Int8 = -128
  Int16 = 300
  Int32 = -70000
  Int64 = 5000000000
  WideInt16 = @i16 5
  WideInt32 = @i32 -300
  WideInt64 = @i64 70000
  WideInt8 = @i16 -1
  Extended = 2.5
  Tiny = 1e-300
  Third = 0.33333333333333333334
  Single = @single 0.1
  Double = @double -0.1
  Date = @date 45000.75
  Currency = @currency -922337203685477.5808
  Cash = @currency 12.34
  NaN = @ext $0000000000000000FFFF
  Unnormal = @ext $0000000000000001FF3F
  DoubleInf = @double $000000000000F07F
  SingleNaN = @single $0000C07F
  NegZero = -0.0
  String = 'It''s '#233't'#13#10
  EmptyString = ''
  ShortLString = @lstr 'short'
  LongString = 'aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa' +
    'aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa' +
    'aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa' +
    'aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa' +
    'bb'
  Wide = 'Cyrillic '#1071#1103
  NarrowWide = @wstr 'plain'
  Surrogates = #55357#56832
  Utf8 = @utf8 'caf'#195#169
  Ident = alClient
  DottedIdent = Form2.Button1
  IdentTrue = @ident True
  IdentOdd = @ident 'two words'
  False = False
  True = True
  Nil = nil
  'end' = 1
  '2nd' = 2
  Set = [fsBold, fsItalic]
  EmptySet = []
  Binary = {
    000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F
    2021}
  EmptyBinary = {}
  Lines.Strings = (
    'one'
    @wstr 'two'
    (
      1
      'nested')
    ())
  EmptyList = ()
  Columns = <
    item
      Width = 10
      Items = <
        item [0]
          Caption = 'inner'
        end>
    end
    item [@i16 7]
    end
    item [-1]
      Title = 'last'
    end>
  EmptyCollection = <>
  object Panel1: TPanel [2]
    inherited Button1: TButton [@i32 0]
      Caption = 'x'
    end
    object TUnnamed
    end
  end
  inline Frame11: TFrame1
  end
  inherited inline Frame12: TFrame1 [1]
  end
  object @prefix $F0 Odd: TOdd
  end
  inherited @prefix $F9 Odder: TOdd
  end
  object 'a b': 'T Weird'
  end
end
)";

}  // namespace

TEST(FormText, TextToBinaryToTextIsExactForEveryValueType) {
    auto bin = Compile(kEveryValue);
    EXPECT_EQ(Decompile(bin), kEveryValue);
}

TEST(FormText, BinaryToTextToBinaryIsExact) {
    auto bin = Compile(kEveryValue);
    EXPECT_EQ(Compile(Decompile(bin)), bin);
}

TEST(FormText, CompiledBytesAreTheOrdinaryEncodings) {
    auto bin = Compile("object A: TB\n  X = 300\n  S = 'ab'\n  W = #1071\n  T = True\n  F = 1.0\nend\n");
    const std::uint8_t expected[] = {
        'T', 'P', 'F', '0', 2, 'T', 'B', 1, 'A',                  // header
        1, 'X', 3, 0x2C, 0x01,                                    // vaInt16 300
        1, 'S', 6, 2, 'a', 'b',                                   // vaString
        1, 'W', 18, 1, 0, 0, 0, 0x2F, 0x04,                       // vaWString
        1, 'T', 9,                                                // vaTrue
        1, 'F', 5, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F,         // vaExtended 1.0
        0, 0};
    EXPECT_EQ(bin, std::vector<std::uint8_t>(std::begin(expected), std::end(expected)));
}

TEST(FormText, HandWrittenSourcesAreAccepted) {
    // Blanks and line breaks anywhere, '+' joins, #codes next to quotes, lower-case keywords.
    auto a = Compile("object F: TF X = 'a' + #66 + 'c' L = ( 1 2 ) C = < item end > B = { 0a 0B } end");
    auto b = Compile("object F: TF\n  X = 'aBc'\n  L = (\n    1\n    2)\n  C = <\n    item\n    end>\n  B = {\n    0A0B}\nend\n");
    EXPECT_EQ(a, b);
}

TEST(FormText, SyntaxErrorsGiveTheLine) {
    auto msg = [](const char* text) -> std::string {
        try {
            Compile(text);
        } catch (const EParserError& e) {
            return e.Message();
        }
        return "no error";
    };
    EXPECT_EQ(msg("object F: TF\n  X = ]\nend\n"), "Line 2: value expected");
    EXPECT_EQ(msg("object F: TF\n  X 1\nend\n"), "Line 2: '=' expected");
    EXPECT_EQ(msg("object F: TF\n  X = 'open\nend\n"), "Line 2: unterminated string");
    EXPECT_EQ(msg("object F: TF\n  X = @i8 300\nend\n"), "Line 2: integer does not fit its tag");
    EXPECT_EQ(msg("object F: TF\n  X = {0}\nend\n"), "Line 2: odd number of hexadecimal digits");
    EXPECT_EQ(msg("object F: TF\n  X = @currency 1.23456\nend\n"), "Line 2: currency has at most four decimal places");
    EXPECT_EQ(msg("object F: TF\n  X = 1\n"), "Line 3: 'end' expected");
    EXPECT_EQ(msg("object F: TF\nend\nextra"), "Line 3: end of text expected");
    EXPECT_EQ(msg("object F: TF\n  X = 99999999999999999999\nend\n"), "Line 2: integer out of range");
    EXPECT_EQ(msg("object F: TF\n  X = (1 Null 2)\nend\n"), "Line 2: Null cannot be an element of a list");
    EXPECT_EQ(msg("object F: TF\n  X = (@ident Null)\nend\n"), "no error");  // an identifier spelt Null is fine
    std::string deep = "object F: TF\n  X = ";
    for (int i = 0; i < 1000; ++i) deep += "(";
    EXPECT_NE(msg(deep.c_str()).find("nested too deeply"), std::string::npos);
}

TEST(FormText, ExtendedFloatsConvertExactly) {
    for (long double v : {1.0L, -2.5L, 0.1L, 1e-4000L, 1.18973149535723176502e+4932L, 3.64519953188247460253e-4951L}) {
        TExtendedBytes b = LongDoubleToExtended(v);
        EXPECT_EQ(ExtendedToLongDouble(b), v);
    }
    TExtendedBytes one = LongDoubleToExtended(1.0L);
    EXPECT_EQ(one, (TExtendedBytes{0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}));
}
