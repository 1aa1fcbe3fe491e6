#pragma once
// Shared by the GUI tests: the Qt application (offscreen unless a display is asked for) and a
// scripted interaction seam that records every modal interaction and answers as told.

#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include <QApplication>
#include <QString>

#include "platform/ui/Interaction.h"

namespace guitest {

// The process's Qt application, created on first use and kept until exit.
QApplication& QtApp();

struct TBoxCall {
    ui::TMsgDlgType Type;
    QString Caption;
    QString Text;
};

class TScript : public ui::TInteraction {
public:
    std::vector<TBoxCall> Boxes;
    std::vector<ui::TFileDialogRequest> OpenRequests;
    std::vector<ui::TFileDialogRequest> SaveRequests;
    std::deque<std::optional<QString>> OpenAnswers;  // an empty queue answers "cancelled"
    std::deque<std::optional<QString>> SaveAnswers;
    struct TSecretCall {
        QString Caption;
        QString Prompt;
    };
    std::vector<TSecretCall> SecretRequests;
    std::deque<std::optional<QString>> SecretAnswers;  // an empty queue answers "cancelled"
    std::vector<QWidget*> ModalWindows;
    std::vector<QString> OpenedUrls;
    // Runs while a window is shown modally; the window is hidden afterwards if it is still shown.
    std::function<void(QWidget*)> WhileModal;

    int MessageBox(QWidget*, ui::TMsgDlgType type, const QString& caption, const QString& text) override;
    std::optional<QString> OpenFile(QWidget*, const ui::TFileDialogRequest& request) override;
    std::optional<QString> SaveFile(QWidget*, const ui::TFileDialogRequest& request) override;
    std::optional<QString> AskSecret(QWidget*, const QString& caption, const QString& prompt) override;
    int ShowModal(QWidget* window) override;
    void OpenUrl(const QString& url) override { OpenedUrls.push_back(url); }
};

// Installs a fresh script as the seam for the lifetime of the object.
class TScriptScope {
public:
    TScriptScope();
    ~TScriptScope();
    TScript& Script() { return *script_; }

private:
    TScript* script_;
};

// Synthesised mouse events on a widget.
void SendEnter(QWidget* widget);
void SendLeave(QWidget* widget);
void SendMove(QWidget* widget);
void SendClick(QWidget* widget);

}  // namespace guitest
