#include "locstore/LocStorage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>

#include "platform/rtl/PackedStrings.h"

using namespace locstore;
using rtl::AnsiString;
using rtl::WideString;

namespace {

constexpr std::uint16_t kEnglishUS = 0x0409;  // code page 1252
constexpr std::uint16_t kRussian = 0x0419;    // code page 1251
constexpr std::uint16_t kFrench = 0x040C;     // code page 1252

std::vector<AnsiString> Names(const TNamedItemList& list) {
    std::vector<AnsiString> out;
    for (int i = 0; i < list.Count(); ++i) out.push_back(list.ItemAt(i)->Name());
    return out;
}

// Every item holds one value per store language, value i in language i.
void ExpectValuesInStep(const TLocStorage& store) {
    auto check = [&](const TLocItem* item) {
        ASSERT_EQ(item->Values().Count(), store.LanguageCount()) << item->Name();
        for (int i = 0; i < store.LanguageCount(); ++i)
            EXPECT_EQ(item->Values().Value(i)->LanguageId(), store.LanguageAt(i)) << item->Name() << " value " << i;
    };
    TLinearPropertyList props;
    TLinearConstantList constants;
    TLinearExternalList entries;
    store.Forms().CollectProperties(props, false);
    store.Units().CollectConstants(constants, false);
    store.ExternalGroups().CollectEntries(entries, false);
    for (int i = 0; i < props.Count(); ++i) check(props.ItemAt(i));
    for (int i = 0; i < constants.Count(); ++i) check(constants.ItemAt(i));
    for (int i = 0; i < entries.Count(); ++i) check(entries.ItemAt(i));
}

WideString W(const char16_t* s) { return WideString(s); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// Named lists

TEST(NamedItemList, FoldsOnlyAsciiLettersSoUnderscoreSortsAfterLetters) {
    TNamedItemList list;
    for (const char* name : {"_x", "Zeta", "alpha", "\xE9t\xE9", "Beta"}) list.FindOrAdd(name);
    EXPECT_EQ(Names(list), (std::vector<AnsiString>{"alpha", "Beta", "Zeta", "_x", "\xE9t\xE9"}));
    EXPECT_LT(list.Compare("abc", "ABCD"), 0);                 // a prefix sorts first
    EXPECT_EQ(list.Compare("Caption", "cAPTION"), 0);
    EXPECT_NE(list.Compare("\xC9", "\xE9"), 0);                // no folding beyond "a".."z"
}

TEST(NamedItemList, FindAnswersTheInsertionPointAndFindOrAddKeepsLastIndex) {
    TNamedItemList list;
    int index = -5;
    EXPECT_FALSE(list.Find("x", index));
    EXPECT_EQ(index, 0);
    EXPECT_EQ(list.LastIndex(), -1);

    TNamedItem* m = list.FindOrAdd("m");
    EXPECT_EQ(list.LastIndex(), 0);
    TNamedItem* c = list.FindOrAdd("c");  // inserted before m
    EXPECT_EQ(list.LastIndex(), 0);
    EXPECT_EQ(list.ItemAt(1), m);
    EXPECT_EQ(list.FindOrAdd("C"), c);  // answered from LastIndex
    EXPECT_EQ(list.FindOrAdd("M"), m);  // the one after LastIndex
    EXPECT_EQ(list.LastIndex(), 1);
    EXPECT_EQ(list.FindOrAdd("C"), c);  // searched: before LastIndex
    EXPECT_EQ(list.LastIndex(), 0);
    EXPECT_EQ(list.FindOrAdd("m"), m);
    EXPECT_EQ(list.LastIndex(), 1);
    EXPECT_FALSE(list.Find("n", index));
    EXPECT_EQ(index, 2);
    EXPECT_EQ(list.IndexOf("d"), -1);
    EXPECT_EQ(list.LastIndex(), 1);  // IndexOf leaves it alone

    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.LastIndex(), -1);
    EXPECT_THROW(list.ItemAt(0), rtl::EListError);
}

TEST(NamedItemList, RandomInsertionsStaySortedAndUnique) {
    TNamedItemList list;
    std::mt19937 rng(7);
    std::set<AnsiString> expected;  // upper-cased names
    const char letters[] = "aAbBzZ_09";
    for (int i = 0; i < 3000; ++i) {
        AnsiString name;
        const int len = 1 + static_cast<int>(rng() % 4);
        for (int k = 0; k < len; ++k) name += letters[rng() % (sizeof letters - 1)];
        TNamedItem* item = list.FindOrAdd(name);
        EXPECT_EQ(list.Compare(item->Name(), name), 0);
        EXPECT_EQ(list.ItemAt(list.LastIndex()), item);
        AnsiString folded = name;
        for (char& ch : folded) if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 32);
        expected.insert(folded);
    }
    ASSERT_EQ(list.Count(), static_cast<int>(expected.size()));
    for (int i = 1; i < list.Count(); ++i) EXPECT_LT(list.Compare(list.ItemAt(i - 1)->Name(), list.ItemAt(i)->Name()), 0);
    for (int i = 0; i < list.Count(); ++i) EXPECT_EQ(list.IndexOf(list.ItemAt(i)->Name()), i);
}

