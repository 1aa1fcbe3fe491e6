// Class info, published properties, components, collections, string lists, fonts and the screen.

#include <gtest/gtest.h>

#include "tests/rtti/TestClasses.h"

using namespace rttitest;

namespace {

int gDestroyed = 0;

class TCounted : public TComponent {
    VLMRK_RTTI_CLASS(TCounted)
public:
    ~TCounted() override { ++gDestroyed; }
    std::vector<std::pair<TComponent*, TOperation>> Seen;
    void Notification(TComponent* c, TOperation op) override {
        Seen.emplace_back(c, op);
        TComponent::Notification(c, op);
    }
};
const TClassInfo* TCounted::StaticClass() {
    static const TClassInfo info("TCounted", TComponent::StaticClass(), Creator<TCounted>());
    return &info;
}

}  // namespace

TEST(ClassInfo, AncestorChainNamesAndRegistry) {
    const TClassInfo* c = TForm1::StaticClass();
    std::vector<std::string> chain;
    for (; c; c = c->Parent()) chain.emplace_back(c->Name());
    EXPECT_EQ(chain, (std::vector<std::string>{"TForm1", "TForm", "TCustomForm", "TScrollingWinControl", "TWinControl",
                                               "TControl", "TComponent", "TPersistent", "TObject"}));
    EXPECT_TRUE(TForm2::StaticClass()->InheritsFromName({"tcustomform"}));
    EXPECT_FALSE(TDataModule1::StaticClass()->InheritsFromName({"TCustomForm", "TCustomFrame"}));
    EXPECT_TRUE(TFrame1::StaticClass()->InheritsFrom(TCustomFrame::StaticClass()));

    EXPECT_EQ(Registry().FindClass("ttestbutton"), TTestButton::StaticClass());
    EXPECT_EQ(Registry().FindClass("TNothing"), nullptr);
    try {
        Registry().GetClass("TNothing");
        FAIL();
    } catch (const EClassNotFound& e) {
        EXPECT_EQ(e.Message(), "Class TNothing not found");
    }
    EXPECT_FALSE(TStrings::StaticClass()->CanCreate()) << "abstract";
    EXPECT_FALSE(TCollection::StaticClass()->CanCreate()) << "needs its item class";
}

TEST(Properties, KindsLookupAndTypedAccess) {
    TForm1 form;
    EXPECT_EQ(GetPropInfo(form, "caption")->Kind, TTypeKind::tkLString);
    EXPECT_EQ(GetPropInfo(form, "WideCaption")->Kind, TTypeKind::tkWString);
    EXPECT_EQ(GetPropInfo(form, "Align")->Kind, TTypeKind::tkEnumeration);
    EXPECT_EQ(GetPropInfo(form, "Styles")->Kind, TTypeKind::tkSet);
    EXPECT_EQ(GetPropInfo(form, "Font")->Kind, TTypeKind::tkClass);
    EXPECT_EQ(GetPropInfo(form, "OnClick")->Kind, TTypeKind::tkMethod);
    EXPECT_EQ(GetPropInfo(form, "Ratio")->Kind, TTypeKind::tkFloat);
    EXPECT_EQ(GetPropInfo(form, "Big")->Kind, TTypeKind::tkInt64);
    EXPECT_EQ(GetPropInfo(form, "Letter")->Kind, TTypeKind::tkChar);
    EXPECT_EQ(GetPropInfo(form, "Missing"), nullptr);

    SetStrProp(form, "Caption", "Hello");
    EXPECT_EQ(form.GetText(), "Hello");
    SetWideStrProp(form, "WideCaption", u"\u05D0");
    EXPECT_EQ(form.WideCaption, u"\u05D0");
    SetOrdProp(form, "Counter", 42);
    EXPECT_EQ(GetOrdProp(form, "Counter"), 42);
    SetEnumProp(form, "BiDiMode", "bdRightToLeft");
    EXPECT_EQ(form.BiDiMode(), TBiDiMode::bdRightToLeft);
    EXPECT_EQ(GetEnumProp(form, "Align"), "alNone");
    SetFloatProp(form, "Ratio", 0.25);
    EXPECT_EQ(form.Ratio, 0.25);
    EXPECT_EQ(GetObjectProp(form, "Font"), form.Font());
    SetStrProp(*GetObjectProp(form, "Font"), "Name", "Arial");
    EXPECT_EQ(form.Font()->Name(), "Arial");

    EXPECT_THROW(SetStrProp(form, "Counter", "x"), EPropertyError) << "wrong kind";
    EXPECT_THROW(GetOrdProp(form, "Nope"), EPropertyError);
    EXPECT_THROW(SetEnumProp(form, "Align", "alNowhere"), EPropertyConvertError);

    // Enumerations, sets and named integers know their identifiers.
    EXPECT_EQ(AlignInfo().ValueOf("ALLEFT"), 3);
    EXPECT_EQ(BiDiModeInfo().NameOf(1), "bdRightToLeft");
    AnsiString ident;
    EXPECT_TRUE(CharsetToIdent(HEBREW_CHARSET, ident));
    EXPECT_EQ(ident, "HEBREW_CHARSET");
    EXPECT_FALSE(CharsetToIdent(99, ident));
    int cs = 0;
    EXPECT_TRUE(IdentToCharset("EASTEUROPE_CHARSET", cs));
    EXPECT_EQ(cs, 238);
    TColor color = 0;
    EXPECT_TRUE(IdentToColor("clSkyBlue", color));
    EXPECT_EQ(color, 0xF0CAA6);
    EXPECT_TRUE(ColorToIdent(clBtnFace, ident));
    EXPECT_EQ(ident, "clBtnFace");
}

