// The form processor on small form streams of our own: the translation rules and the value types.

#include <gtest/gtest.h>

#include <algorithm>

#include "langdata/LocLangFile.h"
#include "locstore/LocStorage.h"
#include "modres/LocFormProc.h"
#include "modres/WinResProc.h"
#include "tests/langbuild/FormProcFixture.h"

namespace {

using namespace langbuild_test;
using locstore::TLocStorage;
using modres::TLocFormProcessor;

const char kNative[] = R"(
form Form1
  property Caption id 1 kind string revision 2 = "Hello"
  component lbl1
    property Caption id 2 kind string revision 2 = "One"
    property Hint id 3 kind string revision 2 = "Tip"
  end
  component lbl2
    property Caption id 4 kind string revision 3 = "Two"
  end
  component lbl3
    property Caption id 5 kind string revision 1 = "Three"
  end
  component mmo1
    property Lines.Strings id 6 kind strings revision 1 = "a\r\nb\r\nc"
  end
  component lbl4
    property Caption id 7 kind string revision 1 flags 0x0008 = "Four"
  end
end
)";

const char kSpanish[] = R"(
form Form1
  property Caption id 1 kind string revision 2 = "Hola"
  component lbl1
    property Caption id 2 kind string revision 2 = "Uno"
    property Hint id 3 kind string revision 2 = "Consejo"
  end
  component lbl2
    property Caption id 4 kind string revision 1 = "Dos"
  end
  component lbl3
    property Caption id 5 kind string revision 1 = ""
  end
  component mmo1
    property Lines.Strings id 6 kind strings revision 1 = "x\r\ny"
  end
  component lbl4
    property Caption id 7 kind string revision 1 = "Cuatro"
  end
end
)";

const char kForm[] = R"(object Form1: TForm
  Caption = 'Hello'
  object lbl1: TLabel
    Caption = 'One'
    Hint = 'Tip'
  end
  object lbl2: TLabel
    Caption = 'Two'
  end
  object lbl3: TLabel
    Caption = 'Three'
  end
  object mmo1: TMemo
    Lines.Strings = (
      'line a'
      'line b'
      'line c')
  end
  object lbl4: TLabel
    Caption = 'Four'
  end
  object Other: TLabel
    Caption = 'Other'
  end
end
)";

TEST(FormProcessor, TranslatesTextsByTheRevisionRule) {
    TFixture f(kNative, Header(10, "Spanish") + kSpanish);
    f.Proc.ShowUntranslatedAsIs = false;
    const std::string expected = Normalized(R"(object Form1: TForm
  Caption = @wstr 'Hola'
  object lbl1: TLabel
    Caption = @wstr 'Uno'
    Hint = @wstr 'Consejo'
  end
  object lbl2: TLabel
    Caption = @wstr 'Two'
  end
  object lbl3: TLabel
    Caption = 'Three'
  end
  object mmo1: TMemo
    Lines.Strings = (
      @wstr 'x'
      @wstr 'y'
      @wstr 'line c')
  end
  object lbl4: TLabel
    Caption = 'Four'
  end
  object Other: TLabel
    Caption = 'Other'
  end
end
)");
    EXPECT_EQ(Rewrite(f.Proc, kForm), expected);

    // Outdated translations are taken when the processor is told to show them.
    f.Proc.ShowUntranslatedAsIs = true;
    EXPECT_NE(Rewrite(f.Proc, kForm).find("Caption = @wstr 'Dos'"), std::string::npos);
}

TEST(FormProcessor, UntranslatedValuesFollowTheBaseText) {
    // No translation loaded: the new slot holds the base texts with revision -1.
    TLocStorage store;
    LoadNative(store, Header(9, "English") + kNative);
    TLocFormProcessor proc;
    proc.Store = &store;
    proc.LanguageIndex = store.AddLanguage(0, 10);
    proc.LanguageId = 10;
    proc.ShowUntranslatedAsIs = false;
    proc.PrepareLanguage();
    const std::string out = Rewrite(proc, kForm);
    EXPECT_NE(out.find("Caption = @wstr 'Hello'"), std::string::npos) << out;
    EXPECT_NE(out.find("Hint = @wstr 'Tip'"), std::string::npos) << out;
    EXPECT_NE(out.find("@wstr 'a'"), std::string::npos) << out;
}

TEST(FormProcessor, CharacterSetsMoveToTheTargetLanguage) {
    const char native[] = R"(
form Form1
  property Caption id 1 kind string revision 1 = "Hello"
  component lbl1
    property Caption id 2 kind string revision 1 = "One"
  end
  component lbl2 flags 0x0004
    property Caption id 3 kind string revision 1 = "Two"
  end
  component lbl3
    property Caption id 4 kind string revision 1 = "Three"
  end
end
)";
    const char form[] = R"(object Form1: TForm
  Font.Charset = DEFAULT_CHARSET
  object lbl1: TLabel
    Font.Charset = DEFAULT_CHARSET
  end
  object lbl2: TLabel
    Font.Charset = DEFAULT_CHARSET
  end
  object lbl3: TLabel
    Font.Charset = 0
  end
  object lbl9: TLabel
    Font.Charset = DEFAULT_CHARSET
  end
