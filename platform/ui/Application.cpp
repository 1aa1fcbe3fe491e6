#include "platform/ui/Application.h"

#include <QApplication>

#include "platform/ui/Forms.h"
#include "platform/ui/Interaction.h"
#include "platform/ui/Text8.h"

namespace ui {

namespace {
TApplication* instance = nullptr;
}  // namespace

rtl::AnsiString ErrorBoxText(const rtl::AnsiString& message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > static_cast<unsigned char>('.')) return message + ".";
    return message;
}

TApplication::TApplication() { instance = this; }

TApplication::~TApplication() {
    // Forms go last first, as the application created them.
    while (!forms_.empty()) forms_.pop_back();
    if (instance == this) instance = nullptr;
}

void TApplication::Initialize() {
    InitScreen();
    // The program decides when to quit: closing the main form ends Run, closing a dialog does not.
    if (qApp) QApplication::setQuitOnLastWindowClosed(false);
}

void TApplication::SetTitle(const rtl::AnsiString& title) {
    title_ = title;
    if (qApp) QApplication::setApplicationDisplayName(DecodeInterface(title));
}

TForm* TApplication::AddForm(std::unique_ptr<TForm> form) {
    TForm* raw = form.get();
    forms_.push_back(std::move(form));
    if (!mainForm_) mainForm_ = raw;
    return raw;
}

void TApplication::FreeForms() {
    mainForm_ = nullptr;
    while (!forms_.empty()) forms_.pop_back();
}

int TApplication::Run() {
    terminated_ = false;
    if (!mainForm_) return 0;
    mainForm_->Show();
    if (terminated_) return 0;
    return QApplication::exec();
}

void TApplication::Terminate() {
    terminated_ = true;
    QApplication::quit();
}

void TApplication::ShowErrorText(const rtl::AnsiString& message) {
    QWidget* owner = QApplication::activeWindow();
    if (!owner && mainForm_) owner = mainForm_->Widget();
    Interaction().MessageBox(owner, TMsgDlgType::mtError, DecodeInterface(title_), DecodeInterface(ErrorBoxText(message)));
}

void TApplication::ShowException(const rtl::Exception& error) { ShowErrorText(error.Message()); }

TApplication* Application() { return instance; }

void Dispatch(const std::function<void()>& handler) noexcept {
    auto show = [](const rtl::AnsiString& message) noexcept {
        try {
            if (TApplication* app = Application())
                app->ShowErrorText(message);
            else
                Interaction().MessageBox(nullptr, TMsgDlgType::mtError, QString(), DecodeInterface(ErrorBoxText(message)));
        } catch (...) {
            // The error box itself failed; there is nowhere left to report to.
        }
    };
    try {
        handler();
    } catch (const rtl::Exception& error) {
        show(error.Message());
    } catch (const std::bad_alloc&) {
        show("Out of memory");
    } catch (const std::exception& error) {
        show(error.what());
    } catch (...) {
        show("Unknown error");
    }
}

}  // namespace ui
