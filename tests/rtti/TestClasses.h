#pragma once
// A small designed form, as the GUI and the program declare theirs: published properties of every
// kind, child controls, a string list, a collection, a picture, a component reference and events.

#include <memory>

#include "platform/rtti/ComponentStream.h"
#include "platform/rtti/Controls.h"
#include "platform/rtti/FormText.h"

namespace rttitest {

using namespace rtti;

class TTestButton : public TWinControl {
    VLMRK_RTTI_CLASS(TTestButton)
public:
    // Counts the caption changes that reach the "widget".
    int TextSets = 0;
    void SetText(const AnsiString& text) override {
        ++TextSets;
        TWinControl::SetText(text);
    }
};
inline const TClassInfo* TTestButton::StaticClass() {
    static const TClassInfo info("TTestButton", TWinControl::StaticClass(), Creator<TTestButton>());
    return &info;
}

class TTestMemo : public TWinControl {
    VLMRK_RTTI_CLASS(TTestMemo)
public:
    TStrings* Lines() const { return lines_.get(); }

private:
    std::unique_ptr<TStringList> lines_ = std::make_unique<TStringList>();
};
inline const TClassInfo* TTestMemo::StaticClass() {
    static const TClassInfo info("TTestMemo", TWinControl::StaticClass(), Creator<TTestMemo>(),
                                 {pub::Object<TTestMemo>("Lines", TStrings::StaticClass(), &TTestMemo::Lines)});
    return &info;
}

class TTestColumn : public TCollectionItem {
    VLMRK_RTTI_CLASS(TTestColumn)
public:
    std::int32_t Width = 0;
    AnsiString Title;
};
inline const TClassInfo* TTestColumn::StaticClass() {
    static const TClassInfo info("TTestColumn", TCollectionItem::StaticClass(), Creator<TTestColumn>(),
                                 {pub::Integer<TTestColumn>("Width", &TTestColumn::Width),
                                  pub::String<TTestColumn>("Title", &TTestColumn::Title)});
    return &info;
}

class TTestGrid : public TWinControl {
    VLMRK_RTTI_CLASS(TTestGrid)
public:
    TCollection* Columns() const { return columns_.get(); }

private:
    std::unique_ptr<TCollection> columns_ = std::make_unique<TCollection>(TTestColumn::StaticClass(), this);
};
inline const TClassInfo* TTestGrid::StaticClass() {
    static const TClassInfo info("TTestGrid", TWinControl::StaticClass(), Creator<TTestGrid>(),
                                 {pub::Object<TTestGrid>("Columns", TCollection::StaticClass(), &TTestGrid::Columns)});
    return &info;
}

class TTestImage : public TControl {
    VLMRK_RTTI_CLASS(TTestImage)
public:
    TPicture* Picture() const { return picture_.get(); }

private:
    std::unique_ptr<TPicture> picture_ = std::make_unique<TPicture>();
};
inline const TClassInfo* TTestImage::StaticClass() {
    static const TClassInfo info("TTestImage", TControl::StaticClass(), Creator<TTestImage>(),
                                 {pub::Object<TTestImage>("Picture", TPicture::StaticClass(), &TTestImage::Picture)});
    return &info;
}

class TForm1 : public TForm {
    VLMRK_RTTI_CLASS(TForm1)
public:
    std::int32_t Counter = 0;
    TAlign Side = TAlign::alNone;
    std::uint32_t Styles = 0;
    WideString WideCaption;
    double Ratio = 0;
    std::int64_t Big = 0;
    std::int32_t Letter = 0;
    TComponent* Buddy = nullptr;

    int Clicks = 0;
    int Creates = 0;
    rtl::TObject* LastSender = nullptr;
    void Button1Click(rtl::TObject* sender) {
        ++Clicks;
        LastSender = sender;
    }
    void FormCreate(rtl::TObject*) { ++Creates; }
};
inline const TClassInfo* TForm1::StaticClass() {
    using C = TForm1;
    static const TClassInfo info(
        "TForm1", TForm::StaticClass(), Creator<C>(),
        {
            pub::Integer<C>("Counter", &C::Counter),
            pub::Enum<C>("Side", AlignInfo(), &C::Side, &C::Side),
            pub::Set<C>("Styles", FontStyleInfo(), &C::Styles, &C::Styles),
            pub::WString<C>("WideCaption", &C::WideCaption, &C::WideCaption),
            pub::Float<C>("Ratio", &C::Ratio, &C::Ratio),
            pub::Int64<C>("Big", &C::Big, &C::Big),
            pub::Char<C>("Letter", &C::Letter, &C::Letter),
            pub::Reference<C>("Buddy", TComponent::StaticClass(), &C::Buddy, &C::Buddy),
        },
        {pub::Method<C>("Button1Click", &C::Button1Click), pub::Method<C>("FormCreate", &C::FormCreate)});
    return &info;
}

// A form designed on top of TForm1.
class TForm2 : public TForm1 {
    VLMRK_RTTI_CLASS(TForm2)
};
inline const TClassInfo* TForm2::StaticClass() {
    static const TClassInfo info("TForm2", TForm1::StaticClass(), Creator<TForm2>());
    return &info;
}

class TFrame1 : public TFrame {
    VLMRK_RTTI_CLASS(TFrame1)
public:
    int Clicks = 0;
    void LabelClick(rtl::TObject*) { ++Clicks; }
};
inline const TClassInfo* TFrame1::StaticClass() {
    static const TClassInfo info("TFrame1", TFrame::StaticClass(), Creator<TFrame1>(), {},
                                 {pub::Method<TFrame1>("LabelClick", &TFrame1::LabelClick)});
    return &info;
}

class TDataModule1 : public TDataModule {
    VLMRK_RTTI_CLASS(TDataModule1)
};
inline const TClassInfo* TDataModule1::StaticClass() {
    static const TClassInfo info("TDataModule1", TDataModule::StaticClass(), Creator<TDataModule1>());
    return &info;
}

inline const TClassRegistry& Registry() {
    static const TClassRegistry registry = [] {
        TClassRegistry r;
        RegisterClasses(r);
        r.RegisterClasses({TTestButton::StaticClass(), TTestMemo::StaticClass(), TTestGrid::StaticClass(),
                           TTestImage::StaticClass(), TForm1::StaticClass(), TForm2::StaticClass(),
                           TFrame1::StaticClass(), TDataModule1::StaticClass()});
        return r;
    }();
    return registry;
}

inline std::vector<std::uint8_t> Compile(const AnsiString& text) {
    rtl::TMemoryStream out;
    ObjectTextToBinary(text, out);
    return out.Bytes();
}

inline AnsiString Decompile(const std::vector<std::uint8_t>& bytes) {
    rtl::TReadOnlyStream in(bytes);
    return ObjectBinaryToText(in);
}

}  // namespace rttitest
