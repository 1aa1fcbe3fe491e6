#pragma once
// Messages of the run time itself (lists, streams, files, conversions, form reading).

#include "platform/rtl/ResString.h"

namespace rtl {

VLMRK_RESSTRING(SListIndexError, 65100, "RtlConsts", "List index out of bounds (%d)");
VLMRK_RESSTRING(SReadError, 65101, "RtlConsts", "Stream read error");
VLMRK_RESSTRING(SWriteError, 65102, "RtlConsts", "Stream write error");
VLMRK_RESSTRING(SFOpenErrorEx, 65103, "RtlConsts", "Cannot open file \"%s\". %s");
VLMRK_RESSTRING(SFCreateErrorEx, 65104, "RtlConsts", "Cannot create file \"%s\". %s");
VLMRK_RESSTRING(SInvalidInteger, 65105, "RtlConsts", "'%s' is not a valid integer value");
VLMRK_RESSTRING(SInvalidFormat, 65106, "RtlConsts", "Format '%s' invalid or incompatible with argument");
VLMRK_RESSTRING(SMemoryStreamError, 65107, "RtlConsts", "Out of memory while expanding memory stream");
VLMRK_RESSTRING(SInvalidFloat, 65108, "RtlConsts", "'%s' is not a valid floating point value");
// Form reading (the toolkit's component streaming).
VLMRK_RESSTRING(SReadErrorProp, 65419, "RtlConsts", "Error reading %s%s%s: %s");

}  // namespace rtl
