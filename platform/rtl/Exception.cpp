#include "platform/rtl/Exception.h"

#include "platform/rtl/RtlConsts.h"

namespace rtl {

void RaiseListIndexError(long long index) {
    throw EListError(EListError::CreateResFmt, SListIndexError, {index});
}

}  // namespace rtl
