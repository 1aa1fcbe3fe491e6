#pragma once
// Messages of the toolkit layer. Plain declarations (no Qt), so the message catalogue can list
// them in every build.

#include "platform/rtl/ResString.h"

namespace ui {

// The captions of the toolkit's message dialogs.
VLMRK_RESSTRING(SMsgDlgWarning, 65190, "Consts", "Warning");
VLMRK_RESSTRING(SMsgDlgError, 65191, "Consts", "Error");
VLMRK_RESSTRING(SMsgDlgInformation, 65192, "Consts", "Information");
VLMRK_RESSTRING(SMsgDlgConfirm, 65193, "Consts", "Confirm");
// A form class without its form resource in the resource module.
VLMRK_RESSTRING(SResNotFound, 65194, "Consts", "Resource %s not found");
// A window whose form resource lacks one of its components.
VLMRK_RESSTRING(SComponentMissing, 65195, "Consts", "Component %s of %s not found");

}  // namespace ui
