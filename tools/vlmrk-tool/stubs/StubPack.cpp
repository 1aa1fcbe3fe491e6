// Placeholder until the "pack" commands exist: delete this file when adding CmdPack.cpp.
#include "tools/vlmrk-tool/ToolCommands.h"

namespace tool {
int RunPack(const Args&) { throw rtl::Exception("the \"pack\" commands are not built yet"); }
}  // namespace tool
