// The locale data and code-page stand-in: tables, conversions, the user's locale from the
// environment.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <random>
#include <set>
#include <string>

#include "platform/nls/CodePages.h"
#include "platform/nls/LocaleData.h"
#include "platform/nls/Nls.h"

namespace {

constexpr int kSingleByte[] = {874, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258};
constexpr int kDoubleByte[] = {932, 936, 949, 950};

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s.push_back(static_cast<char>(v));
    return s;
}

std::u16string Wide(int cp, const std::string& text) {
    const std::optional<std::u16string> w = nls::MultiByteToWide(cp, text);
    EXPECT_TRUE(w.has_value()) << cp;
    return w.value_or(u"");
}

std::string Narrow(int cp, const std::u16string& text) {
    const std::optional<std::string> a = nls::WideToMultiByte(cp, text);
    EXPECT_TRUE(a.has_value()) << cp;
    return a.value_or("");
}

// Sets LC_ALL, LC_CTYPE and LANG for one test and puts the old values back afterwards.
class LocaleEnv {
public:
    LocaleEnv() {
        for (int i = 0; i < 3; ++i) {
            const char* v = std::getenv(kNames[i]);
            saved_[i] = v ? std::optional<std::string>(v) : std::nullopt;
        }
    }
    ~LocaleEnv() {
        for (int i = 0; i < 3; ++i) Put(kNames[i], saved_[i] ? saved_[i]->c_str() : nullptr);
        nls::ResetUserLocaleForTests();
    }
    void Set(const char* all, const char* ctype, const char* lang) {
        Put("LC_ALL", all);
        Put("LC_CTYPE", ctype);
        Put("LANG", lang);
        nls::ResetUserLocaleForTests();
    }

private:
    static void Put(const char* name, const char* value) {
        if (value) setenv(name, value, 1);
        else unsetenv(name);
    }
    static constexpr const char* kNames[3] = {"LC_ALL", "LC_CTYPE", "LANG"};
    std::optional<std::string> saved_[3];
};

TEST(SingleByteCodePages, EveryByteRoundTripsAndIsOneCharacter) {
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    for (int cp : kSingleByte) {
        ASSERT_TRUE(nls::IsValidCodePage(cp)) << cp;
        const std::u16string w = Wide(cp, all);
        ASSERT_EQ(w.size(), 256u) << cp;
        EXPECT_EQ(std::set<char16_t>(w.begin(), w.end()).size(), 256u) << "two bytes share a character in " << cp;
        EXPECT_EQ(Narrow(cp, w), all) << cp;
    }
}

TEST(SingleByteCodePages, KnownCharactersAndUndefinedBytes) {
    EXPECT_EQ(Wide(1252, Bytes({0x80, 0x81, 0x8D, 0x8F, 0x90, 0x9D, 0xE9})), u"\u20AC\u0081\u008D\u008F\u0090\u009D\u00E9");
    EXPECT_EQ(Narrow(1252, u"\u0081\u009D"), Bytes({0x81, 0x9D}));
    EXPECT_EQ(Wide(1251, Bytes({0xC0, 0xFF, 0xA8})), u"\u0410\u044F\u0401");
    EXPECT_EQ(Wide(1253, Bytes({0xC1, 0xAA})), u"\u0391\u00AA");
    EXPECT_EQ(Wide(1255, Bytes({0xE0, 0xFA})), u"\u05D0\u05EA");
    EXPECT_EQ(Wide(1256, Bytes({0xC7})), u"\u0627");
    EXPECT_EQ(Wide(874, Bytes({0xA1, 0xDB})), u"\u0E01\u00DB");
    // Nothing is composed or decomposed: a precomposed Vietnamese letter 1258 has no byte for is
    // unmappable, and a base letter with a combining mark stays two bytes.
    EXPECT_EQ(Narrow(1258, u"\u1EBF"), "?");
    EXPECT_EQ(Wide(1258, Bytes({0x65, 0xEC})), u"e\u0301");
    EXPECT_EQ(Narrow(1255, u"\u05D1\u05BC"), Bytes({0xE1, 0xCC}));
}

