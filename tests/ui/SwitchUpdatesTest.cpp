// What a language switch changes in the controls, done with less work: menus keep the actions
// they placed when only texts change, the shown bar is laid out for the final texts, screen
// font changes inside a batch rebuild the menu once at its end, labels measure a caption again
// only when something it depends on changed, and a memo's lines replaced under BeginUpdate are
// shown once.

#include <QFontMetrics>
#include <QPlainTextEdit>

#include <gtest/gtest.h>

#include "platform/rtti/Classes.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/UpdateBatch.h"
#include "tests/ui/GuiTestSupport.h"

namespace {

using guitest::QtApp;

struct TCounter : rtti::TPersistent {
    int Count = 0;
};
const rtti::TMethodInfo kCount{"Changed", [](rtti::TPersistent& self, rtl::TObject*) {
                                   ++static_cast<TCounter&>(self).Count;
                               }};

struct TMoveCounter : QObject {
    int Count = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Move) ++Count;
        return false;
    }
};

struct TMenu {
    TCounter changes;  // outlives the menu
    rtti::TComponent owner;
    ui::TMainMenu* menu = owner.Add<ui::TMainMenu>("mm1");
    ui::TMenuItem* file = owner.Add<ui::TMenuItem>("File1");
    ui::TMenuItem* help = owner.Add<ui::TMenuItem>("Help1");
    ui::TMenuItem* items[3] = {owner.Add<ui::TMenuItem>("A1"), owner.Add<ui::TMenuItem>("B1"),
                               owner.Add<ui::TMenuItem>("C1")};
    TMenu() {
        file->SetCaption("File");
        help->SetCaption("Help");
        const char* captions[] = {"Alpha", "Beta", "Gamma"};
        for (int i = 0; i < 3; ++i) {
            items[i]->SetCaption(captions[i]);
            items[i]->SetRadioItem(true);
            file->Add(items[i]);
        }
        menu->Items()->Add(file);
        menu->Items()->Add(help);
        menu->MenuBar()->show();
        menu->OnChange = rtti::TMethod{&changes, &kCount};
    }
    ~TMenu() { delete menu->MenuBar(); }
    QList<QAction*> Placed() const { return file->QtMenu()->actions(); }
};

// The screen's menu font is as it was for the other tests.
struct TMenuFont {
    int charset = ui::ScreenFonts().MenuFont->Charset();
    int height = ui::ScreenFonts().MenuFont->Height();
    ~TMenuFont() {
        ui::ScreenFonts().MenuFont->SetCharset(charset);
        ui::ScreenFonts().MenuFont->SetHeight(height);
    }
};

}  // namespace

TEST(SwitchUpdates, MenusKeepTheirPlacedActionsWhenOnlyTextsChangeAndRegroupWhenItemsDo) {
    QtApp();
    TMenu m;
    const QList<QAction*> before = m.Placed();
    const QList<QAction*> bar = m.menu->MenuBar()->actions();
    ui::BeginUpdateBatch();
    m.file->SetCaption("Archivo");
    m.items[0]->SetCaption("Beta-Uno");  // takes Beta's first letter: the mnemonics move
    m.items[1]->SetCaption("Beta");
    ui::EndUpdateBatch();
    EXPECT_EQ(m.Placed(), before);
    EXPECT_EQ(m.menu->MenuBar()->actions(), bar);
    EXPECT_EQ(m.menu->MenuBar()->actions()[0]->text(), "&Archivo");
    EXPECT_EQ(m.items[0]->QtAction()->text(), "&Beta-Uno");
    EXPECT_EQ(m.items[1]->QtAction()->text(), "B&eta");
    EXPECT_EQ(m.changes.Count, 1);

    // Radio items of one group stay exclusive; a group index moved makes groups anew.
    m.items[1]->SetChecked(true);
    m.items[2]->SetGroupIndex(1);
    m.items[2]->SetChecked(true);
    EXPECT_TRUE(m.items[1]->QtAction()->isChecked());
    ASSERT_NE(m.items[0]->QtAction()->actionGroup(), nullptr);
    EXPECT_EQ(m.items[0]->QtAction()->actionGroup(), m.items[1]->QtAction()->actionGroup());
    EXPECT_NE(m.items[2]->QtAction()->actionGroup(), m.items[1]->QtAction()->actionGroup());
    m.items[0]->QtAction()->trigger();  // Qt's exclusive group must not uncheck the other group
    EXPECT_TRUE(m.items[2]->QtAction()->isChecked());

    // An item taken out and one added: placed anew, in order.
    m.file->Remove(m.items[1]);
    auto* added = m.owner.Add<ui::TMenuItem>("D1");
    added->SetCaption("Delta");
    m.file->Insert(0, added);
    ASSERT_EQ(m.Placed().size(), 3);
    EXPECT_EQ(m.Placed()[0], added->QtAction());
    EXPECT_EQ(m.Placed()[1], m.items[0]->QtAction());
    EXPECT_EQ(m.items[1]->QtAction()->actionGroup(), nullptr);
}