TEST(NamedItemList, PropertiesIgnoreCaseConstantsDoNot) {
    TLocStorage store;
    TLocForm* form = store.Forms().FindOrAdd("Form1");
    TLocComponent* button = form->Components().FindOrAdd("btn1");
    TLocProperty* caption = button->Properties().FindOrAdd(5, "Caption", lvkString);
    EXPECT_EQ(button->Properties().FindOrAdd(9, "CAPTION", lvkInteger), caption);
    EXPECT_EQ(button->Properties().Count(), 1);
    EXPECT_EQ(caption->Id(), 5);  // an existing item is not updated
    EXPECT_EQ(caption->ValueKind(), lvkString);

    TLocUnit* unit = store.Units().FindOrAdd("PrjConst");
    TLocConstant* upper = unit->Constants().FindOrAdd(1, "Caption", 100);
    // The last-used shortcut must not fold case either.
    TLocConstant* lower = unit->Constants().FindOrAdd(2, "caption", 101);
    EXPECT_NE(upper, lower);
    EXPECT_EQ(Names(unit->Constants()), (std::vector<AnsiString>{"Caption", "caption"}));
    EXPECT_EQ(unit->Constants().FindOrAdd(7, "Caption", 7), upper);
    EXPECT_EQ(upper->ResourceId(), 100u);
    EXPECT_EQ(unit->Constants().Find("CAPTION"), nullptr);
    EXPECT_EQ(unit->Constants().Find("caption"), lower);
}

// ---------------------------------------------------------------------------------------------
// Values

TEST(LocValue, BaseTextReachesOnlyUntranslatedValuesThroughTheCodePages) {
    TLocStorage store;
    store.SetBaseLanguage(kEnglishUS);
    TLocUnit* unit = store.Units().FindOrAdd("U");
    TLocConstant* item = unit->Constants().FindOrAdd(1, "SHello", 1);
    TLocValue* russian = item->Values().Value(item->AddValue(W(u"old"), kRussian));
    TLocValue* french = item->Values().Value(item->AddValue(W(u"vieux"), kFrench));
    TLocValue* translated = item->Values().Value(item->AddValue(W(u"kept"), kRussian));
    russian->SetRevision(-1);
    french->SetRevision(-2);

    item->BaseValue()->SetText(u"caf\u00E9");
    // 0xE9 is "é" in 1252 and "й" in 1251: the Russian value shows what its 8-bit interface would.
    EXPECT_EQ(russian->Text(), W(u"caf\u0439"));
    EXPECT_EQ(french->Text(), W(u"caf\u00E9"));
    EXPECT_EQ(translated->Text(), W(u"kept"));

    // A value other than the base passes nothing on.
    russian->SetText(u"x");
    EXPECT_EQ(french->Text(), W(u"caf\u00E9"));

    // Russian base: its bytes read back as 1252.
    TLocValueList list(lvkString, kRussian);
    TLocValue* other = new TLocValue(&list, kEnglishUS);
    list.Add(std::unique_ptr<TLocValue>(other));
    other->SetRevision(-1);
    list.Value(0)->SetText(u"\u0416\u0430");  // "Жа" = C6 E0 in 1251
    EXPECT_EQ(other->Text(), W(u"\u00C6\u00E0"));
}

