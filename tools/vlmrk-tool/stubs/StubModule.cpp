// Placeholder until the "module" commands exist: delete this file when adding CmdModule.cpp.
#include "tools/vlmrk-tool/ToolCommands.h"

namespace tool {
int RunModule(const Args&) { throw rtl::Exception("the \"module\" commands are not built yet"); }
}  // namespace tool