TEST(SingleByteCodePages, UnmappableCharactersBecomeQuestionMarks) {
    EXPECT_EQ(Narrow(1252, u"a\u0410b"), "a?b");
    EXPECT_EQ(Narrow(1251, u"\u00E9"), "?");
    // Unpaired surrogates and a pair each write one "?" per code unit.
    EXPECT_EQ(Narrow(1252, std::u16string(u"x\xD800y\xDC00z")), "x?y?z");
    EXPECT_EQ(Narrow(1252, u"\U0001F600"), "??");
}

TEST(DoubleByteCodePages, EveryValidPairConvertsWithoutLoss) {
    for (int cp : kDoubleByte) {
        ASSERT_TRUE(nls::IsValidCodePage(cp)) << cp;
        int valid = 0;
        for (int lead = 0x81; lead <= 0xFE; ++lead) {
            for (int trail = 0x40; trail <= 0xFE; ++trail) {
                const std::string pair = Bytes({lead, trail});
                const std::u16string w = Wide(cp, pair);
                if (w.size() != 1 || w == u"?") continue;  // not a pair of this code page
                ++valid;
                const std::string back = Narrow(cp, w);
                // A few characters have two codes (932's NEC and IBM extensions); they come back
                // as the one Windows writes, which must read as the same character.
                if (back != pair) {
                    EXPECT_EQ(Wide(cp, back), w) << cp << " " << std::hex << lead << trail;
                }
            }
        }
        EXPECT_GT(valid, 7000) << cp;
    }
}

TEST(DoubleByteCodePages, KnownCharacters) {
    EXPECT_EQ(Wide(932, Bytes({0x82, 0xA0, 0x41, 0xB1, 0x5C})), u"\u3042A\uFF71\\");
    EXPECT_EQ(Wide(936, Bytes({0xC4, 0xE3})), u"\u4F60");
    EXPECT_EQ(Wide(949, Bytes({0xB0, 0xA1})), u"\uAC00");
    EXPECT_EQ(Wide(950, Bytes({0xA4, 0x40})), u"\u4E00");
    EXPECT_EQ(Narrow(932, u"\u3042"), Bytes({0x82, 0xA0}));
    EXPECT_EQ(Narrow(949, u"a\u0410\u00E9"), "a" + Bytes({0xAC, 0xA1}) + "?");
}

TEST(DoubleByteCodePages, BrokenInputBecomesQuestionMarks) {
    // A lead byte cut off at the end, a lead byte before a byte that cannot trail, unpaired
    // surrogates.
    EXPECT_EQ(Wide(932, Bytes({0x41, 0x82})), u"A?");
    EXPECT_EQ(Wide(936, Bytes({0x81, 0x0A, 0x42})), u"?\nB");
    EXPECT_EQ(Narrow(950, std::u16string(u"a\xDC00\xD800")), "a??");
    EXPECT_EQ(Narrow(936, u"\U0001F600"), "??");
}

TEST(Conversions, AnyInputConvertsWithoutFailing) {
    std::mt19937 random(1234);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> unit(0, 0xFFFF);
    std::uniform_int_distribution<int> surrogate(0xD800, 0xDFFF);
    for (int round = 0; round < 40; ++round) {
        std::string bytes(static_cast<std::size_t>(round * 7), '\0');
        for (char& c : bytes) c = static_cast<char>(byte(random));
        std::u16string text(static_cast<std::size_t>(round * 5), u'\0');
        for (char16_t& c : text) c = static_cast<char16_t>(round % 2 ? surrogate(random) : unit(random));
        for (int cp : kSingleByte) {
            EXPECT_EQ(Wide(cp, bytes).size(), bytes.size());
            EXPECT_EQ(Narrow(cp, text).size(), text.size());
        }
        for (int cp : kDoubleByte) {
            EXPECT_LE(Wide(cp, bytes).size(), bytes.size());
            EXPECT_GE(Narrow(cp, text).size(), text.size());
        }
    }
}

