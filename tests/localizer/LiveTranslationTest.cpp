// The live translation through the component model, with designed classes the program's two
// windows do not have: a form derived from another designed form, an inline frame, a data module,
// collection entries with indexes, and the rules for values, memo lines, fonts and resolution.

#include <map>

#include <gtest/gtest.h>

#include "localizer/LocOnFly.h"
#include "modres/LocUtils.h"
#include "platform/winres/WinRes.h"
#include "tests/localizer/LocalizerTestUtil.h"

namespace {

using namespace loctest;
using localizer::TKLocalizerOnFly;

class LiveTranslationTest : public ::testing::Test {
protected:
    void SetUp() override {
        winres::ResetModulesForTests();
        utils_ = std::make_unique<modres::TKLocUtils>();
        loc_ = std::make_unique<TKLocalizerOnFly>();
        LoadStore(*loc_->Store);
        loc_->CurrentLanguageId = 10;
    }
    void TearDown() override {
        loc_.reset();
        utils_.reset();
        winres::ResetModulesForTests();
    }

    // A host form as the form reader would build it.
    std::unique_ptr<THostForm> MakeHost() {
        auto form = std::make_unique<THostForm>();
        form->SetText("Host");
        grid_ = form->Add<TTestGrid>("grid");
        for (int i = 0; i < 3; ++i) static_cast<TTestColumn*>(grid_->Columns()->Add())->Title = "Column";
        memo_ = form->Add<TTestMemo>("memo");
        memo_->SetWidth(100);
        for (const char* name : {"btnFlag", "btnOld", "btnKeep", "btnAlign"}) buttons_[name] = form->Add<rtti::TControl>(name);
        buttons_["btnFlag"]->SetText("Never");
        buttons_["btnOld"]->SetText("New base text");
        buttons_["btnAlign"]->SetAlign(rtti::TAlign::alClient);
        frame_ = form->Add<TInfoFrame>("InfoFrame1");
        frame_->SetInline(true);
        label_ = frame_->Add<rtti::TControl>("lblInfo");
        return form;
    }

