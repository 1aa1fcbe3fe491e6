// Placeholder until the "lang" commands exist: delete this file when adding CmdLang.cpp.
#include "tools/vlmrk-tool/ToolCommands.h"

namespace tool {
int RunLang(const Args&) { throw rtl::Exception("the \"lang\" commands are not built yet"); }
}  // namespace tool
