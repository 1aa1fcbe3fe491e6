#include "app/OpenFilters.h"

namespace app {

rtl::AnsiString SaveDialogFilter() { return rtl::LoadResString(SBitmapFilesFilter) + "|*.bmp"; }

rtl::AnsiString OpenDialogFilter() { return SaveDialogFilter() + "|" + rtl::LoadResString(SAllFilesFilter) + "|*"; }

}  // namespace app
