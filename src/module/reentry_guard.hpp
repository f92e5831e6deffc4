// Re-entry on objects with scratch state. Python code may run in the middle
// of a call (a signal handler run by an interrupt poll; meanwhile another
// thread may also be given the interpreter lock) and call the same object
// again. An object whose calls write its own work storage therefore marks a
// call in progress, and a nested call leaves that storage to the outer call
// and works on storage of its own.
//
// The flag is read and written with the interpreter lock held only (at the
// start and the end of a call), so a plain bool is enough.
#pragma once

namespace veltrocamber {

// Whether a call on the owning object is in progress. A copy (or move) of
// the object starts idle: the flag belongs to the calls on one object, not
// to its value.
class CallInProgress {
  public:
    CallInProgress() noexcept = default;
    CallInProgress(const CallInProgress &) noexcept {}
    CallInProgress &operator=(const CallInProgress &) noexcept { return *this; }

    bool active() const noexcept { return active_; }

  private:
    friend class CallGuard;
    bool active_ = false;
};

// Marks a call in progress for its lifetime. The outermost guard clears the
// flag on every exit, exceptional ones included; a nested guard (it found
// the flag set) leaves it to the outer call.
class CallGuard {
  public:
    explicit CallGuard(CallInProgress &call) noexcept : call_(call), nested_(call.active_) { call.active_ = true; }
    ~CallGuard() {
        if (!nested_)
            call_.active_ = false;
    }
    CallGuard(const CallGuard &) = delete;
    CallGuard &operator=(const CallGuard &) = delete;

    // Whether another call on the object was already in progress: this one
    // must not touch the object's scratch.
    bool nested() const noexcept { return nested_; }

  private:
    CallInProgress &call_;
    bool nested_;
};

}  // namespace veltrocamber