TEST(SwitchUpdates, TheShownBarIsLaidOutForTheTextsItEndsWith) {
    QtApp();
    TMenu m;
    QMenuBar* bar = m.menu->MenuBar();
    QAction* help = bar->actions()[1];
    const int left = bar->actionGeometry(help).left();
    ui::BeginUpdateBatch();
    m.file->SetCaption("A much longer caption for the file menu");
    ui::EndUpdateBatch();
    EXPECT_GT(bar->actionGeometry(help).left(), left) << "laid out for the old text";
    EXPECT_TRUE(bar->actionGeometry(bar->actions()[0]).width() > QFontMetrics(bar->font()).horizontalAdvance("A much"));
}

TEST(SwitchUpdates, ScreenFontChangesInsideABatchRebuildTheMenuOnceAtItsEnd) {
    QtApp();
    TMenuFont keep;
    TCounter changes;  // outlives the form
    ui::TForm form;    // screen font changes reach the menus of the screen's forms
    auto* menu = form.Add<ui::TMainMenu>("mm1");
    auto* file = form.Add<ui::TMenuItem>("File1");
    auto* open = form.Add<ui::TMenuItem>("Open1");
    file->SetCaption("File");
    open->SetCaption("Open");
    file->Add(open);
    menu->Items()->Add(file);
    form.SetMenu(menu);
    menu->OnChange = rtti::TMethod{&changes, &kCount};
    auto shownSize = [menu] { return menu->MenuBar()->font().pixelSize(); };
    ASSERT_EQ(shownSize(), 11);

    ui::BeginUpdateBatch();
    ui::ScreenFonts().MenuFont->SetHeight(-20);
    ui::ScreenFonts().MenuFont->SetCharset(204);
    EXPECT_EQ(shownSize(), 11) << "rebuilt inside the batch";
    ui::EndUpdateBatch();
    EXPECT_EQ(shownSize(), 20);
    EXPECT_EQ(file->QtMenu()->font().pixelSize(), 20);
    EXPECT_EQ(changes.Count, 0) << "fonts alone change no item";

    // With a caption changed too: one rebuild and one notification.
    ui::BeginUpdateBatch();
    ui::ScreenFonts().MenuFont->SetHeight(-14);
    open->SetCaption("Abrir");
    ui::EndUpdateBatch();
    EXPECT_EQ(shownSize(), 14);
    EXPECT_EQ(open->QtAction()->text(), "&Abrir");
    EXPECT_EQ(changes.Count, 1);

    // Outside a batch the menu follows at once, as always.
    ui::ScreenFonts().MenuFont->SetHeight(-11);
    EXPECT_EQ(shownSize(), 11);
    menu->OnChange = rtti::TMethod{};
}

