#include "locstore/KLocales.h"

#include <mutex>
#include <optional>
#include <unordered_map>

#include "locstore/KStrings.h"
#include "platform/nls/CodePages.h"
#include "platform/nls/Nls.h"
#include "platform/rtl/Conversions.h"

namespace locstore {

namespace {

// The fixed English names of the languages the program has always named this way; other ids are
// answered from the system's locale data.
struct TEnglishName {
    std::uint16_t Id;
    const char* Name;
};

constexpr TEnglishName kEnglishNames[] = {
    {0x0401, "Arabic (Saudi Arabia)"}, {0x0402, "Bulgarian"}, {0x0403, "Catalan"}, {0x0404, "Chinese (Taiwan)"},
    {0x0405, "Czech"}, {0x0406, "Danish"}, {0x0407, "German (Germany)"}, {0x0408, "Greek"},
    {0x0409, "English (United States)"}, {0x040A, "Spanish (Traditional Sort)"}, {0x040B, "Finnish"},
    {0x040C, "French (France)"}, {0x040D, "Hebrew"}, {0x040E, "Hungarian"}, {0x040F, "Icelandic"},
    {0x0410, "Italian (Italy)"}, {0x0411, "Japanese"}, {0x0412, "Korean"}, {0x0413, "Dutch (Netherlands)"},
    {0x0414, "Norwegian (Bokmal)"}, {0x0415, "Polish"}, {0x0416, "Portuguese (Brazil)"}, {0x0418, "Romanian"},
    {0x0419, "Russian"}, {0x041A, "Croatian"}, {0x041B, "Slovak"}, {0x041C, "Albanian"}, {0x041D, "Swedish"},
    {0x041E, "Thai"}, {0x041F, "Turkish"}, {0x0420, "Urdu"}, {0x0421, "Indonesian"}, {0x0422, "Ukrainian"},
    {0x0423, "Belarusian"}, {0x0424, "Slovenian"}, {0x0425, "Estonian"}, {0x0426, "Latvian"},
    {0x0427, "Lithuanian"}, {0x0429, "Farsi"}, {0x042A, "Vietnamese"}, {0x042B, "Armenian"},
    {0x042C, "Azeri (Latin)"}, {0x042D, "Basque"}, {0x042F, "Macedonian (FYROM)"}, {0x0436, "Afrikaans"},
    {0x0437, "Georgian"}, {0x0438, "Faeroese"}, {0x0439, "Hindi"}, {0x043E, "Malay (Malaysia)"},
    {0x043F, "Kazakh"}, {0x0440, "Kyrgyz (Cyrillic)"}, {0x0441, "Swahili"}, {0x0443, "Uzbek (Latin)"},
    {0x0444, "Tatar"}, {0x0446, "Punjabi"}, {0x0447, "Gujarati"}, {0x0449, "Tamil"}, {0x044A, "Telugu"},
    {0x044B, "Kannada"}, {0x044E, "Marathi"}, {0x044F, "Sanskrit"}, {0x0450, "Mongolian (Cyrillic)"},
    {0x0456, "Galician"}, {0x0457, "Konkani"}, {0x045A, "Syriac"}, {0x0465, "Divehi"},
    {0x0801, "Arabic (Iraq)"}, {0x0804, "Chinese (PRC)"}, {0x0807, "German (Switzerland)"},
    {0x0809, "English (United Kingdom)"}, {0x080A, "Spanish (Mexico)"}, {0x080C, "French (Belgium)"},
    {0x0810, "Italian (Switzerland)"}, {0x0813, "Dutch (Belgium)"}, {0x0814, "Norwegian (Nynorsk)"},
    {0x0816, "Portuguese (Portugal)"}, {0x081A, "Serbian (Latin)"}, {0x081D, "Swedish (Finland)"},
    {0x082C, "Azeri (Cyrillic)"}, {0x083E, "Malay (Brunei Darussalam)"}, {0x0843, "Uzbek (Cyrillic)"},
    {0x0C01, "Arabic (Egypt)"}, {0x0C04, "Chinese (Hong Kong)"}, {0x0C07, "German (Austria)"},
    {0x0C09, "English (Australia)"}, {0x0C0A, "Spanish (International Sort)"}, {0x0C0C, "French (Canada)"},
    {0x0C1A, "Serbian (Cyrillic)"}, {0x1001, "Arabic (Libya)"}, {0x1004, "Chinese (Singapore)"},
    {0x1007, "German (Luxembourg)"}, {0x1009, "English (Canada)"}, {0x100A, "Spanish (Guatemala)"},
    {0x100C, "French (Switzerland)"}, {0x1401, "Arabic (Algeria)"}, {0x1404, "Chinese (Macau)"},
    {0x1407, "German (Liechtenstein)"}, {0x1409, "English (New Zealand)"}, {0x140A, "Spanish (Costa Rica)"},
    {0x140C, "French (Luxembourg)"}, {0x1801, "Arabic (Morocco)"}, {0x1809, "English (Ireland)"},
    {0x180A, "Spanish (Panama)"}, {0x180C, "French (Monaco)"}, {0x1C01, "Arabic (Tunisia)"},
    {0x1C09, "English (South Africa)"}, {0x1C0A, "Spanish (Dominican Republic)"}, {0x2001, "Arabic (Oman)"},
    {0x2009, "English (Jamaica)"}, {0x200A, "Spanish (Venezuela)"}, {0x2401, "Arabic (Yemen)"},
    {0x2409, "English (Caribbean)"}, {0x240A, "Spanish (Colombia)"}, {0x2801, "Arabic (Syria)"},
    {0x2809, "English (Belize)"}, {0x280A, "Spanish (Peru)"}, {0x2C01, "Arabic (Jordan)"},
    {0x2C09, "English (Trinidad)"}, {0x2C0A, "Spanish (Argentina)"}, {0x3001, "Arabic (Lebanon)"},
    {0x3009, "English (Zimbabwe)"}, {0x300A, "Spanish (Ecuador)"}, {0x3401, "Arabic (Kuwait)"},
    {0x3409, "English (Philippines)"}, {0x340A, "Spanish (Chile)"}, {0x3801, "Arabic (U.A.E.)"},
    {0x380A, "Spanish (Uruguay)"}, {0x3C01, "Arabic (Bahrain)"}, {0x3C0A, "Spanish (Paraguay)"},
    {0x4001, "Arabic (Qatar)"}, {0x400A, "Spanish (Bolivia)"}, {0x440A, "Spanish (El Salvador)"},
    {0x480A, "Spanish (Honduras)"}, {0x4C0A, "Spanish (Nicaragua)"}, {0x500A, "Spanish (Puerto Rico)"},
};

static_assert(std::size(kEnglishNames) == 135);

// The conversions' last resort when even the system code page cannot be used (a C library
// without the double-byte converters): 1252 always converts.
constexpr int kLastResortCodePage = 1252;

std::vector<TSystemLanguage> BuildSystemLanguages() {
    std::vector<TSystemLanguage> list;
    for (const std::string& hex : nls::EnumSystemLocales()) {
        const std::uint32_t lcid = HexToInt(hex);
        if (!nls::IsValidCodePage(StrToIntLoose(LocaleString(lcid, LOCALE_IDEFAULTANSICODEPAGE)))) continue;
        AnsiString name;
        try {
            name = LocaleString(lcid, LOCALE_SLANGUAGE);
        } catch (const rtl::Exception&) {
            continue;
        }
        if (!name.empty()) list.push_back({name, lcid});
    }
    // Before the first locale of each language that has several, an entry for the language
    // alone, so that a two-letter code finds the language.
    std::size_t i = 0;
    while (i + 1 < list.size()) {
        const auto p = static_cast<std::uint32_t>(PrimaryLanguage(list[i].Lcid));
        bool present = false;
        for (const TSystemLanguage& e : list) present = present || e.Lcid == p;
        if (present) {
            ++i;
            continue;
        }
        bool later = false;
        for (std::size_t j = i + 1; j < list.size() && !later; ++j) {
            later = static_cast<std::uint32_t>(PrimaryLanguage(list[j].Lcid)) == p;
        }
        if (later) {
            list.insert(list.begin() + static_cast<std::ptrdiff_t>(i), TSystemLanguage{TextBefore("(", list[i].Name), p});
            i += 2;
        } else {
            ++i;
        }
    }
    return list;
}

const std::vector<TSystemLanguage>& CachedSystemLanguages() {
    static std::once_flag once;
    static std::vector<TSystemLanguage> list;
    std::call_once(once, [] { list = BuildSystemLanguages(); });
    return list;
}

}  // namespace

AnsiString LocaleString(std::uint32_t lcid, std::uint32_t infoType) {
    const int size = nls::GetLocaleInfoA(lcid, infoType, nullptr, 0);
    if (size <= 0) return {};
    AnsiString buffer(static_cast<std::size_t>(size), '\0');
    const int got = nls::GetLocaleInfoA(lcid, infoType, buffer.data(), size);
    if (got != size) throw ELocalesError("Can not get locale info");
    buffer.resize(static_cast<std::size_t>(got - 1));
    return buffer;
}

AnsiString EnglishLanguageName(std::uint32_t lcid) {
    for (const TEnglishName& row : kEnglishNames) {
        if (row.Id == lcid) return row.Name;
    }
    const AnsiString name = LocaleString(lcid, LOCALE_SENGLANGUAGE);
    // An id the system does not know has no name (not " ()").
    if (name.empty() || static_cast<std::uint32_t>(PrimaryLanguage(lcid)) == lcid) return name;
    return TextBefore(" (", name) + " (" + LocaleString(lcid, LOCALE_SABBREVLANGNAME) + ")";
}

AnsiString LanguageAbbreviation(std::uint32_t lcid) {
    AnsiString code = LocaleString(lcid, LOCALE_SABBREVLANGNAME);
    if (static_cast<std::uint32_t>(PrimaryLanguage(lcid)) == lcid && code.size() > 2) code.resize(2);
    return code;
}

std::uint32_t LanguageFromAbbreviation(const AnsiString& abbreviation) {
    for (const TSystemLanguage& e : CachedSystemLanguages()) {
        if (rtl::SameText(LanguageAbbreviation(e.Lcid), abbreviation)) return e.Lcid;
    }
    return 0;
}

std::vector<TSystemLanguage> SystemLanguages() { return CachedSystemLanguages(); }

int PrimaryLanguage(std::uint32_t lcid) { return static_cast<int>(lcid & 0x3FF); }

int CodePageOfLanguage(std::uint32_t lcid) {
    // The locale table never changes, and a language switch asks for the same language once per
    // translated text: the last answer is kept. The system code page is asked every time (tests
    // change the environment).
    thread_local std::uint32_t lastLcid = 0;
    thread_local std::optional<std::optional<int>> lastPage;
    if (!lastPage || lastLcid != lcid) {
        const AnsiString text = LocaleString(lcid, LOCALE_IDEFAULTANSICODEPAGE);
        std::optional<int> page = text.empty() ? std::nullopt : std::optional<int>(rtl::StrToInt(text));
        lastLcid = lcid;
        lastPage = page;
    }
    return *lastPage ? **lastPage : nls::GetACP();
}

int CharsetOfCodePage(int codePage) {
    if (const std::optional<int> charset = nls::CharsetOfCodePage(codePage)) return *charset;
    if (const std::optional<int> charset = nls::CharsetOfCodePage(nls::GetACP())) return *charset;
    return nls::DEFAULT_CHARSET;
}

int CharsetOfLanguage(std::uint32_t lcid) { return CharsetOfCodePage(CodePageOfLanguage(lcid)); }

namespace {

bool HasRightToLeftLetters(std::uint32_t lcid) {
    std::string high(128, '\0');
    for (int i = 0; i < 128; ++i) high[static_cast<std::size_t>(i)] = static_cast<char>(0x80 + i);
    for (const int type : nls::GetStringType2(lcid, high)) {
        if (type == nls::C2_RIGHTTOLEFT) return true;
    }
    return false;
}

}  // namespace

bool IsRightToLeftLanguage(std::uint32_t lcid) {
    // Classifying the code page's upper half costs more than a whole form's translation; the
    // answer never changes, so each language is judged once.
    static std::mutex guard;
    static std::unordered_map<std::uint32_t, bool> judged;
    std::lock_guard lock(guard);
    auto [at, added] = judged.try_emplace(lcid, false);
    if (added) {
        try {
            at->second = HasRightToLeftLetters(lcid);
        } catch (...) {
            judged.erase(at);
            throw;
        }
    }
    return at->second;
}

WideString AnsiToWide(const AnsiString& text, int codePage) {
    std::optional<WideString> wide = nls::MultiByteToWide(codePage, text);
    if (wide && !wide->empty()) return std::move(*wide);
    wide = nls::MultiByteToWide(nls::GetACP(), text);
    if (wide) return std::move(*wide);
    return nls::MultiByteToWide(kLastResortCodePage, text).value_or(WideString());
}

AnsiString WideToAnsi(const WideString& text, int codePage) {
    std::optional<AnsiString> ansi = nls::WideToMultiByte(codePage, text);
    if (ansi && !ansi->empty()) return std::move(*ansi);
    ansi = nls::WideToMultiByte(nls::GetACP(), text);
    if (ansi) return std::move(*ansi);
    return nls::WideToMultiByte(kLastResortCodePage, text).value_or(AnsiString());
}

WideString AnsiToWideByLanguage(const AnsiString& text, std::uint32_t lcid) {
    return AnsiToWide(text, CodePageOfLanguage(lcid));
}

AnsiString WideToAnsiByLanguage(const WideString& text, std::uint32_t lcid) {
    return WideToAnsi(text, CodePageOfLanguage(lcid));
}

// ---- text helpers of KStrings that need the user's locale ----

int PosText(const AnsiString& sub, const AnsiString& text) {
    if (sub.empty()) return 0;
    const std::size_t at = nls::AnsiLowerCase(text).find(nls::AnsiLowerCase(sub));
    return at == std::string::npos ? 0 : static_cast<int>(at) + 1;
}

bool SameTextAny(const AnsiString& text, std::initializer_list<AnsiString> candidates) {
    for (const AnsiString& candidate : candidates) {
        if (nls::EqualTextIgnoreCase(nls::LOCALE_USER_DEFAULT, text, candidate)) return true;
    }
    return false;
}

}  // namespace locstore
