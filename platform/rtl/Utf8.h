#pragma once
// UTF-8 <-> UTF-16, for the places where text leaves or enters the program as UTF-8 (form streams'
// UTF-8 strings, the locale table's sources, translation sources, the tool's JSON). Malformed
// input never fails: invalid UTF-8 sequences and unpaired surrogates become U+FFFD.

#include <string>
#include <string_view>

namespace rtl {

void AppendUtf8(std::string& out, char32_t codePoint);
std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);

}  // namespace rtl
