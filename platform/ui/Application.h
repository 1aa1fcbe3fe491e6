#pragma once
// The application object: the program's title, its main form, the forms it owns, the message
// loop and the default error box. Every event handler runs through Dispatch, which hands an error
// to the default error box, so no exception ever crosses Qt's event loop.

#include <functional>
#include <memory>
#include <vector>

#include <QString>

#include "platform/rtl/Exception.h"

class QApplication;

namespace ui {

class TForm;

// The text the default error box shows: a full stop is appended when the last character sorts
// after "." in character code order.
rtl::AnsiString ErrorBoxText(const rtl::AnsiString& message);

class TApplication {
public:
    // The Qt application must exist already: the localization start-up may show a message box
    // before this object is set up.
    TApplication();
    ~TApplication();
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    void Initialize();
    const rtl::AnsiString& Title() const { return title_; }
    void SetTitle(const rtl::AnsiString& title);
    bool MainFormOnTaskBar() const { return mainFormOnTaskBar_; }
    void SetMainFormOnTaskBar(bool value) { mainFormOnTaskBar_ = value; }

    // The first form created becomes the main form; closing it ends Run.
    TForm* MainForm() const { return mainForm_; }
    // Takes ownership of a created form (see CreateForm in Forms.h).
    TForm* AddForm(std::unique_ptr<TForm> form);
    const std::vector<std::unique_ptr<TForm>>& Forms() const { return forms_; }
    // Frees every form, the last created first (windows built from resources that did not fit).
    void FreeForms();

    // Shows the main form (unless its Visible is off) and runs the message loop until it closes.
    int Run();
    // Ends the message loop (the main form closed).
    void Terminate();
    bool Terminated() const { return terminated_; }

    // The default error box: error icon, the title as caption, the message with the full-stop rule.
    void ShowException(const rtl::Exception& error);
    void ShowErrorText(const rtl::AnsiString& message);

private:
    rtl::AnsiString title_;
    bool mainFormOnTaskBar_ = false;
    bool terminated_ = false;
    TForm* mainForm_ = nullptr;
    std::vector<std::unique_ptr<TForm>> forms_;
};

// The application object of this process, or nullptr before it is created.
TApplication* Application();

// Calls an event handler; errors go to the application's default error box (or, before the
// application object exists, to a plain error box) and never propagate.
void Dispatch(const std::function<void()>& handler) noexcept;

}  // namespace ui
