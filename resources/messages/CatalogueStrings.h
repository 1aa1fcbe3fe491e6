#pragma once
// The string tables of the program image: every declared message with its English text.
// Used by the build (vlmrk-tool module write-image) and by tests that make an image of their own.

#include "modres/WinResReader.h"

namespace messages {

// Adds every catalogued message to the block; raises rtl::Exception on an id declared twice or
// outside the string tables' range.
void AddCatalogueStrings(modres::TResString& strings);

}  // namespace messages
