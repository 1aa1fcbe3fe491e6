#pragma once
// Controls, forms, frames and data modules of the component model, without any widget. The GUI
// derives its Qt-backed controls from TControl / TWinControl / TCustomForm and overrides the
// virtual setters (SetBounds, SetText, SetVisible, ...): the property tables call those setters,
// so a value read from a form stream or set by the live translation reaches the widget.
// Plain instances of these classes serve forms that have no window (tests, data modules).

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/rtti/Classes.h"
#include "platform/rtti/Graphics.h"

namespace rtti {

class TWinControl;

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
const TEnumInfo& AlignInfo();
enum class TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };
const TEnumInfo& BiDiModeInfo();

class TControl : public TComponent {
    VLMRK_RTTI_CLASS(TControl)
public:
    TControl();
    ~TControl() override;

    TWinControl* Parent() const { return parent_; }
    virtual void SetParent(TWinControl* parent);

    std::int32_t Left() const { return left_; }
    std::int32_t Top() const { return top_; }
    std::int32_t Width() const { return width_; }
    std::int32_t Height() const { return height_; }
    void SetLeft(std::int32_t v) { SetBounds(v, top_, width_, height_); }
    void SetTop(std::int32_t v) { SetBounds(left_, v, width_, height_); }
    void SetWidth(std::int32_t v) { SetBounds(left_, top_, v, height_); }
    void SetHeight(std::int32_t v) { SetBounds(left_, top_, width_, v); }
    virtual void SetBounds(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height);

    // Caption (the control's text).
    virtual AnsiString GetText() const { return text_; }
    virtual void SetText(const AnsiString& text) { text_ = text; }
    const AnsiString& Hint() const { return hint_; }
    virtual void SetHint(const AnsiString& hint) { hint_ = hint; }
    bool Visible() const { return visible_; }
    virtual void SetVisible(bool on) { visible_ = on; }
    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool on) { enabled_ = on; }
    TAlign Align() const { return align_; }
    virtual void SetAlign(TAlign align) { align_ = align; }
    TColor Color() const { return color_; }
    virtual void SetColor(TColor color) { color_ = color; }
    TBiDiMode BiDiMode() const { return biDiMode_; }
    virtual void SetBiDiMode(TBiDiMode mode) { biDiMode_ = mode; }
    bool ShowHint() const { return showHint_; }
    virtual void SetShowHint(bool on) { showHint_ = on; }
    bool ParentFont() const { return parentFont_; }
    void SetParentFont(bool on) { parentFont_ = on; }
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool on) { parentColor_ = on; }
    bool ParentShowHint() const { return parentShowHint_; }
    void SetParentShowHint(bool on) { parentShowHint_ = on; }
    bool ParentBiDiMode() const { return parentBiDiMode_; }
    void SetParentBiDiMode(bool on) { parentBiDiMode_ = on; }

    TFont* Font() const { return font_.get(); }

    // Rescales position, size and (unless taken from the parent) font height by M/D, as when a
    // form designed at D pixels per inch is shown at M. Window controls rescale their children.
    virtual void ScaleBy(std::int32_t m, std::int32_t d);

    TMethod OnClick;
    TMethod OnDblClick;
    // Runs OnClick.
    virtual void Click() { OnClick(this); }

    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override;
    void SetParentComponent(TComponent* parent) override;

protected:
    // Called when the font changed (also through its properties, e.g. by the live translation).
    virtual void FontChanged() {}

private:
    TWinControl* parent_ = nullptr;
    std::int32_t left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    AnsiString text_;
    AnsiString hint_;
    bool visible_ = true;
    bool enabled_ = true;
    TAlign align_ = TAlign::alNone;
    TColor color_ = clBtnFace;
    TBiDiMode biDiMode_ = TBiDiMode::bdLeftToRight;
    bool showHint_ = false;
    bool parentFont_ = true;
    bool parentColor_ = true;
    bool parentShowHint_ = true;
    bool parentBiDiMode_ = true;
    std::unique_ptr<TFont> font_;
};

class TWinControl : public TControl {
    VLMRK_RTTI_CLASS(TWinControl)
public:
    ~TWinControl() override;

    int ControlCount() const { return static_cast<int>(controls_.size()); }
    // Raises the list index error outside 0 .. ControlCount-1.
    TControl* Controls(int index) const;
    std::int32_t TabOrder() const { return tabOrder_; }
    void SetTabOrder(std::int32_t v) { tabOrder_ = v; }
    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool on) { tabStop_ = on; }

    void ScaleBy(std::int32_t m, std::int32_t d) override;

    // The children that belong to root's stream: controls placed on this one and owned by root.
    void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) const override;

protected:
    // Called when a control is placed on this one or taken off it.
    virtual void ControlInserted(TControl*) {}
    virtual void ControlRemoved(TControl*) {}

private:
    friend class TControl;
    std::vector<TControl*> controls_;
    std::int32_t tabOrder_ = -1;
    bool tabStop_ = false;
};

class TScrollingWinControl : public TWinControl {
    VLMRK_RTTI_CLASS(TScrollingWinControl)
public:
    bool AutoScroll() const { return autoScroll_; }
    void SetAutoScroll(bool on) { autoScroll_ = on; }

private:
    bool autoScroll_ = false;
};

