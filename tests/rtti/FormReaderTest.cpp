// Building components from form streams and writing them back.

#include <gtest/gtest.h>

#include <map>

#include "tests/rtti/TestClasses.h"

using namespace rttitest;

namespace {

const char* const kForm1 = R"(object Form1: TForm1
  Left = 12
  Caption = 'Main window'
  ClientWidth = 400
  Color = clMoneyGreen
  Font.Name = 'Tahoma'
  Font.Charset = RUSSIAN_CHARSET
  Font.Color = 12632256
  Font.Style = [fsBold, fsUnderline]
  Font.Height = -13
  Counter = 70000
  Side = alRight
  Styles = [fsItalic]
  WideCaption = 'Ma'#1103
  Ratio = 2.5
  Big = 5000000000
  Letter = 'Q'
  Buddy = Memo1
  BiDiMode = bdRightToLeft
  OnCreate = FormCreate
  object Panel1: TWinControl
    Align = alTop
    object Button1: TTestButton
      Caption = 'Press'
      Hint = @wstr 'wide hint'
      Tag = -5
      OnClick = Button1Click
    end
  end
  object Memo1: TTestMemo
    Lines.Strings = (
      'first'
      @lstr 'second'
      'th'#1105'rd')
  end
  object Grid1: TTestGrid
    Columns = <
      item
        Width = 40
        Title = 'Name'
      end
      item [5]
        Width = @i32 60
      end>
  end
  object Image1: TTestImage
    Picture.Data = {
      0A0B0C}
  end
  object Notebook1: TTabbedNotebook
    Pages.Strings = (
      'One'
      'Two')
  end
end
)";

std::unique_ptr<TForm1> ReadForm1(const AnsiString& text) {
    auto bytes = Compile(text);
    rtl::TReadOnlyStream s(bytes);
    TReadContext ctx{&Registry(), {}};
    auto root = ReadRootComponent(s, ctx);
    auto* form = dynamic_cast<TForm1*>(root.get());
    if (!form) return nullptr;
    root.release();
    return std::unique_ptr<TForm1>(form);
}

std::string ReadError(const AnsiString& text) {
    try {
        ReadForm1(text);
    } catch (const rtl::EReadError& e) {
        return e.Message();
    }
    return "no error";
}

std::string ReadCode(const AnsiString& text) {
    try {
        ReadForm1(text);
    } catch (const rtl::EReadError& e) {
        return std::string(e.Code());
    }
    return "no error";
}

}  // namespace

