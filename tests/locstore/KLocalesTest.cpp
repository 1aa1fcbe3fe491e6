// Locale tables and code-page conversion, and the text helpers that need the user's locale.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <random>
#include <string>

#include "locstore/KLocales.h"
#include "locstore/KStrings.h"
#include "platform/nls/Nls.h"

namespace {

using namespace locstore;

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s.push_back(static_cast<char>(v));
    return s;
}

// Sets LANG (with LC_ALL and LC_CTYPE unset) for one test and puts the old values back.
class LangEnv {
public:
    explicit LangEnv(const char* lang) {
        for (int i = 0; i < 3; ++i) {
            const char* v = std::getenv(kNames[i]);
            saved_[i] = v ? std::optional<std::string>(v) : std::nullopt;
        }
        unsetenv("LC_ALL");
        unsetenv("LC_CTYPE");
        if (lang) setenv("LANG", lang, 1);
        else unsetenv("LANG");
        nls::ResetUserLocaleForTests();
    }
    ~LangEnv() {
        for (int i = 0; i < 3; ++i) {
            if (saved_[i]) setenv(kNames[i], saved_[i]->c_str(), 1);
            else unsetenv(kNames[i]);
        }
        nls::ResetUserLocaleForTests();
    }

private:
    static constexpr const char* kNames[3] = {"LC_ALL", "LC_CTYPE", "LANG"};
    std::optional<std::string> saved_[3];
};

TEST(LanguageNames, TableFirstThenLocaleData) {
    EXPECT_EQ(EnglishLanguageName(0x0409), "English (United States)");
    EXPECT_EQ(EnglishLanguageName(0x0C0A), "Spanish (International Sort)");
    EXPECT_EQ(EnglishLanguageName(0x500A), "Spanish (Puerto Rico)");
    // Not in the table: the language's English name with the abbreviation.
    EXPECT_EQ(EnglishLanguageName(0x0417), "Romansh (RMC)");
    // A primary-only id outside the table: the plain language name.
    EXPECT_EQ(EnglishLanguageName(0x0009), "English");
    EXPECT_EQ(EnglishLanguageName(0x0019), "Russian");
    EXPECT_EQ(EnglishLanguageName(0x0FFF), "");
}

TEST(LanguageNames, LocaleStringOfEachType) {
    EXPECT_EQ(LocaleString(0x0407, LOCALE_SABBREVLANGNAME), "DEU");
    EXPECT_EQ(LocaleString(0x0407, LOCALE_SENGLANGUAGE), "German");
    EXPECT_EQ(LocaleString(0x0407, LOCALE_SLANGUAGE), "German (Germany)");
    EXPECT_EQ(LocaleString(0x0407, LOCALE_IDEFAULTANSICODEPAGE), "1252");
    EXPECT_EQ(LocaleString(0x0419, LOCALE_SNATIVELANGNAME), Bytes({0xF0, 0xF3, 0xF1, 0xF1, 0xEA, 0xE8, 0xE9}));
    EXPECT_EQ(LocaleString(0x0FFF, LOCALE_SLANGUAGE), "");
    EXPECT_EQ(LocaleString(0x0409, 0x7777), "");
}

TEST(LanguageCodes, ShippedLanguagesBothWays) {
    const std::pair<const char*, std::uint32_t> shipped[] = {{"EN", 9}, {"ES", 10}, {"FR", 12}, {"IT", 16}};
    for (const auto& [code, id] : shipped) {
        EXPECT_EQ(LanguageAbbreviation(id), code);
        EXPECT_EQ(LanguageFromAbbreviation(code), id) << code;
        std::string lower = code;
        for (char& c : lower) c = static_cast<char>(c - 'A' + 'a');
        EXPECT_EQ(LanguageFromAbbreviation(lower), id) << lower;
    }
    EXPECT_EQ(LanguageFromAbbreviation("eN"), 9u);
}

TEST(LanguageCodes, ThreeLettersFindLocalesAndUnknownCodesFindNothing) {
    EXPECT_EQ(LanguageAbbreviation(0x0C0A), "ESN");
    EXPECT_EQ(LanguageAbbreviation(0x0009).size(), 2u);
    EXPECT_EQ(LanguageFromAbbreviation("ENU"), 0x0409u);
    EXPECT_EQ(LanguageFromAbbreviation("eng"), 0x0809u);
    EXPECT_EQ(LanguageFromAbbreviation("ESN"), 0x0C0Au);
    EXPECT_EQ(LanguageFromAbbreviation("rus"), 0x0419u);
    EXPECT_EQ(LanguageFromAbbreviation("XX"), 0u);
    EXPECT_EQ(LanguageFromAbbreviation(""), 0u);
    EXPECT_EQ(LanguageFromAbbreviation("ENUS"), 0u);
    // Hindi has no ANSI code page, so it is not in the system list.
    EXPECT_EQ(LanguageFromAbbreviation("HIN"), 0u);
}

