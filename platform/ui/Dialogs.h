#pragma once
// File dialogs and message boxes; both go through the interaction seam.

#include "platform/rtti/Classes.h"
#include "platform/rtl/ResString.h"
#include "platform/ui/Interaction.h"
#include "platform/ui/UiConsts.h"

namespace ui {

using rtl::AnsiString;


// A modal message dialog with the kind's icon and caption and one OK button.
int MessageDlg(const AnsiString& text, TMsgDlgType type);

// A modal prompt for a secret; caption and prompt are shown with the interface code page. The
// answer is the text typed, nothing when the user cancels.
std::optional<QString> SecretDlg(const AnsiString& caption, const AnsiString& prompt);

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