end
)";
    TLocStorage store;
    LoadNative(store, Header(9, "English") + native);
    TLocFormProcessor proc;
    proc.Store = &store;
    proc.LanguageIndex = store.AddLanguage(0, 0x0419);  // Russian
    proc.LanguageId = 0x0419;
    proc.PrepareLanguage();
    EXPECT_EQ(proc.CharsetIdent, "RUSSIAN_CHARSET");
    EXPECT_EQ(Rewrite(proc, form), Normalized(R"(object Form1: TForm
  Font.Charset = RUSSIAN_CHARSET
  object lbl1: TLabel
    Font.Charset = RUSSIAN_CHARSET
  end
  object lbl2: TLabel
    Font.Charset = DEFAULT_CHARSET
  end
  object lbl3: TLabel
    Font.Charset = 0
  end
  object lbl9: TLabel
    Font.Charset = DEFAULT_CHARSET
  end
end
)"));

    proc.ProcessCharset = false;
    EXPECT_EQ(Rewrite(proc, form), Normalized(form));
}

TEST(FormProcessor, RightToLeftLanguagesGetTheReadingOrder) {
    const char native[] = R"(
form Form1
  property Caption id 1 kind string revision 1 = "Hello"
  component Panel1
    property Caption id 2 kind string revision 1 = "P"
  end
end
)";
    TLocStorage store;
    LoadNative(store, Header(9, "English") + native);
    TLocFormProcessor proc;
    proc.Store = &store;
    proc.LanguageIndex = store.AddLanguage(0, 0x0401);  // Arabic
    proc.LanguageId = 0x0401;
    proc.PrepareLanguage();
    ASSERT_TRUE(proc.RightToLeft);

    // Appended after the form's own properties, before its children.
    const char plain[] = "object Form1: TForm\n  Caption = 'Hello'\n  object Panel1: TPanel\n  end\nend\n";
    const std::string out = Rewrite(proc, plain);
    const auto bidi = out.find("BiDiMode = bdRightToLeft");
    ASSERT_NE(bidi, std::string::npos) << out;
    EXPECT_LT(out.find("Caption"), bidi);
    EXPECT_LT(bidi, out.find("object Panel1"));

    // A reading-order property among the form's own is set instead, and nothing is appended;
    // one of a child is set too.
    const char withBiDi[] = "object Form1: TForm\n  Caption = 'Hello'\n  Parent.BiDiMode = bdLeftToRight\n"
                            "  object Panel1: TPanel\n    Parent.BiDiMode = bdLeftToRight\n  end\nend\n";
    const std::string out2 = Rewrite(proc, withBiDi);
    EXPECT_EQ(out2, Normalized("object Form1: TForm\n  Caption = @wstr 'Hello'\n  Parent.BiDiMode = bdRightToLeft\n"
                               "  object Panel1: TPanel\n    Parent.BiDiMode = bdRightToLeft\n  end\nend\n"));

    proc.ProcessBiDiMode = false;
    EXPECT_EQ(Rewrite(proc, plain).find("BiDiMode"), std::string::npos);
}

TEST(FormProcessor, InheritedInlineAndUnnamedObjectsAreFoundByTheirStoreNames) {
    const char native[] = R"(
form Form1
  component "Frame1.Button1"
    property Caption id 1 kind string revision 1 = "Go"
  end
  component "Panel1.TLabel1"
    property Caption id 2 kind string revision 1 = "x"
  end
  component "Panel1.TLabel3"
    property Caption id 3 kind string revision 1 = "y"
  end
  component Panel2
    property Caption id 4 kind string revision 1 = "p2"
  end
end
)";
    const char spanish[] = R"(
form Form1
  component "Frame1.Button1"
    property Caption id 1 kind string revision 1 = "Vamos"
  end
  component "Panel1.TLabel1"
    property Caption id 2 kind string revision 1 = "equis"
  end
  component "Panel1.TLabel3"
    property Caption id 3 kind string revision 1 = "ye"
  end
  component Panel2
    property Caption id 4 kind string revision 1 = "pe dos"
  end
end
)";
    const char form[] = R"(object Form1: TForm
  inline Frame1: TFrame1
    inherited Button1: TButton
      Caption = 'Go'
    end
  end
  object Panel1: TPanel
    object TLabel
      Caption = 'x'
    end
    object Named: TLabel
      Caption = 'n'
    end
    object TLabel
      Caption = 'y'
    end
  end
  inherited Panel2: TPanel
    Caption = 'p2'
  end
