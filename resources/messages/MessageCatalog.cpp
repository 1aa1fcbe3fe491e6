#include "resources/messages/MessageCatalog.h"

// One include per unit that declares messages, and one line per message below. A test scans the
// sources for VLMRK_RESSTRING and fails when a declaration is missing here.
#include "platform/rtl/RtlConsts.h"

namespace messages {

namespace {
constexpr const rtl::TResStringRec* kAll[] = {
    // platform/rtl
    &rtl::SListIndexError, &rtl::SReadError, &rtl::SWriteError, &rtl::SFOpenErrorEx, &rtl::SFCreateErrorEx,
    &rtl::SInvalidInteger, &rtl::SInvalidFormat, &rtl::SMemoryStreamError, &rtl::SInvalidFloat,
    &rtl::SReadErrorProp,
};
}  // namespace

std::span<const rtl::TResStringRec* const> AllMessages() { return kAll; }

}  // namespace messages
