#pragma once
// Keyboard access to menus in every language: an entry whose caption has no "&" gets one before
// the first letter or digit that no sibling uses yet (as desktops that assign accelerators
// automatically do), so Alt+letter reaches every menu whatever the translation says. Captions
// that carry their own "&" keep it, and their letters are taken first.

#include <QList>
#include <QString>

class QAction;

namespace ui {

// The texts with a mnemonic added where one was missing and a letter was free.
QStringList WithMnemonics(const QStringList& texts);
// Gives an action its text as the caption says, without an added mnemonic. A caller whose
// AssignMnemonics over the action's menu follows at once passes show false: the action keeps its
// caption for that, and shows only the text it ends up with (each text shown lays its menu out).
void SetCaptionText(QAction* action, const QString& text, bool show = true);
// The mnemonics of one menu's actions (separators are passed over), worked out afresh from their
// caption texts every time: the result depends only on the captions, not on the order in which
// they changed, so a live language switch gives what a restart gives.
void AssignMnemonics(const QList<QAction*>& actions);

}  // namespace ui
