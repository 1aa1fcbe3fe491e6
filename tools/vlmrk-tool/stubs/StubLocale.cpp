// Placeholder until the "locale" commands exist: delete this file when adding CmdLocale.cpp.
#include "tools/vlmrk-tool/ToolCommands.h"

namespace tool {
int RunLocale(const Args&) { throw rtl::Exception("the \"locale\" commands are not built yet"); }
}  // namespace tool
