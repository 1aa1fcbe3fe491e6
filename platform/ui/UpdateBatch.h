#pragma once
// Widget updates gathered over a run of property changes. A language switch sets hundreds of
// captions; what is costly and only matters for the result (a menu bar laid out again, its
// OnChange handler run) is done once when the run ends, not after every caption.
//
// Outside a batch every update happens at once, as before. Batches nest; the work deferred is
// done when the outermost one ends, in the order it was first deferred.

#include <functional>

namespace ui {

void BeginUpdateBatch();
// Ends a batch; the outermost runs the deferred work (an exception of one piece of work is
// raised after the rest has run).
void EndUpdateBatch();
bool UpdateBatchOpen();

// Inside a batch, keeps `work` for its end, once per key (a later call for the same key
// replaces the work); outside, runs it now.
void DeferUpdate(const void* key, std::function<void()> work);
// Drops what was deferred for key (an object that goes away before the batch ends).
void CancelUpdate(const void* key);

}  // namespace ui
