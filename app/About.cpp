#include "app/About.h"

#include "app/Accessible.h"

#include "app/FormLookup.h"
#include "platform/ui/Interaction.h"

namespace app {

const rtti::TClassInfo* TAboutBox::StaticClass() {
    using C = TAboutBox;
    using rtti::pub::Method;
    static const rtti::TClassInfo info("TAboutBox", ui::TForm::StaticClass(), nullptr, {},
                                       {
                                           Method<C>("CommentsClick", &C::CommentsClick),
                                           Method<C>("CommentsMouseMove", &C::CommentsMouseMove),
                                           Method<C>("CommentsMouseLeave", &C::CommentsMouseLeave),
                                           Method<C>("Image1Click", &C::Image1Click),
                                           Method<C>("Image1MouseMove", &C::Image1MouseMove),
                                           Method<C>("Image1MouseLeave", &C::Image1MouseLeave),
                                           Method<C>("image3Click", &C::image3Click),
                                           Method<C>("image3MouseEnter", &C::image3MouseEnter),
                                           Method<C>("image3MouseLeave", &C::image3MouseLeave),
                                       });
    return &info;
}

void TAboutBox::Loaded() {
    Panel1 = NeedComponent<ui::TPanel>(*this, "Panel1");
    sLabelFX1 = NeedComponent<ui::TLabelFX>(*this, "sLabelFX1");
    Copyright = NeedComponent<ui::TLabel>(*this, "Copyright");
    sLabel1 = NeedComponent<ui::TLabel>(*this, "sLabel1");
    Comments = NeedComponent<ui::TLabel>(*this, "Comments");
    Image1 = NeedComponent<ui::TImage>(*this, "Image1");
    image4 = NeedComponent<ui::TImage>(*this, "image4");
    image3 = NeedComponent<ui::TImage>(*this, "image3");
    ui::TForm::Loaded();
    // The frame lies over the logo as decoration only: the logo underneath keeps its link.
    if (QWidget* frame = image4->Widget()) frame->setAttribute(Qt::WA_TransparentForMouseEvents);
    MakeAboutBoxAccessible(*this);
}

void OpenWebAddress(const rtl::AnsiString& address) {
    const QString url = ui::DecodeInterface(address).trimmed();
    if (ui::IsWebAddress(url)) ui::Interaction().OpenUrl(url);
}

void TAboutBox::CommentsClick(rtl::TObject* Sender) {
    if (auto* label = dynamic_cast<ui::TLabel*>(Sender)) OpenWebAddress(label->Hint());
}

void TAboutBox::CommentsMouseMove(rtl::TObject* Sender) {
    if (auto* label = dynamic_cast<ui::TLabel*>(Sender)) {
        label->SetCursor(ui::crHandPoint);
        label->Font()->SetColor(rtti::clBlue);
    }
}

void TAboutBox::CommentsMouseLeave(rtl::TObject* Sender) {
    if (auto* label = dynamic_cast<ui::TLabel*>(Sender)) {
        label->SetCursor(ui::crDefault);
        label->Font()->SetColor(rtti::clBlack);
    }
}

void TAboutBox::Image1Click(rtl::TObject* Sender) {
    if (auto* image = dynamic_cast<ui::TImage*>(Sender)) OpenWebAddress(image->Hint());
}

void TAboutBox::Image1MouseMove(rtl::TObject* Sender) {
    if (auto* image = dynamic_cast<ui::TImage*>(Sender)) image->SetCursor(ui::crHandPoint);
}

void TAboutBox::Image1MouseLeave(rtl::TObject* Sender) {
    if (auto* image = dynamic_cast<ui::TImage*>(Sender)) image->SetCursor(ui::crDefault);
}

void TAboutBox::image3Click(rtl::TObject*) { Close(); }

void TAboutBox::image3MouseEnter(rtl::TObject*) {
    image3->SetBounds(image3->Left() + 2, image3->Top() + 2, image3->Width(), image3->Height());
    image3->SetCursor(ui::crHandPoint);
}

void TAboutBox::image3MouseLeave(rtl::TObject*) {
    image3->SetBounds(image3->Left() - 2, image3->Top() - 2, image3->Width(), image3->Height());
    image3->SetCursor(ui::crDefault);
}

}  // namespace app
