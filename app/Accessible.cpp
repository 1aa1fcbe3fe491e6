#include "app/Accessible.h"

#include <QAction>
#include <QKeySequence>
#include <QKeyEvent>
#include <QWidget>

#include "app/About.h"
#include "app/frmMain.h"
#include "platform/ui/Accessibility.h"
#include "platform/ui/Menus.h"

namespace app {

namespace {

using ui::TAccessibleRole;

// A picture that acts as a button: named after its caption label, "press" clicks it.
void DescribeAsButton(ui::TImage* icon, std::function<QString()> name, QWidget* nameSource = nullptr) {
    ui::SetAccessible(icon->Widget(), {TAccessibleRole::PushButton, std::move(name), [icon] { icon->Click(); }});
    if (nameSource) ui::NameFollows(icon->Widget(), nameSource);
}

// Escape closes the About box, as it closes a dialog. The box has no control that takes the
// keyboard, so its keys reach the window.
class TEscapeCloses : public QObject {
public:
    TEscapeCloses(TAboutBox& box, QObject* parent) : QObject(parent), box_(box) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape) return false;
        ui::Dispatch([this] { box_.Close(); });
        return true;
    }

private:
    TAboutBox& box_;
};

void SetShortcut(rtti::TComponent& form, const char* itemName, const QKeySequence& keys) {
    if (auto* item = dynamic_cast<ui::TMenuItem*>(form.FindComponent(itemName)))
        if (QAction* action = item->QtAction()) action->setShortcut(keys);
}

}  // namespace

void MakeMainWindowAccessible(TForm1& form) {
    const auto icons = form.Icons();
    const auto labels = form.Labels();
    for (std::size_t i = 0; i < icons.size(); ++i) {
        ui::TLabel* label = labels[i];
        DescribeAsButton(icons[i], [label] { return label->ShownText(); }, label->Widget());
    }
    ui::TPanel* area = form.pnl3;
    ui::TImage* picture = form.image2;
    ui::SetAccessible(picture->Widget(),
                      {TAccessibleRole::Graphic,
                       [area] { return ui::DecodeForCharset(area->GetText(), area->Font()->Charset()); },
                       [picture] { picture->Click(); }});
    ui::NameFollows(picture->Widget(), area->Widget());
    SetShortcut(form, "Open1", QKeySequence::Open);
    SetShortcut(form, "Encrypt1", QKeySequence::Save);
    SetShortcut(form, "Exit1", QKeySequence::Quit);
    SetShortcut(form, "About1", QKeySequence::HelpContents);
}

void MakeAboutBoxAccessible(TAboutBox& about) {
    ui::TLabel* address = about.Comments;
    ui::SetAccessible(address->Widget(), {TAccessibleRole::Link, [address] { return address->ShownText(); },
                                          [address] { address->Click(); }});
    ui::TImage* logo = about.Image1;
    ui::SetAccessible(logo->Widget(), {TAccessibleRole::Link, [logo] { return ui::DecodeHintText(logo->Hint()); },
                                       [logo] { logo->Click(); }});
    DescribeAsButton(about.image3, [] { return ui::DecodeInterface(rtl::LoadResString(SAboutCloseName)); });
    if (QWidget* window = about.Widget()) window->installEventFilter(new TEscapeCloses(about, window));
}

}  // namespace app
