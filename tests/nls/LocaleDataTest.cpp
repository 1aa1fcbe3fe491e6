// The generated locale data: the ids Windows knows, their abbreviations and code pages, and the
// names as the locale-information calls answer them.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/nls/LocaleData.h"
#include "platform/nls/Nls.h"

namespace {

std::string Ansi(std::uint32_t lcid, std::uint32_t infoType) {
    char buffer[128] = {};
    const int got = nls::GetLocaleInfoA(lcid, infoType, buffer, sizeof buffer);
    return got > 0 ? std::string(buffer, static_cast<std::size_t>(got - 1)) : std::string();
}

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s.push_back(static_cast<char>(v));
    return s;
}

TEST(LocaleData, LanguagesWindowsKnowsHaveNamesAbbreviationsAndCodePages) {
    struct Case {
        std::uint16_t id;
        const char* abbreviation;
        int codePage;
        const char16_t* language;
        const char16_t* native;
    };
    const Case cases[] = {
        {0x0452, "CYM", 1252, u"Welsh", u"Cymraeg"},
        {0x0435, "ZUL", 1252, u"Zulu", u"isiZulu"},
        {0x0428, "TAJ", 1251, u"Tajik", u"\u0442\u043E\u04B7\u0438\u043A\u04E3"},
        {0x0453, "KHM", 0, u"Khmer", u"\u1781\u17D2\u1798\u17C2\u179A"},
        {0x045E, "AMH", 0, u"Amharic", u"\u12A0\u121B\u122D\u129B"},
        {0x0449, "TAI", 0, u"Tamil", nullptr},      // Tamil (India)
        {0x0849, "TAM", 0, u"Tamil", nullptr},      // Tamil (Sri Lanka)
        {0x044B, "KDI", 0, u"Kannada", nullptr},
        {0x0450, "MNN", 1251, u"Mongolian", nullptr},  // Cyrillic
        {0x0850, "MNG", 0, u"Mongolian", nullptr},     // traditional script, China
        {0x0C50, "MNM", 0, u"Mongolian", nullptr},     // traditional script, Mongolia
        {0x0442, "TUK", 1250, u"Turkmen", nullptr},
        {0x281A, "SRO", 1251, u"Serbian", u"\u0441\u0440\u043F\u0441\u043A\u0438"},
        {0x580A, "ESJ", 1252, u"Spanish", u"espa\u00F1ol"},
    };
    for (const Case& c : cases) {
        const nls::TLocaleEntry* e = nls::FindLocale(c.id);
        ASSERT_NE(e, nullptr) << std::hex << c.id;
        EXPECT_FALSE(nls::IsNeutral(c.id)) << std::hex << c.id;
        EXPECT_EQ(Ansi(c.id, nls::LOCALE_SABBREVLANGNAME), c.abbreviation) << std::hex << c.id;
        EXPECT_EQ(e->AnsiCodePage, c.codePage) << std::hex << c.id;
        EXPECT_EQ(Ansi(c.id, nls::LOCALE_IDEFAULTANSICODEPAGE), std::to_string(c.codePage)) << std::hex << c.id;
        EXPECT_EQ(nls::GetLocaleInfoW(c.id, nls::LOCALE_SENGLANGUAGE), c.language) << std::hex << c.id;
        EXPECT_FALSE(nls::GetLocaleInfoW(c.id, nls::LOCALE_SLANGUAGE).empty()) << std::hex << c.id;
        EXPECT_FALSE(nls::GetLocaleInfoW(c.id, nls::LOCALE_SNATIVELANGNAME).empty()) << std::hex << c.id;
        if (c.native) {
            EXPECT_EQ(nls::GetLocaleInfoW(c.id, nls::LOCALE_SNATIVELANGNAME), c.native) << std::hex << c.id;
        }
    }
    EXPECT_EQ(nls::GetLocaleInfoW(0x0452, nls::LOCALE_SLANGUAGE), u"Welsh (United Kingdom)");
}