end
)";
    TFixture f(native, Header(10, "Spanish") + spanish);
    const std::string out = Rewrite(f.Proc, form);
    EXPECT_NE(out.find("Caption = @wstr 'Vamos'"), std::string::npos) << out;
    EXPECT_NE(out.find("Caption = @wstr 'equis'"), std::string::npos) << out;
    EXPECT_NE(out.find("Caption = 'n'"), std::string::npos) << out;
    EXPECT_NE(out.find("Caption = @wstr 'ye'"), std::string::npos) << out;
    // The inline prefix ends with the frame.
    EXPECT_NE(out.find("Caption = @wstr 'pe dos'"), std::string::npos) << out;
}

TEST(FormProcessor, CollectionItemsAndAddedProperties) {
    const char native[] = R"(
form Form1
  component lv1
    property Tag id 1 kind integer revision 1 flags 0x0010 = "7"
    property Items id 2 kind list revision 1 flags 0x0010
    property Lines id 3 kind strings revision 1 flags 0x0010 = "l1\r\nl2"
    property Kind id 4 kind identifier revision 1 flags 0x0010
  end
  component "lv1.Columns[0]"
    property Caption id 5 kind string revision 1 = "Name"
    property Width id 6 kind integer revision 1 = "100"
    property Hint id 7 kind string revision 1 flags 0x0010 = "Tip"
  end
  component "lv1.Columns[3]"
    property Caption id 8 kind string revision 1 = "Size"
  end
  component "lv1.Columns[4]"
    property Caption id 9 kind string revision 1 = "Date"
  end
end
)";
    const char spanish[] = R"(
form Form1
  component lv1
    property Tag id 1 kind integer revision 1 = "8"
  end
  component "lv1.Columns[0]"
    property Caption id 5 kind string revision 1 = "Nombre"
    property Width id 6 kind integer revision 1 = "150"
    property Hint id 7 kind string revision 1 = "Pista"
  end
  component "lv1.Columns[3]"
    property Caption id 8 kind string revision 1 = "Tamano"
  end
  component "lv1.Columns[4]"
    property Caption id 9 kind string revision 1 = "Fecha"
  end
end
)";
    const char form[] = R"(object Form1: TForm
  object lv1: TListView
    Columns = <
      item
        Caption = 'Name'
        Width = 100
      end
      item [3]
        Caption = 'Size'
      end
      item
        Caption = 'Date'
      end>
  end
end
)";
    TFixture f(native, Header(10, "Spanish") + spanish);
    // Language files carry no text for identifiers; the store can hold one all the same. Added
    // properties come in the store's order (by name); the list kind is left out.
    f.Store.Forms().ItemAt(0)->FindComponent("lv1")->Properties().Find("Kind")->BaseValue()->SetText(u"lkBig");
    EXPECT_EQ(Rewrite(f.Proc, form), Normalized(R"(object Form1: TForm
  object lv1: TListView
    Columns = <
      item
        Caption = @wstr 'Nombre'
        Width = 150
        Hint = 'Pista'
      end
      item [3]
        Caption = @wstr 'Tamano'
      end
      item
        Caption = @wstr 'Fecha'
      end>
    Kind = lkBig
    Lines = (
      'l1'
      'l2')
    Tag = 8
  end
end
)"));
}

TEST(FormProcessor, ValuesNotMarkedForTheStreamAreLeftAlone) {
    TFixture f(kNative, Header(10, "Spanish") + kSpanish);
    // lbl4's property is flagged as never applied: the translation "Cuatro" is not written.
    EXPECT_NE(Rewrite(f.Proc, kForm).find("Caption = 'Four'"), std::string::npos);
}

// Every value type in one form; the rewrite with no store must give the same values back, in the
// writer's ordinary encodings.
const char kAllTypes[] = R"(object Form1: TForm
  PNull = Null
  PList = (
    1
    'a'
    @lstr 'b'
    @wstr 'c'
    @utf8 'd'
    (
      2
      @i32 3))
  PI8 = 5
  PI16 = @i16 5
  PI32 = 70000
  PI32Small = @i32 -2
  PExt = 1.5
  PStr = 'text'
  PIdent = alClient
  PFalse = False
  PTrue = True
  PBin = {
    0102FF}
  PSet = [a, b]
  PLStr = @lstr 'long'
  PNil = nil
  PColl = <
    item
      X = @i16 1
      Y = @wstr 'why'
    end
    item [7]
      Z = 'z'
    end>
  PSingle = @single 0.5
  PCurr = @currency 1.25
  PDate = @date 2.5
  PWStr = @wstr 'wide'
  PI64 = 5000000000
  PI64Small = @i64 12
  PUtf8 = @utf8 'utf'
  PDouble = @double 0.25
  PDigits = @ident '123'
  Font.Charset = DEFAULT_CHARSET
  object Child: TPanel
    Caption = 'child'
  end
