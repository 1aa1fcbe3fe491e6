#pragma once
// Qt-backed controls. Every control of the component model that shows something owns one widget;
// the published properties of rtti::TControl and of the classes here reach that widget through
// the virtual setters, so a value read from a form stream or set by the live translation shows
// at once. TQtControl<Base> adds the widget to rtti::TControl, rtti::TWinControl or a form.
//
// Layout follows the toolkit's align rules: the children of a windowed control are placed in
// the order top, bottom, left, right, client, each taking its strip off the remaining area, with
// a 3-pixel margin on every side when AlignWithMargins is on.

#include <algorithm>
#include <cstdint>
#include <optional>
#include <type_traits>
#include <vector>

#include <QFont>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include "platform/rtti/Controls.h"
#include "platform/ui/Accessibility.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/Text8.h"
#include "platform/ui/UpdateBatch.h"

namespace ui {

using rtl::AnsiString;
using rtti::TMethod;

// What every Qt-backed control offers besides its published properties.
class TWidgetLink {
public:
    virtual ~TWidgetLink() = default;
    QWidget* Widget() const { return widget_; }
    // The widget the children's widgets are placed on, and the area the align rules fill.
    virtual QWidget* ClientWidget() const { return widget_; }
    virtual QRect AlignRect() const;
    // Takes the parent's font again (ParentFont is on and the parent's font changed).
    virtual void FollowParentFont() {}

protected:
    QPointer<QWidget> widget_;
};

TWidgetLink* LinkOf(const rtti::TControl* control);
QWidget* WidgetOf(const rtti::TControl* control);

// Hints are shown with the screen's hint font: its character set, else the interface code page.
QString DecodeHintText(const AnsiString& text);

// Places the children of a windowed control by their Align values.
void AlignControls(rtti::TWinControl& parent);

// The colour a control paints its background with: its own, or its parent's with ParentColor.
TColor EffectiveColor(const rtti::TControl& control);
// Whether a control's hint shows as a tooltip: ShowHint, or the parent's with ParentShowHint.
bool EffectiveShowHint(const rtti::TControl& control);

namespace detail {
// Routes enter, leave, move and click of a widget to a control's events.
void InstallMouseRouting(QWidget* widget, rtti::TControl* control, TMethod* onEnter, TMethod* onLeave,
                         TMethod* onMove);
// Ends the routing for a widget and everything on it (a form going away).
void StopMouseRouting(QWidget* root);
}  // namespace detail

// The Qt half of a control; Base is rtti::TControl, rtti::TWinControl or rtti::TCustomForm.
template <class Base>
class TQtControl : public Base, public TWidgetLink {
public:
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor cursor) {
        cursor_ = cursor;
        if (!widget_) return;
        if (auto c = ToQCursor(cursor))
            widget_->setCursor(*c);
        else
            widget_->unsetCursor();
    }
    bool AlignWithMargins() const { return alignWithMargins_; }
    void SetAlignWithMargins(bool on) {
        alignWithMargins_ = on;
        RealignParent();
    }
    bool DoubleBuffered() const { return doubleBuffered_; }
    // Qt paints every widget double-buffered; the property is kept for the form streams.
    void SetDoubleBuffered(bool on) { doubleBuffered_ = on; }
    bool ParentBackground() const { return parentBackground_; }
    void SetParentBackground(bool on) {
        parentBackground_ = on;
        Repaint();
    }

    TMethod OnMouseEnter;
    TMethod OnMouseLeave;
    TMethod OnMouseMove;

