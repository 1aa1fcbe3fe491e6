#pragma once
// The file dialogs' filters, built from numbered messages so that they follow the language: the
// Open dialog offers bitmaps and every file, the Save dialog bitmaps. "*.bmp" matches without
// regard to case in the dialogs (SCAN.BMP from Windows tools is listed).

#include "platform/rtl/ResString.h"
#include "platform/rtl/SysTypes.h"

namespace app {

VLMRK_RESSTRING(SBitmapFilesFilter, 65196, "frmMain", "Bitmap Files (*.bmp)");
VLMRK_RESSTRING(SAllFilesFilter, 65197, "frmMain", "All Files (*)");

// "description|pattern" pairs as TOpenDialog::Filter takes them.
rtl::AnsiString OpenDialogFilter();
rtl::AnsiString SaveDialogFilter();

}  // namespace app