TEST(LocaleData, IdsTheProgramAlwaysKnewKeepTheirNames) {
    EXPECT_EQ(nls::GetLocaleInfoW(0x0429, nls::LOCALE_SENGLANGUAGE), u"Farsi");
    EXPECT_EQ(nls::GetLocaleInfoW(0x042C, nls::LOCALE_SLANGUAGE), u"Azeri (Latin)");
    EXPECT_EQ(nls::GetLocaleInfoW(0x0402, nls::LOCALE_SLANGUAGE), u"Bulgarian");
    EXPECT_EQ(nls::GetLocaleInfoW(0x040A, nls::LOCALE_SLANGUAGE), u"Spanish (Traditional Sort)");
    EXPECT_EQ(nls::GetLocaleInfoW(0x0414, nls::LOCALE_SNATIVELANGNAME), u"norsk (bokm\u00E5l)");
    // The languages the program ships and its example languages.
    const std::pair<std::uint16_t, const char*> codes[] = {{0x0009, "ENU"}, {0x000A, "ESN"}, {0x000C, "FRA"},
                                                           {0x0010, "ITA"}, {0x0007, "DEU"}, {0x0019, "RUS"},
                                                           {0x000D, "HEB"}};
    for (const auto& [id, abbreviation] : codes) EXPECT_EQ(Ansi(id, nls::LOCALE_SABBREVLANGNAME), abbreviation);
}

TEST(LocaleData, NeutralIdsStandForTheirDefaultLocale) {
    struct Case {
        std::uint16_t id, defaultId;
        const char* abbreviation;
        int codePage;
    };
    const Case cases[] = {
        {0x0052, 0x0452, "CYM", 1252}, {0x0035, 0x0435, "ZUL", 1252}, {0x0028, 0x0428, "TAJ", 1251},
        {0x0053, 0x0453, "KHM", 0},    {0x005E, 0x045E, "AMH", 0},    {0x0049, 0x0449, "TAI", 0},
        {0x004B, 0x044B, "KDI", 0},    {0x0050, 0x0450, "MNN", 1251}, {0x003C, 0x083C, "IRE", 1252},
        {0x701A, 0x241A, "SRM", 1250}, {0x6C1A, 0x281A, "SRO", 1251}, {0x7C04, 0x0404, "CHT", 950},
        {0x7C50, 0x0850, "MNG", 0},    {0x7C14, 0x0414, "NOR", 1252},
    };
    for (const Case& c : cases) {
        const nls::TLocaleEntry* e = nls::FindLocale(c.id);
        ASSERT_NE(e, nullptr) << std::hex << c.id;
        EXPECT_TRUE(nls::IsNeutral(c.id)) << std::hex << c.id;
        EXPECT_EQ(e->DefaultId, c.defaultId) << std::hex << c.id;
        EXPECT_STREQ(e->Abbreviation, c.abbreviation) << std::hex << c.id;
        EXPECT_EQ(e->AnsiCodePage, c.codePage) << std::hex << c.id;
        EXPECT_EQ(e->AnsiCodePage, nls::FindLocale(c.defaultId)->AnsiCodePage) << std::hex << c.id;
    }
    EXPECT_EQ(nls::GetLocaleInfoW(0x0052, nls::LOCALE_SLANGUAGE), u"Welsh");
    EXPECT_EQ(nls::GetLocaleInfoW(0x701A, nls::LOCALE_SLANGUAGE), u"Serbian (Latin)");
    // Neutral ids are not locales: the enumeration leaves them out.
    const std::vector<std::string> locales = nls::EnumSystemLocales();
    for (const char* id : {"00000452", "00000849", "0000281A"})
        EXPECT_NE(std::find(locales.begin(), locales.end(), id), locales.end()) << id;
    for (const char* id : {"00000052", "0000701A", "00007C04"})
        EXPECT_EQ(std::find(locales.begin(), locales.end(), id), locales.end()) << id;
}

TEST(LocaleData, AnsiNamesAreInTheLanguagesOwnCodePage) {
    // Tajik in 1251, whose letters "ҷ" and "ӣ" it cannot hold: those become "?", as Windows writes.
    EXPECT_EQ(Ansi(0x0428, nls::LOCALE_SNATIVELANGNAME), Bytes({0xF2, 0xEE, '?', 0xE8, 0xEA, '?'}));
    EXPECT_EQ(Ansi(0x281A, nls::LOCALE_SNATIVELANGNAME), Bytes({0xF1, 0xF0, 0xEF, 0xF1, 0xEA, 0xE8}));
    EXPECT_EQ(Ansi(0x7C1A, nls::LOCALE_SNATIVELANGNAME), "srpski");  // Serbian alone is Latin, 1250
    EXPECT_EQ(Ansi(0x0C0A, nls::LOCALE_SNATIVELANGNAME), "espa" + Bytes({0xF1}) + "ol");
    // No code page of its own: the system's, and no ANSI code page holds Khmer letters.
    EXPECT_EQ(Ansi(0x0453, nls::LOCALE_SNATIVELANGNAME), "?????");
    EXPECT_EQ(Ansi(0x0453, nls::LOCALE_SENGLANGUAGE), "Khmer");
}

}  // namespace
