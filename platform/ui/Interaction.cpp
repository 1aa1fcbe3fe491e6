#include "platform/ui/Interaction.h"

#include <QDesktopServices>
#include <QEvent>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QUrl>
#include <QWidget>

namespace ui {

namespace {

std::unique_ptr<TInteraction>& Installed() {
    static std::unique_ptr<TInteraction> installed;
    return installed;
}

TQtInteraction& Desktop() {
    static TQtInteraction desktop;
    return desktop;
}

QMessageBox::Icon IconOf(TMsgDlgType type) {
    switch (type) {
        case TMsgDlgType::mtWarning: return QMessageBox::Warning;
        case TMsgDlgType::mtError: return QMessageBox::Critical;
        case TMsgDlgType::mtInformation: return QMessageBox::Information;
        case TMsgDlgType::mtConfirmation: return QMessageBox::Question;
        case TMsgDlgType::mtCustom: break;
    }
    return QMessageBox::NoIcon;
}

// Ends a nested event loop when the watched window is hidden or destroyed.
class THideWatcher : public QObject {
public:
    explicit THideWatcher(QEventLoop& loop) : loop_(loop) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Hide) loop_.quit();
        return false;
    }

private:
    QEventLoop& loop_;
};

}  // namespace

int TQtInteraction::MessageBox(QWidget* owner, TMsgDlgType type, const QString& caption, const QString& text) {
    QMessageBox box(IconOf(type), caption, text, QMessageBox::Ok, owner);
    box.setWindowModality(Qt::ApplicationModal);
    return box.exec() == QMessageBox::Ok ? mrOk : mrCancel;
}

std::optional<QString> TQtInteraction::OpenFile(QWidget* owner, const TFileDialogRequest& request) {
    QFileDialog dialog(owner, request.Title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(QtNameFilters(request.Filter).split(QStringLiteral(";;")));
    dialog.setDefaultSuffix(request.DefaultExt);
    if (!request.FileName.isEmpty()) dialog.selectFile(request.FileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> TQtInteraction::SaveFile(QWidget* owner, const TFileDialogRequest& request) {
    QFileDialog dialog(owner, request.Title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(QtNameFilters(request.Filter).split(QStringLiteral(";;")));
    dialog.setDefaultSuffix(request.DefaultExt);
    if (!request.FileName.isEmpty()) dialog.selectFile(request.FileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return WithDefaultExt(dialog.selectedFiles().constFirst(), request.DefaultExt);
}

std::optional<QString> TQtInteraction::AskSecret(QWidget* owner, const QString& caption, const QString& prompt) {
    QInputDialog dialog(owner);
    dialog.setWindowTitle(caption);
    dialog.setLabelText(prompt);
    dialog.setTextEchoMode(QLineEdit::Password);
    dialog.setInputMethodHints(Qt::ImhSensitiveData | Qt::ImhNoPredictiveText);
    dialog.setWindowModality(Qt::ApplicationModal);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.textValue();
}

int TQtInteraction::ShowModal(QWidget* window) {
    QPointer<QWidget> guard(window);
    window->setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    THideWatcher watcher(loop);
    window->installEventFilter(&watcher);
    QObject::connect(window, &QObject::destroyed, &loop, &QEventLoop::quit);
    window->show();
    window->raise();
    window->activateWindow();
    if (window->isVisible()) loop.exec(QEventLoop::DialogExec);
    if (guard) {
        guard->removeEventFilter(&watcher);
        guard->setWindowModality(Qt::NonModal);
    }
    return mrOk;
}

void TQtInteraction::OpenUrl(const QString& url) {
    QDesktopServices::openUrl(QUrl(url));
}

TInteraction& Interaction() {
    auto& installed = Installed();
    if (installed) return *installed;
    return Desktop();
}

std::unique_ptr<TInteraction> SetInteraction(std::unique_ptr<TInteraction> interaction) {
    auto previous = std::move(Installed());
    Installed() = std::move(interaction);
    return previous;
}

QString QtNameFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // Qt takes the patterns from the description's last parentheses; add them when missing.
        const QString tail = QLatin1Char('(') + patterns + QLatin1Char(')');
        filters << (parts[i].trimmed().endsWith(tail) ? parts[i] : parts[i] + QLatin1Char(' ') + tail);
    }
    if (filters.isEmpty()) return QStringLiteral("*");
    return filters.join(QStringLiteral(";;"));
}

QString WithDefaultExt(const QString& fileName, const QString& defaultExt) {
    if (fileName.isEmpty() || defaultExt.isEmpty()) return fileName;
    if (!QFileInfo(fileName).suffix().isEmpty()) return fileName;
    return fileName + QLatin1Char('.') + defaultExt;
}

bool IsWebAddress(const QString& url) {
    const QUrl parsed(url.trimmed(), QUrl::StrictMode);
    if (!parsed.isValid() || parsed.host().isEmpty()) return false;
    const QString scheme = parsed.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

}  // namespace ui