TEST(FormReader, BuildsFormWithEveryPropertySetAndEveryEventBound) {
    auto form = ReadForm1(kForm1);
    ASSERT_TRUE(form);
    EXPECT_EQ(form->Name(), "Form1");
    EXPECT_EQ(form->Left(), 12);
    EXPECT_EQ(form->GetText(), "Main window");
    EXPECT_EQ(form->ClientWidth(), 400);
    EXPECT_EQ(form->Color(), clMoneyGreen);
    EXPECT_EQ(form->Font()->Name(), "Tahoma");
    EXPECT_EQ(form->Font()->Charset(), RUSSIAN_CHARSET);
    EXPECT_EQ(form->Font()->Color(), 12632256);
    EXPECT_EQ(form->Font()->Style(), FontStyleBit(TFontStyle::fsBold) | FontStyleBit(TFontStyle::fsUnderline));
    EXPECT_EQ(form->Font()->Size(), 10);
    EXPECT_EQ(form->Counter, 70000);
    EXPECT_EQ(form->Side, TAlign::alRight);
    EXPECT_EQ(form->Styles, FontStyleBit(TFontStyle::fsItalic));
    EXPECT_EQ(form->WideCaption, u"Ma\u044F");
    EXPECT_DOUBLE_EQ(form->Ratio, 2.5);
    EXPECT_EQ(form->Big, 5000000000LL);
    EXPECT_EQ(form->Letter, 'Q');
    EXPECT_EQ(form->BiDiMode(), TBiDiMode::bdRightToLeft);

    // Children are owned by the form and placed on their stream parents.
    ASSERT_EQ(form->ComponentCount(), 6);
    auto* panel = dynamic_cast<TWinControl*>(form->FindComponent("panel1"));
    auto* button = dynamic_cast<TTestButton*>(form->FindComponent("Button1"));
    ASSERT_TRUE(panel && button);
    EXPECT_EQ(button->Owner(), form.get());
    EXPECT_EQ(button->Parent(), panel);
    EXPECT_EQ(panel->Parent(), form.get());
    EXPECT_EQ(panel->Align(), TAlign::alTop);
    EXPECT_EQ(button->GetText(), "Press");
    EXPECT_EQ(button->TextSets, 1) << "the caption goes through the virtual setter";
    EXPECT_EQ(button->Hint(), "wide hint");
    EXPECT_EQ(button->Tag(), -5);

    auto* memo = dynamic_cast<TTestMemo*>(form->FindComponent("Memo1"));
    ASSERT_TRUE(memo);
    EXPECT_EQ(memo->Lines()->Count(), 3);
    EXPECT_EQ(memo->Lines()->Text(), "first\r\nsecond\r\nth?rd\r\n") << "no converter installed: '?'";
    EXPECT_EQ(form->Buddy, memo) << "references are resolved after the whole stream";

    auto* grid = dynamic_cast<TTestGrid*>(form->FindComponent("Grid1"));
    ASSERT_TRUE(grid);
    ASSERT_EQ(grid->Columns()->Count(), 2);
    auto* col0 = dynamic_cast<TTestColumn*>(grid->Columns()->Items(0));
    auto* col1 = dynamic_cast<TTestColumn*>(grid->Columns()->Items(1));
    EXPECT_EQ(col0->Width, 40);
    EXPECT_EQ(col0->Title, "Name");
    EXPECT_EQ(col1->Width, 60);

    auto* image = dynamic_cast<TTestImage*>(form->FindComponent("Image1"));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->Picture()->Data(), (std::vector<std::uint8_t>{0x0A, 0x0B, 0x0C}));
    auto* notebook = dynamic_cast<TTabbedNotebook*>(form->FindComponent("Notebook1"));
    ASSERT_TRUE(notebook);
    EXPECT_EQ(notebook->Pages()->Text(), "One\r\nTwo\r\n");

    // Events call the root's published methods.
    ASSERT_TRUE(button->OnClick.Assigned());
    button->Click();
    EXPECT_EQ(form->Clicks, 1);
    EXPECT_EQ(form->LastSender, button);
    form->OnCreate(form.get());
    EXPECT_EQ(form->Creates, 1);
    EXPECT_EQ(form->ClassType()->MethodName(button->OnClick.Code), "Button1Click");
    EXPECT_FALSE(form->Loading());
}

TEST(FormReader, WideStringsReachEightBitPropertiesThroughTheInstalledConverter) {
    std::map<const TPersistent*, int> seen;
    SetStringConverters(
        [&](const WideString& w, const TPersistent* target) {
            ++seen[target];
            AnsiString a;
            for (char16_t c : w) a += c == u'\u044F' ? '\xFF' : static_cast<char>(c);
            return a;
        },
        {});
    auto form = ReadForm1("object Form1: TForm1\n  Caption = 'x'#1103\nend\n");
    SetStringConverters({}, {});
    ASSERT_TRUE(form);
    EXPECT_EQ(form->GetText(), "x\xFF");
    EXPECT_EQ(seen[form.get()], 1) << "the converter learns which object receives the text";
}