TEST(LocValue, AnsiViewsUseTheValuesLanguage) {
    TLocValueList list(lvkString, kRussian);
    TLocValue* value = list.Value(0);
    value->SetAnsi("\xC6\xE0");
    EXPECT_EQ(value->Text(), W(u"\u0416\u0430"));
    EXPECT_EQ(value->AsAnsi(), "\xC6\xE0");
    value->SetLanguageId(kEnglishUS);
    EXPECT_EQ(value->Text(), W(u"\u0416\u0430"));  // the language changes, not the text
    value->SetText(u"a\u00E9");
    EXPECT_EQ(value->AsAnsi(), "a\xE9");
}

TEST(LocValue, FlagsAndLines) {
    TLocValueList list(lvkStrings, kEnglishUS);
    TLocValue* value = list.Value(0);
    EXPECT_TRUE(value->HasFlags(0));
    value->SetFlags(lvfUseOutdated, true);
    EXPECT_FALSE(value->HasFlags(lvfUseOutdated | lvfNotApplied));
    value->SetFlags(lvfNotApplied, true);
    EXPECT_TRUE(value->HasFlags(lvfUseOutdated | lvfNotApplied));
    value->SetFlags(lvfUseOutdated, false);
    EXPECT_EQ(value->Flags(), lvfNotApplied);

    value->SetText(u"one\r\ntwo\n\nfour\rfive\r\n");
    EXPECT_EQ(value->AsLines(), (std::vector<AnsiString>{"one", "two", "", "four", "five"}));
    value->SetText(WideString(u"a\nb") + u'\0' + u"hidden");
    EXPECT_EQ(value->AsLines(), (std::vector<AnsiString>{"a", "b"}));
    value->SetText(u"");
    EXPECT_TRUE(value->AsLines().empty());
    value->SetText(u"\n");
    EXPECT_EQ(value->AsLines(), (std::vector<AnsiString>{""}));
}

TEST(LocValue, NumbersFromText) {
    TLocValueList list(lvkInteger, kEnglishUS);
    TLocValue* value = list.Value(0);
    value->SetText(u" \t42\r\n");
    EXPECT_EQ(value->AsInteger(), 42);
    value->SetText(u"12x");
    EXPECT_EQ(value->AsInteger(), 0);
    EXPECT_EQ(value->AsFloat(), 0.0);
    EXPECT_THROW(value->AsInt64(), rtl::EConvertError);
    value->SetText(u"-2.5");
    EXPECT_EQ(value->AsFloat(), -2.5);
    value->SetText(u"-9223372036854775808");
    EXPECT_EQ(value->AsInt64(), INT64_MIN);
    value->SetText(u"9223372036854775807");
    EXPECT_EQ(value->AsInt64(), INT64_MAX);
    value->SetText(u"9223372036854775808");
    EXPECT_THROW(value->AsInt64(), rtl::EConvertError);
    value->SetText(u" 5");  // no trimming here
    EXPECT_THROW(value->AsInt64(), rtl::EConvertError);
    EXPECT_EQ(value->Text(), W(u" 5"));
}

