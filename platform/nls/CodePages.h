#pragma once
// Stands in for the code-page services of Windows national-language support: which code pages
// exist (IsValidCodePage), conversions between 8-bit text and UTF-16 (MultiByteToWideChar,
// WideCharToMultiByte without flags), the font character set of a code page
// (TranslateCharsetInfo), and the character facts the locale functions ask for (case, the
// right-to-left character type).
//
// Single-byte code pages (874, 1250-1258) convert through our own tables, so every byte
// round-trips and nothing is composed or decomposed. Double-byte code pages (932, 936, 949, 950)
// convert through glibc's iconv. Bytes a double-byte code page cannot read and UTF-16 that a code
// page cannot write (unpaired surrogates included) become "?", as Windows writes its default
// character.

#include <optional>
#include <string>
#include <string_view>

namespace nls {

// Windows font character sets.
inline constexpr int ANSI_CHARSET = 0;
inline constexpr int DEFAULT_CHARSET = 1;
inline constexpr int SYMBOL_CHARSET = 2;
inline constexpr int SHIFTJIS_CHARSET = 128;
inline constexpr int HANGEUL_CHARSET = 129;
inline constexpr int GB2312_CHARSET = 134;
inline constexpr int CHINESEBIG5_CHARSET = 136;
inline constexpr int GREEK_CHARSET = 161;
inline constexpr int TURKISH_CHARSET = 162;
inline constexpr int VIETNAMESE_CHARSET = 163;
inline constexpr int HEBREW_CHARSET = 177;
inline constexpr int ARABIC_CHARSET = 178;
inline constexpr int BALTIC_CHARSET = 186;
inline constexpr int RUSSIAN_CHARSET = 204;
inline constexpr int THAI_CHARSET = 222;
inline constexpr int EASTEUROPE_CHARSET = 238;

// Character-type class 2 values (GetStringTypeEx with CT_CTYPE2).
inline constexpr int C2_NOTAPPLICABLE = 0;
inline constexpr int C2_LEFTTORIGHT = 1;
inline constexpr int C2_RIGHTTOLEFT = 2;
inline constexpr int C2_EUROPENUMBER = 3;
inline constexpr int C2_ARABICNUMBER = 6;
inline constexpr int C2_WHITESPACE = 10;
inline constexpr int C2_OTHERNEUTRAL = 11;

bool IsValidCodePage(int codePage);
bool IsDoubleByteCodePage(int codePage);

// The conversions answer nothing when the code page is not one we convert; an empty input gives
// an empty result. They never fail otherwise.
std::optional<std::u16string> MultiByteToWide(int codePage, std::string_view text);
std::optional<std::string> WideToMultiByte(int codePage, std::u16string_view text);

// The font character set of a code page; nothing when there is none.
std::optional<int> CharsetOfCodePage(int codePage);

// Simple (one-to-one) lower-case mapping of a UTF-16 code unit: Latin, Greek, Cyrillic,
// Armenian, Georgian, Vietnamese Latin and full-width Latin letters. Others map to themselves.
char16_t LowerChar(char16_t ch);
std::u16string LowerCase(std::u16string_view text);

// Character-type class 2 of a UTF-16 code unit. Only the right-to-left, number, space and
// letter classes are told apart; everything else is "other neutral".
int CharType2(char16_t ch);

}  // namespace nls
