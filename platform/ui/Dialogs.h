#pragma once
// File dialogs and message boxes; both go through the interaction seam.

#include "platform/rtti/Classes.h"
#include "platform/rtl/ResString.h"
#include "platform/ui/Interaction.h"

namespace ui {

using rtl::AnsiString;

// The captions of the toolkit's message dialogs.
VLMRK_RESSTRING(SMsgDlgWarning, 65190, "Consts", "Warning");
VLMRK_RESSTRING(SMsgDlgError, 65191, "Consts", "Error");
VLMRK_RESSTRING(SMsgDlgInformation, 65192, "Consts", "Information");
VLMRK_RESSTRING(SMsgDlgConfirm, 65193, "Consts", "Confirm");
VLMRK_RESSTRING(SResNotFound, 65194, "Consts", "Resource %s not found");

// A modal message dialog with the kind's icon and caption and one OK button.
int MessageDlg(const AnsiString& text, TMsgDlgType type);

// Title and filter are shown with the interface code page; FileName is a file-system path.
class TOpenDialog : public rtti::TComponent {
    VLMRK_RTTI_CLASS(TOpenDialog)
public:
    AnsiString DefaultExt;
    AnsiString FileName;
    AnsiString Filter;
    AnsiString InitialDir;
    AnsiString Title;
    std::int32_t FilterIndex = 1;

    // True when the user chose a file (then in FileName).
    virtual bool Execute();

protected:
    TFileDialogRequest Request() const;
};

class TSaveDialog : public TOpenDialog {
    VLMRK_RTTI_CLASS(TSaveDialog)
public:
    bool Execute() override;
};

}  // namespace ui
