#pragma once
// Messages of the component model and of form-stream reading and writing.

#include "platform/rtl/ResString.h"

namespace rtti {

VLMRK_RESSTRING(SClassNotFound, 65120, "Classes", "Class %s not found");
VLMRK_RESSTRING(SInvalidImage, 65121, "Classes", "Invalid stream format");
VLMRK_RESSTRING(SUnknownProperty, 65122, "Classes", "Property %s does not exist");
VLMRK_RESSTRING(SInvalidPropertyValue, 65123, "Classes", "Invalid property value");
VLMRK_RESSTRING(SMethodNotFound, 65124, "Classes", "Method %s not found");
VLMRK_RESSTRING(SDuplicateName, 65125, "Classes", "A component named %s already exists");
VLMRK_RESSTRING(SAssignError, 65126, "Classes", "Cannot assign a %s to a %s");
VLMRK_RESSTRING(SStreamTooDeep, 65127, "Classes", "Form stream nested too deeply");
VLMRK_RESSTRING(SAncestorNotFound, 65128, "Classes", "Ancestor for '%s' not found");
VLMRK_RESSTRING(SUnknownValueType, 65129, "Classes", "Unknown value type %d");

}  // namespace rtti