    std::unique_ptr<modres::TKLocUtils> utils_;
    std::unique_ptr<TKLocalizerOnFly> loc_;
    TTestGrid* grid_ = nullptr;
    TTestMemo* memo_ = nullptr;
    TInfoFrame* frame_ = nullptr;
    rtti::TControl* label_ = nullptr;
    std::map<std::string, rtti::TControl*> buttons_;
};

TEST_F(LiveTranslationTest, DerivedFormGetsItsAncestorsEntryAndItsOwn) {
    TDerivedForm form;
    auto* base = form.Add<rtti::TControl>("btnBase");
    auto* own = form.Add<rtti::TControl>("btnOwn");
    loc_->TranslateForms(loc_->Store.get());
    EXPECT_EQ(form.GetText(), "T\xEDtulo base");  // 8-bit in the language's code page (1252)
    EXPECT_EQ(base->GetText(), "Bot\xF3n base");
    EXPECT_EQ(own->GetText(), "Bot\xF3n propio");
}

TEST_F(LiveTranslationTest, InlineFrameIndexedEntriesAndComponentsThatAreGone) {
    auto form = MakeHost();
    loc_->TranslateForms(loc_->Store.get());
    EXPECT_EQ(form->GetText(), "Anfitri\xF3n");
    EXPECT_EQ(label_->GetText(), "Informaci\xF3n");
    // Columns[1] is translated; [7] lies beyond the end, [-1] and [x] are no indexes: nothing.
    EXPECT_EQ(static_cast<TTestColumn*>(grid_->Columns()->Items(0))->Title, "Column");
    EXPECT_EQ(static_cast<TTestColumn*>(grid_->Columns()->Items(1))->Title, "Segunda columna");
    EXPECT_EQ(static_cast<TTestColumn*>(grid_->Columns()->Items(2))->Title, "Column");
    EXPECT_EQ(grid_->Columns()->Count(), 3);
}

TEST_F(LiveTranslationTest, ValueRules) {
    auto form = MakeHost();
    loc_->TranslateForms(loc_->Store.get());
    EXPECT_EQ(memo_->Width(), 140);                       // an integer property
    EXPECT_EQ(buttons_["btnFlag"]->GetText(), "Never");   // flag 0x0008: never applied
    EXPECT_EQ(buttons_["btnOld"]->GetText(), "New base text");  // out of date: the native text
    EXPECT_EQ(buttons_["btnAlign"]->Align(), rtti::TAlign::alClient);  // no value, not a zero
    // Extra is an object property holding none: skipped.
    loc_->UseOutdatedTranslations = true;
    loc_->TranslateForms(loc_->Store.get());
    EXPECT_EQ(buttons_["btnOld"]->GetText(), "Texto base viejo");
}

TEST_F(LiveTranslationTest, MemoLinesReplacedOnlyWhileTheyHoldAKnownText) {
    auto form = MakeHost();
    memo_->Lines()->SetText("First line\r\nSecond line\r\n");  // as built from the native form
    loc_->TranslateForms(loc_->Store.get());
    EXPECT_EQ(memo_->Lines()->Text(), "Primera l\xEDnea\r\nSegunda l\xEDnea\r\n");
    // Back to English: still a translation's text, so it is replaced.
    loc_->Store->SetActiveLanguageIndex(0);
    loc_->CurrentLanguageId = 9;
    loc_->TranslateForms(loc_->Store.get());
    EXPECT_EQ(memo_->Lines()->Text(), "First line\r\nSecond line\r\n");
    // What the user typed stays.
    memo_->Lines()->SetText("my secret text\r\n");
    loc_->Store->SetActiveLanguageIndex(1);
    loc_->CurrentLanguageId = 10;
    loc_->TranslateForms(loc_->Store.get());
    EXPECT_EQ(memo_->Lines()->Text(), "my secret text\r\n");
}

// Realised or not: the fonts of a hidden window follow the language too, or it opens with the new
// texts in the old character set.
TEST_F(LiveTranslationTest, FontCharsetForEveryFontWithAPropertySetAndWithoutTheKeepFlag) {
    auto form = MakeHost();
    for (auto& [name, control] : buttons_) control->Font()->SetHandleAllocated(true);
    label_->Font()->SetHandleAllocated(false);
    loc_->CurrentLanguageId = 0x19;  // a Cyrillic language makes the change visible
    loc_->TranslateForms(loc_->Store.get());
    EXPECT_EQ(buttons_["btnOld"]->Font()->Charset(), 204);   // RUSSIAN_CHARSET
    EXPECT_EQ(buttons_["btnKeep"]->Font()->Charset(), 1);    // flag 0x0004 keeps DEFAULT_CHARSET
    EXPECT_EQ(buttons_["btnFlag"]->Font()->Charset(), 1);    // nothing was set
    EXPECT_EQ(label_->Font()->Charset(), 204);               // not realised, changed all the same
    loc_->ApplyCharset = false;
    loc_->CurrentLanguageId = 10;
    loc_->TranslateForms(loc_->Store.get());
    EXPECT_EQ(buttons_["btnOld"]->Font()->Charset(), 204);
}

TEST_F(LiveTranslationTest, FormOfAnotherResolutionIsRescaledOnceAndReadingOrderFollowsTheLanguage) {
    auto form = MakeHost();
    form->SetPixelsPerInch(120);
    form->SetClientWidth(500);
    ASSERT_EQ(rtti::Screen().PixelsPerInch(), 96);
    loc_->TranslateForm(nullptr, form.get());
    EXPECT_EQ(form->PixelsPerInch(), 96);
    EXPECT_EQ(form->ClientWidth(), 400);
    const int gridWidth = grid_->Width();
    loc_->TranslateForm(nullptr, form.get());
    EXPECT_EQ(form->ClientWidth(), 400);
    EXPECT_EQ(grid_->Width(), gridWidth);

    loc_->ApplyBiDiMode = true;
    loc_->CurrentLanguageId = 0x0D;
    loc_->TranslateForm(nullptr, form.get());
    EXPECT_EQ(form->BiDiMode(), rtti::TBiDiMode::bdRightToLeft);
    loc_->CurrentLanguageId = 10;
    loc_->TranslateForm(nullptr, form.get());
    EXPECT_EQ(form->BiDiMode(), rtti::TBiDiMode::bdLeftToRight);
}

TEST_F(LiveTranslationTest, DataModuleComponents) {
    TDataModule1 module;
    auto* action = module.Add<TTestAction>("actGo");
    action->Caption = "Go";
    loc_->TranslateDataModules(loc_->Store.get());
    EXPECT_EQ(action->Caption, "Ir");
}

TEST_F(LiveTranslationTest, PathResolution) {
    auto form = MakeHost();
    rtl::AnsiString rest;
    EXPECT_EQ(loc_->ResolveComponentPath(form.get(), "lblInfo", rest), label_);  // found depth-first
    EXPECT_EQ(loc_->ResolveComponentPath(form.get(), "memo.Font.Name", rest), memo_->Font());
    EXPECT_EQ(rest, "Name");
    EXPECT_EQ(loc_->ResolveComponentPath(form.get(), "nothing.Caption", rest), nullptr);
    EXPECT_EQ(loc_->FindSubComponent(form.get(), ""), nullptr);
    EXPECT_TRUE(TKLocalizerOnFly::InheritsFromName(memo_->Lines(), {"tstrings"}));
    EXPECT_FALSE(TKLocalizerOnFly::InheritsFromName(memo_, {"TStrings"}));

    rtti::TTabbedNotebook notebook;
    notebook.Pages()->Add("One");
    locstore::TLocValueList values(locstore::lvkString, 9);
    values.Value(0)->SetText(u"First");
    EXPECT_FALSE(loc_->SetPropertyValue(&notebook, "Caption", values.Value(0)));  // handled as a page
    EXPECT_EQ(notebook.Pages()->Strings(0), "First");
    loc_->SetSpecialValue(&notebook, "TabPage_2.Caption", values.Value(0));
    EXPECT_EQ(notebook.Pages()->Count(), 2);
}

}  // namespace
