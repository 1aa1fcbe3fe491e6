#pragma once
// The About box: the program's name and purpose, a credit line, a link to the web site (the
// label and the logo), and a close icon. Created hidden at start-up, shown modally.

#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"

namespace app {

class TAboutBox : public ui::TForm {
    VLMRK_RTTI_CLASS(TAboutBox)
public:
    ui::TPanel* Panel1 = nullptr;
    ui::TLabelFX* sLabelFX1 = nullptr;
    ui::TLabel* Copyright = nullptr;
    ui::TLabel* sLabel1 = nullptr;
    ui::TLabel* Comments = nullptr;
    ui::TImage* Image1 = nullptr;
    ui::TImage* image4 = nullptr;
    ui::TImage* image3 = nullptr;

    void CommentsClick(rtl::TObject* Sender);
    void CommentsMouseMove(rtl::TObject* Sender);
    void CommentsMouseLeave(rtl::TObject* Sender);
    void Image1Click(rtl::TObject* Sender);
    void Image1MouseMove(rtl::TObject* Sender);
    void Image1MouseLeave(rtl::TObject* Sender);
    void image3Click(rtl::TObject* Sender);
    void image3MouseEnter(rtl::TObject* Sender);
    void image3MouseLeave(rtl::TObject* Sender);

    void Loaded() override;
};

// Hands the address to the desktop's URL handler when it is an http or https address. The
// address comes from a hint, which a language file can change, so nothing else is opened.
void OpenWebAddress(const rtl::AnsiString& address);

}  // namespace app
