#include "platform/ui/Forms.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <QToolTip>
#include <QWindow>

#include "platform/ui/ActnList.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"

namespace ui {

// The top-level widget of a form: reports resizing, closing and showing to its form.
class TFormWidget : public QWidget {
public:
    explicit TFormWidget(TForm& form) : form_(form) {}

protected:
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        form_.WidgetResized();
    }
    void moveEvent(QMoveEvent* event) override {
        QWidget::moveEvent(event);
        form_.WidgetResized();
    }
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        form_.WidgetClosed();
    }
    void showEvent(QShowEvent* event) override {
        QWidget::showEvent(event);
        MarkFontsRealised(form_);
    }

private:
    // A font counts as realised once a shown widget uses it.
    static void MarkFontsRealised(rtti::TComponent& owner) {
        if (auto* control = dynamic_cast<rtti::TControl*>(&owner)) {
            QWidget* widget = WidgetOf(control);
            if (widget && widget->isVisible()) control->Font()->SetHandleAllocated(true);
        }
        for (int i = 0; i < owner.ComponentCount(); ++i) MarkFontsRealised(*owner.Components(i));
    }

    TForm& form_;
};

const rtti::TEnumInfo& WindowStateInfo() {
    static const rtti::TEnumInfo info{"TWindowState", {"wsNormal", "wsMinimized", "wsMaximized"}};
    return info;
}

const rtti::TClassInfo* TForm::StaticClass() {
    using C = TForm;
    using namespace rtti;
    static const TClassInfo info(
        "TForm", TCustomForm::StaticClass(), nullptr,
        QtControlProps<C>({
            pub::Reference<C>("Menu", TMainMenu::StaticClass(), [](const C& c) -> TPersistent* { return c.Menu(); },
                              [](C& c, TPersistent* v) { c.SetMenu(dynamic_cast<TMainMenu*>(v)); }),
            pub::Enum<C>("WindowState", WindowStateInfo(), &C::WindowState, &C::SetWindowState, 0),
            pub::Event<C>("OnClose", &C::OnClose),
            pub::Event<C>("OnConstrainedResize", &C::OnConstrainedResize),
        }));
    return &info;
}

TForm::TForm() {
    auto* window = new TFormWidget(*this);
    widget_ = window;
    SetAccessible(window, {TAccessibleRole::Window, {}, {}});  // a frame named by its title
    client_ = new TPaintWidget([this](QPainter& p) { p.fillRect(client_->rect(), ToQColor(Color())); });
    client_->setParent(window);
    RouteMouse();
    rtti::TCustomForm::SetVisible(false);
    ApplyBorderStyle();
    ApplyFont();
}

TForm::~TForm() {
    // The derived form is gone already: none of its handlers may run any more, and the menu's
    // items, freed one by one later, must not reach them either.
    dying_ = true;
    OnConstrainedResize = OnClose = OnResize = OnShow = OnHide = OnCreate = OnActivate = rtti::TMethod{};
    if (menu_) menu_->OnChange = rtti::TMethod{};
    detail::StopMouseRouting(widget_);
    // The children's widgets go with the window; their controls find their widgets gone.
    SetMenu(nullptr);
    delete widget_.data();
}

TFormWidget* TForm::Window() const { return static_cast<TFormWidget*>(widget_.data()); }

QWidget* TForm::ClientWidget() const { return client_; }

QRect TForm::AlignRect() const { return QRect(0, 0, ClientWidth(), ClientHeight()); }

void TForm::SetMenu(TMainMenu* menu) {
    if (menu_ == menu) return;
    const int clientHeight = ClientHeight();
    if (menu_) {
        if (QMenuBar* old = menu_->MenuBar()) old->setParent(nullptr);
        RemoveFreeNotification(menu_);
    }
    menu_ = menu;
    if (menu_) {
        FreeNotification(menu_);
        if (widget_) {
            menu_->MenuBar()->setParent(widget_);
            menu_->MenuBar()->show();
        }
    }
    // The client area keeps its size; the window grows or shrinks by the menu bar.
    if (!Destroying() && !dying_) SetBounds(Left(), Top(), Width(), clientHeight + MenuHeight());
}

void TForm::SetWindowState(TWindowState state) {
    windowState_ = state;
    if (!widget_ || !widget_->isVisible()) return;
    switch (state) {
        case TWindowState::wsMaximized: widget_->showMaximized(); break;
        case TWindowState::wsMinimized: widget_->showMinimized(); break;
        case TWindowState::wsNormal: widget_->showNormal(); break;
    }
}

