#pragma once
// Files dropped from a file manager on a window, as the platform's "accept dropped files" gives
// them: the window and every control in it take a drag of local files; the handler gets the paths
// (file-system bytes) through Dispatch, so its errors go to the default error box. Other drags
// (text on the memo) keep working as before.

#include <functional>
#include <vector>

#include "platform/rtl/SysTypes.h"

class QMimeData;
class QWidget;

namespace ui {

using TDropFilesHandler = std::function<void(const std::vector<rtl::AnsiString>& fileNames)>;

// Installs the handler on the window and the widgets inside it at the time of the call.
void AcceptDroppedFiles(QWidget* window, TDropFilesHandler handler);

// The local files of a drag, in order; none when it carries anything else as well.
std::vector<rtl::AnsiString> DroppedFiles(const QMimeData* data);

}  // namespace ui
