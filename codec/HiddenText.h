#pragma once
// The one rule for the text the user hides: it is the system code page's encoding of what the
// memo shows, whatever language the interface is in and whatever character set a translation
// gave the memo's font. A text holding a character that code page cannot hold is refused before
// anything is written (it would otherwise be hidden as "?"); a revealed text is decoded with the
// same code page. The memo accepts typing and pasting only of what that code page holds, so a
// refusal happens only for text that reached the memo another way (a translated prompt).
// The command line passes another code page when asked to.

#include "platform/rtl/Exception.h"
#include "platform/rtl/ResString.h"
#include "platform/rtl/SysTypes.h"

namespace codec {

using rtl::AnsiString;
using rtl::WideString;

VLMRK_RESSTRING(SCannotHideCharacter, 65200, "HiddenText",
                "The text cannot be hidden: character %d, \"%s\" (U+%s), is not in the code page %d of this system");

class EHiddenTextError : public rtl::Exception {
public:
    using rtl::Exception::Exception;
};

// The code page hidden texts are written in: the system code page.
int HiddenTextCodePage();

// The 8-bit text to hide for the memo's text; raises EHiddenTextError naming the first character
// (1-based, counted in characters) that the code page cannot hold.
AnsiString HiddenTextOf(const WideString& shown, int codePage = HiddenTextCodePage());

// What the memo shows for a hidden 8-bit text.
WideString ShownTextOf(const AnsiString& hidden, int codePage = HiddenTextCodePage());

}  // namespace codec
