#pragma once
// One write kept for later: the language choice is written, and a module the switch built is
// flushed to the disk, after the switch's event-loop turn, so the user does not wait on the disk
// to see the windows in the new language.
//
// Schedule keeps the write and asks the poster to run it once the current turn is done; a write
// scheduled while one is waiting replaces it (one post, the last value wins). Flush runs a
// waiting write at once: the owner calls it before it goes away (a quit right after a switch
// still writes) and wherever the stored value must be current. A posted run that finds its
// owner gone does nothing. Without a poster the write runs at once, inside Schedule.

#include <functional>
#include <memory>

namespace localizer {

class TDeferredWrite {
public:
    using TWork = std::function<void()>;
    // Runs work after the current event-loop turn.
    using TPoster = std::function<void(TWork)>;
    // Told about an error of a write that ran from the event loop (no caller to raise to).
    using TErrorSink = std::function<void(const std::exception_ptr&)>;

    explicit TDeferredWrite(TErrorSink onLoopError);
    ~TDeferredWrite();
    TDeferredWrite(const TDeferredWrite&) = delete;
    TDeferredWrite& operator=(const TDeferredWrite&) = delete;

    void Schedule(TWork write, const TPoster& poster);
    // Runs the waiting write, if any; its errors pass on (it is not tried again).
    void Flush();
    // Forgets the waiting write without running it.
    void Drop();
    bool Pending() const { return static_cast<bool>(write_); }

private:
    void RunFromLoop();

    TWork write_;
    bool posted_ = false;
    TErrorSink onLoopError_;
    // Posted runs hold a weak reference: when this object is gone they do nothing.
    std::shared_ptr<TDeferredWrite*> self_;
};

}  // namespace localizer