TEST(LocValue, LoadFromStreamReadsByKindAndFormat) {
    auto streamOf = [](std::vector<std::uint8_t> bytes) { return rtl::TMemoryStream(std::move(bytes)); };

    TLocValueList ints(lvkInteger, kEnglishUS);
    TLocValue* value = ints.Value(0);
    value->SetText(u"keep");
    auto s = streamOf({0xFE, 0xFF, 0xFF, 0xFF});
    value->LoadFromStream(s, 3);  // format 3 has no integer data
    EXPECT_EQ(value->Text(), W(u"keep"));
    EXPECT_EQ(s.Position(), 0);
    value->LoadFromStream(s, 4);
    EXPECT_EQ(value->Text(), W(u"-2"));
    EXPECT_EQ(s.Position(), 4);
    auto shortInt = streamOf({1, 2});
    EXPECT_THROW(value->LoadFromStream(shortInt, 7), rtl::EReadError);
    EXPECT_EQ(value->Text(), W(u"-2"));

    TLocValueList floats(lvkFloat, kEnglishUS);
    auto floatText = [&](double d) {
        rtl::TMemoryStream m;
        m.WriteU64(std::bit_cast<std::uint64_t>(d));
        m.SetPosition(0);
        floats.Value(0)->LoadFromStream(m, 5);
        std::u16string t = floats.Value(0)->Text();
        return std::string(t.begin(), t.end());
    };
    EXPECT_EQ(floatText(2.5), "2.5");
    EXPECT_EQ(floatText(0.1), "0.1");
    EXPECT_EQ(floatText(-1234567.125), "-1234567.125");
    EXPECT_EQ(floatText(1.0 / 3.0), "0.333333333333333");
    EXPECT_EQ(floatText(1e20), "1E20");
    EXPECT_EQ(floatText(1.5e-7), "1.5E-7");
    EXPECT_EQ(floatText(0.0), "0");
    EXPECT_EQ(floatText(100000000000000.0), "100000000000000");

    TLocValueList strings(lvkString, kEnglishUS);
    TLocValue* base = strings.Value(0);
    TLocValue* follower = new TLocValue(&strings, kEnglishUS);
    strings.Add(std::unique_ptr<TLocValue>(follower));
    follower->SetRevision(-1);
    rtl::TMemoryStream m;
    rtl::WritePackedWideString(m, u"Hallo", 6);
    m.SetPosition(0);
    base->LoadFromStream(m, 6);
    EXPECT_EQ(base->Text(), W(u"Hallo"));
    EXPECT_EQ(follower->Text(), W(u""));  // read directly, not passed on

    // A length running past the end: a read error, the text unchanged, no huge allocation.
    auto hostile = streamOf({0xFF, 0xFF, 'a', 0});
    EXPECT_THROW(base->LoadFromStream(hostile, 5), rtl::EReadError);
    EXPECT_EQ(base->Text(), W(u"Hallo"));

    TLocValueList binary(lvkBinary, kEnglishUS);
    auto b = streamOf({1, 2, 3});
    binary.Value(0)->LoadFromStream(b, 7);
    EXPECT_EQ(b.Position(), 0);
}

// ---------------------------------------------------------------------------------------------
// The store

TEST(LocStorage, NewStoreHasOneLanguage) {
    TLocStorage store;
    EXPECT_EQ(store.LanguageCount(), 1);
    EXPECT_EQ(store.LanguageAt(0), store.BaseLanguageId());
    EXPECT_NE(store.BaseLanguageId(), 0);
    EXPECT_EQ(store.LanguageAt(1), 0);
    EXPECT_EQ(store.LanguageAt(-1), 0);
    EXPECT_EQ(store.IndexOfLanguage(static_cast<std::uint16_t>(store.BaseLanguageId() ^ 0x400)), -1);
    EXPECT_EQ(store.ActiveLanguageIndex(), 0);
    EXPECT_EQ(store.AddLanguage(0, kRussian), 1);
    EXPECT_EQ(store.LanguageAt(1), kRussian);
    EXPECT_EQ(store.AddLanguage(0, kRussian), 2);  // duplicates are not refused
    EXPECT_EQ(store.IndexOfLanguage(kRussian), 1);
}

TEST(LocStorage, AddLanguageCopiesTheSourceTextAsUntranslated) {
    TLocStorage store;
    store.SetBaseLanguage(kEnglishUS);
    TLocForm* form = store.Forms().FindOrAdd("Form1");
    TLocProperty* caption = form->Properties().FindOrAdd(1, "Caption", lvkString);
    caption->BaseValue()->SetText(u"Caf\u00E9");
    caption->BaseValue()->SetRevision(13);
    TLocConstant* constant = store.Units().FindOrAdd("U")->Constants().FindOrAdd(1, "S", 65000);
    constant->BaseValue()->SetText(u"Ready");
    TLocExtItem* entry = store.ExternalGroups().FindOrAdd("G")->Entries().FindOrAdd(1, "E");

    EXPECT_EQ(store.AddLanguage(0, kRussian), 1);
    TLocValue* ru = caption->Values().Value(1);
    EXPECT_EQ(ru->Text(), W(u"Caf\u0439"));
    EXPECT_EQ(ru->Revision(), -1);
    EXPECT_EQ(ru->LanguageId(), kRussian);
    EXPECT_EQ(constant->Values().Value(1)->Text(), W(u"Ready"));
    EXPECT_EQ(entry->Values().Value(1)->Revision(), -1);

    // The copy follows later changes of the base text.
    caption->BaseValue()->SetText(u"Menu");
    EXPECT_EQ(ru->Text(), W(u"Menu"));

    // An item made afterwards has empty values of revision 0 for the further languages.
    TLocComponent* label = form->Components().FindOrAdd("lbl1");
    TLocProperty* later = label->Properties().FindOrAdd(2, "Caption", lvkString);
    ASSERT_EQ(later->Values().Count(), 2);
    EXPECT_EQ(later->BaseValue()->LanguageId(), kEnglishUS);
    EXPECT_EQ(later->Values().Value(1)->Text(), W(u""));
    EXPECT_EQ(later->Values().Value(1)->Revision(), 0);

    // Copy from a language other than the base.
    ru->SetText(u"\u0416");
    ru->SetRevision(3);
    EXPECT_EQ(store.AddLanguage(1, kFrench), 2);
    EXPECT_EQ(caption->Values().Value(2)->Text(), W(u"\u00C6"));
    ExpectValuesInStep(store);
}

