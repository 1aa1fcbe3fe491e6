#pragma once
// Forms, the screen's fonts and the creation of forms from their form resources.

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/rtti/ComponentStream.h"
#include "platform/ui/Controls.h"

namespace ui {

class TMainMenu;
class TFormWidget;

enum class TWindowState { wsNormal, wsMinimized, wsMaximized };
const rtti::TEnumInfo& WindowStateInfo();

// The limits a form's OnConstrainedResize may change; 0 means no limit.
struct TResizeLimits {
    std::int32_t MinWidth = 0;
    std::int32_t MinHeight = 0;
    std::int32_t MaxWidth = 0;
    std::int32_t MaxHeight = 0;
};

// A top-level window. Its widget holds the menu bar (when Menu is set) and the client area the
// controls are placed on; Width and Height are the whole window, ClientWidth and ClientHeight
// the client area.
class TForm : public TQtControl<rtti::TCustomForm> {
    VLMRK_RTTI_CLASS(TForm)
public:
    TForm();
    ~TForm() override;

    TMainMenu* Menu() const { return menu_; }
    void SetMenu(TMainMenu* menu);
    TWindowState WindowState() const { return windowState_; }
    void SetWindowState(TWindowState state);
    std::int32_t ModalResult() const { return modalResult_; }
    void SetModalResult(std::int32_t result);

    // OnConstrainedResize runs whenever the window is sized; the handler changes the limits it
    // finds in ResizeLimits(), which then apply.
    rtti::TMethod OnConstrainedResize;
    rtti::TMethod OnClose;
    TResizeLimits& ResizeLimits() { return limits_; }
    // Runs OnConstrainedResize and applies the limits to the window; answers them.
    TResizeLimits ConstrainedResize();

    void SetBounds(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) override;
    void SetClientWidth(std::int32_t v) override;
    void SetClientHeight(std::int32_t v) override;
    void SetText(const AnsiString& text) override;
    void SetVisible(bool on) override;
    void SetBorderStyle(rtti::TFormBorderStyle style) override;
    void SetColor(TColor color) override;

    QWidget* ClientWidget() const override;
    QRect AlignRect() const override;

    void Show();
    void Hide();
    // Hides the form; closing the main form ends the application's message loop.
    void Close();
    // Shows the form modally (through the interaction seam) and answers its modal result.
    int ShowModal();
    // Multiplies every size and position inside the form, and the font heights, by m / d.
    void ScaleBy(int m, int d);

    void Loaded() override;
    // Runs OnCreate (the form resource has been read).
    virtual void DoCreate();

    // Called by the widget.
    void WidgetResized();
    void WidgetClosed();

protected:
    bool IsTopLevel() const override { return true; }
    void PlaceWidget() override;

private:
    int MenuHeight() const;
    // Dialog, single and tool-window borders cannot be sized.
    bool FixedBorder() const;
    void ApplyBorderStyle();

    TFormWidget* Window() const;
    QPointer<QWidget> client_;
    TMainMenu* menu_ = nullptr;
    TWindowState windowState_ = TWindowState::wsNormal;
    std::int32_t modalResult_ = 0;
    TResizeLimits limits_;
    bool shownOnce_ = false;
    bool syncing_ = false;
    bool dying_ = false;
};

// The screen's fonts. Menus and hints are drawn with them; the live translation changes their
// character sets.
struct TScreenFonts {
    std::unique_ptr<rtti::TFont> IconFont;
    std::unique_ptr<rtti::TFont> HintFont;
    std::unique_ptr<rtti::TFont> MenuFont;
};
TScreenFonts& ScreenFonts();
// Sets Screen.PixelsPerInch from Qt's logical resolution and the screen fonts from the desktop's.
void InitScreen();

// The classes of this layer for the form reader (with the component model's own).
void RegisterClasses(rtti::TClassRegistry& registry);
const rtti::TClassRegistry& FormClasses();

// Where form resources come from: the form stream of a class by name, from the current resource
// module. The program installs the module layer's look-up; tests install their own.
void SetFormResourceLookup(rtti::TResourceLookup lookup);
const rtti::TResourceLookup& FormResourceLookup();

// Builds a form of class T from its form resource and runs its OnCreate; the application owns it.
// The first form created becomes the main form.
template <class T>
T* CreateForm();

// Reads the form's resources into a freshly constructed form.
void InitForm(TForm& form);

}  // namespace ui

#include "platform/ui/Application.h"
#include "platform/ui/UpdateBatch.h"

namespace ui {

template <class T>
T* CreateForm() {
    auto form = std::make_unique<T>();
    T* raw = form.get();
    InitForm(*raw);
    Application()->AddForm(std::move(form));
    // What OnCreate adds to the menus is built once, with one OnChange, when it has run.
    BeginUpdateBatch();
    raw->DoCreate();
    Dispatch([] { EndUpdateBatch(); });
    if (raw->Visible()) raw->Show();
    return raw;
}

}  // namespace ui
