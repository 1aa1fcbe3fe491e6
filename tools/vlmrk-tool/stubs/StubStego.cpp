// Placeholder until the "stego" commands exist: delete this file when adding CmdStego.cpp.
#include "tools/vlmrk-tool/ToolCommands.h"

namespace tool {
int RunStego(const Args&) { throw rtl::Exception("the \"stego\" commands are not built yet"); }
}  // namespace tool
