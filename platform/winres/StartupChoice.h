#pragma once
// The start-up choice of the program's resource module, run by the first resource lookup.
//
// 1. The value named by the executable's full path under "Software\Veilmark\Locales" in the
//    per-user store, or else the key's unnamed value; at most 4 characters are used. "EXE" (any
//    case) names the executable itself: the program's own resources, at once. A value holding a
//    path separator or ".." is ignored, so it can never name a file outside the module folder.
//    Otherwise the file named like the executable with the value as its extension
//    (Vlmrk -> Vlmrk.ES), found in the module folder without regard to case, is loaded.
// 2. Failing that, the user locale's three-letter abbreviation (Vlmrk.ESN), then its first two
//    letters (Vlmrk.ES).
// 3. Failing that, the program's own resources.
// A module the installed check refuses (LocUtils refuses one built from other native
// resources) is released again and the next candidate is tried.

#include <functional>

#include "platform/rtl/SysTypes.h"
#include "platform/winres/WinRes.h"

namespace winres {

inline constexpr char kLocalesKey[] = "Software\\Veilmark\\Locales";

// Runs the choice now (again: a module installed before is released first) and answers the
// resource module installed for AppInstance.
HMODULE ChooseStartupResourceModule();

// Decides whether a loaded candidate may be installed at start; none installed = every module may.
using TStartupModuleCheck = std::function<bool(HMODULE module)>;
void SetStartupModuleCheck(TStartupModuleCheck check);

// The user locale's three-letter language abbreviation ("ENU", "ESN"), from the locale data.
AnsiString UserLocaleAbbreviation();

// Set by ChooseStartupResourceModule before it touches the table, so the table's first use does
// not start a second choice. Defined in WinRes.cpp.
void MarkStartupChoiceDone();

}  // namespace winres
