#include "platform/ui/UpdateBatch.h"

#include <exception>
#include <utility>
#include <vector>

namespace ui {

namespace {

struct TDeferred {
    const void* key;
    std::function<void()> work;
};

struct TBatchState {
    int depth = 0;
    std::vector<TDeferred> deferred;
};

TBatchState& State() {
    static TBatchState state;
    return state;
}

}  // namespace

void BeginUpdateBatch() { ++State().depth; }

void EndUpdateBatch() {
    TBatchState& state = State();
    if (state.depth == 0 || --state.depth > 0) return;
    // Work may change widgets again and defer more (nothing is open now, so it runs at once).
    std::vector<TDeferred> work = std::move(state.deferred);
    state.deferred.clear();
    std::exception_ptr first;
    for (TDeferred& item : work) {
        try {
            item.work();
        } catch (...) {
            if (!first) first = std::current_exception();
        }
    }
    if (first) std::rethrow_exception(first);
}

bool UpdateBatchOpen() { return State().depth > 0; }

void DeferUpdate(const void* key, std::function<void()> work) {
    TBatchState& state = State();
    if (state.depth == 0) {
        work();
        return;
    }
    for (TDeferred& item : state.deferred) {
        if (item.key == key) {
            item.work = std::move(work);
            return;
        }
    }
    state.deferred.push_back({key, std::move(work)});
}

void CancelUpdate(const void* key) { std::erase_if(State().deferred, [key](const TDeferred& d) { return d.key == key; }); }

}  // namespace ui
