#pragma once
// What the program connects before it creates anything: the toolkit's 8-bit text to the
// platform's code pages, and the form reader to the form resources of the installed resource
// module. Tests of the windows call it too.

namespace app {

void InstallPlatformHooks();

// The program: the application object, the two windows, the message loop.
int RunProgram();

}  // namespace app
