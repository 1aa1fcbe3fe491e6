#include "platform/ui/FileDrop.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include "platform/ui/Application.h"

namespace ui {

namespace {

// Watches the window and its widgets; owned by the window.
class TDropFilter : public QObject {
public:
    TDropFilter(QWidget* window, TDropFilesHandler handler) : QObject(window), handler_(std::move(handler)) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
            case QEvent::DragEnter:
            case QEvent::DragMove: {
                auto* drag = static_cast<QDropEvent*>(event);
                if (DroppedFiles(drag->mimeData()).empty()) return false;
                drag->acceptProposedAction();
                return true;
            }
            case QEvent::Drop: {
                auto* drop = static_cast<QDropEvent*>(event);
                const auto files = DroppedFiles(drop->mimeData());
                if (files.empty()) return false;
                drop->acceptProposedAction();
                Dispatch([this, files] { handler_(files); });
                return true;
            }
            default:
                return false;
        }
    }

private:
    TDropFilesHandler handler_;
};

}  // namespace

std::vector<rtl::AnsiString> DroppedFiles(const QMimeData* data) {
    std::vector<rtl::AnsiString> files;
    if (!data || !data->hasUrls()) return files;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) return {};
        const QByteArray path = QFile::encodeName(url.toLocalFile());
        files.emplace_back(path.constData(), static_cast<std::size_t>(path.size()));
    }
    return files;
}

void AcceptDroppedFiles(QWidget* window, TDropFilesHandler handler) {
    if (!window) return;
    auto* filter = new TDropFilter(window, std::move(handler));
    window->setAcceptDrops(true);
    window->installEventFilter(filter);
    for (QWidget* child : window->findChildren<QWidget*>()) {
        child->setAcceptDrops(true);
        child->installEventFilter(filter);
    }
}

}  // namespace ui