TEST(LocStorage, FailedOperationsKeepTheValuesInStep) {
    TLocStorage store;
    store.Forms().FindOrAdd("F")->Properties().FindOrAdd(1, "Caption", lvkString);
    try {
        store.AddLanguage(1, kRussian);
        FAIL() << "no error";
    } catch (const ELocStorageError& e) {
        EXPECT_STREQ(e.what(), "Could not add language");
    }
    EXPECT_THROW(store.AddLanguage(-1, kRussian), ELocStorageError);
    EXPECT_EQ(store.LanguageCount(), 1);
    ExpectValuesInStep(store);

    store.AddLanguage(0, kRussian);
    EXPECT_THROW(store.SetLanguageAt(2, kFrench), rtl::EListError);
    EXPECT_THROW(store.SetLanguageAt(-1, kFrench), rtl::EListError);
    EXPECT_EQ(store.LanguageCount(), 2);
    ExpectValuesInStep(store);

    TLocStorage empty;
    EXPECT_NO_THROW(empty.SetLanguageAt(5, kFrench));  // nothing to raise on without items
    EXPECT_EQ(empty.LanguageCount(), 1);
}

TEST(LocStorage, SetBaseLanguageChangesLanguagesNotTexts) {
    TLocStorage store;
    store.SetBaseLanguage(kEnglishUS);
    TLocConstant* c = store.Units().FindOrAdd("U")->Constants().FindOrAdd(1, "S", 1);
    TLocProperty* p = store.Forms().FindOrAdd("F")->Properties().FindOrAdd(1, "Caption", lvkString);
    TLocExtItem* e = store.ExternalGroups().FindOrAdd("G")->Entries().FindOrAdd(1, "E");
    c->BaseValue()->SetText(u"caf\u00E9");
    store.AddLanguage(0, kFrench);

    store.SetBaseLanguage(kRussian);
    EXPECT_EQ(store.BaseLanguageId(), kRussian);
    EXPECT_EQ(store.LanguageAt(0), kRussian);
    for (TLocItem* item : std::initializer_list<TLocItem*>{c, p, e}) {
        EXPECT_EQ(item->BaseValue()->LanguageId(), kRussian);
        EXPECT_EQ(item->Values().Value(1)->LanguageId(), kFrench);
    }
    EXPECT_EQ(c->BaseValue()->Text(), W(u"caf\u00E9"));
    EXPECT_EQ(c->BaseValue()->AsAnsi(), "caf?");  // now through 1251, which has no "é"
    store.SetLanguageAt(1, kEnglishUS);
    EXPECT_EQ(p->Values().Value(1)->LanguageId(), kEnglishUS);
    ExpectValuesInStep(store);
}

