#include "platform/rtti/Controls.h"

#include <algorithm>

namespace rtti {

const TEnumInfo& AlignInfo() {
    static const TEnumInfo info{"TAlign", {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient", "alCustom"}};
    return info;
}

const TEnumInfo& BiDiModeInfo() {
    static const TEnumInfo info{
        "TBiDiMode", {"bdLeftToRight", "bdRightToLeft", "bdRightToLeftNoAlign", "bdRightToLeftReadingOnly"}};
    return info;
}

const TEnumInfo& PositionInfo() {
    static const TEnumInfo info{"TPosition",
                                {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly", "poScreenCenter",
                                 "poDesktopCenter", "poMainFormCenter", "poOwnerFormCenter"}};
    return info;
}

const TEnumInfo& FormBorderStyleInfo() {
    static const TEnumInfo info{"TFormBorderStyle",
                                {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"}};
    return info;
}

const TEnumInfo& BorderIconInfo() {
    static const TEnumInfo info{"TBorderIcon", {"biSystemMenu", "biMinimize", "biMaximize", "biHelp"}};
    return info;
}

// ---- TControl --------------------------------------------------------------------------------

const TClassInfo* TControl::StaticClass() {
    using C = TControl;
    static const TClassInfo info(
        "TControl", TComponent::StaticClass(), Creator<C>(),
        {
            pub::Integer<C>("Left", &C::Left, &C::SetLeft),
            pub::Integer<C>("Top", &C::Top, &C::SetTop),
            pub::Integer<C>("Width", &C::Width, &C::SetWidth),
            pub::Integer<C>("Height", &C::Height, &C::SetHeight),
            pub::Enum<C>("Align", AlignInfo(), &C::Align, &C::SetAlign),
            pub::Enum<C>("BiDiMode", BiDiModeInfo(), &C::BiDiMode, &C::SetBiDiMode),
            pub::String<C>("Caption", &C::GetText, &C::SetText),
            pub::Ident<C>("Color", ColorIdents(), &C::Color, &C::SetColor, clBtnFace),
            pub::Bool<C>("Enabled", &C::Enabled, &C::SetEnabled, true),
            pub::Object<C>("Font", TFont::StaticClass(), &C::Font),
            pub::String<C>("Hint", &C::Hint, &C::SetHint),
            pub::Bool<C>("ParentBiDiMode", &C::ParentBiDiMode, &C::SetParentBiDiMode, true),
            pub::Bool<C>("ParentColor", &C::ParentColor, &C::SetParentColor, true),
            pub::Bool<C>("ParentFont", &C::ParentFont, &C::SetParentFont, true),
            pub::Bool<C>("ParentShowHint", &C::ParentShowHint, &C::SetParentShowHint, true),
            pub::Bool<C>("ShowHint", &C::ShowHint, &C::SetShowHint, false),
            pub::Bool<C>("Visible", &C::Visible, &C::SetVisible, true),
            pub::Event<C>("OnClick", &C::OnClick),
            pub::Event<C>("OnDblClick", &C::OnDblClick),
        });
    return &info;
}

TControl::TControl() : font_(std::make_unique<TFont>()) {
    font_->OnChange = [this](TFont*) {
        parentFont_ = false;
        FontChanged();
    };
}

TControl::~TControl() {
    // Free what this control owns while it is still a control, then leave the parent's list.
    DestroyComponents();
    SetParent(nullptr);
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == parent_) return;
    if (parent_) {
        auto& list = parent_->controls_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        parent_->ControlRemoved(this);
    }
    parent_ = parent;
    if (parent_) {
        parent_->controls_.push_back(this);
        parent_->ControlInserted(this);
    }
}

void TControl::SetBounds(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) {
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
}

namespace {

std::int32_t Scale(std::int32_t v, std::int32_t m, std::int32_t d) {
    std::int64_t p = static_cast<std::int64_t>(v) * m;
    // Rounded half away from zero, as the platform's MulDiv.
    std::int64_t q = (p < 0 ? p - d / 2 : p + d / 2) / d;
    return static_cast<std::int32_t>(q);
}

}  // namespace

void TControl::ScaleBy(std::int32_t m, std::int32_t d) {
    if (m <= 0 || d <= 0 || m == d) return;
    // The position scales only for controls inside another; a form keeps its place on the screen.
    std::int32_t l = parent_ ? Scale(left_, m, d) : left_;
    std::int32_t t = parent_ ? Scale(top_, m, d) : top_;
    SetBounds(l, t, Scale(width_, m, d), Scale(height_, m, d));
    if (!parentFont_) font_->SetHeight(Scale(font_->Height(), m, d));
}

TComponent* TControl::GetParentComponent() const { return parent_; }

void TControl::SetParentComponent(TComponent* parent) {
    if (auto* w = dynamic_cast<TWinControl*>(parent)) SetParent(w);
}

// ---- TWinControl -----------------------------------------------------------------------------

const TClassInfo* TWinControl::StaticClass() {
    using C = TWinControl;
    static const TClassInfo info("TWinControl", TControl::StaticClass(), Creator<C>(),
                                 {
                                     pub::Integer<C>("TabOrder", &C::TabOrder, &C::SetTabOrder, -1),
                                     pub::Bool<C>("TabStop", &C::TabStop, &C::SetTabStop, false),
                                 });
    return &info;
}

TWinControl::~TWinControl() {
    DestroyComponents();
    // Controls placed here but owned elsewhere lose their parent.
    while (!controls_.empty()) controls_.back()->SetParent(nullptr);
}

void TWinControl::ScaleBy(std::int32_t m, std::int32_t d) {
    TControl::ScaleBy(m, d);
    if (m <= 0 || d <= 0 || m == d) return;
    std::vector<TControl*> list = controls_;
    for (TControl* c : list) c->ScaleBy(m, d);
}

TControl* TWinControl::Controls(int index) const {
    if (index < 0 || index >= ControlCount()) rtl::RaiseListIndexError(index);
    return controls_[static_cast<std::size_t>(index)];
}

void TWinControl::GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) const {
    // Copy: a callback may re-parent.
    std::vector<TControl*> list = controls_;
    for (TControl* c : list)
        if (c->Owner() == root) proc(c);
}

const TClassInfo* TScrollingWinControl::StaticClass() {
    using C = TScrollingWinControl;
    static const TClassInfo info("TScrollingWinControl", TWinControl::StaticClass(), Creator<C>(),
                                 {pub::Bool<C>("AutoScroll", &C::AutoScroll, &C::SetAutoScroll, false)});
    return &info;
}

// ---- Forms -----------------------------------------------------------------------------------

const TClassInfo* TCustomForm::StaticClass() {
    using C = TCustomForm;
    static const TClassInfo info(
        "TCustomForm", TScrollingWinControl::StaticClass(), Creator<C>(),
        {
            pub::Set<C>("BorderIcons", BorderIconInfo(), &C::BorderIcons, &C::SetBorderIcons, 0x07),
            pub::Enum<C>("BorderStyle", FormBorderStyleInfo(), &C::BorderStyle, &C::SetBorderStyle, 2),
            pub::Integer<C>("ClientHeight", &C::ClientHeight, &C::SetClientHeight, std::nullopt),
            pub::Integer<C>("ClientWidth", &C::ClientWidth, &C::SetClientWidth, std::nullopt),
            pub::Bool<C>("OldCreateOrder", &C::OldCreateOrder, &C::SetOldCreateOrder, std::nullopt),
            pub::Integer<C>("PixelsPerInch", &C::PixelsPerInch, &C::SetPixelsPerInch, std::nullopt),
            pub::Enum<C>("Position", PositionInfo(), &C::Position, &C::SetPosition, 2),
            pub::Bool<C>("Scaled", &C::Scaled, &C::SetScaled, true),
            pub::Integer<C>("TextHeight", &C::TextHeight, &C::SetTextHeight, std::nullopt),
            pub::Event<C>("OnActivate", &C::OnActivate),
            pub::Event<C>("OnCreate", &C::OnCreate),
            pub::Event<C>("OnDestroy", &C::OnDestroy),
            pub::Event<C>("OnHide", &C::OnHide),
            pub::Event<C>("OnResize", &C::OnResize),
            pub::Event<C>("OnShow", &C::OnShow),
        });
    return &info;
}

TCustomForm::TCustomForm() { Screen().AddForm(this); }

TCustomForm::~TCustomForm() {
    DestroyComponents();
    Screen().RemoveForm(this);
}

void TCustomForm::GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) const {
    for (int i = 0; i < ComponentCount(); ++i) {
        TComponent* c = Components(i);
        if (!c->HasParent()) proc(c);
    }
    TWinControl::GetChildren(proc, root);
}

const TClassInfo* TForm::StaticClass() {
    static const TClassInfo info("TForm", TCustomForm::StaticClass(), Creator<TForm>());
    return &info;
}

const TClassInfo* TDataModule::StaticClass() {
    using C = TDataModule;
    static const TClassInfo info("TDataModule", TComponent::StaticClass(), Creator<C>(),
                                 {
                                     pub::Integer<C>("Left", &C::Left, &C::Left, std::nullopt),
                                     pub::Integer<C>("Top", &C::Top, &C::Top, std::nullopt),
                                     pub::Integer<C>("Height", &C::Height, &C::Height, std::nullopt),
                                     pub::Integer<C>("Width", &C::Width, &C::Width, std::nullopt),
                                     pub::Bool<C>("OldCreateOrder", &C::OldCreateOrder, &C::OldCreateOrder, std::nullopt),
                                     pub::Event<C>("OnCreate", &C::OnCreate),
                                     pub::Event<C>("OnDestroy", &C::OnDestroy),
                                 });
    return &info;
}

TDataModule::TDataModule() { Screen().AddDataModule(this); }

TDataModule::~TDataModule() {
    DestroyComponents();
    Screen().RemoveDataModule(this);
}

void TDataModule::GetChildren(const std::function<void(TComponent*)>& proc, TComponent*) const {
    for (int i = 0; i < ComponentCount(); ++i)
        if (!Components(i)->HasParent()) proc(Components(i));
}

const TClassInfo* TCustomFrame::StaticClass() {
    static const TClassInfo info("TCustomFrame", TScrollingWinControl::StaticClass(), Creator<TCustomFrame>());
    return &info;
}

void TCustomFrame::GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) const {
    for (int i = 0; i < ComponentCount(); ++i)
        if (!Components(i)->HasParent()) proc(Components(i));
    TWinControl::GetChildren(proc, root);
}

const TClassInfo* TFrame::StaticClass() {
    static const TClassInfo info("TFrame", TCustomFrame::StaticClass(), Creator<TFrame>());
    return &info;
}

const TClassInfo* TTabbedNotebook::StaticClass() {
    using C = TTabbedNotebook;
    static const TClassInfo info("TTabbedNotebook", TWinControl::StaticClass(), Creator<C>(),
                                 {
                                     pub::Object<C>("Pages", TStrings::StaticClass(), &C::Pages),
                                     pub::Integer<C>("PageIndex", &C::PageIndex, &C::SetPageIndex, 0),
                                 });
    return &info;
}

TTabbedNotebook::TTabbedNotebook() : pages_(std::make_unique<TStringList>()) {}

// ---- Screen ----------------------------------------------------------------------------------

const TClassInfo* TScreen::StaticClass() {
    static const TClassInfo info("TScreen", TComponent::StaticClass(), nullptr);
    return &info;
}

TCustomForm* TScreen::Forms(int index) const {
    if (index < 0 || index >= FormCount()) rtl::RaiseListIndexError(index);
    return forms_[static_cast<std::size_t>(index)];
}

TDataModule* TScreen::DataModules(int index) const {
    if (index < 0 || index >= DataModuleCount()) rtl::RaiseListIndexError(index);
    return dataModules_[static_cast<std::size_t>(index)];
}

void TScreen::AddForm(TCustomForm* form) {
    if (form && std::find(forms_.begin(), forms_.end(), form) == forms_.end()) forms_.push_back(form);
}

void TScreen::RemoveForm(TCustomForm* form) { forms_.erase(std::remove(forms_.begin(), forms_.end(), form), forms_.end()); }

void TScreen::AddDataModule(TDataModule* module) {
    if (module && std::find(dataModules_.begin(), dataModules_.end(), module) == dataModules_.end())
        dataModules_.push_back(module);
}

void TScreen::RemoveDataModule(TDataModule* module) {
    dataModules_.erase(std::remove(dataModules_.begin(), dataModules_.end(), module), dataModules_.end());
}

TScreen& Screen() {
    static TScreen screen;
    return screen;
}

void RegisterClasses(TClassRegistry& registry) {
    registry.RegisterClasses({TComponent::StaticClass(), TStringList::StaticClass(), TFont::StaticClass(),
                              TPicture::StaticClass(), TControl::StaticClass(), TWinControl::StaticClass(),
                              TScrollingWinControl::StaticClass(), TCustomForm::StaticClass(), TForm::StaticClass(),
                              TDataModule::StaticClass(), TCustomFrame::StaticClass(), TFrame::StaticClass(),
                              TTabbedNotebook::StaticClass()});
}

}  // namespace rtti
