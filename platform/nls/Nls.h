#pragma once
// Stands in for the locale services of Windows national-language support that the localization
// runtime calls: GetLocaleInfoA, EnumSystemLocalesA, GetACP, GetStringTypeExA, CompareStringA and
// GetUserDefaultLangID, over the locale data of LocaleData.h. The code-page services are in
// CodePages.h.
//
// The user's locale (default language id and system ANSI code page) comes from LC_ALL, then
// LC_CTYPE, then LANG, as the C library picks a locale: "es_ES.UTF-8" is Spanish (Spain,
// 0x0C0A) with code page 1252, "ru_RU" is Russian with 1251. Unset, empty, "C", "POSIX" or a
// locale we do not know give English (United States), 0x0409, and 1252. The environment is read
// once, at first use; tests re-read it with ResetUserLocaleForTests.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace nls {

// Locale-information types we answer.
inline constexpr std::uint32_t LOCALE_SLANGUAGE = 0x0002;
inline constexpr std::uint32_t LOCALE_SABBREVLANGNAME = 0x0003;
inline constexpr std::uint32_t LOCALE_SNATIVELANGNAME = 0x0004;
inline constexpr std::uint32_t LOCALE_SENGLANGUAGE = 0x1001;
inline constexpr std::uint32_t LOCALE_IDEFAULTANSICODEPAGE = 0x1004;

inline constexpr std::uint32_t LANG_USER_DEFAULT = 0x0400;
inline constexpr std::uint32_t LOCALE_USER_DEFAULT = 0x0400;
inline constexpr std::uint32_t LOCALE_SYSTEM_DEFAULT = 0x0800;

// GetLocaleInfoA: with size 0 answers the size the text needs, terminator included; otherwise
// copies the text with its terminator into buffer and answers the count copied. Answers 0 when
// the locale or the type is unknown, or when the buffer is too small. Texts are converted to the
// locale's own ANSI code page (the system code page for locales without one).
int GetLocaleInfoA(std::uint32_t lcid, std::uint32_t infoType, char* buffer, int size);
// The same as UTF-16; empty when unknown.
std::u16string GetLocaleInfoW(std::uint32_t lcid, std::uint32_t infoType);

// EnumSystemLocalesA with LCID_SUPPORTED: every supported locale (neutral ids are not locales) as
// eight hexadecimal digits, "00000409", in ascending order.
std::vector<std::string> EnumSystemLocales();

// GetACP.
int GetACP();
// GetUserDefaultLangID.
std::uint16_t GetUserDefaultLangID();
// Reads LC_ALL / LC_CTYPE / LANG again.
void ResetUserLocaleForTests();
// The language id of a POSIX locale name ("es_ES.UTF-8@euro"); 0x0409 for "", "C", "POSIX" and
// names we do not know.
std::uint16_t LangIdOfPosixLocale(std::string_view name);

// GetStringTypeExA with CT_CTYPE2: the class-2 type of each byte of text, read in the code page
// of lcid.
std::vector<int> GetStringType2(std::uint32_t lcid, std::string_view text);

// CompareStringA with NORM_IGNORECASE, answering only whether the two are equal: both are read in
// the code page of lcid and compared code unit by code unit after lower-casing.
bool EqualTextIgnoreCase(std::uint32_t lcid, std::string_view a, std::string_view b);
// Lower-cases 8-bit text in the system code page (CharLowerBuffA); the length in bytes is kept
// for single-byte code pages.
std::string AnsiLowerCase(std::string_view text);

// The ANSI code page conversions use for lcid: the locale's own, or the system's when the locale
// has none or is unknown. LOCALE_USER_DEFAULT and LOCALE_SYSTEM_DEFAULT are the user's locale.
int CodePageForLocale(std::uint32_t lcid);

}  // namespace nls