TEST(FormReader, ErrorsNameTheObjectPropertyHandlerAndClass) {
    std::string e = ReadError("object Form1: TForm1\n  object B: TTestButton\n    OnClick = Button1Clik\n  end\nend\n");
    EXPECT_NE(e.find("Error reading B.OnClick"), std::string::npos) << e;
    EXPECT_NE(e.find("Method Button1Clik not found"), std::string::npos) << e;

    e = ReadError("object Form1: TForm1\n  object B: TNoSuchButton\n  end\nend\n");
    EXPECT_NE(e.find("Form1.B"), std::string::npos) << e;
    EXPECT_NE(e.find("Class TNoSuchButton not found"), std::string::npos) << e;

    e = ReadError("object Form1: TForm1\n  Font.Nme = 'x'\nend\n");
    EXPECT_NE(e.find("Error reading Form1.Font.Nme: Property Nme does not exist"), std::string::npos) << e;

    e = ReadError("object Form1: TForm1\n  Side = alSideways\nend\n");
    EXPECT_NE(e.find("Form1.Side: Invalid property value"), std::string::npos) << e;

    e = ReadError("object Form1: TForm1\n  Counter = 'text'\nend\n");
    EXPECT_NE(e.find("Form1.Counter"), std::string::npos) << e;

    e = ReadError("object Form1: TForm1\n  object B: TTestButton\n  end\n  object b: TTestButton\n  end\nend\n");
    EXPECT_NE(e.find("A component named b already exists"), std::string::npos) << e;

    e = ReadError("object Form1: TForm1\n  inherited Ghost: TTestButton\n  end\nend\n");
    EXPECT_NE(e.find("Ghost"), std::string::npos) << e;

    e = ReadError("object Form1: TForm1\n  object S: TStringList\n  end\nend\n");
    EXPECT_NE(e.find("TStringList"), std::string::npos) << "a class that is not a component cannot be a child";
}

TEST(FormReader, EachRefusalNamesItsCheck) {
    const std::pair<const char*, const char*> cases[] = {
        {"object Form1: TForm1\n  object B: TTestButton\n    OnClick = Button1Clik\n  end\nend\n", "form.method.unknown"},
        {"object Form1: TForm1\n  object B: TNoSuchButton\n  end\nend\n", "form.class.unknown"},
        {"object Form1: TForm1\n  object S: TStringList\n  end\nend\n", "form.class.unknown"},
        {"object Form1: TForm1\n  Font.Nme = 'x'\nend\n", "form.property.unknown"},
        {"object Form1: TForm1\n  Side = alSideways\nend\n", "form.value.invalid"},
        {"object Form1: TForm1\n  Counter = 'text'\nend\n", "form.value.invalid"},
        {"object Form1: TForm1\n  object B: TTestButton\n  end\n  object b: TTestButton\n  end\nend\n",
         "form.value.refused"},
        {"object Form1: TForm1\n  inherited Ghost: TTestButton\n  end\nend\n", "form.ancestor.missing"},
        {"object Form1: TNoSuchForm\nend\n", "form.class.unknown"},
    };
    for (const auto& [text, code] : cases) EXPECT_EQ(ReadCode(text), code) << text;
}

namespace {

std::map<std::string, std::vector<std::uint8_t>>& Resources() {
    static std::map<std::string, std::vector<std::uint8_t>> res;
    return res;
}

TReadContext ResourceContext() {
    return TReadContext{&Registry(), [](const AnsiString& name) -> std::optional<std::vector<std::uint8_t>> {
                            auto it = Resources().find(name);
                            if (it == Resources().end()) return std::nullopt;
                            return it->second;
                        }};
}

}  // namespace

