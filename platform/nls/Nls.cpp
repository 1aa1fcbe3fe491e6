#include "platform/nls/Nls.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/nls/CodePages.h"
#include "platform/nls/LocaleData.h"
#include "platform/rtl/Utf8.h"

namespace nls {

namespace {

constexpr std::uint16_t kDefaultLangId = 0x0409;
constexpr int kDefaultCodePage = 1252;

// The user's locale as the environment gave it: process-wide, as the system's would be.
struct TUserLocale {
    std::mutex Lock;
    bool Known = false;
    std::uint16_t LangId = kDefaultLangId;
    int CodePage = kDefaultCodePage;
};

TUserLocale& UserLocale() {
    static TUserLocale state;
    return state;
}

const char* LocaleEnvironment() {
    // An empty variable counts as unset, as for the C library.
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return value;
    }
    return "";
}

TUserLocale& LoadedUserLocale() {
    TUserLocale& u = UserLocale();
    std::lock_guard guard(u.Lock);
    if (!u.Known) {
        u.LangId = LangIdOfPosixLocale(LocaleEnvironment());
        const TLocaleEntry* e = FindLocale(u.LangId);
        // A locale without an ANSI code page of its own (Hindi, ...) keeps the default one.
        u.CodePage = (e != nullptr && e->AnsiCodePage != 0) ? e->AnsiCodePage : kDefaultCodePage;
        u.Known = true;
    }
    return u;
}

std::uint32_t ResolveLcid(std::uint32_t lcid) {
    const std::uint32_t id = lcid & 0xFFFF;
    if (id == 0 || id == LOCALE_USER_DEFAULT || id == LOCALE_SYSTEM_DEFAULT) return GetUserDefaultLangID();
    return id;
}

std::string AsciiLower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// "az-Latn-AZ" -> language "az", script "latn", region "az"; "es-ES_tradnl" keeps its suffix in
// the region, so a POSIX name never picks the traditional sort.
struct TNameParts {
    std::string Language, Script, Region;
};

TNameParts SplitName(std::string_view name) {
    TNameParts parts;
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (start <= name.size()) {
        const std::size_t dash = name.find('-', start);
        const std::size_t end = dash == std::string_view::npos ? name.size() : dash;
        fields.push_back(AsciiLower(name.substr(start, end - start)));
        if (dash == std::string_view::npos) break;
        start = dash + 1;
    }
    parts.Language = fields.empty() ? std::string() : fields[0];
    if (fields.size() == 2) parts.Region = fields[1];
    if (fields.size() >= 3) {
        parts.Script = fields[1];
        parts.Region = fields[2];
    }
    return parts;
}


}  // namespace

std::uint16_t LangIdOfPosixLocale(std::string_view name) {
    // language[_territory][.codeset][@modifier]
    std::string_view modifier;
    if (const std::size_t at = name.find('@'); at != std::string_view::npos) {
        modifier = name.substr(at + 1);
        name = name.substr(0, at);
    }
    if (const std::size_t dot = name.find('.'); dot != std::string_view::npos) name = name.substr(0, dot);
    if (name.empty() || name == "C" || name == "POSIX") return kDefaultLangId;
    std::string_view language = name;
    std::string_view territory;
    if (const std::size_t us = name.find('_'); us != std::string_view::npos) {
        language = name.substr(0, us);
        territory = name.substr(us + 1);
    }
    std::string lang = AsciiLower(language);
    if (lang == "iw") lang = "he";  // the old code glibc still accepts
    if (lang == "no") lang = "nb";
    const std::string region = AsciiLower(territory);
    const std::string mod = AsciiLower(modifier);
    std::string script = mod == "latin" ? "latn" : mod == "cyrillic" ? "cyrl" : "";
    // The C library writes Serbian in Cyrillic unless told "@latin"; Azeri and Uzbek in Latin.
    if (script.empty() && lang == "sr") script = "cyrl";

    const TLocaleEntry* sameLanguage = nullptr;
    for (const TLocaleEntry& e : LocaleEntries()) {
        const TNameParts parts = SplitName(e.Name);
        if (parts.Language != lang || IsNeutral(e.LangId)) continue;
        if (!script.empty() && parts.Script != script) continue;
        if (!region.empty() && parts.Region == region) return e.LangId;
        if (sameLanguage == nullptr) sameLanguage = &e;
    }
    if (!script.empty() && sameLanguage != nullptr) return sameLanguage->LangId;
    // No such country: the language's own default locale.
    const std::string neutralName = lang == "nb" ? "no" : lang;
    for (const TLocaleEntry& e : LocaleEntries()) {
        if (IsNeutral(e.LangId) && neutralName == e.Name) return e.DefaultId;
    }
    return sameLanguage != nullptr ? sameLanguage->LangId : kDefaultLangId;
}

int GetACP() { return LoadedUserLocale().CodePage; }