TEST(SwitchUpdates, ALabelIsMeasuredAgainWhenItsFontOrTextChanges) {
    QtApp();
    ui::TLabel label;
    auto expected = [&label] {
        return QFontMetrics(ui::ToQFont(*label.Font())).horizontalAdvance(label.ShownText());
    };
    label.SetText("Encrypt");
    EXPECT_EQ(label.Width(), expected());
    const int narrow = label.Width();
    label.Font()->SetHeight(-30);
    EXPECT_EQ(label.Width(), expected());
    EXPECT_GT(label.Width(), narrow);
    label.Font()->SetCharset(0);  // the same measure: the width stays right
    EXPECT_EQ(label.Width(), expected());
    label.SetBounds(label.Left(), label.Top(), 5, label.Height());
    label.SetText("Encrypt");  // the same text and font: measured once, but placed again
    EXPECT_EQ(label.Width(), expected());

    label.SetWordWrap(true);
    label.SetBounds(label.Left(), label.Top(), 40, label.Height());
    label.SetText("Encrypt your secret text into the picture");
    const int tall = label.Height();
    label.SetBounds(label.Left(), label.Top(), 4000, label.Height());
    label.SetText("Encrypt your secret text into the picture");
    EXPECT_LT(label.Height(), tall) << "a wider label wraps its text into fewer lines";
}

TEST(SwitchUpdates, ALabelSizedAndMovedInABatchIsPlacedOnceAtItsEnd) {
    QtApp();
    ui::TForm form;
    auto* panel = form.Add<ui::TPanel>("pnl1");
    panel->SetParent(&form);
    auto* label = form.Add<ui::TLabel>("lbl1");
    label->SetParent(panel);
    label->SetBounds(10, 10, 20, 13);
    form.Show();
    QWidget* widget = ui::WidgetOf(label);
    TMoveCounter moves;
    widget->installEventFilter(&moves);

    ui::BeginUpdateBatch();
    label->SetText("A caption longer than twenty pixels");
    label->SetLeft(40);
    EXPECT_EQ(widget->geometry(), QRect(10, 10, 20, 13)) << "not placed before the batch ends";
    // A windowed control is placed at once: its children are aligned in its widget's area.
    panel->SetBounds(0, 0, 300, 100);
    EXPECT_EQ(ui::WidgetOf(panel)->geometry(), QRect(0, 0, 300, 100));
    ui::EndUpdateBatch();
    EXPECT_EQ(widget->geometry(), QRect(40, 10, label->Width(), label->Height()));
    EXPECT_GT(label->Width(), 20);
    EXPECT_EQ(moves.Count, 1);
    widget->removeEventFilter(&moves);

    // A label that goes inside the batch leaves nothing to place.
    ui::BeginUpdateBatch();
    auto* gone = form.Add<ui::TLabel>("lbl2");
    gone->SetParent(panel);
    gone->SetLeft(5);
    form.DestroyComponent(gone);
    EXPECT_NO_THROW(ui::EndUpdateBatch());
}

TEST(SwitchUpdates, MemoLinesReplacedUnderBeginUpdateAreShownOnce) {
    QtApp();
    ui::TMemo memo;
    memo.Lines()->Add("old");
    int shown = 0;
    QObject::connect(memo.Editor(), &QPlainTextEdit::textChanged, [&shown] { ++shown; });
    rtti::TStringList lines;
    lines.Add("Enter your text here");
    lines.Add("two\r\nlines");
    lines.Add("last");
    memo.Lines()->Assign(lines);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(memo.Editor()->toPlainText(), "Enter your text here\ntwo\nlines\nlast");
    EXPECT_EQ(memo.Lines()->Count(), 4);

    // Inside the update the lines read as the memo will show them.
    memo.Lines()->BeginUpdate();
    memo.Lines()->Clear();
    memo.Lines()->Add("a\rb");
    EXPECT_EQ(memo.Lines()->Count(), 2);
    EXPECT_EQ(memo.Lines()->Strings(1), "b");
    memo.Lines()->Delete(0);
    EXPECT_EQ(memo.Editor()->toPlainText(), "Enter your text here\ntwo\nlines\nlast") << "shown before the end";
    memo.Lines()->EndUpdate();
    EXPECT_EQ(memo.Editor()->toPlainText(), "b");
    EXPECT_EQ(shown, 2);

    // An update that changes nothing shows nothing again.
    memo.Lines()->BeginUpdate();
    EXPECT_EQ(memo.Lines()->Count(), 1);
    memo.Lines()->EndUpdate();
    EXPECT_EQ(shown, 2);
}