void TForm::SetModalResult(std::int32_t result) {
    modalResult_ = result;
    if (result != 0 && widget_ && widget_->isVisible()) Hide();
}

bool TForm::FixedBorder() const {
    const auto style = BorderStyle();
    return style == rtti::TFormBorderStyle::bsDialog || style == rtti::TFormBorderStyle::bsSingle ||
           style == rtti::TFormBorderStyle::bsToolWindow;
}

int TForm::MenuHeight() const {
    if (!menu_) return 0;
    return menu_->MenuBar()->sizeHint().height();
}

TResizeLimits TForm::ConstrainedResize() {
    limits_ = TResizeLimits{};
    if (OnConstrainedResize.Assigned() && !Loading()) OnConstrainedResize(this);
    if (widget_) {
        const bool fixed = FixedBorder();
        if (!fixed) {
            widget_->setMinimumSize(std::max(0, limits_.MinWidth), std::max(0, limits_.MinHeight));
            widget_->setMaximumSize(limits_.MaxWidth > 0 ? limits_.MaxWidth : QWIDGETSIZE_MAX,
                                    limits_.MaxHeight > 0 ? limits_.MaxHeight : QWIDGETSIZE_MAX);
        }
    }
    return limits_;
}

void TForm::SetBounds(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height) {
    if (!Loading() && !syncing_) {
        const TResizeLimits limits = ConstrainedResize();
        if (limits.MinWidth > 0) width = std::max(width, limits.MinWidth);
        if (limits.MinHeight > 0) height = std::max(height, limits.MinHeight);
        if (limits.MaxWidth > 0) width = std::min(width, limits.MaxWidth);
        if (limits.MaxHeight > 0) height = std::min(height, limits.MaxHeight);
    }
    rtti::TCustomForm::SetBounds(left, top, width, height);
    PlaceWidget();
}

void TForm::PlaceWidget() {
    if (!widget_) return;
    const int menuHeight = MenuHeight();
    rtti::TCustomForm::SetClientWidth(std::max(0, Width()));
    rtti::TCustomForm::SetClientHeight(std::max(0, Height() - menuHeight));
    if (!syncing_) {
        syncing_ = true;
        const bool fixed = FixedBorder();
        if (fixed) widget_->setFixedSize(std::max(0, Width()), std::max(0, Height()));
        widget_->move(Left(), Top());
        widget_->resize(std::max(0, Width()), std::max(0, Height()));
        syncing_ = false;
    }
    if (menu_) menu_->MenuBar()->setGeometry(0, 0, Width(), menuHeight);
    if (client_) client_->setGeometry(0, menuHeight, ClientWidth(), ClientHeight());
    AlignControls(*this);
}

void TForm::WidgetResized() {
    if (syncing_ || dying_ || !widget_) return;
    const QRect geometry = widget_->geometry();
    if (geometry.x() == Left() && geometry.y() == Top() && geometry.width() == Width() && geometry.height() == Height()) return;
    syncing_ = true;
    rtti::TCustomForm::SetBounds(geometry.x(), geometry.y(), geometry.width(), geometry.height());
    syncing_ = false;
    PlaceWidget();
    Dispatch([this] { OnResize(this); });
}

void TForm::SetClientWidth(std::int32_t v) { SetBounds(Left(), Top(), v, Height()); }

void TForm::SetClientHeight(std::int32_t v) { SetBounds(Left(), Top(), Width(), v + MenuHeight()); }

void TForm::SetText(const AnsiString& text) {
    rtti::TCustomForm::SetText(text);
    if (widget_) widget_->setWindowTitle(DecodeInterface(text));
}

void TForm::SetVisible(bool on) {
    if (on)
        Show();
    else
        Hide();
}

void TForm::SetBorderStyle(rtti::TFormBorderStyle style) {
    rtti::TCustomForm::SetBorderStyle(style);
    ApplyBorderStyle();
}

