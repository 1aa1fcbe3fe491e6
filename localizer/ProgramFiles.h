#pragma once
// The program's executable as the localizer names files after it (inside the localizer only).

#include "modres/LocUtils.h"
#include "platform/rtl/FileUtils.h"

namespace localizer::detail {

// The executable's file name ("Vlmrk").
inline rtl::AnsiString ExeName() { return rtl::ExtractFileName(modres::LocUtils().AppFileName); }

// The executable's folder, with the trailing "/".
inline rtl::AnsiString AppDir() { return rtl::ExtractFilePath(rtl::ExpandFileName(modres::LocUtils().AppFileName)); }

}  // namespace localizer::detail
