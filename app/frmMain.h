#pragma once
// The main window: a column of six command icons with their labels, the work area with the
// picture and the memo, the status bar and the main menu. Every message it shows is fetched
// when shown, so it speaks the language installed at that moment.

#include <array>
#include <cstdint>

#include "platform/ui/ActnList.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"

namespace app {

class TForm1 : public ui::TForm {
    VLMRK_RTTI_CLASS(TForm1)
public:
    // Components, found by name once the form resource is read (the language files address them
    // by these names).
    ui::TPanel* pnl2 = nullptr;
    ui::TImage* image3 = nullptr;
    ui::TImage* image4 = nullptr;
    ui::TImage* image5 = nullptr;
    ui::TImage* image8 = nullptr;
    ui::TImage* image6 = nullptr;
    ui::TImage* image7 = nullptr;
    ui::TLabel* lbl1 = nullptr;
    ui::TLabel* lbl2 = nullptr;
    ui::TLabel* lbl3 = nullptr;
    ui::TLabel* lbl6 = nullptr;
    ui::TLabel* lbl4 = nullptr;
    ui::TLabel* lbl5 = nullptr;
    ui::TPanel* pnl3 = nullptr;
    ui::TImage* image2 = nullptr;
    ui::TPanel* pnl1 = nullptr;
    ui::TMemo* mmo1 = nullptr;
    ui::TStatusBar* stat1 = nullptr;
    ui::TMainMenu* mm1 = nullptr;
    ui::TMenuItem* Language1 = nullptr;
    ui::TActionList* actlst1 = nullptr;
    ui::TOpenDialog* dlg1 = nullptr;
    ui::TSaveDialog* dlgSave1 = nullptr;

    // Published handlers.
    void FormCreate(rtl::TObject* Sender);
    void FormConstrainedResize(rtl::TObject* Sender);
    void mm1Change(rtl::TObject* Sender);
    void MoveButton(rtl::TObject* Sender);
    void MoveButtonBack(rtl::TObject* Sender);
    void image2MouseEnter(rtl::TObject* Sender);
    void image2MouseLeave(rtl::TObject* Sender);
    void actOpenBmpExecute(rtl::TObject* Sender);
    // What Open does with the chosen file; also for a file named on the command line or dropped
    // on the window. Errors are raised (the default error box shows them); the old image stays.
    void OpenBitmapFile(const rtl::AnsiString& fileName);
    void actAancryptandSaveExecute(rtl::TObject* Sender);
    void actEncryptPassphraseExecute(rtl::TObject* Sender);
    void actDecryptExecute(rtl::TObject* Sender);
    void actClearAllExecute(rtl::TObject* Sender);
    void actAboutExecute(rtl::TObject* Sender);
    void actCloseExecute(rtl::TObject* Sender);

    std::int32_t MinWidthLimit = 0;
    std::int32_t MinHeightLimit = 0;

    // The icons and their labels, top to bottom.
    std::array<ui::TImage*, 6> Icons() const { return {image3, image4, image5, image8, image6, image7}; }
    std::array<ui::TLabel*, 6> Labels() const { return {lbl1, lbl2, lbl3, lbl6, lbl4, lbl5}; }

    void Loaded() override;

private:
    void CentreLabels();
    void SetStatus(const rtl::TResStringRec& message);
    // With no picture loaded: the error box and the status text, and false.
    bool ImageLoaded(const rtl::TResStringRec& box, const rtl::TResStringRec& status);
    // After Encrypt: the picture shows the change, the save dialog is offered, and what is saved
    // is verified (data is what the codec was handed).
    void OfferToSave(const rtl::AnsiString& data);
};

}  // namespace app
