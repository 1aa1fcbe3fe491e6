#pragma once
// Text helpers of the localization runtime. They work on 8-bit strings; positions are 1-based, as
// their callers use them, and an empty string and a missing string are the same thing.

#include <cstdint>
#include <initializer_list>

#include "platform/rtl/Exception.h"
#include "platform/rtl/SysTypes.h"

namespace locstore {

using rtl::AnsiString;

VLMRK_DECLARE_EXCEPTION(EKStringsError, rtl::Exception);

// Raised with the offending character in front: "G is not a hex digit".
VLMRK_RESSTRING(SKStringsNotHexDigit, 65140, "KStrings", " is not a hex digit");

int HexDigitValue(char ch);
std::uint32_t HexToInt(const AnsiString& text);
std::int32_t StrToIntOrZero(const AnsiString& text);
double StrToFloatOrZero(const AnsiString& text);
std::int32_t StrToIntLoose(const AnsiString& text);
AnsiString TextBefore(const AnsiString& separator, const AnsiString& text);
int FindNth(const AnsiString& sub, const AnsiString& text, int from, int n);
// Need the user's locale: implemented with the locale tables (KLocales.cpp).
int PosText(const AnsiString& sub, const AnsiString& text);
bool SameTextAny(const AnsiString& text, std::initializer_list<AnsiString> candidates);
AnsiString JoinWithSeparator(const AnsiString& a, const AnsiString& b, char separator);
// Joins a folder and a name with the platform's path separator ("/").
AnsiString JoinPath(const AnsiString& dir, const AnsiString& name);
AnsiString JoinDotted(const AnsiString& a, const AnsiString& b);
bool IsAllDigits(const AnsiString& text);

}  // namespace locstore
