#pragma once
// The program's own command line, read before any window exists: "Vlmrk [FILE]" opens FILE as
// Open does, "--help" and "--version" answer on standard output, "--" ends the options, and an
// unknown option is refused (exit status 2). Qt's own options (-platform, -style, ...) pass
// through to Qt.

#include <string>
#include <vector>

#include "platform/rtl/SysTypes.h"

namespace app {

struct TCommandLine {
    enum class TAction { Run, Help, Version, Refuse };
    TAction Action = TAction::Run;
    rtl::AnsiString FileName;  // the image to open at start; empty for none
    std::string Error;         // why the command line is refused
};

TCommandLine ParseCommandLine(const std::vector<std::string>& args);

// Usage, exit codes, and where settings, language modules and language files live (the language
// folders as they resolve for the executable at exePath).
std::string HelpText(const rtl::AnsiString& exePath);
std::string VersionText();

// Exit status of a refused command line.
inline constexpr int kExitUsage = 2;

}  // namespace app
