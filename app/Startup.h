#pragma once
// What the program connects before it creates anything: the toolkit's 8-bit text to the
// platform's code pages, and the form reader to the form resources of the installed resource
// module. Tests of the windows call it too.

#include "platform/rtl/SysTypes.h"

namespace app {

void InstallPlatformHooks();

class TForm1;
class TAboutBox;

struct TWindows {
    TForm1* Main = nullptr;
    TAboutBox* About = nullptr;
};

// The main window and the hidden About box, from the installed resource module. When that is a
// language module whose windows cannot be built (left over from another build), it is not used:
// the program's own resources come back, the remembered choice is forgotten and the module file
// removed (a later switch builds it afresh), one box says so, and the windows are built again.
// The application object must exist.
TWindows CreateWindows();

// The program: the application object, the two windows, the message loop. A file name given
// is opened as Open does once the loop runs (an error shows the default error box; the program
// stays up).
int RunProgram(const rtl::AnsiString& fileName = {});

}  // namespace app