void TForm::ApplyBorderStyle() {
    if (!widget_) return;
    const bool wasVisible = widget_->isVisible();
    Qt::WindowFlags flags = Qt::Window;
    switch (BorderStyle()) {
        case rtti::TFormBorderStyle::bsDialog:
            flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
            break;
        case rtti::TFormBorderStyle::bsNone: flags = Qt::Window | Qt::FramelessWindowHint; break;
        case rtti::TFormBorderStyle::bsToolWindow:
        case rtti::TFormBorderStyle::bsSizeToolWin: flags = Qt::Tool; break;
        default: break;
    }
    widget_->setWindowFlags(flags);
    if (FixedBorder()) {
        widget_->setFixedSize(std::max(0, Width()), std::max(0, Height()));
    } else {
        widget_->setMinimumSize(0, 0);
        widget_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    }
    if (wasVisible) widget_->show();
}

void TForm::SetColor(TColor color) {
    TQtControl<rtti::TCustomForm>::SetColor(color);
    if (client_) client_->update();
}

void TForm::Show() {
    if (!widget_) return;
    rtti::TCustomForm::SetVisible(true);
    if (!shownOnce_) {
        shownOnce_ = true;
        ConstrainedResize();
        if (Position() == rtti::TPosition::poScreenCenter || Position() == rtti::TPosition::poDesktopCenter ||
            Position() == rtti::TPosition::poMainFormCenter || Position() == rtti::TPosition::poOwnerFormCenter) {
            QWidget* mainWindow = nullptr;
            if (Position() != rtti::TPosition::poScreenCenter && Position() != rtti::TPosition::poDesktopCenter)
                if (TApplication* app = Application(); app && app->MainForm() && app->MainForm() != this)
                    mainWindow = app->MainForm()->Widget();
            QScreen* screen = QGuiApplication::primaryScreen();
            const QRect area = mainWindow ? mainWindow->geometry() : screen ? screen->availableGeometry() : QRect();
            if (area.isValid())
                SetBounds(area.x() + (area.width() - Width()) / 2, area.y() + (area.height() - Height()) / 2, Width(), Height());
        }
    }
    switch (windowState_) {
        case TWindowState::wsMaximized: widget_->showMaximized(); break;
        case TWindowState::wsMinimized: widget_->showMinimized(); break;
        case TWindowState::wsNormal: widget_->show(); break;
    }
    Dispatch([this] { OnShow(this); });
}

void TForm::Hide() {
    rtti::TCustomForm::SetVisible(false);
    if (widget_ && widget_->isVisible()) {
        widget_->hide();
        Dispatch([this] { OnHide(this); });
    }
}

void TForm::Close() {
    if (OnClose.Assigned()) OnClose(this);
    if (modalResult_ == 0) modalResult_ = mrCancel;
    Hide();
    if (TApplication* app = Application(); app && app->MainForm() == this) app->Terminate();
}

void TForm::WidgetClosed() {
    if (dying_) return;
    Dispatch([this] { Close(); });
}

int TForm::ShowModal() {
    modalResult_ = 0;
    rtti::TCustomForm::SetVisible(true);
    if (!shownOnce_) {
        // Let Show's positioning run once, then hand the window to the seam.
        Show();
        widget_->hide();
    }
    // A modal window belongs to the main window: no task-bar entry of its own, kept above it.
    if (TApplication* app = Application(); app && app->MainForm() && app->MainForm() != this) {
        QWidget* main = app->MainForm()->Widget();
        widget_->winId();
        main->winId();
        if (widget_->windowHandle() && main->windowHandle()) widget_->windowHandle()->setTransientParent(main->windowHandle());
    }
    Interaction().ShowModal(widget_);
    rtti::TCustomForm::SetVisible(false);
    return modalResult_ != 0 ? modalResult_ : mrCancel;
}

namespace {

int MulDiv(int value, int m, int d) {
    if (d == 0) return value;
    const long long product = static_cast<long long>(value) * m;
    return static_cast<int>((product + (product >= 0 ? d / 2 : -d / 2)) / d);
}

void ScaleControls(rtti::TWinControl& parent, int m, int d) {
    for (int i = 0; i < parent.ControlCount(); ++i) {
        rtti::TControl* c = parent.Controls(i);
        c->SetBounds(MulDiv(c->Left(), m, d), MulDiv(c->Top(), m, d), MulDiv(c->Width(), m, d), MulDiv(c->Height(), m, d));
        if (!c->ParentFont()) {
            const bool parentFont = c->ParentFont();
            c->Font()->SetHeight(MulDiv(c->Font()->Height(), m, d));
            c->SetParentFont(parentFont);
        }
        if (auto* w = dynamic_cast<rtti::TWinControl*>(c)) ScaleControls(*w, m, d);
    }
}

}  // namespace

