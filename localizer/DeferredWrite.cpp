#include "localizer/DeferredWrite.h"

#include <exception>
#include <utility>

namespace localizer {

TDeferredWrite::TDeferredWrite(TErrorSink onLoopError)
    : onLoopError_(std::move(onLoopError)), self_(std::make_shared<TDeferredWrite*>(this)) {}

TDeferredWrite::~TDeferredWrite() = default;

void TDeferredWrite::Schedule(TWork write, const TPoster& poster) {
    if (!poster) {
        write_ = nullptr;
        write();
        return;
    }
    write_ = std::move(write);
    if (posted_) return;
    posted_ = true;
    poster([weak = std::weak_ptr<TDeferredWrite*>(self_)] {
        if (auto self = weak.lock()) (*self)->RunFromLoop();
    });
}

void TDeferredWrite::Flush() {
    TWork write = std::exchange(write_, nullptr);
    if (write) write();
}

void TDeferredWrite::Drop() { write_ = nullptr; }

void TDeferredWrite::RunFromLoop() {
    posted_ = false;
    try {
        Flush();
    } catch (...) {
        if (onLoopError_) onLoopError_(std::current_exception());
    }
}

}  // namespace localizer
