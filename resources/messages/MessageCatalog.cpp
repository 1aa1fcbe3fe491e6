#include "resources/messages/MessageCatalog.h"

// One include per unit that declares messages, and its lines in the table below. A test scans the
// sources for VLMRK_RESSTRING and fails when a declaration is missing here. Keep each unit's lines
// under its own comment.
#include "platform/rtl/RtlConsts.h"
#include "locstore/LocStorage.h"

namespace messages {

namespace {
constexpr const rtl::TResStringRec* kAll[] = {
    // platform/rtl
    &rtl::SListIndexError, &rtl::SReadError, &rtl::SWriteError, &rtl::SFOpenErrorEx, &rtl::SFCreateErrorEx,
    &rtl::SInvalidInteger, &rtl::SInvalidFormat, &rtl::SMemoryStreamError, &rtl::SInvalidFloat,
    &rtl::SReadErrorProp,
    // platform/rtti
    // platform/bitmap
    // platform/winres, platform/registry
    // locstore/KStrings
    // locstore/LocStorage
    &locstore::SLocStorageEmptyDictionary, &locstore::SLocStorageCannotAddLanguage,
    // langdata/kcompress
    // langdata/LocLangFile
    // modres
    // localizer
    // app (PrjConst and the windows)
    // platform/ui
};
}  // namespace

std::span<const rtl::TResStringRec* const> AllMessages() { return kAll; }

}  // namespace messages