void TForm::ScaleBy(int m, int d) {
    if (m <= 0 || d <= 0 || m == d) return;
    const int clientWidth = MulDiv(ClientWidth(), m, d), clientHeight = MulDiv(ClientHeight(), m, d);
    Font()->SetHeight(MulDiv(Font()->Height(), m, d));
    ScaleControls(*this, m, d);
    SetBounds(Left(), Top(), clientWidth, clientHeight + MenuHeight());
    rtti::TCustomForm::SetPixelsPerInch(MulDiv(PixelsPerInch(), m, d));
}

void TForm::Loaded() {
    TQtControl<rtti::TCustomForm>::Loaded();
    // A form designed at another resolution is scaled to the screen's.
    const int screenPpi = rtti::Screen().PixelsPerInch();
    if (Scaled() && PixelsPerInch() != screenPpi && PixelsPerInch() > 0) ScaleBy(screenPpi, PixelsPerInch());
    if (menu_) menu_->Rebuild();
    PlaceWidget();
}

void TForm::DoCreate() {
    Dispatch([this] { OnCreate(this); });
}

// ---- The screen ------------------------------------------------------------------------------

namespace {

void ScreenFontChanged() {
    // Tooltips show only from the event loop: their font is set in its next turn, which leaves the
    // font configuration to load on its own thread until the windows need it.
    if (qApp) QTimer::singleShot(0, qApp, [] { QToolTip::setFont(ToQFont(*ScreenFonts().HintFont)); });
    rtti::TScreen& screen = rtti::Screen();
    for (int i = 0; i < screen.FormCount(); ++i)
        if (auto* form = dynamic_cast<TForm*>(screen.Forms(i)); form && form->Menu()) form->Menu()->ScreenFontChanged();
}

}  // namespace

TScreenFonts& ScreenFonts() {
    static TScreenFonts fonts = [] {
        TScreenFonts f{std::make_unique<rtti::TFont>(), std::make_unique<rtti::TFont>(), std::make_unique<rtti::TFont>()};
        for (rtti::TFont* font : {f.IconFont.get(), f.HintFont.get(), f.MenuFont.get()}) {
            font->SetName("Tahoma");
            font->SetHeight(-11);
            font->SetHandleAllocated(true);
            font->OnChange = [](rtti::TFont*) { ScreenFontChanged(); };
        }
        return f;
    }();
    return fonts;
}

void InitScreen() {
    if (QScreen* screen = QGuiApplication::primaryScreen())
        rtti::Screen().SetPixelsPerInch(static_cast<std::int32_t>(screen->logicalDotsPerInch() + 0.5));
    ScreenFontChanged();
}

QString DecodeHintText(const AnsiString& text) { return DecodeForCharset(text, ScreenFonts().HintFont->Charset()); }

// ---- Creating forms ----------------------------------------------------------------------------

void RegisterClasses(rtti::TClassRegistry& registry) {
    rtti::RegisterClasses(registry);
    registry.RegisterClasses({TPanel::StaticClass(), TLabel::StaticClass(), TLabelFX::StaticClass(), TImage::StaticClass(),
                              TMemo::StaticClass(), TStatusBar::StaticClass(), TStatusPanel::StaticClass(),
                              TMainMenu::StaticClass(), TMenuItem::StaticClass(), TActionList::StaticClass(),
                              TAction::StaticClass(), TOpenDialog::StaticClass(), TSaveDialog::StaticClass()});
}

const rtti::TClassRegistry& FormClasses() {
    static const rtti::TClassRegistry registry = [] {
        rtti::TClassRegistry r;
        ui::RegisterClasses(r);
        return r;
    }();
    return registry;
}

namespace {
rtti::TResourceLookup& Lookup() {
    static rtti::TResourceLookup lookup;
    return lookup;
}
}  // namespace

void SetFormResourceLookup(rtti::TResourceLookup lookup) { Lookup() = std::move(lookup); }
const rtti::TResourceLookup& FormResourceLookup() { return Lookup(); }

void InitForm(TForm& form) {
    rtti::TReadContext context;
    context.Registry = &FormClasses();
    context.FindResource = Lookup();
    if (!context.FindResource || !rtti::InitInheritedComponent(form, context))
        throw rtl::Exception(rtl::Exception::CreateResFmt, SResNotFound, {form.ClassName()});
}

}  // namespace ui