TEST(FormReader, InheritedFormReadsTheAncestorDesignFirst) {
    Resources().clear();
    Resources()["TForm1"] = Compile(R"(object Form1: TForm1
  Caption = 'Base'
  Counter = 1
  object Button1: TTestButton
    Caption = 'Base button'
    Width = 75
    OnClick = Button1Click
  end
end
)");
    Resources()["TForm2"] = Compile(R"(inherited Form2: TForm2
  Caption = 'Derived'
  inherited Button1: TTestButton
    Caption = 'Derived button'
  end
  object Button2: TTestButton
    Caption = 'New'
  end
end
)");
    auto root = CreateFromResources("TForm2", ResourceContext());
    auto* form = dynamic_cast<TForm2*>(root.get());
    ASSERT_TRUE(form);
    EXPECT_EQ(form->Name(), "Form1") << "the first stream names the root";
    EXPECT_EQ(form->GetText(), "Derived");
    EXPECT_EQ(form->Counter, 1);
    ASSERT_EQ(form->ComponentCount(), 2);
    auto* b1 = dynamic_cast<TTestButton*>(form->FindComponent("Button1"));
    ASSERT_TRUE(b1);
    EXPECT_EQ(b1->GetText(), "Derived button");
    EXPECT_EQ(b1->Width(), 75) << "what the derived form does not change stays";
    b1->Click();
    EXPECT_EQ(form->Clicks, 1);
    EXPECT_TRUE(form->FindComponent("Button2"));

    // Reading the derived stream directly also reads the ancestor's first.
    rtl::TReadOnlyStream s(Resources()["TForm2"]);
    auto again = ReadRootComponent(s, ResourceContext());
    EXPECT_EQ(again->ComponentCount(), 2);
}

TEST(FormReader, InlineFrameComesFromItsOwnDesignAndTheFormsChanges) {
    Resources().clear();
    Resources()["TFrame1"] = Compile(R"(object Frame1: TFrame1
  Width = 200
  object Label1: TTestButton
    Caption = 'Frame label'
    OnClick = LabelClick
  end
end
)");
    Resources()["TForm1"] = Compile(R"(object Form1: TForm1
  inline Frame11: TFrame1
    Left = 8
    inherited Label1: TTestButton
      Caption = 'Changed on the form'
      OnDblClick = Button1Click
    end
  end
end
)");
    auto root = CreateFromResources("TForm1", ResourceContext());
    auto* form = dynamic_cast<TForm1*>(root.get());
    ASSERT_TRUE(form);
    auto* frame = dynamic_cast<TFrame1*>(form->FindComponent("Frame11"));
    ASSERT_TRUE(frame);
    EXPECT_TRUE(frame->IsInline());
    EXPECT_EQ(frame->Name(), "Frame11");
    EXPECT_EQ(frame->Width(), 200);
    EXPECT_EQ(frame->Left(), 8);
    EXPECT_EQ(frame->Parent(), form);
    auto* label = dynamic_cast<TTestButton*>(frame->FindComponent("Label1"));
    ASSERT_TRUE(label) << "the frame owns its components";
    EXPECT_EQ(form->FindComponent("Label1"), nullptr);
    EXPECT_EQ(label->GetText(), "Changed on the form");
    label->Click();
    EXPECT_EQ(frame->Clicks, 1) << "the frame's own events bind to the frame";
    label->OnDblClick(label);
    EXPECT_EQ(form->Clicks, 1) << "events set on the form bind to the form";
}

TEST(FormReader, FrameThatContainsItselfStopsWithAnError) {
    Resources().clear();
    Resources()["TFrame1"] = Compile("object Frame1: TFrame1\n  inline F: TFrame1\n  end\nend\n");
    EXPECT_THROW(CreateFromResources("TFrame1", ResourceContext()), rtl::EReadError);
    try {
        CreateFromResources("TFrame1", ResourceContext());
    } catch (const rtl::EReadError& e) {
        EXPECT_EQ(e.Code(), "form.nesting.deep");
    }
}

TEST(FormReader, DataModulesComeFromStreamsAndJoinTheScreen) {
    int before = Screen().DataModuleCount();
    rtl::TMemoryStream s(Compile("object DataModule1: TDataModule1\n  Height = 150\n  object Strings: TComponent\n  end\nend\n"));
    TReadContext ctx{&Registry(), {}};
    auto dm = ReadRootComponent(s, ctx);
    ASSERT_TRUE(dynamic_cast<TDataModule1*>(dm.get()));
    EXPECT_EQ(static_cast<TDataModule1*>(dm.get())->Height, 150);
    EXPECT_EQ(Screen().DataModuleCount(), before + 1);
    EXPECT_EQ(Screen().DataModules(before), dm.get());
    dm.reset();
    EXPECT_EQ(Screen().DataModuleCount(), before);
}

