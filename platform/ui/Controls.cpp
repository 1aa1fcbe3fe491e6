#include "platform/ui/Controls.h"

#include <QEvent>
#include <QMouseEvent>

#include "platform/ui/Application.h"

namespace ui {

QRect TWidgetLink::AlignRect() const {
    QWidget* client = ClientWidget();
    return client ? client->rect() : QRect();
}

TWidgetLink* LinkOf(const rtti::TControl* control) {
    return dynamic_cast<TWidgetLink*>(const_cast<rtti::TControl*>(control));
}

QWidget* WidgetOf(const rtti::TControl* control) {
    TWidgetLink* link = LinkOf(control);
    return link ? link->Widget() : nullptr;
}

namespace {

bool WithMargins(const rtti::TControl& control) {
    if (auto* prop = control.ClassType()->FindProp("AlignWithMargins"); prop && prop->GetOrd) return prop->GetOrd(control) != 0;
    return false;
}

}  // namespace

void AlignControls(rtti::TWinControl& parent) {
    if (parent.Loading()) return;
    TWidgetLink* link = LinkOf(&parent);
    QRect area = link ? link->AlignRect() : QRect(0, 0, parent.Width(), parent.Height());
    int left = area.left(), top = area.top(), right = area.left() + area.width(), bottom = area.top() + area.height();
    constexpr int kMargin = 3;
    using rtti::TAlign;
    for (TAlign align : {TAlign::alTop, TAlign::alBottom, TAlign::alLeft, TAlign::alRight, TAlign::alClient}) {
        for (int i = 0; i < parent.ControlCount(); ++i) {
            rtti::TControl* c = parent.Controls(i);
            if (c->Align() != align || !c->Visible()) continue;
            const int m = WithMargins(*c) ? kMargin : 0;
            const int w = c->Width(), h = c->Height();
            switch (align) {
                case TAlign::alTop:
                    c->SetBounds(left + m, top + m, std::max(0, right - left - 2 * m), h);
                    top += h + 2 * m;
                    break;
                case TAlign::alBottom:
                    c->SetBounds(left + m, bottom - h - m, std::max(0, right - left - 2 * m), h);
                    bottom -= h + 2 * m;
                    break;
                case TAlign::alLeft:
                    c->SetBounds(left + m, top + m, w, std::max(0, bottom - top - 2 * m));
                    left += w + 2 * m;
                    break;
                case TAlign::alRight:
                    c->SetBounds(right - w - m, top + m, w, std::max(0, bottom - top - 2 * m));
                    right -= w + 2 * m;
                    break;
                default:
                    c->SetBounds(left + m, top + m, std::max(0, right - left - 2 * m), std::max(0, bottom - top - 2 * m));
                    break;
            }
        }
    }
}

TColor EffectiveColor(const rtti::TControl& control) {
    const rtti::TControl* c = &control;
    while (c->ParentColor() && c->Parent()) c = c->Parent();
    return c->Color();
}

bool EffectiveShowHint(const rtti::TControl& control) {
    const rtti::TControl* c = &control;
    while (c->ParentShowHint() && c->Parent()) c = c->Parent();
    return c->ShowHint();
}

namespace detail {

namespace {

// Turns a widget's enter, leave, move and release events into the control's events. Handlers
// run through the dispatcher, so an error shows in the default error box.
class TMouseRouter : public QObject {
    Q_DISABLE_COPY_MOVE(TMouseRouter)

public:
    TMouseRouter(QWidget* widget, rtti::TControl* control, TMethod* onEnter, TMethod* onLeave, TMethod* onMove)
        : QObject(widget), control_(control), onEnter_(onEnter), onLeave_(onLeave), onMove_(onMove) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* widget = static_cast<QWidget*>(parent());
        if (watched != widget) return false;
        switch (event->type()) {
            case QEvent::Enter: Fire(*onEnter_); break;
            case QEvent::Leave: Fire(*onLeave_); break;
            case QEvent::MouseMove: Fire(*onMove_); break;
            case QEvent::MouseButtonPress:
                if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) pressed_ = true;
                break;
            case QEvent::MouseButtonRelease: {
                auto* mouse = static_cast<QMouseEvent*>(event);
                if (mouse->button() == Qt::LeftButton && pressed_) {
                    pressed_ = false;
                    if (widget->rect().contains(mouse->position().toPoint())) {
                        rtti::TControl* control = control_;
                        Dispatch([control] { control->Click(); });
                    }
                }
                break;
            }
            default: break;
        }
        return false;
    }

private:
    void Fire(const TMethod& method) {
        if (!method.Assigned()) return;
        rtti::TControl* control = control_;
        TMethod copy = method;
        Dispatch([copy, control] { copy(control); });
    }

    rtti::TControl* control_;
    TMethod* onEnter_;
    TMethod* onLeave_;
    TMethod* onMove_;
    bool pressed_ = false;
};

}  // namespace

void StopMouseRouting(QWidget* root) {
    if (!root) return;
    // The router has no meta-object of its own, so it is told apart by its C++ type.
    for (QObject* child : root->findChildren<QObject*>())
        if (auto* router = dynamic_cast<TMouseRouter*>(child)) delete router;
}

void InstallMouseRouting(QWidget* widget, rtti::TControl* control, TMethod* onEnter, TMethod* onLeave, TMethod* onMove) {
    if (!widget) return;
    widget->setMouseTracking(true);
    widget->installEventFilter(new TMouseRouter(widget, control, onEnter, onLeave, onMove));
}

}  // namespace detail

}  // namespace ui
