#pragma once
// The two windows for screen readers and the keyboard: the captioned icons of the main window are
// push buttons named by their captions, the picture area a graphic named by the panel's text that
// a click loads an image, the About box's web address and logo links, its close icon a button;
// the desktop's usual shortcuts reach the commands (Ctrl+O, Ctrl+S, Ctrl+Q, F1) and Escape closes
// the About box. Every name is read when asked for, so it follows the language.

#include "platform/rtl/ResString.h"

namespace app {

class TForm1;
class TAboutBox;

VLMRK_RESSTRING(SAboutCloseName, 65198, "AboutBox", "Close");

void MakeMainWindowAccessible(TForm1& form);
void MakeAboutBoxAccessible(TAboutBox& about);

}  // namespace app
