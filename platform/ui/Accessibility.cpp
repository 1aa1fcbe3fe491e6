#include "platform/ui/Accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPointer>
#include <QWidget>

#include "platform/ui/Application.h"
#include "platform/ui/ExtCtrls.h"

namespace ui {

namespace {

// Kept as a child object of the widget, so it lives and dies with it.
class TDescriptionHolder : public QObject {
public:
    TDescriptionHolder(QWidget* widget, TAccessibleDescription description)
        : QObject(widget), Description(std::move(description)) {
        setObjectName(QStringLiteral("vlmrk-accessible"));
    }
    TAccessibleDescription Description;
    QList<QPointer<QWidget>> Followers;
};

TDescriptionHolder* HolderOf(const QWidget* widget) {
    if (!widget) return nullptr;
    for (QObject* child : widget->children())
        if (auto* holder = dynamic_cast<TDescriptionHolder*>(child)) return holder;
    return nullptr;
}

QAccessible::Role QtRole(TAccessibleRole role) {
    switch (role) {
        case TAccessibleRole::Label: return QAccessible::StaticText;
        case TAccessibleRole::PushButton: return QAccessible::Button;
        case TAccessibleRole::Graphic: return QAccessible::Graphic;
        case TAccessibleRole::StatusBar: return QAccessible::StatusBar;
        case TAccessibleRole::Link: return QAccessible::Link;
        case TAccessibleRole::Window: return QAccessible::Window;
        case TAccessibleRole::Pane: break;
    }
    return QAccessible::Pane;
}

// The interface of a described widget. It reads the description on every call: the description
// may be set after Qt made the interface, and the name changes with the language.
class TAccessibleControl : public QAccessibleWidget {
public:
    explicit TAccessibleControl(QWidget* widget) : QAccessibleWidget(widget) {}

    QAccessible::Role role() const override {
        const TAccessibleDescription* d = AccessibleDescription(widget());
        return d ? QtRole(d->Role) : QAccessibleWidget::role();
    }
    QString text(QAccessible::Text t) const override {
        const TAccessibleDescription* d = AccessibleDescription(widget());
        if (d && d->Name && (t == QAccessible::Name || (t == QAccessible::Value && d->Role == TAccessibleRole::StatusBar)))
            return d->Name();
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override {
        const TAccessibleDescription* d = AccessibleDescription(widget());
        if (d && d->Press && widget()->isEnabled()) return {pressAction()};
        return QAccessibleWidget::actionNames();
    }
    void doAction(const QString& name) override {
        const TAccessibleDescription* d = AccessibleDescription(widget());
        if (d && d->Press && name == pressAction() && widget()->isEnabled()) {
            // Later, from the event loop: a command may open a modal window, and the reader's
            // request must be answered first.
            const auto press = d->Press;
            QMetaObject::invokeMethod(
                widget(), [press] { Dispatch([press] { press(); }); }, Qt::QueuedConnection);
            return;
        }
        QAccessibleWidget::doAction(name);
    }
};

QAccessibleInterface* Factory(const QString&, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    // Every painted control gets ours, even before it is described: Qt may make the interface as
    // soon as the widget exists, and keeps it.
    if (!widget || (!dynamic_cast<TPaintWidget*>(widget) && !HolderOf(widget))) return nullptr;
    return new TAccessibleControl(widget);
}

void InstallFactory() {
    static const bool installed = [] {
        QAccessible::installFactory(&Factory);
        return true;
    }();
    (void)installed;
}

void AnnounceName(QWidget* widget) {
    if (!widget || !QAccessible::isActive()) return;
    QAccessibleEvent event(widget, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

}  // namespace

void InstallAccessibility() { InstallFactory(); }

void SetAccessible(QWidget* widget, TAccessibleDescription description) {
    if (!widget) return;
    InstallFactory();
    if (TDescriptionHolder* holder = HolderOf(widget)) {
        holder->Description = std::move(description);
    } else {
        new TDescriptionHolder(widget, std::move(description));
    }
    AnnounceName(widget);
}

const TAccessibleDescription* AccessibleDescription(const QWidget* widget) {
    const TDescriptionHolder* holder = HolderOf(widget);
    return holder ? &holder->Description : nullptr;
}

void AccessibleNameChanged(QWidget* widget) {
    AnnounceName(widget);
    if (TDescriptionHolder* holder = HolderOf(widget))
        for (const auto& follower : holder->Followers) AnnounceName(follower);
}

void NameFollows(QWidget* follower, QWidget* source) {
    TDescriptionHolder* holder = HolderOf(source);
    if (holder && follower) holder->Followers.append(follower);
}

}  // namespace ui