end
)";

const char kAllTypesRewritten[] = R"(object Form1: TForm
  PNull = Null
  PList = (
    1
    'a'
    'b'
    @wstr 'c'
    @wstr 'd'
    (
      2
      3))
  PI8 = 5
  PI16 = 5
  PI32 = 70000
  PI32Small = -2
  PExt = 1.5
  PStr = 'text'
  PIdent = alClient
  PFalse = False
  PTrue = True
  PBin = {
    0102FF}
  PSet = [a, b]
  PLStr = 'long'
  PNil = nil
  PColl = <
    item
      X = 1
      Y = @wstr 'why'
    end
    item [7]
      Z = 'z'
    end>
  PSingle = @single 0.5
  PCurr = @currency 1.25
  PDate = @date 2.5
  PWStr = @wstr 'wide'
  PI64 = 5000000000
  PI64Small = 12
  PUtf8 = @wstr 'utf'
  PDouble = @double 0.25
  PDigits = 123
  Font.Charset = DEFAULT_CHARSET
  object Child: TPanel
    Caption = 'child'
  end
end
)";

TEST(FormProcessor, EveryValueTypeSurvivesARewrite) {
    TLocStorage store;
    TLocFormProcessor proc;
    proc.Store = &store;
    proc.PrepareLanguage();
    EXPECT_EQ(Rewrite(proc, kAllTypes), Normalized(kAllTypesRewritten));

    // Without a store as well, and a form already in ordinary encodings comes out byte for byte.
    TLocFormProcessor bare;
    auto input = CompileForm(kAllTypesRewritten);
    rtl::TReadOnlyStream in(input);
    rtl::TMemoryStream out;
    bare.RewriteForm(in, out);
    EXPECT_EQ(out.Bytes(), input);
}

TEST(FormProcessor, ListElementsOfEveryStringTypeTakeTheTranslatedLines) {
    const char native[] = R"(
form Form1
  property Items id 1 kind strings revision 1 = "a\r\nb\r\nc\r\nd\r\ne"
end
)";
    const char russian[] =
        "\nform Form1\n  property Items id 1 kind strings revision 1 = \"1\\r\\n\xD0\x96\\r\\n\xD0\x96\"\nend\n";
    TFixture f(native, Header(0x0419, "Russian") + russian);
    const std::string out = Rewrite(f.Proc, R"(object Form1: TForm
  Items = (
    'a'
    @wstr 'b'
    @utf8 'c'
    @lstr 'd'
    @wstr 'e')
end
)");
    // Lines 2 and 3 are U+0416, 0xC6 in code page 1251: the lines of the wide and UTF-8 elements
    // are read back with the target language's code page too, not with the system's.
    EXPECT_EQ(out, Normalized("object Form1: TForm\n  Items = (\n    @wstr '1'\n    #1046\n    #1046\n"
                              "    @wstr 'd'\n    @wstr 'e')\nend\n"));
}

TEST(FormProcessor, FormResourcesAreFoundUnderBothPrefixes) {
    TFixture f(kNative, Header(10, "Spanish") + kSpanish);
    modres::TResProcessor res;
    res.AddBlock(std::make_unique<modres::TResRCData>(&res));
    auto* rcdata = res.FindRCData();
    const auto form = CompileForm(kForm);
    rcdata->AddItem("TMEFORM1", false)->Data->WriteBytes(form);
    f.Proc.ProjectForms = {"Form1", "Missing"};
    f.Proc.ProcessForms(res);
    EXPECT_NE(Decompile(rcdata->FindItem("TMEFORM1")->Data->View()).find("'Hola'"), std::string::npos);

    // "T" + name wins over "TME" + name.
    modres::TResProcessor both;
    both.AddBlock(std::make_unique<modres::TResRCData>(&both));
    both.FindRCData()->AddItem("TFORM1", false)->Data->WriteBytes(form);
    both.FindRCData()->AddItem("TMEFORM1", false)->Data->WriteBytes(form);
    f.Proc.ProcessForms(both);
    EXPECT_NE(both.FindRCData()->FindItem("TFORM1")->Data->Bytes(), form);
    EXPECT_EQ(both.FindRCData()->FindItem("TMEFORM1")->Data->Bytes(), form);

    modres::TResProcessor none;
    try {
        f.Proc.ProcessForms(none);
        FAIL() << "no RCDATA block";
    } catch (const modres::ELocFormProcessorError& e) {
        EXPECT_EQ(e.Message(), "Can't find RCDATA block");
    }
}

}  // namespace
