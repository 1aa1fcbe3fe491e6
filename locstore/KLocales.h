#pragma once
// Locale tables and code-page conversion: language names, codes, code pages and character sets by
// Windows language id, and conversions between 8-bit text and UTF-16 by code page or language.
// Backed by the platform's locale data (platform/nls).

#include <cstdint>
#include <vector>

#include "platform/rtl/Exception.h"
#include "platform/rtl/SysTypes.h"

namespace locstore {

using rtl::AnsiString;
using rtl::WideString;

VLMRK_DECLARE_EXCEPTION(ELocalesError, rtl::Exception);

// Locale-information types.
inline constexpr std::uint32_t LOCALE_SLANGUAGE = 0x0002;
inline constexpr std::uint32_t LOCALE_SABBREVLANGNAME = 0x0003;
inline constexpr std::uint32_t LOCALE_SNATIVELANGNAME = 0x0004;
inline constexpr std::uint32_t LOCALE_SENGLANGUAGE = 0x1001;
inline constexpr std::uint32_t LOCALE_IDEFAULTANSICODEPAGE = 0x1004;

AnsiString LocaleString(std::uint32_t lcid, std::uint32_t infoType);
AnsiString EnglishLanguageName(std::uint32_t lcid);
AnsiString LanguageAbbreviation(std::uint32_t lcid);
std::uint32_t LanguageFromAbbreviation(const AnsiString& abbreviation);
int PrimaryLanguage(std::uint32_t lcid);
int CodePageOfLanguage(std::uint32_t lcid);
int CharsetOfCodePage(int codePage);
int CharsetOfLanguage(std::uint32_t lcid);
bool IsRightToLeftLanguage(std::uint32_t lcid);
WideString AnsiToWide(const AnsiString& text, int codePage);
AnsiString WideToAnsi(const WideString& text, int codePage);
WideString AnsiToWideByLanguage(const AnsiString& text, std::uint32_t lcid);
AnsiString WideToAnsiByLanguage(const WideString& text, std::uint32_t lcid);

// The cached system language list (name, LCID), built once on first request.
struct TSystemLanguage {
    AnsiString Name;
    std::uint32_t Lcid;
};
std::vector<TSystemLanguage> SystemLanguages();

}  // namespace locstore
