#include "tests/ui/GuiTestSupport.h"

#include <QEnterEvent>
#include <QWidget>
#include <QMouseEvent>

namespace guitest {

QApplication& QtApp() {
    static QApplication* app = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "vlmrk-gui-test";
        static char* argv[] = {name, nullptr};
        return new QApplication(argc, argv);
    }();
    return *app;
}

int TScript::MessageBox(QWidget*, ui::TMsgDlgType type, const QString& caption, const QString& text) {
    Boxes.push_back({type, caption, text});
    return ui::mrOk;
}

std::optional<QString> TScript::OpenFile(QWidget*, const ui::TFileDialogRequest& request) {
    OpenRequests.push_back(request);
    if (OpenAnswers.empty()) return std::nullopt;
    const bool chosen = OpenAnswers.front().has_value();
    const QString path = chosen ? *OpenAnswers.front() : QString();
    OpenAnswers.pop_front();
    if (!chosen) return std::nullopt;
    return path;
}

std::optional<QString> TScript::SaveFile(QWidget*, const ui::TFileDialogRequest& request) {
    SaveRequests.push_back(request);
    if (SaveAnswers.empty()) return std::nullopt;
    const bool chosen = SaveAnswers.front().has_value();
    const QString path = chosen ? *SaveAnswers.front() : QString();
    SaveAnswers.pop_front();
    if (!chosen) return std::nullopt;
    return path;
}

std::optional<QString> TScript::AskSecret(QWidget*, const QString& caption, const QString& prompt) {
    SecretRequests.push_back({caption, prompt});
    if (SecretAnswers.empty()) return std::nullopt;
    const bool typed = SecretAnswers.front().has_value();
    const QString text = typed ? *SecretAnswers.front() : QString();
    SecretAnswers.pop_front();
    if (!typed) return std::nullopt;
    return text;
}

int TScript::ShowModal(QWidget* window) {
    ModalWindows.push_back(window);
    window->show();
    if (WhileModal) WhileModal(window);
    if (window->isVisible()) window->hide();
    return ui::mrOk;
}

TScriptScope::TScriptScope() {
    auto script = std::make_unique<TScript>();
    script_ = script.get();
    ui::SetInteraction(std::move(script));
}

TScriptScope::~TScriptScope() { ui::SetInteraction(nullptr); }

void SendEnter(QWidget* widget) {
    QEnterEvent event(QPointF(2, 2), widget->mapToGlobal(QPointF(2, 2)), widget->mapToGlobal(QPointF(2, 2)));
    QApplication::sendEvent(widget, &event);
}

void SendLeave(QWidget* widget) {
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(widget, &event);
}

void SendMove(QWidget* widget) {
    QMouseEvent event(QEvent::MouseMove, QPointF(3, 3), widget->mapToGlobal(QPointF(3, 3)), Qt::NoButton, Qt::NoButton,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void SendClick(QWidget* widget) {
    const QPointF at(widget->width() / 2.0, widget->height() / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

}  // namespace guitest