TEST(LocStorage, TreeLookUpsAndActiveValues) {
    TLocStorage store;
    TLocForm* f1 = store.Forms().FindOrAdd("Form1");
    TLocForm* f2 = store.Forms().FindOrAdd("AboutBox");  // sorts first
    TLocComponent* btn = f1->Components().FindOrAdd("btn");
    TLocProperty* compProp = btn->Properties().FindOrAdd(7, "Hint", lvkString);
    TLocProperty* formProp = f1->Properties().FindOrAdd(7, "Caption", lvkString);
    TLocProperty* otherForm = f2->Properties().FindOrAdd(8, "Caption", lvkString);
    TLocProperty* laterForm = f1->Properties().FindOrAdd(8, "Hint", lvkString);

    EXPECT_EQ(store.FindPropertyById(7), formProp);   // the form's own before its components'
    EXPECT_EQ(store.FindPropertyById(8), otherForm);  // the earlier form first
    EXPECT_EQ(store.FindPropertyById(99), nullptr);
    EXPECT_NE(laterForm, nullptr);
    EXPECT_EQ(compProp->OwnerForm(), f1);
    EXPECT_EQ(formProp->OwnerForm(), f1);
    EXPECT_EQ(f1->FindComponent(""), f1);
    EXPECT_EQ(f1->FindComponent("BTN"), btn);
    EXPECT_EQ(f1->FindComponent("none"), nullptr);
    EXPECT_EQ(f1->Store(), &store);
    EXPECT_EQ(btn->Parent(), f1);
    EXPECT_EQ(f1->Parent(), nullptr);

    TLocUnit* u1 = store.Units().FindOrAdd("B");
    TLocUnit* u0 = store.Units().FindOrAdd("A");
    TLocConstant* second = u1->Constants().FindOrAdd(3, "X", 1);
    TLocConstant* first = u0->Constants().FindOrAdd(3, "Y", 2);
    EXPECT_EQ(store.FindConstantById(3), first);
    EXPECT_NE(second, first);
    EXPECT_EQ(store.FindConstantById(4), nullptr);

    TLocExtItem* entry = store.ExternalGroups().FindOrAdd("Group")->Entries().FindOrAdd(1, "Entry");
    EXPECT_EQ(store.FindEntry("GROUP", "entry"), entry);
    EXPECT_EQ(store.FindEntry("Group", "Other"), nullptr);
    EXPECT_EQ(store.FindEntry("Other", "Entry"), nullptr);

    store.AddLanguage(0, kRussian);
    store.SetActiveLanguageIndex(1);
    EXPECT_EQ(formProp->ActiveValue(), formProp->Values().Value(1));
    EXPECT_EQ(first->ActiveValue(), first->BaseValue());  // constants always show the base value
    EXPECT_EQ(entry->ActiveValue(), entry->BaseValue());
    store.SetActiveLanguageIndex(5);
    EXPECT_THROW(formProp->ActiveValue(), rtl::EListError);

    store.ClearItems();
    EXPECT_EQ(store.Forms().Count(), 0);
    EXPECT_EQ(store.Units().Count(), 0);
    EXPECT_EQ(store.FindPropertyById(7), nullptr);
    EXPECT_EQ(store.LanguageCount(), 2);
}

// ---------------------------------------------------------------------------------------------
// Flat views

TEST(LinearViews, CollectOrderAndSortedIdSearch) {
    TLocStorage store;
    TLinearPropertyList view;
    store.Forms().CollectProperties(view, true);
    EXPECT_TRUE(view.Sorted());
    EXPECT_EQ(view.IndexOfId(0), -1);  // empty

    TLocForm* form = store.Forms().FindOrAdd("F");
    TLocProperty* own = form->Properties().FindOrAdd(30, "Z", lvkString);
    TLocProperty* comp = form->Components().FindOrAdd("a")->Properties().FindOrAdd(10, "A", lvkString);
    store.Forms().CollectProperties(view, false);
    ASSERT_EQ(view.Count(), 2);
    EXPECT_EQ(view.ItemAt(0), own);  // the form's own properties first
    EXPECT_EQ(view.ItemAt(1), comp);
    EXPECT_FALSE(view.Sorted());
    EXPECT_THROW(view.ItemAt(2), rtl::EListError);

    TLinearPropertyList more;
    form->Properties().AppendTo(&more);
    form->Properties().AppendTo(nullptr);
    store.Forms().CollectProperties(more, true);  // not emptied first
    EXPECT_EQ(more.Count(), 3);
    more.Clear();
    EXPECT_EQ(more.Count(), 0);
    EXPECT_FALSE(more.Sorted());
    TLinearConstantList none;
    store.Units().CollectConstants(none, true);
    EXPECT_EQ(none.IndexOfId(30), -1);

    // Many items, some without a number yet and some negative, against a linear scan.
    TLocComponent* big = form->Components().FindOrAdd("big");
    std::mt19937 rng(3);
    for (int i = 0; i < 500; ++i) {
        const std::int32_t id = i % 7 == 0 ? 0 : static_cast<std::int32_t>(rng() % 400) - 50;
        big->Properties().FindOrAdd(id, "P" + std::to_string(i), lvkString);
    }
    TLinearPropertyList sorted;
    store.Forms().CollectProperties(sorted, true);
    TLinearPropertyList linear;
    store.Forms().CollectProperties(linear, false);
    for (int i = 1; i < sorted.Count(); ++i) ASSERT_LE(sorted.ItemAt(i - 1)->Id(), sorted.ItemAt(i)->Id());
    for (std::int32_t id = -60; id < 420; ++id) {
        const int s = sorted.IndexOfId(id);
        const int l = linear.IndexOfId(id);
        EXPECT_EQ(s >= 0, l >= 0) << id;
        if (s >= 0) {
            EXPECT_EQ(sorted.ItemAt(s)->Id(), id);
        }
    }
}