enum class TPosition {
    poDesigned,
    poDefault,
    poDefaultPosOnly,
    poDefaultSizeOnly,
    poScreenCenter,
    poDesktopCenter,
    poMainFormCenter,
    poOwnerFormCenter
};
const TEnumInfo& PositionInfo();
enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
const TEnumInfo& FormBorderStyleInfo();
const TEnumInfo& BorderIconInfo();  // biSystemMenu, biMinimize, biMaximize, biHelp

class TCustomForm : public TScrollingWinControl {
    VLMRK_RTTI_CLASS(TCustomForm)
public:
    TCustomForm();
    ~TCustomForm() override;

    std::int32_t ClientWidth() const { return clientWidth_; }
    std::int32_t ClientHeight() const { return clientHeight_; }
    virtual void SetClientWidth(std::int32_t v) { clientWidth_ = v; }
    virtual void SetClientHeight(std::int32_t v) { clientHeight_ = v; }
    std::int32_t PixelsPerInch() const { return pixelsPerInch_; }
    virtual void SetPixelsPerInch(std::int32_t v) { pixelsPerInch_ = v; }
    std::int32_t TextHeight() const { return textHeight_; }
    void SetTextHeight(std::int32_t v) { textHeight_ = v; }
    bool Scaled() const { return scaled_; }
    void SetScaled(bool on) { scaled_ = on; }
    bool OldCreateOrder() const { return oldCreateOrder_; }
    void SetOldCreateOrder(bool on) { oldCreateOrder_ = on; }
    TPosition Position() const { return position_; }
    virtual void SetPosition(TPosition p) { position_ = p; }
    TFormBorderStyle BorderStyle() const { return borderStyle_; }
    virtual void SetBorderStyle(TFormBorderStyle s) { borderStyle_ = s; }
    std::uint32_t BorderIcons() const { return borderIcons_; }
    virtual void SetBorderIcons(std::uint32_t icons) { borderIcons_ = icons & 0x0F; }

    TMethod OnCreate;
    TMethod OnDestroy;
    TMethod OnShow;
    TMethod OnHide;
    TMethod OnActivate;
    TMethod OnResize;

    // Owned components without a parent (menus, dialogs, actions) first, then the controls.
    void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) const override;

private:
    std::int32_t clientWidth_ = 0, clientHeight_ = 0;
    std::int32_t pixelsPerInch_ = 96;
    std::int32_t textHeight_ = 13;
    bool scaled_ = true;
    bool oldCreateOrder_ = false;
    TPosition position_ = TPosition::poDefaultPosOnly;
    TFormBorderStyle borderStyle_ = TFormBorderStyle::bsSizeable;
    std::uint32_t borderIcons_ = 0x07;
};

class TForm : public TCustomForm {
    VLMRK_RTTI_CLASS(TForm)
};

class TDataModule : public TComponent {
    VLMRK_RTTI_CLASS(TDataModule)
public:
    TDataModule();
    ~TDataModule() override;

    // The designer's position and size of the module.
    std::int32_t Left = 0, Top = 0, Width = 0, Height = 0;
    bool OldCreateOrder = false;
    TMethod OnCreate;
    TMethod OnDestroy;

    void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) const override;
};

class TCustomFrame : public TScrollingWinControl {
    VLMRK_RTTI_CLASS(TCustomFrame)
public:
    void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) const override;
};

class TFrame : public TCustomFrame {
    VLMRK_RTTI_CLASS(TFrame)
};

// A notebook whose page captions are the strings of Pages.
class TTabbedNotebook : public TWinControl {
    VLMRK_RTTI_CLASS(TTabbedNotebook)
public:
    TTabbedNotebook();
    TStrings* Pages() const { return pages_.get(); }
    std::int32_t PageIndex() const { return pageIndex_; }
    void SetPageIndex(std::int32_t v) { pageIndex_ = v; }

private:
    std::unique_ptr<TStringList> pages_;
    std::int32_t pageIndex_ = 0;
};

// The screen: the lists of open forms and data modules, in creation order. Forms and data modules
// enter on construction and leave on destruction.
class TScreen : public TComponent {
    VLMRK_RTTI_CLASS(TScreen)
public:
    int FormCount() const { return static_cast<int>(forms_.size()); }
    TCustomForm* Forms(int index) const;
    int DataModuleCount() const { return static_cast<int>(dataModules_.size()); }
    TDataModule* DataModules(int index) const;
    std::int32_t PixelsPerInch() const { return pixelsPerInch_; }
    void SetPixelsPerInch(std::int32_t v) { pixelsPerInch_ = v > 0 ? v : 96; }

    void AddForm(TCustomForm* form);
    void RemoveForm(TCustomForm* form);
    void AddDataModule(TDataModule* module);
    void RemoveDataModule(TDataModule* module);

private:
    std::vector<TCustomForm*> forms_;
    std::vector<TDataModule*> dataModules_;
    std::int32_t pixelsPerInch_ = 96;
};

// The process's screen, standing in for the toolkit's single screen object.
TScreen& Screen();

// Registers the creatable classes of this layer (components, controls, forms, frames, data
// modules, string lists, fonts, pictures) for the form reader.
void RegisterClasses(TClassRegistry& registry);

}  // namespace rtti
