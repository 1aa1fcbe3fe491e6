#include "app/BuildInfo.h"

namespace app {

const char* ProductVersion() { return VLMRK_VERSION; }

const char* SourceDate() { return VLMRK_SOURCE_DATE; }

}  // namespace app
