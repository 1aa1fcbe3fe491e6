// What assistive technology sees of both windows through Qt's accessibility interfaces (the
// AT-SPI walk of the real program is tests/a11y), and the keyboard's way to the commands.

#include <QAccessible>
#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>

#include "app/Accessible.h"
#include "platform/ui/Mnemonics.h"
#include "tests/app/AppTestFixture.h"

namespace {

struct TSeen {
    QAccessible::Role Role;
    QString Name;
};

TSeen Seen(const ui::TWidgetLink* control) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(control->Widget());
    if (!iface) return {QAccessible::NoRole, "<none>"};
    return {iface->role(), iface->text(QAccessible::Name)};
}

TEST_F(AppWindows, CaptionedIconsAreButtonsNamedByTheirCaptions) {
    const auto icons = form->Icons();
    const auto labels = form->Labels();
    for (std::size_t i = 0; i < icons.size(); ++i) {
        const TSeen icon = Seen(icons[i]);
        EXPECT_EQ(icon.Role, QAccessible::Button) << i;
        EXPECT_EQ(icon.Name.toStdString(), labels[i]->GetText()) << i;
        const TSeen label = Seen(labels[i]);
        EXPECT_EQ(label.Role, QAccessible::StaticText) << i;
        EXPECT_EQ(label.Name.toStdString(), labels[i]->GetText()) << i;
    }
    // Pressing the Open button through the accessibility interface runs Open.
    QAccessibleInterface* open = QAccessible::queryAccessibleInterface(form->image5->Widget());
    ASSERT_NE(open->actionInterface(), nullptr);
    open->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(Script().OpenRequests.empty());  // queued: the reader's request is answered first
    QCoreApplication::processEvents();
    EXPECT_EQ(Script().OpenRequests.size(), 1u);
}

TEST_F(AppWindows, PictureAreaAndStatusBarCarryTheirTexts) {
    const TSeen picture = Seen(form->image2);
    EXPECT_EQ(picture.Role, QAccessible::Graphic);
    EXPECT_EQ(picture.Name, "Click to load a bitmap image");
    EXPECT_EQ(Seen(form->pnl3).Name, "Click to load a bitmap image");
    const TSeen status = Seen(form->stat1);
    EXPECT_EQ(status.Role, QAccessible::StatusBar);
    EXPECT_EQ(status.Name, "Ready");
    // Names are read when asked for: a new status text is the new name at once.
    form->stat1->SetSimpleText("Something else");
    EXPECT_EQ(Seen(form->stat1).Name, "Something else");
    form->lbl1->SetText("Hide");
    EXPECT_EQ(Seen(form->image3).Name, "Hide");
}

TEST_F(AppWindows, AboutBoxLabelsLinksAndCloseButton) {
    for (ui::TLabel* label : {static_cast<ui::TLabel*>(about->sLabelFX1), about->Copyright, about->sLabel1}) {
        const TSeen seen = Seen(label);
        EXPECT_EQ(seen.Role, QAccessible::StaticText);
        EXPECT_EQ(seen.Name.toStdString(), label->GetText());
    }
    EXPECT_EQ(Seen(about->Comments).Role, QAccessible::Link);
    EXPECT_EQ(Seen(about->Comments).Name.toStdString(), about->Comments->GetText());
    EXPECT_EQ(Seen(about->Image1).Role, QAccessible::Link);
    EXPECT_EQ(Seen(about->Image1).Name, "https://veilmark.example.org/");
    EXPECT_EQ(Seen(about->image3).Role, QAccessible::Button);
    EXPECT_EQ(Seen(about->image3).Name, "Close");
}

TEST_F(AppWindows, EscapeClosesTheAboutBox) {
    bool closedByEscape = false;
    Script().WhileModal = [&](QWidget* window) {
        QKeyEvent key(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(window, &key);
        closedByEscape = !about->Visible();
    };
    ui::Dispatch([this] { form->actAboutExecute(form); });
    EXPECT_TRUE(closedByEscape);
}

TEST_F(AppWindows, MenuCommandsHaveTheDesktopsShortcuts) {
    auto shortcut = [this](const char* name) {
        return dynamic_cast<ui::TMenuItem*>(form->FindComponent(name))->QtAction()->shortcut();
    };
    EXPECT_EQ(shortcut("Open1"), QKeySequence(QKeySequence::Open));
    EXPECT_EQ(shortcut("Encrypt1"), QKeySequence(QKeySequence::Save));
    EXPECT_EQ(shortcut("Exit1"), QKeySequence(QKeySequence::Quit));
    // Every top-level menu and every command has a mnemonic.
    for (const char* name : {"File1", "Edit1", "Language1", "Help1", "Open1", "Encrypt1", "Exit1", "About1"})
        EXPECT_TRUE(dynamic_cast<ui::TMenuItem*>(form->FindComponent(name))->QtAction()->text().contains('&')) << name;
}

TEST(Mnemonics, FirstFreeLetterAndOwnAmpersandsFirst) {
    EXPECT_EQ(ui::WithMnemonics({"File", "Edit", "Language", "Help"}),
              (QStringList{"&File", "&Edit", "&Language", "&Help"}));
    // A letter taken by a sibling's own "&" is skipped; "&&" is a literal ampersand.
    EXPECT_EQ(ui::WithMnemonics({"Open", "Sa&ve", "Save as", "R&&D"}),
              (QStringList{"&Open", "Sa&ve", "&Save as", "R&&D"}));
    EXPECT_EQ(ui::WithMnemonics({"Open", "Open", "O"}), (QStringList{"&Open", "O&pen", "O"}));
    EXPECT_EQ(ui::WithMnemonics({"Файл", "Выход", "...", ""}), (QStringList{"&Файл", "&Выход", "...", ""}));
}

TEST(Mnemonics, DependOnTheCaptionsNotOnTheOrderTheyChanged) {
    QAction file, help;
    ui::SetCaptionText(&file, "File");
    ui::SetCaptionText(&help, "Help");
    ui::AssignMnemonics({&file, &help});
    // A live switch changes one caption at a time.
    ui::SetCaptionText(&file, "Archivo");
    ui::AssignMnemonics({&file, &help});
    ui::SetCaptionText(&help, "Ayuda");
    ui::AssignMnemonics({&file, &help});
    EXPECT_EQ(file.text(), "&Archivo");
    EXPECT_EQ(help.text(), "A&yuda");
    EXPECT_EQ(ui::WithMnemonics({"Archivo", "Ayuda"}), (QStringList{file.text(), help.text()}));
}

}  // namespace
