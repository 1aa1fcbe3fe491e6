#pragma once
// What assistive technology (screen readers, through Qt's accessibility interfaces and AT-SPI on
// Linux) learns about our painted controls: a role and a name. The controls draw themselves, so
// without this they would be nameless "filler" objects. The name is asked for whenever a reader
// wants it, so it follows the live translation; the control announces a change with
// AccessibleNameChanged. A control that reacts to a click can offer the "press" action.

#include <functional>

#include <QString>

class QWidget;

namespace ui {

// Window: a form's top-level widget, named by its title unless a name is given.
enum class TAccessibleRole { Label, PushButton, Graphic, StatusBar, Pane, Link, Window };

struct TAccessibleDescription {
    TAccessibleRole Role = TAccessibleRole::Pane;
    std::function<QString()> Name;
    std::function<void()> Press;  // the "press" action; none when empty
};

// Installs the interface factory of our controls (the application does it at start).
void InstallAccessibility();
// Describes the widget (replacing an earlier description). Installs the factory on first use.
void SetAccessible(QWidget* widget, TAccessibleDescription description);
// The description in force, or nullptr.
const TAccessibleDescription* AccessibleDescription(const QWidget* widget);
// Tells assistive technology that the widget's name changed, and the names of the widgets that
// take their name from it (see NameFollows).
void AccessibleNameChanged(QWidget* widget);
// `follower` is named after `source` (an icon after its caption): a change of the source's name
// is announced for the follower too.
void NameFollows(QWidget* follower, QWidget* source);

}  // namespace ui