    void SetBounds(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) override {
        const bool resized = width != this->Width() || height != this->Height();
        const bool moved = left != this->Left() || top != this->Top();
        Base::SetBounds(left, top, width, height);
        PlaceWidgetOnce();
        if (resized) {
            if (auto* self = dynamic_cast<rtti::TWinControl*>(this)) AlignControls(*self);
        }
        if ((resized || moved) && this->Align() != rtti::TAlign::alNone) RealignParent();
    }
    void SetText(const AnsiString& text) override {
        Base::SetText(text);
        TextChanged();
    }
    void SetHint(const AnsiString& hint) override {
        Base::SetHint(hint);
        UpdateToolTip();
    }
    void SetShowHint(bool on) override {
        Base::SetShowHint(on);
        this->SetParentShowHint(false);
        UpdateToolTip();
    }
    void SetVisible(bool on) override {
        Base::SetVisible(on);
        if (widget_ && widget_->parentWidget()) widget_->setVisible(on);
        RealignParent();
    }
    void SetEnabled(bool on) override {
        Base::SetEnabled(on);
        if (widget_) widget_->setEnabled(on);
    }
    void SetAlign(rtti::TAlign align) override {
        Base::SetAlign(align);
        RealignParent();
    }
    void SetColor(TColor color) override {
        Base::SetColor(color);
        this->SetParentColor(false);
        Repaint();
    }
    void SetBiDiMode(rtti::TBiDiMode mode) override {
        const Qt::LayoutDirection direction = mode == rtti::TBiDiMode::bdLeftToRight ? Qt::LeftToRight : Qt::RightToLeft;
        // A switch sets the reading order of every window; where it stays, nothing is drawn anew.
        const bool unchanged = mode == this->BiDiMode() && (!widget_ || widget_->layoutDirection() == direction);
        Base::SetBiDiMode(mode);
        if (unchanged) return;
        if (widget_) widget_->setLayoutDirection(direction);
        TextChanged();
    }
    void SetParent(rtti::TWinControl* parent) override {
        rtti::TWinControl* old = this->Parent();
        Base::SetParent(parent);
        if (widget_ && !this->IsTopLevel()) {
            QWidget* host = parent ? ClientWidgetOf(parent) : nullptr;
            widget_->setParent(host);
            PlaceWidget();
            if (host) widget_->setVisible(this->Visible());
        }
        if (parent && this->ParentFont()) CopyParentFont();
        if (old) AlignControls(*old);
        if (parent) AlignControls(*parent);
        UpdateToolTip();
    }

    void Repaint() {
        if (widget_) widget_->update();
    }
    // Called after the text or anything it is drawn with changed.
    virtual void TextChanged() {
        Repaint();
        AccessibleNameChanged(widget_);
    }
    void UpdateToolTip() {
        if (!widget_) return;
        widget_->setToolTip(EffectiveShowHint(*this) ? DecodeHint(this->Hint()) : QString());
    }