TEST(LanguageCodes, ExampleLanguagesAndLanguagesAddedToTheLocaleData) {
    const std::pair<const char*, std::uint32_t> examples[] = {{"DE", 0x07}, {"RU", 0x19}, {"HE", 0x0D}};
    for (const auto& [code, id] : examples) EXPECT_EQ(LanguageAbbreviation(id), code);
    EXPECT_EQ(LanguageFromAbbreviation("de"), 0x07u);
    EXPECT_EQ(LanguageFromAbbreviation("RU"), 0x19u);  // Russian (Moldova) makes two Russian locales
    EXPECT_EQ(LanguageAbbreviation(0x0452), "CYM");
    EXPECT_EQ(LanguageAbbreviation(0x0052), "CY");
    EXPECT_EQ(LanguageAbbreviation(0x0449), "TAI");
    EXPECT_EQ(LanguageAbbreviation(0x0849), "TAM");
    EXPECT_EQ(LanguageAbbreviation(0x044B), "KDI");
    EXPECT_EQ(LanguageAbbreviation(0x0450), "MNN");
    EXPECT_EQ(LanguageFromAbbreviation("cym"), 0x0452u);
    EXPECT_EQ(LanguageFromAbbreviation("TAJ"), 0x0428u);
    EXPECT_EQ(LanguageFromAbbreviation("AMH"), 0u);  // no ANSI code page: not in the system list
    EXPECT_EQ(EnglishLanguageName(0x0452), "Welsh (CYM)");
    EXPECT_EQ(EnglishLanguageName(0x0052), "Welsh");
}

TEST(LanguageCodes, EveryLanguageAloneFindsItselfByItsTwoLetterCode) {
    int neutral = 0;
    for (const TSystemLanguage& e : SystemLanguages()) {
        if (static_cast<std::uint32_t>(PrimaryLanguage(e.Lcid)) != e.Lcid) continue;
        ++neutral;
        EXPECT_EQ(LanguageFromAbbreviation(LanguageAbbreviation(e.Lcid)), e.Lcid) << std::hex << e.Lcid;
    }
    EXPECT_GT(neutral, 10);
}

TEST(SystemLanguageList, NeutralEntryBeforeFirstLocaleOfEachLanguage) {
    const std::vector<TSystemLanguage> list = SystemLanguages();
    ASSERT_GT(list.size(), 100u);
    // Arabic comes first and has many locales.
    ASSERT_GE(list.size(), 2u);
    EXPECT_EQ(list[0].Lcid, 0x0001u);
    EXPECT_EQ(list[0].Name, "Arabic");
    EXPECT_EQ(list[1].Lcid, 0x0401u);
    EXPECT_EQ(list[1].Name, "Arabic (Saudi Arabia)");
    std::size_t english = list.size(), enUs = list.size(), bulgarianNeutral = 0;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i].Lcid == 0x0009) english = i;
        if (list[i].Lcid == 0x0409) enUs = i;
        if (list[i].Lcid == 0x0002) ++bulgarianNeutral;
        // Every neutral entry appears once and stands just before a locale of its language.
        if (PrimaryLanguage(list[i].Lcid) == static_cast<int>(list[i].Lcid)) {
            ASSERT_LT(i + 1, list.size());
            EXPECT_EQ(PrimaryLanguage(list[i + 1].Lcid), static_cast<int>(list[i].Lcid));
        }
    }
    EXPECT_EQ(english + 1, enUs);
    ASSERT_LT(english, list.size());
    EXPECT_EQ(list[english].Name, "English");
    EXPECT_EQ(bulgarianNeutral, 0u);  // one locale only: no entry for the language alone
}

TEST(CodePages, OfLanguagesAndCharsets) {
    LangEnv env("ru_RU");
    EXPECT_EQ(PrimaryLanguage(0x0C0A), 0x0A);
    EXPECT_EQ(PrimaryLanguage(0x0009), 0x09);
    EXPECT_EQ(CodePageOfLanguage(0x0419), 1251);
    EXPECT_EQ(CodePageOfLanguage(0x0411), 932);
    EXPECT_EQ(CodePageOfLanguage(0x0439), 0);       // Hindi has none
    EXPECT_EQ(CodePageOfLanguage(0x0FFF), 1251);    // unknown: the system code page
    EXPECT_EQ(CharsetOfCodePage(1250), 238);
    EXPECT_EQ(CharsetOfCodePage(950), 136);
    EXPECT_EQ(CharsetOfCodePage(12345), 204);       // the system code page's charset
    EXPECT_EQ(CharsetOfLanguage(0x0408), 161);
    EXPECT_EQ(CharsetOfLanguage(0x0439), 204);
}

