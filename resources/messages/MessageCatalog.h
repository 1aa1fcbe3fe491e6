#pragma once
// Every numbered message string the program declares, gathered for the build (string tables of
// the program image) and for the tests (unique ids, complete language sources).

#include <span>

#include "platform/rtl/ResString.h"

namespace messages {

std::span<const rtl::TResStringRec* const> AllMessages();

}  // namespace messages