    // Takes the parent's font while ParentFont is on (changing the font turns it off).
    void CopyParentFont() {
        if (!this->Parent() || copyingFont_) return;
        copyingFont_ = true;
        this->Font()->Assign(*this->Parent()->Font());
        this->SetParentFont(true);
        copyingFont_ = false;
        ApplyFont();
    }

protected:
    virtual bool IsTopLevel() const { return false; }
    // A control without children is placed once per update batch: a switch sizes a label to its
    // new caption and then its form moves it (to stay centred under its icon), and each placement
    // of a shown widget marks the window's old and new areas for repainting. A windowed control
    // is placed at once, since its children are aligned in its widget's area.
    void PlaceWidgetOnce() {
        if constexpr (std::is_same_v<Base, rtti::TControl>) {
            if (UpdateBatchOpen()) {
                DeferUpdate(&placing_, [this] { PlaceWidget(); });
                return;
            }
        }
        PlaceWidget();
    }
    // Moves the widget to the control's bounds.
    virtual void PlaceWidget() {
        if (widget_ && !IsTopLevel()) widget_->setGeometry(this->Left(), this->Top(), std::max(0, this->Width()), std::max(0, this->Height()));
    }
    void RealignParent() {
        if (this->Parent() && !this->Loading()) AlignControls(*this->Parent());
    }
    void FontChanged() override {
        if (copyingFont_) return;
        ApplyFont();
    }
    void Loaded() override {
        Base::Loaded();
        if (auto* self = dynamic_cast<rtti::TWinControl*>(this)) AlignControls(*self);
        UpdateToolTip();
        TextChanged();
    }
    // Gives the widget the font, marks the font realised once the widget shows, and passes the
    // font on to children that follow their parent's.
    // A font change that leaves the Qt font, the colour and the code page the text is decoded
    // with as they were (a switch between languages of one code page changes only the character
    // set's number) needs no new measure and no repaint.
    virtual void ApplyFont() {
        if (!widget_) return;
        const rtti::TFont& font = *this->Font();
        TTextLook look{font.Name(), font.Height(), font.Style(), font.Pitch(), font.Color(),
                       CodePageForCharset(font.Charset())};
        const bool changed = textLook_ != look;
        if (changed) widget_->setFont(ToQFont(font));
        if (widget_->isVisible()) this->Font()->SetHandleAllocated(true);
        if (auto* self = dynamic_cast<rtti::TWinControl*>(this)) {
            for (int i = 0; i < self->ControlCount(); ++i) {
                rtti::TControl* child = self->Controls(i);
                if (!child->ParentFont()) continue;
                if (auto* link = LinkOf(child)) link->FollowParentFont();
            }
        }
        if (!changed) return;
        textLook_ = std::move(look);
        TextChanged();
    }
    // Hints, status texts and menus are decoded with the interface code page.
    static QString DecodeHint(const AnsiString& text) { return DecodeHintText(text); }
    static QWidget* ClientWidgetOf(rtti::TWinControl* parent) {
        TWidgetLink* link = LinkOf(parent);
        return link ? link->ClientWidget() : nullptr;
    }
    // Connects the widget's mouse events to OnMouseEnter/Leave/Move and clicks to Click().
    void RouteMouse() { detail::InstallMouseRouting(widget_, this, &OnMouseEnter, &OnMouseLeave, &OnMouseMove); }

public:
    void FollowParentFont() override { CopyParentFont(); }

private:
    // What the widget's font and text depend on: what ToQFont reads, the colour, and the code
    // page the text is decoded with (so the Qt font is made only when it may differ).
    struct TTextLook {
        AnsiString Name;
        std::int32_t Height;
        rtti::TFontStyles Style;
        rtti::TFontPitch Pitch;
        rtti::TColor Color;
        int CodePage;
        bool operator==(const TTextLook&) const = default;
    };
    std::optional<TTextLook> textLook_;
    TCursor cursor_ = crDefault;
    bool alignWithMargins_ = false;
    bool doubleBuffered_ = false;
    bool parentBackground_ = true;
    bool copyingFont_ = false;
    // The key of a placement deferred to the end of the update batch.
    char placing_ = 0;

public:
    ~TQtControl() override { CancelUpdate(&placing_); }
};

// The published properties every Qt-backed control adds to its class (C derives from
// TQtControl<...>).
template <class C>
std::vector<rtti::TPropInfo> QtControlProps(std::vector<rtti::TPropInfo> own) {
    using namespace rtti;
    std::vector<TPropInfo> props{
        pub::Bool<C>("AlignWithMargins", &C::AlignWithMargins, &C::SetAlignWithMargins, false),
        pub::Ident<C>("Cursor", CursorIdents(), &C::Cursor, &C::SetCursor, crDefault),
        pub::Bool<C>("DoubleBuffered", &C::DoubleBuffered, &C::SetDoubleBuffered, false),
        pub::Bool<C>("ParentBackground", &C::ParentBackground, &C::SetParentBackground, true),
        pub::Event<C>("OnMouseEnter", &C::OnMouseEnter),
        pub::Event<C>("OnMouseLeave", &C::OnMouseLeave),
        pub::Event<C>("OnMouseMove", &C::OnMouseMove),
    };
    for (auto& p : own) props.push_back(std::move(p));
    return props;
}

}  // namespace ui
