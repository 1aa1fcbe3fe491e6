#pragma once
// 8-bit text on screen. Controls hold 8-bit text (AnsiString) as the program's units give it; Qt
// draws UTF-16. Which code page decodes a text is decided here, once:
// - a font with an explicit character set decodes with that character set's code page;
// - DEFAULT_CHARSET (and the status bar, menus, hints, message boxes) use the interface code
//   page, the code page of the language of the installed resource module;
// - text the user types is held to the user-text code page, the system code page, whatever the
//   font: that is the code page the hidden text is written in (codec/HiddenText.h).
// The conversions themselves come from the locale layer, installed by the program at start-up
// (SetCodePages); until then Windows-1252 is used, which is what a process without a locale
// environment gets anyway.

#include <functional>

#include <QString>

#include "platform/rtl/SysTypes.h"

namespace ui {

using rtl::AnsiString;
using rtl::WideString;

// Font character sets (Windows numbers).
inline constexpr int ANSI_CHARSET = 0;
inline constexpr int DEFAULT_CHARSET = 1;
inline constexpr int SYMBOL_CHARSET = 2;

struct TCodePages {
    std::function<int()> SystemCodePage;
    std::function<int()> InterfaceCodePage;
    // Conversions that never fail: unmappable characters become "?".
    std::function<WideString(const AnsiString&, int codePage)> ToWide;
    std::function<AnsiString(const WideString&, int codePage)> ToAnsi;
};

// Installs the locale layer's conversions (members left empty keep the built-in ones).
void SetCodePages(TCodePages pages);

int SystemCodePage();
int InterfaceCodePage();
// The code page of what the user types: the system code page.
inline int UserTextCodePage() { return SystemCodePage(); }
// The code page of a font character set; 0 for DEFAULT_CHARSET and SYMBOL_CHARSET, which follow
// the interface code page.
int CodePageOfCharset(int charset);

// The code page text shown in a font of that character set is decoded with: the interface code
// page for DEFAULT_CHARSET and SYMBOL_CHARSET.
int CodePageForCharset(int charset);

QString DecodeAnsi(const AnsiString& text, int codePage);
AnsiString EncodeAnsi(const QString& text, int codePage);
// Text shown by a control whose font has the given character set.
QString DecodeForCharset(const AnsiString& text, int charset);
// Text shown by the status bar, menus, hints and message boxes.
inline QString DecodeInterface(const AnsiString& text) { return DecodeAnsi(text, InterfaceCodePage()); }
// What a code page can hold of the text: every other character becomes "?".
QString RestrictToCodePage(const QString& text, int codePage);

}  // namespace ui
