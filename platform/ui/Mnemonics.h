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
// The same for the actions of one menu (separators are passed over).
void AssignMnemonics(const QList<QAction*>& actions);

}  // namespace ui
