#include "platform/ui/ComCtrls.h"

#include <QPainter>
#include <QSizeGrip>

#include "platform/ui/ExtCtrls.h"

namespace ui {

const rtti::TClassInfo* TStatusPanel::StaticClass() {
    using C = TStatusPanel;
    using namespace rtti;
    static const TClassInfo info("TStatusPanel", TCollectionItem::StaticClass(), Creator<C>(),
                                 {pub::String<C>("Text", &C::Text), pub::Integer<C>("Width", &C::Width, &C::Width, 50)});
    return &info;
}

const rtti::TClassInfo* TStatusBar::StaticClass() {
    using C = TStatusBar;
    using namespace rtti;
    static const TClassInfo info("TStatusBar", TWinControl::StaticClass(), Creator<C>(),
                                 QtControlProps<C>({
                                     pub::Object<C>("Panels", TCollection::StaticClass(), &C::Panels),
                                     pub::Bool<C>("SimplePanel", &C::SimplePanel, &C::SetSimplePanel, false),
                                     pub::String<C>("SimpleText", &C::SimpleText, &C::SetSimpleText),
                                     pub::Bool<C>("SizeGrip", &C::SizeGrip, &C::SetSizeGrip, true),
                                 }));
    return &info;
}

TStatusBar::TStatusBar() : panels_(std::make_unique<rtti::TCollection>(TStatusPanel::StaticClass(), this)) {
    widget_ = new TPaintWidget([this](QPainter& p) { Paint(p); });
    SetAccessible(widget_, {TAccessibleRole::StatusBar, [this] { return ShownText(); }, {}});
    grip_ = new QSizeGrip(widget_);
    RouteMouse();
    SetAlign(rtti::TAlign::alBottom);
    SetBounds(0, 0, 0, 19);
    ApplyFont();
}

TStatusBar::~TStatusBar() = default;

void TStatusBar::SetSimplePanel(bool on) {
    simplePanel_ = on;
    Repaint();
}

void TStatusBar::SetSimpleText(const AnsiString& text) {
    simpleText_ = text;
    Repaint();
    AccessibleNameChanged(widget_);
}

void TStatusBar::SetSizeGrip(bool on) {
    sizeGrip_ = on;
    PlaceGrip();
}

QString TStatusBar::ShownText() const {
    if (simplePanel_) return DecodeInterface(simpleText_);
    QStringList texts;
    for (int i = 0; i < panels_->Count(); ++i)
        texts << DecodeInterface(static_cast<TStatusPanel*>(panels_->Items(i))->Text);
    return texts.join(QStringLiteral("  "));
}

Qt::Alignment TStatusBar::ShownAlignment() const {
    const bool rightToLeft = widget_ && widget_->layoutDirection() == Qt::RightToLeft;
    return (rightToLeft ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignAbsolute;
}

void TStatusBar::PlaceWidget() {
    TQtControl<rtti::TWinControl>::PlaceWidget();
    PlaceGrip();
}

void TStatusBar::PlaceGrip() {
    if (!grip_) return;
    const int size = std::max(0, Height() - 2);
    grip_->setGeometry(Width() - size - 1, Height() - size - 1, size, size);
    grip_->setVisible(sizeGrip_);
}

void TStatusBar::Paint(QPainter& painter) {
    const QRect rect(0, 0, Width(), Height());
    painter.fillRect(rect, ToQColor(rtti::clBtnFace));
    // One sunken panel over the whole bar.
    QRect panel = rect.adjusted(0, 2, -(sizeGrip_ ? Height() : 0), 0);
    QRect frame = panel;
    DrawBevel(painter, frame, TBevelCut::bvLowered, 1);
    painter.setFont(ToQFont(*Font()));
    painter.setPen(ToQColor(Font()->Color()));
    painter.drawText(panel.adjusted(4, 1, -2, 0), Qt::AlignVCenter | ShownAlignment() | Qt::TextSingleLine, ShownText());
}

}  // namespace ui