TEST(Conversions, UnknownCodePagesAnswerNothing) {
    for (int cp : {0, 1, 437, 65001, 1259, -1}) {
        EXPECT_FALSE(nls::IsValidCodePage(cp)) << cp;
        EXPECT_FALSE(nls::MultiByteToWide(cp, "abc").has_value()) << cp;
        EXPECT_FALSE(nls::WideToMultiByte(cp, u"abc").has_value()) << cp;
        EXPECT_FALSE(nls::CharsetOfCodePage(cp).has_value()) << cp;
    }
    EXPECT_EQ(nls::CharsetOfCodePage(1251), nls::RUSSIAN_CHARSET);
    EXPECT_EQ(nls::CharsetOfCodePage(932), nls::SHIFTJIS_CHARSET);
    EXPECT_EQ(nls::CharsetOfCodePage(1258), nls::VIETNAMESE_CHARSET);
}

// The translation store takes ASCII text from one language's code page to another's as it
// stands: every code page a locale names must keep the ASCII range as it is, both ways.
TEST(Conversions, EveryLocalesCodePageKeepsAscii) {
    std::string ascii;
    std::u16string wide;
    for (int c = 1; c < 0x80; ++c) {
        ascii.push_back(static_cast<char>(c));
        wide.push_back(static_cast<char16_t>(c));
    }
    std::set<int> codePages{nls::GetACP()};
    for (const nls::TLocaleEntry& e : nls::LocaleEntries())
        if (e.AnsiCodePage != 0) codePages.insert(e.AnsiCodePage);
    for (int cp : codePages) {
        EXPECT_EQ(Wide(cp, ascii), wide) << cp;
        EXPECT_EQ(Narrow(cp, wide), ascii) << cp;
    }
}

TEST(LocaleData, TableIsSortedAndComplete) {
    const auto entries = nls::LocaleEntries();
    std::set<std::uint16_t> ids;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const nls::TLocaleEntry& e = entries[i];
        if (i > 0) {
            EXPECT_LT(entries[i - 1].LangId, e.LangId);
        }
        ids.insert(e.LangId);
        EXPECT_EQ(std::string(e.Abbreviation).size(), 3u) << std::hex << e.LangId;
        EXPECT_TRUE(e.AnsiCodePage == 0 || nls::IsValidCodePage(e.AnsiCodePage)) << std::hex << e.LangId;
        EXPECT_EQ(nls::FindLocale(e.LangId), &e);
        EXPECT_EQ(nls::IsNeutral(e.LangId), e.DefaultId != 0) << std::hex << e.LangId;
        if (nls::IsNeutral(e.LangId)) {
            const nls::TLocaleEntry* def = nls::FindLocale(e.DefaultId);
            ASSERT_NE(def, nullptr) << std::hex << e.LangId;
            EXPECT_FALSE(nls::IsNeutral(def->LangId)) << std::hex << e.LangId;
            EXPECT_EQ(def->LangId & 0x3FF, e.LangId & 0x3FF);
        }
    }
    // Every language has its neutral id.
    for (std::uint16_t id : ids) EXPECT_TRUE(ids.count(id & 0x3FF)) << std::hex << id;
    EXPECT_EQ(nls::FindLocale(0x0FFF), nullptr);
    EXPECT_EQ(nls::FindLocale(0x10407), nls::FindLocale(0x0407));  // sort bits do not matter
}

TEST(LocaleInfo, SizeFirstThenText) {
    const int size = nls::GetLocaleInfoA(0x0409, nls::LOCALE_SABBREVLANGNAME, nullptr, 0);
    ASSERT_EQ(size, 4);
    char buffer[8] = {};
    EXPECT_EQ(nls::GetLocaleInfoA(0x0409, nls::LOCALE_SABBREVLANGNAME, buffer, 3), 0);  // too small
    EXPECT_EQ(nls::GetLocaleInfoA(0x0409, nls::LOCALE_SABBREVLANGNAME, buffer, size), size);
    EXPECT_STREQ(buffer, "ENU");
    EXPECT_EQ(nls::GetLocaleInfoA(0x0FFF, nls::LOCALE_SABBREVLANGNAME, nullptr, 0), 0);
    EXPECT_EQ(nls::GetLocaleInfoA(0x0409, 0x7777, nullptr, 0), 0);
    EXPECT_EQ(nls::GetLocaleInfoW(0x0419, nls::LOCALE_SNATIVELANGNAME), u"\u0440\u0443\u0441\u0441\u043A\u0438\u0439");
    EXPECT_EQ(nls::GetLocaleInfoW(0x0C0A, nls::LOCALE_SENGLANGUAGE), u"Spanish");
    EXPECT_EQ(nls::GetLocaleInfoW(0x0439, nls::LOCALE_IDEFAULTANSICODEPAGE), u"0");
}