TEST(LinearViews, SortedSearchOnTinyViews) {
    TLocStorage store;
    TLocUnit* unit = store.Units().FindOrAdd("U");
    unit->Constants().FindOrAdd(5, "A", 1);
    TLinearConstantList one;
    store.Units().CollectConstants(one, true);
    EXPECT_EQ(one.IndexOfId(5), 0);
    EXPECT_EQ(one.IndexOfId(4), -1);
    EXPECT_EQ(one.IndexOfId(6), -1);

    unit->Constants().FindOrAdd(0, "B", 2);
    unit->Constants().FindOrAdd(0, "C", 3);
    unit->Constants().FindOrAdd(0, "D", 4);
    TLinearConstantList zeros;
    store.Units().CollectConstants(zeros, true);
    const int z = zeros.IndexOfId(0);
    ASSERT_GE(z, 0);
    EXPECT_EQ(zeros.ItemAt(z)->Id(), 0);
    EXPECT_EQ(zeros.IndexOfId(5), 3);
    EXPECT_EQ(zeros.IndexOfId(1), -1);
    EXPECT_EQ(zeros.IndexOfId(-1), -1);
}

TEST(LinearViews, IndexOfNameFindsQualifiedNames) {
    TLocStorage store;
    TLocForm* form = store.Forms().FindOrAdd("Form1");
    TLocProperty* own = form->Properties().FindOrAdd(1, "Caption", lvkString);
    // A component named like its form is a different place.
    TLocProperty* twin = form->Components().FindOrAdd("Form1")->Properties().FindOrAdd(2, "Caption", lvkString);

    TLinearPropertyList props;
    store.Forms().CollectProperties(props, true);
    EXPECT_EQ(props.ItemAt(props.IndexOfName("form1", "", "CAPTION")), own);
    EXPECT_EQ(props.ItemAt(props.IndexOfName("Form1", "form1", "Caption")), twin);
    EXPECT_EQ(props.IndexOfName("Form1", "Other", "Caption"), -1);
    EXPECT_EQ(props.IndexOfName("Form2", "", "Caption"), -1);

    // Items appended after a look-up are found too.
    TLocProperty* late = store.Forms().FindOrAdd("Form2")->Properties().FindOrAdd(3, "Hint", lvkString);
    late->Parent()->Properties().AppendTo(&props);
    EXPECT_EQ(props.ItemAt(props.IndexOfName("FORM2", "", "hint")), late);

    TLocUnit* unit = store.Units().FindOrAdd("PrjConst");
    TLocConstant* upper = unit->Constants().FindOrAdd(1, "SX", 1);
    TLocConstant* lower = unit->Constants().FindOrAdd(2, "sx", 2);
    TLinearConstantList constants;
    store.Units().CollectConstants(constants, false);
    // Names ignore case here: the first in view order answers.
    EXPECT_EQ(constants.ItemAt(constants.IndexOfName("prjconst", "sx")), upper);
    EXPECT_NE(lower, upper);
    EXPECT_EQ(constants.IndexOfName("PrjConst", "SY"), -1);
    EXPECT_EQ(constants.IndexOfName("Other", "SX"), -1);
}