std::uint16_t GetUserDefaultLangID() { return LoadedUserLocale().LangId; }

void ResetUserLocaleForTests() {
    TUserLocale& u = UserLocale();
    std::lock_guard guard(u.Lock);
    u.Known = false;
}

int CodePageForLocale(std::uint32_t lcid) {
    const TLocaleEntry* e = FindLocale(ResolveLcid(lcid));
    return (e != nullptr && e->AnsiCodePage != 0) ? e->AnsiCodePage : GetACP();
}

std::u16string GetLocaleInfoW(std::uint32_t lcid, std::uint32_t infoType) {
    const TLocaleEntry* e = FindLocale(ResolveLcid(lcid));
    if (e == nullptr) return {};
    switch (infoType) {
        case LOCALE_SLANGUAGE: return rtl::Utf8ToUtf16(e->DisplayName);  // our interface language is English
        case LOCALE_SABBREVLANGNAME: return rtl::Utf8ToUtf16(e->Abbreviation);
        case LOCALE_SNATIVELANGNAME: return rtl::Utf8ToUtf16(e->NativeName);
        case LOCALE_SENGLANGUAGE: return rtl::Utf8ToUtf16(e->Language);
        case LOCALE_IDEFAULTANSICODEPAGE: return rtl::Utf8ToUtf16(std::to_string(e->AnsiCodePage));
        default: return {};
    }
}

int GetLocaleInfoA(std::uint32_t lcid, std::uint32_t infoType, char* buffer, int size) {
    const std::u16string wide = GetLocaleInfoW(lcid, infoType);
    if (wide.empty() || size < 0) return 0;
    const int codePage = CodePageForLocale(lcid);
    std::string text = WideToMultiByte(codePage, wide).value_or(std::string());
    if (text.empty()) text = WideToMultiByte(kDefaultCodePage, wide).value_or(std::string());
    const int needed = static_cast<int>(text.size()) + 1;
    if (size == 0) return needed;
    if (buffer == nullptr || size < needed) return 0;
    std::memcpy(buffer, text.c_str(), static_cast<std::size_t>(needed));
    return needed;
}

std::vector<std::string> EnumSystemLocales() {
    std::vector<std::string> out;
    for (const TLocaleEntry& e : LocaleEntries()) {
        if (IsNeutral(e.LangId)) continue;
        char hex[16];
        std::snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(e.LangId));
        out.emplace_back(hex);
    }
    return out;
}

std::vector<int> GetStringType2(std::uint32_t lcid, std::string_view text) {
    const int codePage = CodePageForLocale(lcid);
    std::vector<int> types(text.size(), C2_NOTAPPLICABLE);
    const bool singleByte = !IsDoubleByteCodePage(codePage);
    for (std::size_t i = 0; i < text.size(); ++i) {
        // Each byte on its own, as the call classifies bytes; a lone lead byte of a double-byte
        // code page reads as "?" (other neutral).
        const std::optional<std::u16string> w = MultiByteToWide(codePage, text.substr(i, 1));
        if (w && w->size() == 1) types[i] = CharType2((*w)[0]);
        else if (!singleByte) types[i] = C2_OTHERNEUTRAL;
    }
    return types;
}

bool EqualTextIgnoreCase(std::uint32_t lcid, std::string_view a, std::string_view b) {
    if (a == b) return true;
    const int codePage = CodePageForLocale(lcid);
    const std::u16string wa = MultiByteToWide(codePage, a).value_or(std::u16string());
    const std::u16string wb = MultiByteToWide(codePage, b).value_or(std::u16string());
    return LowerCase(wa) == LowerCase(wb);
}

std::string AnsiLowerCase(std::string_view text) {
    const int codePage = GetACP();
    if (!IsDoubleByteCodePage(codePage)) {
        // Byte by byte, so positions in the result are positions in the text.
        std::string out(text);
        for (char& c : out) {
            const std::u16string w = MultiByteToWide(codePage, std::string_view(&c, 1)).value_or(u"");
            if (w.size() != 1) continue;
            const char16_t lower = LowerChar(w[0]);
            if (lower == w[0]) continue;
            const std::string back = WideToMultiByte(codePage, std::u16string_view(&lower, 1)).value_or("");
            // Keep the byte when its lower case is not in the code page.
            if (back.size() == 1 && back[0] != '?') c = back[0];
        }
        return out;
    }
    // Double-byte text: only single-byte ASCII letters change case, so lead and trail bytes stay.
    std::string out(text);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto b = static_cast<unsigned char>(out[i]);
        if (b >= 0x80) {
            const std::optional<std::u16string> w = MultiByteToWide(codePage, text.substr(i, 2));
            if (w && w->size() == 1 && i + 1 < out.size()) ++i;  // a lead byte: skip its trail byte
            continue;
        }
        if (b >= 'A' && b <= 'Z') out[i] = static_cast<char>(b + 0x20);
    }
    return out;
}

}  // namespace nls