TEST(RightToLeft, HebrewAndArabicScriptsOnly) {
    for (std::uint32_t id : {0x040Du, 0x000Du, 0x0401u, 0x0C01u, 0x0429u, 0x0420u}) {
        EXPECT_TRUE(IsRightToLeftLanguage(id)) << std::hex << id;
    }
    for (std::uint32_t id : {0x0409u, 0x0009u, 0x0419u, 0x0408u, 0x041Eu, 0x0411u, 0x0804u}) {
        EXPECT_FALSE(IsRightToLeftLanguage(id)) << std::hex << id;
    }
}

TEST(Conversions, ByCodePageAndByLanguage) {
    LangEnv env("en_US.UTF-8");
    EXPECT_EQ(AnsiToWide("", 1251), u"");
    EXPECT_EQ(WideToAnsi(u"", 1251), "");
    EXPECT_EQ(AnsiToWide(Bytes({0xC0}), 1251), u"\u0410");
    EXPECT_EQ(AnsiToWide(Bytes({0xC0}), 0), u"\u00C0");       // system code page
    EXPECT_EQ(AnsiToWide(Bytes({0xC0}), 65001), u"\u00C0");   // unusable: the system code page
    EXPECT_EQ(WideToAnsi(u"\u0410", 1251), Bytes({0xC0}));
    EXPECT_EQ(WideToAnsi(u"\u0410", 1252), "?");
    EXPECT_EQ(AnsiToWideByLanguage(Bytes({0xE0}), 0x040D), u"\u05D0");
    EXPECT_EQ(WideToAnsiByLanguage(u"\u03A9", 0x0408), Bytes({0xD9}));
    EXPECT_EQ(AnsiToWideByLanguage(Bytes({0x82, 0xA0}), 0x0411), u"\u3042");
    // A language without a code page of its own converts with the system code page.
    EXPECT_EQ(AnsiToWideByLanguage(Bytes({0xE9}), 0x0439), u"\u00E9");
}

TEST(Conversions, SystemCodePageFollowsEnvironment) {
    LangEnv env("ru_RU");
    EXPECT_EQ(AnsiToWide(Bytes({0xC0}), 0), u"\u0410");
    EXPECT_EQ(WideToAnsi(u"\u0410", 0), Bytes({0xC0}));
}

TEST(Conversions, ArbitraryInputNeverFails) {
    std::mt19937 random(99);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> unit(0xD700, 0xE000);  // dense in surrogates
    const int codePages[] = {0, 874, 932, 936, 949, 950, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258, 42};
    for (int round = 0; round < 25; ++round) {
        std::string bytes(static_cast<std::size_t>(1 + round * 3), '\0');
        for (char& c : bytes) c = static_cast<char>(byte(random));
        std::u16string text(static_cast<std::size_t>(1 + round * 3), u'\0');
        for (char16_t& c : text) c = static_cast<char16_t>(unit(random));
        for (int cp : codePages) {
            EXPECT_FALSE(AnsiToWide(bytes, cp).empty()) << cp;
            EXPECT_FALSE(WideToAnsi(text, cp).empty()) << cp;
        }
    }
}

TEST(TextHelpers, PosTextIgnoresCaseInTheSystemCodePage) {
    LangEnv env("ru_RU");
    EXPECT_EQ(PosText("world", "Hello WORLD"), 7);
    EXPECT_EQ(PosText("WORLD", "hello world"), 7);
    EXPECT_EQ(PosText("x", "hello"), 0);
    EXPECT_EQ(PosText("", "hello"), 0);
    EXPECT_EQ(PosText("hello", ""), 0);
    EXPECT_EQ(PosText(Bytes({0xEF, 0xF0}), "a" + Bytes({0xCF, 0xD0})), 2);  // пр in аПР
}

TEST(TextHelpers, SameTextAnyUnderTheUsersLocale) {
    LangEnv env("es_ES.UTF-8");
    EXPECT_TRUE(SameTextAny("Caption", {"Hint", "CAPTION"}));
    EXPECT_TRUE(SameTextAny(Bytes({0xC1, 0x42}), {Bytes({0xE1, 0x62})}));  // ÁB, áb
    EXPECT_FALSE(SameTextAny("Caption", {"Captions", "Hint"}));
    EXPECT_FALSE(SameTextAny("Caption", {}));
    EXPECT_TRUE(SameTextAny("", {"x", ""}));
}

}  // namespace
