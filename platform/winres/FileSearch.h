#pragma once
// File-system helpers shared by the catalogue scan, the language switch and the start-up choice:
// finding files by pattern and by name without regard to case in one folder (as Windows does),
// the folder language modules live in, and resolving a relative path against a folder without
// touching the process's current directory.

#include <optional>
#include <vector>

#include "platform/rtl/SysTypes.h"

namespace winres {

using rtl::AnsiString;

// True when the name matches the pattern ('*' any run, '?' one byte), ASCII case ignored.
bool MatchesMask(const AnsiString& name, const AnsiString& pattern);

// Names (without folder) of the regular files in the folder that match the pattern, in the
// order the file system lists them. A missing folder gives none.
std::vector<AnsiString> FindFiles(const AnsiString& folder, const AnsiString& pattern);

// The full path of the file in the folder whose name equals `name` without regard to ASCII case;
// an exact match is preferred. Nothing when there is none.
std::optional<AnsiString> FindFileNoCase(const AnsiString& folder, const AnsiString& name);

// A relative path taken against `base` (made full first); an absolute one as it is. "." and ".."
// are resolved textually.
AnsiString ResolvePath(const AnsiString& base, const AnsiString& path);

// The name of a file that goes with the executable: the executable's whole file name, a dot and
// the suffix, as the start-up choice and the localizer both name them ("Vlmrk" + "ES" gives
// "Vlmrk.ES", "vlmrk.bin" + "ES.lng" gives "vlmrk.bin.ES.lng"). A dot in the executable's name is
// kept: on Linux it is part of the name, not an extension to replace.
AnsiString CompanionFileName(const AnsiString& appFileName, const AnsiString& suffix);

// The folders language files are looked for in, in this order: `primary` (the language folder,
// by default the executable's), $XDG_DATA_HOME/veilmark/lang (default ~/.local/share/...), and
// <dir>/veilmark/lang for each dir of $XDG_DATA_DIRS (default /usr/local/share:/usr/share).
// Relative entries of the variables are ignored, as the XDG base directory rules say; a folder
// is listed once, at its first place. Without "/" at the end.
std::vector<AnsiString> LanguageFolders(const AnsiString& primary);

// The first file named `name` (ASCII case ignored) in LanguageFolders(primary): a language file
// in an earlier folder wins over one of the same name in a later folder.
std::optional<AnsiString> FindLanguageFile(const AnsiString& primary, const AnsiString& name);

// $XDG_CACHE_HOME/veilmark/ (default ~/.cache/veilmark/), with the trailing "/".
AnsiString CacheFolder();

// Where language modules are written and looked for: the executable's folder when it is
// writable, else CacheFolder() (created when missing). With the trailing "/".
AnsiString ModuleFolder();

}  // namespace winres