TEST(FormWriter, WrittenTreeReadsBackTheSame) {
    auto form = ReadForm1(kForm1);
    ASSERT_TRUE(form);
    rtl::TMemoryStream out;
    WriteRootComponent(out, *form);
    AnsiString text = Decompile(out.Bytes());
    // Defaults stay out, set values and nested paths come out.
    EXPECT_EQ(text.find("Visible ="), AnsiString::npos) << text;
    EXPECT_NE(text.find("Font.Name = 'Tahoma'"), AnsiString::npos) << text;
    EXPECT_NE(text.find("Font.Charset = RUSSIAN_CHARSET"), AnsiString::npos) << text;
    EXPECT_NE(text.find("Color = clMoneyGreen"), AnsiString::npos) << text;
    EXPECT_NE(text.find("OnClick = Button1Click"), AnsiString::npos) << text;
    EXPECT_NE(text.find("Buddy = Memo1"), AnsiString::npos) << text;

    out.SetPosition(0);
    TReadContext ctx{&Registry(), {}};
    auto root = ReadRootComponent(out, ctx);
    auto* again = dynamic_cast<TForm1*>(root.get());
    ASSERT_TRUE(again);
    rtl::TMemoryStream out2;
    WriteRootComponent(out2, *again);
    EXPECT_EQ(Decompile(out2.Bytes()), text);
    auto* b = dynamic_cast<TTestButton*>(again->FindComponent("Button1"));
    ASSERT_TRUE(b);
    EXPECT_EQ(b->Parent(), again->FindComponent("Panel1"));
    b->Click();
    EXPECT_EQ(again->Clicks, 1);
}

TEST(FormWriter, ValueEncodingsAreTheOrdinaryOnes) {
    auto bytesOf = [](auto write) {
        rtl::TMemoryStream s;
        TWriter w(s);
        write(w);
        return s.Bytes();
    };
    using B = std::vector<std::uint8_t>;
    EXPECT_EQ(bytesOf([](TWriter& w) { w.WriteInteger(127); }), (B{2, 127}));
    EXPECT_EQ(bytesOf([](TWriter& w) { w.WriteInteger(-128); }), (B{2, 0x80}));
    EXPECT_EQ(bytesOf([](TWriter& w) { w.WriteInteger(128); }), (B{3, 128, 0}));
    EXPECT_EQ(bytesOf([](TWriter& w) { w.WriteInteger(-32769); }), (B{4, 0xFF, 0x7F, 0xFF, 0xFF}));
    EXPECT_EQ(bytesOf([](TWriter& w) { w.WriteInteger(2147483648LL); }), (B{19, 0, 0, 0, 0x80, 0, 0, 0, 0}));
    EXPECT_EQ(bytesOf([](TWriter& w) { w.WriteIdent("true"); }), (B{9}));
    EXPECT_EQ(bytesOf([](TWriter& w) { w.WriteIdent("NIL"); }), (B{13}));
    EXPECT_EQ(bytesOf([](TWriter& w) { w.WriteIdent("Null"); }), (B{0}));
    EXPECT_EQ(bytesOf([](TWriter& w) { w.WriteIdent("alTop"); })[0], 7);
    EXPECT_EQ(bytesOf([](TWriter& w) { w.WriteString(AnsiString(255, 'x')); })[0], 6);
    B lstr = bytesOf([](TWriter& w) { w.WriteString(AnsiString(256, 'x')); });
    EXPECT_EQ(B(lstr.begin(), lstr.begin() + 5), (B{12, 0, 1, 0, 0}));
    EXPECT_EQ(bytesOf([](TWriter& w) { w.WriteWideString(u"\u044F"); }), (B{18, 1, 0, 0, 0, 0x4F, 0x04}));
    EXPECT_EQ(bytesOf([](TWriter& w) { w.WriteFloat(1.0L); }), (B{5, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}));
    EXPECT_THROW(bytesOf([](TWriter& w) { w.WriteHeader(0, 0, AnsiString(240, 'T'), "x"); }), rtl::EWriteError);
}
