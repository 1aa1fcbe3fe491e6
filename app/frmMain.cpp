#include "app/frmMain.h"

#include "app/About.h"
#include "app/Accessible.h"
#include "app/FormLookup.h"
#include "app/OpenFilters.h"
#include "codec/PrjConst.h"
#include "codec/HiddenText.h"
#include "codec/PassphraseCrypto.h"
#include "app/PassphrasePrompt.h"
#include "codec/StegoPayload.h"
#include "codec/VerifiedSave.h"
#include "localizer/LocOnFly.h"
#include "platform/rtl/Conversions.h"
#include "platform/ui/FileDrop.h"

namespace app {

const rtti::TClassInfo* TForm1::StaticClass() {
    using C = TForm1;
    using rtti::pub::Method;
    static const rtti::TClassInfo info("TForm1", ui::TForm::StaticClass(), nullptr, {},
                                       {
                                           Method<C>("FormCreate", &C::FormCreate),
                                           Method<C>("FormConstrainedResize", &C::FormConstrainedResize),
                                           Method<C>("mm1Change", &C::mm1Change),
                                           Method<C>("MoveButton", &C::MoveButton),
                                           Method<C>("MoveButtonBack", &C::MoveButtonBack),
                                           Method<C>("image2MouseEnter", &C::image2MouseEnter),
                                           Method<C>("image2MouseLeave", &C::image2MouseLeave),
                                           Method<C>("actOpenBmpExecute", &C::actOpenBmpExecute),
                                           Method<C>("actAancryptandSaveExecute", &C::actAancryptandSaveExecute),
                                           Method<C>("actEncryptPassphraseExecute", &C::actEncryptPassphraseExecute),
                                           Method<C>("actDecryptExecute", &C::actDecryptExecute),
                                           Method<C>("actClearAllExecute", &C::actClearAllExecute),
                                           Method<C>("actAboutExecute", &C::actAboutExecute),
                                           Method<C>("actCloseExecute", &C::actCloseExecute),
                                       });
    return &info;
}

void TForm1::Loaded() {
    pnl2 = NeedComponent<ui::TPanel>(*this, "pnl2");
    image3 = NeedComponent<ui::TImage>(*this, "image3");
    image4 = NeedComponent<ui::TImage>(*this, "image4");
    image5 = NeedComponent<ui::TImage>(*this, "image5");
    image8 = NeedComponent<ui::TImage>(*this, "image8");
    image6 = NeedComponent<ui::TImage>(*this, "image6");
    image7 = NeedComponent<ui::TImage>(*this, "image7");
    lbl1 = NeedComponent<ui::TLabel>(*this, "lbl1");
    lbl2 = NeedComponent<ui::TLabel>(*this, "lbl2");
    lbl3 = NeedComponent<ui::TLabel>(*this, "lbl3");
    lbl6 = NeedComponent<ui::TLabel>(*this, "lbl6");
    lbl4 = NeedComponent<ui::TLabel>(*this, "lbl4");
    lbl5 = NeedComponent<ui::TLabel>(*this, "lbl5");
    pnl3 = NeedComponent<ui::TPanel>(*this, "pnl3");
    image2 = NeedComponent<ui::TImage>(*this, "image2");
    pnl1 = NeedComponent<ui::TPanel>(*this, "pnl1");
    mmo1 = NeedComponent<ui::TMemo>(*this, "mmo1");
    stat1 = NeedComponent<ui::TStatusBar>(*this, "stat1");
    mm1 = NeedComponent<ui::TMainMenu>(*this, "mm1");
    Language1 = NeedComponent<ui::TMenuItem>(*this, "Language1");
    actlst1 = NeedComponent<ui::TActionList>(*this, "actlst1");
    dlg1 = NeedComponent<ui::TOpenDialog>(*this, "dlg1");
    dlgSave1 = NeedComponent<ui::TSaveDialog>(*this, "dlgSave1");
    ui::TForm::Loaded();
}

void TForm1::SetStatus(const rtl::TResStringRec& message) { stat1->SetSimpleText(rtl::LoadResString(message)); }

void TForm1::FormCreate(rtl::TObject*) {
    SetDoubleBuffered(true);
    MinHeightLimit = 536;
    MinWidthLimit = 544;

    // ---- Language menu -------------------------------------------------------------------
    // The localizer fills Language1 here: one radio item per language, group index 0, the
    // native language included.
    if (localizer::LocalizerExists()) localizer::Localizer().FillLanguageMenu(Language1, 0, true);
    // --------------------------------------------------------------------------------------

    // Stack the column from the first icon's design position down: each label 2 pixels under
    // its icon, the next icon 24 pixels under the previous one.
    const auto icons = Icons();
    const auto labels = Labels();
    for (ui::TImage* icon : icons) icon->SetLeft(24);
    std::int32_t top = image3->Top();
    for (std::size_t i = 0; i < icons.size(); ++i) {
        icons[i]->SetTop(top);
        labels[i]->SetTop(top + icons[i]->Height() + 2);
        top += icons[i]->Height() + 24;
    }
    CentreLabels();
    SetStatus(codec::SReady);
    // A bitmap dropped from a file manager opens as with Open (the first of several).
    ui::AcceptDroppedFiles(Widget(), [this](const std::vector<rtl::AnsiString>& files) { OpenBitmapFile(files.front()); });
    MakeMainWindowAccessible(*this);
    // The limits apply from now on.
    SetBounds(Left(), Top(), Width(), Height());
}

void TForm1::CentreLabels() {
    const auto icons = Icons();
    const auto labels = Labels();
    for (std::size_t i = 0; i < icons.size(); ++i) labels[i]->SetLeft(icons[i]->Left() + 24 - labels[i]->Width() / 2);
}

void TForm1::FormConstrainedResize(rtl::TObject*) {
    ResizeLimits().MinWidth = MinWidthLimit;
    ResizeLimits().MinHeight = MinHeightLimit;
}

void TForm1::mm1Change(rtl::TObject*) {
    CentreLabels();
    SetStatus(codec::SReady);
}

void TForm1::MoveButton(rtl::TObject* Sender) {
    if (auto* icon = dynamic_cast<ui::TImage*>(Sender)) {
        icon->SetBounds(icon->Left() + 2, icon->Top() + 2, icon->Width(), icon->Height());
        icon->SetCursor(ui::crHandPoint);
    }
}

void TForm1::MoveButtonBack(rtl::TObject* Sender) {
    if (auto* icon = dynamic_cast<ui::TImage*>(Sender)) {
        icon->SetBounds(icon->Left() - 2, icon->Top() - 2, icon->Width(), icon->Height());
        icon->SetCursor(ui::crDefault);
    }
}

void TForm1::image2MouseEnter(rtl::TObject*) { image2->SetCursor(ui::crHandPoint); }

void TForm1::image2MouseLeave(rtl::TObject*) { image2->SetCursor(ui::crDefault); }

void TForm1::actOpenBmpExecute(rtl::TObject*) {
    dlg1->Filter = OpenDialogFilter();
    if (!dlg1->Execute()) return;
    OpenBitmapFile(dlg1->FileName);
}

void TForm1::OpenBitmapFile(const rtl::AnsiString& fileName) {
    image2->LoadBitmapFromFile(fileName);
    const bitmap::TBitmap& bmp = image2->Bitmap();
    const std::int64_t capacity = static_cast<std::int64_t>(bmp.Height()) * bmp.Width() / 8;
    stat1->SetSimpleText(rtl::LoadResString(codec::STheMaximumNumberC) + rtl::IntToStr(capacity));
}

bool TForm1::ImageLoaded(const rtl::TResStringRec& box, const rtl::TResStringRec& status) {
    if (!image2->Bitmap().Empty()) return true;
    ui::MessageDlg(rtl::LoadResString(box), ui::TMsgDlgType::mtError);
    SetStatus(status);
    return false;
}

void TForm1::OfferToSave(const AnsiString& data) {
    image2->BitmapChanged();
    dlgSave1->Filter = SaveDialogFilter();
    if (dlgSave1->Execute()) codec::SaveHiddenTextVerified(image2->Bitmap(), dlgSave1->FileName, data);
    SetStatus(codec::SYouTextWasEncrypt);
}

void TForm1::actAancryptandSaveExecute(rtl::TObject*) {
    if (!ImageLoaded(codec::SYouMustLoadABitm, codec::STextEncryptionFail)) return;
    // Refused here, before the picture changes, when the memo shows a character the hidden
    // text's code page cannot hold.
    const AnsiString data = codec::EncryptText(image2->Bitmap(), codec::HiddenTextOf(mmo1->UserText()));
    OfferToSave(data);
}

// As Encrypt, with the text encrypted under a passphrase asked twice, and hidden by LSB matching.
void TForm1::actEncryptPassphraseExecute(rtl::TObject*) {
    if (!ImageLoaded(codec::SYouMustLoadABitm, codec::STextEncryptionFail)) return;
    const AnsiString text = codec::HiddenTextOf(mmo1->UserText());  // refused before anything is asked
    const std::optional<AnsiString> passphrase = AskNewPassphrase();
    if (!passphrase) return;
    const AnsiString data = codec::EncryptTextWithPassphrase(image2->Bitmap(), text, *passphrase);
    OfferToSave(data);
}

void TForm1::actDecryptExecute(rtl::TObject*) {
    if (!ImageLoaded(codec::SYouMustLoadAnEnc, codec::STextDecryptionFail)) return;
    rtl::AnsiString text;
    if (!codec::DecryptText(image2->Bitmap(), text)) return;
    if (codec::IsSealedText(text)) {
        const std::optional<AnsiString> passphrase = AskPassphrase();
        if (!passphrase) return;
        text = codec::OpenSealedText(text, *passphrase);
    }
    mmo1->Clear();
    mmo1->SetUserText(codec::ShownTextOf(text));
    SetStatus(codec::STextDecryptionFini);
}

void TForm1::actClearAllExecute(rtl::TObject*) {
    mmo1->Lines()->Clear();
    image2->ClearPicture();
    SetStatus(codec::SAllFieldsClearRe);
}

void TForm1::actAboutExecute(rtl::TObject*) {
    rtti::TScreen& screen = rtti::Screen();
    for (int i = 0; i < screen.FormCount(); ++i)
        if (auto* about = dynamic_cast<TAboutBox*>(screen.Forms(i))) {
            about->ShowModal();
            return;
        }
}

void TForm1::actCloseExecute(rtl::TObject*) { Close(); }

}  // namespace app
