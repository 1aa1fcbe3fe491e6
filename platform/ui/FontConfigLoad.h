#pragma once
// The system's font configuration, read on a second thread while the program starts.
//
// Reading it (fontconfig's configuration files and font caches) is the largest single step of a
// start, and nothing needs it until the first window measures its text. BeginFontConfigLoad
// starts the read, as early as possible; AwaitFontConfigLoad waits for it to end, and the font
// resolution of the controls calls it before their first font. Qt reads the same configuration
// (fontconfig keeps one per process), so it finds the read done. Without Begin, or once awaited,
// Await returns at once.

namespace ui {

void BeginFontConfigLoad();
void AwaitFontConfigLoad();

}  // namespace ui
