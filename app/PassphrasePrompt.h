#pragma once
// The main window's passphrase prompts, through the interaction seam (tests script them). The
// passphrase is handed on as the UTF-8 bytes of what was typed, whatever the code pages, so an
// image encrypted here opens with the same passphrase given to the tool.

#include <optional>

#include "platform/rtl/ResString.h"
#include "platform/rtl/SysTypes.h"

namespace app {

using rtl::AnsiString;

VLMRK_RESSTRING(SPassphraseCaption, 65321, "PassphrasePrompt", "Passphrase");
VLMRK_RESSTRING(SPassphraseEnter, 65322, "PassphrasePrompt", "Enter the passphrase:");
VLMRK_RESSTRING(SPassphraseAgain, 65323, "PassphrasePrompt", "Enter the passphrase again:");
VLMRK_RESSTRING(SPassphrasesDiffer, 65325, "PassphrasePrompt", "The two passphrases differ");

// Asks for a new passphrase twice. Nothing when the user cancels either prompt; raises
// EPassphraseError when the two differ or the passphrase is empty.
std::optional<AnsiString> AskNewPassphrase();

// Asks once, for the passphrase of an encrypted text; nothing when the user cancels.
std::optional<AnsiString> AskPassphrase();

}  // namespace app
