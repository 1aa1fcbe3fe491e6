// Placeholder until the "lzk" commands exist: delete this file when adding CmdLzk.cpp.
#include "tools/vlmrk-tool/ToolCommands.h"

namespace tool {
int RunLzk(const Args&) { throw rtl::Exception("the \"lzk\" commands are not built yet"); }
}  // namespace tool
