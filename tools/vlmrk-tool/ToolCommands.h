#pragma once
// The command groups of vlmrk-tool. Each group lives in its own file (CmdLzk.cpp, ...) and gets
// the words after its group name ("lzk compress IN OUT" -> {"compress", "IN", "OUT"}).
// A group answers the process exit status; errors are raised as rtl::Exception (or a usage
// error) and reported by main: a message on standard error and exit status 2.

#include <string>
#include <vector>

#include "platform/rtl/Exception.h"

namespace tool {

using Args = std::vector<std::string>;

// A wrong command line: main prints the message and the group's usage.
VLMRK_DECLARE_EXCEPTION(EUsage, rtl::Exception);

int RunLzk(const Args& args);
int RunStego(const Args& args);
int RunLocale(const Args& args);
int RunLang(const Args& args);
// lang export-po, import-po, stats and update (CmdPo.cpp), called by RunLang.
int RunLangPo(const Args& args);
int RunPack(const Args& args);
int RunForm(const Args& args);
int RunModule(const Args& args);
int RunBmp(const Args& args);

}  // namespace tool
