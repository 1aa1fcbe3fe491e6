#pragma once
// The one seam every modal interaction of the program passes through: message boxes, file
// dialogs, modal windows and opening a web address. The desktop implementation uses Qt's
// dialogs; tests install a scripted one and read what the program asked.

#include <memory>
#include <optional>

#include <QString>

class QWidget;

namespace ui {

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

// Results as the platform's message box gives them.
inline constexpr int mrNone = 0;
inline constexpr int mrOk = 1;
inline constexpr int mrCancel = 2;

struct TFileDialogRequest {
    QString Title;
    QString Filter;      // "Bitmap Files (*.bmp)|*.bmp": description|pattern pairs
    QString DefaultExt;  // without the dot
    QString FileName;    // initial file name
};

class TInteraction {
public:
    virtual ~TInteraction() = default;
    // A modal message box with one OK button; answers the button pressed.
    virtual int MessageBox(QWidget* owner, TMsgDlgType type, const QString& caption, const QString& text) = 0;
    // The chosen file, or nothing when the user cancels.
    virtual std::optional<QString> OpenFile(QWidget* owner, const TFileDialogRequest& request) = 0;
    virtual std::optional<QString> SaveFile(QWidget* owner, const TFileDialogRequest& request) = 0;
    // A modal prompt for a secret (what is typed is not shown); nothing when the user cancels.
    virtual std::optional<QString> AskSecret(QWidget* owner, const QString& caption, const QString& prompt) = 0;
    // Shows a window modally and returns when it is hidden again; answers its modal result.
    virtual int ShowModal(QWidget* window) = 0;
    // Hands a web address to the desktop's URL handler; fire and forget.
    virtual void OpenUrl(const QString& url) = 0;
};

// The desktop implementation.
class TQtInteraction : public TInteraction {
public:
    int MessageBox(QWidget* owner, TMsgDlgType type, const QString& caption, const QString& text) override;
    std::optional<QString> OpenFile(QWidget* owner, const TFileDialogRequest& request) override;
    std::optional<QString> SaveFile(QWidget* owner, const TFileDialogRequest& request) override;
    std::optional<QString> AskSecret(QWidget* owner, const QString& caption, const QString& prompt) override;
    int ShowModal(QWidget* window) override;
    void OpenUrl(const QString& url) override;
};

// The seam in force (the desktop one until something else is installed).
TInteraction& Interaction();
// Installs another implementation and gives back the previous one (nullptr: the desktop one).
std::unique_ptr<TInteraction> SetInteraction(std::unique_ptr<TInteraction> interaction);

// "Bitmap Files (*.bmp)|*.bmp" -> "Bitmap Files (*.bmp)" as Qt's name filter list.
QString QtNameFilters(const QString& filter);
// Appends ".ext" when the chosen name has no extension, as the platform's dialogs do.
QString WithDefaultExt(const QString& fileName, const QString& defaultExt);
// Only web addresses are handed to the desktop: the address can come from a translated hint.
bool IsWebAddress(const QString& url);

}  // namespace ui