TEST(Components, OwnershipNamesAndDestruction) {
    gDestroyed = 0;
    {
        TCounted root;
        root.SetName("Root");
        auto* a = root.Add<TCounted>("Alpha");
        auto* b = root.Add<TCounted>("Beta");
        EXPECT_EQ(root.ComponentCount(), 2);
        EXPECT_EQ(root.Components(1), b);
        EXPECT_EQ(b->ComponentIndex(), 1);
        EXPECT_EQ(root.FindComponent("ALPHA"), a);
        EXPECT_EQ(root.FindComponent(""), nullptr);
        EXPECT_THROW(root.Components(2), rtl::EListError);
        EXPECT_THROW(b->SetName("alpha"), EComponentError);
        EXPECT_EQ(b->Name(), "Beta");
        auto* c = a->Add<TCounted>("Alpha");  // names are unique per owner only
        EXPECT_EQ(c->Owner(), a);
        auto& seen = static_cast<TCounted*>(a)->Seen;
        ASSERT_FALSE(seen.empty());
        EXPECT_EQ(seen.back(), std::make_pair(static_cast<TComponent*>(c), TOperation::opInsert))
            << "the owner hears of an insert";

        root.DestroyComponent(b);
        EXPECT_EQ(gDestroyed, 1);
        EXPECT_EQ(root.ComponentCount(), 1);
        auto taken = root.RemoveComponent(a);
        EXPECT_EQ(taken->Owner(), nullptr);
        EXPECT_EQ(root.ComponentCount(), 0);
        root.InsertComponent(std::move(taken));
    }
    EXPECT_EQ(gDestroyed, 4) << "the root destroys what it owns, and what that owns";
}

TEST(Components, FreeNotificationWorksBothWays) {
    auto watcher = std::make_unique<TCounted>();
    auto target = std::make_unique<TCounted>();
    watcher->FreeNotification(target.get());
    TComponent* gone = target.get();
    target.reset();
    ASSERT_EQ(watcher->Seen.size(), 1u);
    EXPECT_EQ(watcher->Seen[0].first, gone);
    EXPECT_EQ(watcher->Seen[0].second, TOperation::opRemove);

    // The other way round: the watcher goes first and the target must not call it later.
    auto target2 = std::make_unique<TCounted>();
    watcher->FreeNotification(target2.get());
    watcher.reset();
    target2.reset();  // would touch freed memory if the link survived (sanitizer build)
    SUCCEED();
}

TEST(Components, ControlsLeaveTheirParentWhenFreed) {
    TForm form;
    auto* panel = form.Add<TWinControl>("Panel1");
    panel->SetParent(&form);
    auto* button = form.Add<TTestButton>("Button1");
    button->SetParent(panel);
    EXPECT_EQ(panel->ControlCount(), 1);
    form.DestroyComponent(panel);
    EXPECT_EQ(button->Parent(), nullptr) << "a freed parent orphans its controls";
    EXPECT_EQ(form.ControlCount(), 0);
    form.DestroyComponent(button);
    EXPECT_EQ(form.ComponentCount(), 0);
}

