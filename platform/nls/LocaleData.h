#pragma once
// The locale data the system would hold, keyed by Windows language id: written from the public
// Windows national-language tables (names, three-letter abbreviations, default ANSI code pages).
// Covers the program's English-name table and the primary-only (neutral) id of each of its
// languages.

#include <cstdint>
#include <span>

namespace nls {

struct TLocaleEntry {
    std::uint16_t LangId;
    const char* Name;          // as "en-US"; a neutral id has the bare language ("en")
    const char* Abbreviation;  // three letters, as ENU
    const char* Language;      // English name of the language alone, as "English"
    const char* DisplayName;   // English name with the country or region, as "English (United States)"
    const char* NativeName;    // the language's own name, UTF-8
    int AnsiCodePage;          // 0 for locales without an ANSI code page
    std::uint16_t DefaultId;   // neutral ids: the locale the language stands for alone; else 0
};

// Every entry, in ascending id order.
std::span<const TLocaleEntry> LocaleEntries();
// The entry of a language id (the low 16 bits of an LCID), or nullptr.
const TLocaleEntry* FindLocale(std::uint32_t lcid);

inline bool IsNeutral(std::uint16_t langId) { return (langId & 0x3FF) == langId; }

}  // namespace nls
