// Placeholder until the "form" commands exist: delete this file when adding CmdForm.cpp.
#include "tools/vlmrk-tool/ToolCommands.h"

namespace tool {
int RunForm(const Args&) { throw rtl::Exception("the \"form\" commands are not built yet"); }
}  // namespace tool