TEST(LocaleInfo, AnsiTextIsInTheLocalesCodePage) {
    char buffer[32] = {};
    ASSERT_GT(nls::GetLocaleInfoA(0x0419, nls::LOCALE_SNATIVELANGNAME, buffer, sizeof buffer), 0);
    EXPECT_EQ(std::string(buffer), Bytes({0xF0, 0xF3, 0xF1, 0xF1, 0xEA, 0xE8, 0xE9}));
    ASSERT_GT(nls::GetLocaleInfoA(0x040C, nls::LOCALE_SNATIVELANGNAME, buffer, sizeof buffer), 0);
    EXPECT_EQ(std::string(buffer), "fran" + Bytes({0xE7}) + "ais");
}

TEST(LocaleInfo, EnumerationListsLocalesInOrder) {
    const std::vector<std::string> locales = nls::EnumSystemLocales();
    ASSERT_FALSE(locales.empty());
    EXPECT_EQ(locales.front(), "00000401");
    for (std::size_t i = 0; i < locales.size(); ++i) {
        EXPECT_EQ(locales[i].size(), 8u);
        const auto id = static_cast<std::uint16_t>(std::stoul(locales[i], nullptr, 16));
        EXPECT_FALSE(nls::IsNeutral(id)) << locales[i];
        if (i > 0) {
            EXPECT_LT(locales[i - 1], locales[i]);
        }
    }
}

TEST(UserLocale, EnvironmentDecidesLanguageAndCodePage) {
    LocaleEnv env;
    struct Case {
        const char *all, *ctype, *lang;
        std::uint16_t id;
        int cp;
    };
    const Case cases[] = {
        {nullptr, nullptr, nullptr, 0x0409, 1252},
        {nullptr, nullptr, "C", 0x0409, 1252},
        {"POSIX", nullptr, "ru_RU", 0x0409, 1252},
        {nullptr, nullptr, "es_ES.UTF-8", 0x0C0A, 1252},
        {nullptr, nullptr, "ru_RU", 0x0419, 1251},
        {nullptr, "ru_RU.UTF-8", "es_ES.UTF-8", 0x0419, 1251},
        {"el_GR.UTF-8", "ru_RU.UTF-8", "es_ES.UTF-8", 0x0408, 1253},
        {"", "", "ja_JP.UTF-8", 0x0411, 932},  // empty counts as unset
        {nullptr, nullptr, "de", 0x0407, 1252},
        {nullptr, nullptr, "es", 0x0C0A, 1252},
        {nullptr, nullptr, "de_AT.ISO-8859-1@euro", 0x0C07, 1252},
        {nullptr, nullptr, "sr_RS@latin", 0x241A, 1250},
        {nullptr, nullptr, "sr_RS", 0x281A, 1251},
        {nullptr, nullptr, "sr_XK@latin", 0x081A, 1250},  // no such country: the first Serbian (Latin)
        {nullptr, nullptr, "sr_XK", 0x0C1A, 1251},
        {nullptr, nullptr, "cy_GB.UTF-8", 0x0452, 1252},
        {nullptr, nullptr, "tg_TJ", 0x0428, 1251},
        {nullptr, nullptr, "zh_TW.UTF-8", 0x0404, 950},
        {nullptr, nullptr, "am_ET", 0x045E, 1252},  // no code page of its own
        {nullptr, nullptr, "uz_UZ@cyrillic", 0x0843, 1251},
        {nullptr, nullptr, "uz_UZ", 0x0443, 1254},
        {nullptr, nullptr, "nb_NO.UTF-8", 0x0414, 1252},
        {nullptr, nullptr, "hi_IN", 0x0439, 1252},  // no code page of its own
        {nullptr, nullptr, "xx_YY", 0x0409, 1252},
        {nullptr, nullptr, "C.UTF-8", 0x0409, 1252},
    };
    for (const Case& c : cases) {
        env.Set(c.all, c.ctype, c.lang);
        const std::string label = std::string(c.all ? c.all : "-") + "/" + (c.ctype ? c.ctype : "-") + "/" +
                                  (c.lang ? c.lang : "-");
        EXPECT_EQ(nls::GetUserDefaultLangID(), c.id) << label;
        EXPECT_EQ(nls::GetACP(), c.cp) << label;
    }
}

