#include "platform/ui/Dialogs.h"

#include <QApplication>
#include <QDir>

#include "platform/ui/Application.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Text8.h"

namespace ui {

namespace {

QWidget* ActiveOwner() {
    if (QWidget* active = QApplication::activeWindow()) return active;
    TApplication* app = Application();
    return app && app->MainForm() ? app->MainForm()->Widget() : nullptr;
}

}  // namespace

int MessageDlg(const AnsiString& text, TMsgDlgType type) {
    const rtl::TResStringRec* caption = nullptr;
    switch (type) {
        case TMsgDlgType::mtWarning: caption = &SMsgDlgWarning; break;
        case TMsgDlgType::mtError: caption = &SMsgDlgError; break;
        case TMsgDlgType::mtInformation: caption = &SMsgDlgInformation; break;
        case TMsgDlgType::mtConfirmation: caption = &SMsgDlgConfirm; break;
        case TMsgDlgType::mtCustom: break;
    }
    QString title;
    if (caption)
        title = DecodeInterface(rtl::LoadResString(*caption));
    else if (TApplication* app = Application())
        title = DecodeInterface(app->Title());
    return Interaction().MessageBox(ActiveOwner(), type, title, DecodeInterface(text));
}

std::optional<QString> SecretDlg(const AnsiString& caption, const AnsiString& prompt) {
    return Interaction().AskSecret(ActiveOwner(), DecodeInterface(caption), DecodeInterface(prompt));
}

const rtti::TClassInfo* TOpenDialog::StaticClass() {
    using C = TOpenDialog;
    using namespace rtti;
    static const TClassInfo info("TOpenDialog", TComponent::StaticClass(), Creator<C>(),
                                 {
                                     pub::String<C>("DefaultExt", &C::DefaultExt),
                                     pub::String<C>("FileName", &C::FileName),
                                     pub::String<C>("Filter", &C::Filter),
                                     pub::Integer<C>("FilterIndex", &C::FilterIndex, &C::FilterIndex, 1),
                                     pub::String<C>("InitialDir", &C::InitialDir),
                                     pub::String<C>("Title", &C::Title),
                                 });
    return &info;
}

TFileDialogRequest TOpenDialog::Request() const {
    TFileDialogRequest request;
    request.Title = DecodeInterface(Title);
    request.Filter = DecodeInterface(Filter);
    request.DefaultExt = QString::fromUtf8(DefaultExt.data(), static_cast<qsizetype>(DefaultExt.size()));
    QString name = QString::fromUtf8(FileName.data(), static_cast<qsizetype>(FileName.size()));
    if (!InitialDir.empty() && !name.isEmpty() && QDir::isRelativePath(name))
        name = QDir(QString::fromUtf8(InitialDir.data(), static_cast<qsizetype>(InitialDir.size()))).filePath(name);
    request.FileName = name;
    return request;
}

bool TOpenDialog::Execute() {
    auto chosen = Interaction().OpenFile(ActiveOwner(), Request());
    if (!chosen) return false;
    const QByteArray path = chosen->toUtf8();
    FileName.assign(path.constData(), static_cast<std::size_t>(path.size()));
    return true;
}

const rtti::TClassInfo* TSaveDialog::StaticClass() {
    static const rtti::TClassInfo info("TSaveDialog", TOpenDialog::StaticClass(), rtti::Creator<TSaveDialog>());
    return &info;
}

bool TSaveDialog::Execute() {
    auto chosen = Interaction().SaveFile(ActiveOwner(), Request());
    if (!chosen) return false;
    const QByteArray path = WithDefaultExt(*chosen, Request().DefaultExt).toUtf8();
    FileName.assign(path.constData(), static_cast<std::size_t>(path.size()));
    return true;
}

}  // namespace ui
