// "locale" commands: the locale facts the localization runtime uses, as JSON.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "locstore/KLocales.h"
#include "tools/vlmrk-tool/Json.h"
#include "tools/vlmrk-tool/Options.h"
#include "tools/vlmrk-tool/ToolCommands.h"

namespace tool {

namespace {

// A language id as decimal or 0x-hexadecimal text, at most 32 bits.
std::uint32_t ParseLanguageId(const std::string& text) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::string digits = hex ? text.substr(2) : text;
    const int base = hex ? 16 : 10;
    if (digits.empty() || digits.size() > (hex ? 8u : 10u)) throw EUsage("not a language id: " + text);
    std::uint64_t value = 0;
    for (const char c : digits) {
        int d = -1;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (hex && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        if (d < 0) throw EUsage("not a language id: " + text);
        value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(d);
    }
    if (value > 0xFFFFFFFFu) throw EUsage("not a language id: " + text);
    return static_cast<std::uint32_t>(value);
}

// 8-bit text from the locale functions is in the language's own code page.
std::string LanguageText(const std::string& text, std::uint32_t lcid) {
    return Utf16ToUtf8(locstore::AnsiToWideByLanguage(text, lcid));
}

void Print(const JsonWriter& json) { std::printf("%s\n", json.Text().c_str()); }

int Info(std::uint32_t lcid) {
    JsonWriter json;
    json.BeginObject();
    json.Key("id").Int(lcid);
    json.Key("englishName").String(LanguageText(locstore::EnglishLanguageName(lcid), lcid));
    json.Key("abbreviation").String(LanguageText(locstore::LanguageAbbreviation(lcid), lcid));
    json.Key("nativeName").String(LanguageText(locstore::LocaleString(lcid, locstore::LOCALE_SNATIVELANGNAME), lcid));
    json.Key("codePage").Int(locstore::CodePageOfLanguage(lcid));
    json.Key("charset").Int(locstore::CharsetOfLanguage(lcid));
    json.Key("rightToLeft").Bool(locstore::IsRightToLeftLanguage(lcid));
    json.EndObject();
    Print(json);
    return 0;
}

int Find(const std::string& code) {
    JsonWriter json;
    json.BeginObject().Key("id").Int(locstore::LanguageFromAbbreviation(code)).EndObject();
    Print(json);
    return 0;
}

int List() {
    JsonWriter json;
    json.BeginArray();
    for (const locstore::TSystemLanguage& e : locstore::SystemLanguages()) {
        json.BeginObject();
        json.Key("name").String(LanguageText(e.Name, e.Lcid));
        json.Key("id").Int(e.Lcid);
        json.EndObject();
    }
    json.EndArray();
    Print(json);
    return 0;
}

}  // namespace

int RunLocale(const Args& rawArgs) {
    // No options, but "--" and the refusal of unknown options work as in every command.
    const Args args = TOptions().Parse(rawArgs);
    if (args.size() == 2 && args[0] == "info") return Info(ParseLanguageId(args[1]));
    if (args.size() == 2 && args[0] == "find") return Find(args[1]);
    if (args.size() == 1 && args[0] == "list") return List();
    throw EUsage(args.empty() ? "missing locale command" : "bad locale command: " + args[0]);
}

}  // namespace tool