TEST(UserLocale, ReadOnceUntilReset) {
    LocaleEnv env;
    env.Set(nullptr, nullptr, "ru_RU");
    EXPECT_EQ(nls::GetACP(), 1251);
    setenv("LANG", "el_GR", 1);
    EXPECT_EQ(nls::GetACP(), 1251);
    nls::ResetUserLocaleForTests();
    EXPECT_EQ(nls::GetACP(), 1253);
    // The user-default locale ids stand for the user's locale.
    EXPECT_EQ(nls::GetLocaleInfoW(nls::LOCALE_USER_DEFAULT, nls::LOCALE_SABBREVLANGNAME), u"ELL");
}

TEST(CharacterTypes, RightToLeftByCodePageOfLocale) {
    const std::vector<int> hebrew = nls::GetStringType2(0x040D, Bytes({0xE0, 0x41, 0x31, 0x20}));
    EXPECT_EQ(hebrew, (std::vector<int>{nls::C2_RIGHTTOLEFT, nls::C2_LEFTTORIGHT, nls::C2_EUROPENUMBER,
                                        nls::C2_WHITESPACE}));
    // The same byte in a Latin locale is a Latin letter.
    EXPECT_EQ(nls::GetStringType2(0x0409, Bytes({0xE0})), std::vector<int>{nls::C2_LEFTTORIGHT});
    EXPECT_EQ(nls::CharType2(u'\u0627'), nls::C2_RIGHTTOLEFT);
    EXPECT_EQ(nls::CharType2(u'\u0661'), nls::C2_ARABICNUMBER);
    EXPECT_EQ(nls::CharType2(u'\u05B0'), nls::C2_NOTAPPLICABLE);  // a point is not a letter
}

TEST(CaseInsensitiveText, FollowsTheUsersCodePage) {
    LocaleEnv env;
    env.Set(nullptr, nullptr, "ru_RU");
    const std::string upper = Bytes({0xCF, 0xD0, 0xC8});  // ПРИ
    const std::string lower = Bytes({0xEF, 0xF0, 0xE8});  // при
    EXPECT_TRUE(nls::EqualTextIgnoreCase(nls::LOCALE_USER_DEFAULT, upper, lower));
    EXPECT_EQ(nls::AnsiLowerCase("AB" + upper), "ab" + lower);
    EXPECT_FALSE(nls::EqualTextIgnoreCase(nls::LOCALE_USER_DEFAULT, upper, lower + "x"));
    env.Set(nullptr, nullptr, "en_US");
    EXPECT_EQ(nls::AnsiLowerCase(Bytes({0xC9, 0x8A, 0x9F})), Bytes({0xE9, 0x9A, 0xFF}));  // É Š Ÿ
    EXPECT_TRUE(nls::EqualTextIgnoreCase(nls::LOCALE_USER_DEFAULT, "Stra" + Bytes({0xDF}), "STRA" + Bytes({0xDF})));
    // In a double-byte code page a trail byte that looks like a capital stays as it is.
    env.Set(nullptr, nullptr, "ja_JP");
    EXPECT_EQ(nls::AnsiLowerCase(Bytes({0x83, 0x41, 0x41})), Bytes({0x83, 0x41, 0x61}));
}

TEST(CaseInsensitiveText, LowerCaseMapping) {
    EXPECT_EQ(nls::LowerCase(u"ÀÉÎÕÜ×ĀĹŽŸΆΣЁЯԱ"), u"àéîõü×āĺžÿάσёяա");
    EXPECT_EQ(nls::LowerChar(u'\u0130'), u'i');
    EXPECT_EQ(nls::LowerChar(u'\u1EA0'), u'\u1EA1');
    EXPECT_EQ(nls::LowerChar(u'\uFF21'), u'\uFF41');
    EXPECT_EQ(nls::LowerChar(u'\u4E00'), u'\u4E00');
}

}  // namespace
