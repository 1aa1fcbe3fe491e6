#pragma once
// Number <-> text conversions of the run time, with its error on bad input.

#include <cstdint>

#include "platform/rtl/SysTypes.h"

namespace rtl {

AnsiString IntToStr(std::int64_t value);
// Decimal (optionally signed) or "$"/"0x" hexadecimal, surrounding blanks not allowed;
// raises EConvertError "'%s' is not a valid integer value" when text is not a 32-bit integer.
std::int32_t StrToInt(const AnsiString& text);
// The same without raising: false when text is not a 32-bit integer.
bool TryStrToInt(const AnsiString& text, std::int32_t& value);
// The same for 64 bits.
bool TryStrToInt64(const AnsiString& text, std::int64_t& value);

// Removes characters with codes up to and including 32 at both ends / at the start / at the end.
AnsiString Trim(const AnsiString& text);
AnsiString TrimLeft(const AnsiString& text);
AnsiString TrimRight(const AnsiString& text);

// ASCII-only case mapping ("a".."z" <-> "A".."Z"), as the run time's UpperCase/LowerCase.
AnsiString UpperCase(const AnsiString& text);
AnsiString LowerCase(const AnsiString& text);
// ASCII-only case-insensitive comparison (<0, 0, >0), as the run time's CompareText.
int CompareText(const AnsiString& a, const AnsiString& b);
bool SameText(const AnsiString& a, const AnsiString& b);

}  // namespace rtl