TEST(Collections, ItemsIndexesAndAssign) {
    TCollection a(TTestColumn::StaticClass());
    auto* c0 = static_cast<TTestColumn*>(a.Add());
    c0->Width = 5;
    c0->Title = "x";
    auto* c1 = static_cast<TTestColumn*>(a.Add());
    c1->Width = 7;
    EXPECT_EQ(c1->Index(), 1);
    c1->SetIndex(0);
    EXPECT_EQ(a.Items(0), c1);
    EXPECT_THROW(a.Items(2), rtl::EListError);

    TCollection b(TTestColumn::StaticClass());
    b.Add();
    b.Assign(a);
    ASSERT_EQ(b.Count(), 2);
    EXPECT_EQ(static_cast<TTestColumn*>(b.Items(1))->Width, 5);
    EXPECT_EQ(static_cast<TTestColumn*>(b.Items(1))->Title, "x");
    b.Delete(0);
    EXPECT_EQ(b.Count(), 1);

    TStringList notACollection;
    EXPECT_THROW(b.Assign(notACollection), rtl::EConvertError);
}

TEST(Strings, TextLineBreaksAssignAndChangeNotification) {
    TStringList list;
    int changes = 0;
    list.OnChange = [&](TStringList*) { ++changes; };
    list.SetText("a\r\nb\rc\nd\r\n");
    EXPECT_EQ(list.Count(), 4);
    EXPECT_EQ(list.Text(), "a\r\nb\r\nc\r\nd\r\n");
    EXPECT_EQ(changes, 1) << "one notification for the whole text";
    list.SetText("");
    EXPECT_EQ(list.Count(), 0);
    list.SetText("\r\n\r\nx");
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Get(0), "");
    EXPECT_EQ(list.IndexOf("X"), 2);

    TStringList other;
    other.Add("only");
    list.Assign(other);
    EXPECT_EQ(list.Text(), "only\r\n");
    EXPECT_THROW(list.Get(1), rtl::EListError);
    EXPECT_THROW(list.Insert(3, "x"), rtl::EListError);
    TFont font;
    EXPECT_THROW(list.Assign(font), rtl::EConvertError);
}

TEST(Fonts, SizeHeightCharsetAndHandle) {
    TFont f;
    EXPECT_EQ(f.Height(), -11);
    EXPECT_EQ(f.Size(), 8);
    f.SetSize(10);
    EXPECT_EQ(f.Height(), -13);
    f.SetPixelsPerInch(120);
    EXPECT_EQ(f.Size(), 8);
    int changes = 0;
    f.OnChange = [&](TFont*) { ++changes; };
    f.SetCharset(RUSSIAN_CHARSET);
    f.SetCharset(RUSSIAN_CHARSET);
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(f.HandleAllocated());
    f.SetHandleAllocated(true);
    TFont g;
    g.Assign(f);
    EXPECT_EQ(g.Charset(), RUSSIAN_CHARSET);
    EXPECT_EQ(g.Height(), -13);
    EXPECT_FALSE(g.HandleAllocated()) << "a copy is not realised";
}

TEST(Screen, ListsFormsAndDataModulesWhileTheyLive) {
    int forms = Screen().FormCount();
    int modules = Screen().DataModuleCount();
    {
        TForm1 f1;
        TForm2 f2;
        TDataModule1 dm;
        ASSERT_EQ(Screen().FormCount(), forms + 2);
        EXPECT_EQ(Screen().Forms(forms), &f1);
        EXPECT_EQ(Screen().Forms(forms + 1), &f2);
        EXPECT_EQ(Screen().DataModules(modules), &dm);
    }
    EXPECT_EQ(Screen().FormCount(), forms);
    EXPECT_EQ(Screen().DataModuleCount(), modules);
    EXPECT_THROW(Screen().Forms(forms), rtl::EListError);
}

TEST(Components, ScaleByRescalesBoundsFontsAndChildren) {
    TForm form;
    form.SetBounds(100, 50, 400, 300);
    auto* panel = form.Add<TWinControl>("Panel1");
    panel->SetParent(&form);
    panel->SetBounds(10, 21, 100, 33);
    auto* label = form.Add<TControl>("Label1");
    label->SetParent(panel);
    label->SetBounds(3, 3, 50, 13);
    label->Font()->SetHeight(-12);  // its own font now
    form.ScaleBy(120, 96);
    EXPECT_EQ(form.Left(), 100) << "the form keeps its place";
    EXPECT_EQ(form.Width(), 500);
    EXPECT_EQ(panel->Left(), 13) << "12.5 rounds away from zero";
    EXPECT_EQ(panel->Top(), 26);
    EXPECT_EQ(label->Height(), 16);
    EXPECT_EQ(label->Font()->Height(), -15);
    EXPECT_EQ(panel->Font()->Height(), -11) << "a font taken from the parent is left to the parent";
}
