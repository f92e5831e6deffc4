// Ctrl-C during a long call.
//
// Every call keeps the interpreter lock, so a SIGINT (or any signal with a
// Python handler) is only acted on once the call asks. Long loops count
// their work in an InterruptPoll: the kernels a few cells at a time (a row, a
// column, a run of bit-parallel columns at 64 cells a word), the batch loops
// one pair of lengths per target, handing the same poll to the edit-distance
// kernel of each pair so that one count spans the call. Every few
// million cells the poll calls check_interrupt(), which runs the pending
// signal handlers; when one raises (KeyboardInterrupt for Ctrl-C) the
// exception unwinds the call, whose buffers are all held by RAII, and
// reaches Python as it was raised.
//
// The handlers are Python code: like an item's __hash__ they may change what
// the call reads, so a loop that polls holds what it reads by owned
// references (or a snapshot), never by borrowed pointers into a list.
//
// No Python here: check_interrupt() is defined on the binding side.
#pragma once

#include <cstdint>

namespace veltrocamber {

// Runs the pending signal handlers; throws nanobind's python_error with the
// handler's exception set when one raised. Does nothing on a thread that
// does not hold the interpreter lock. Cold, as the check is rare: the loops
// that poll keep their registers for their own work.
[[gnu::cold]] void check_interrupt();

class InterruptPoll {
  public:
    // A few milliseconds of the slowest kernels' cells: a few nanoseconds of
    // checking, out of sight in any benchmark.
    static constexpr uint64_t cells_between_checks = uint64_t{1} << 22;

    // About the cells of one pair of sides of `a` and `b` symbols, at least
    // one, so that a batch of empty targets still polls now and then;
    // UINT64_MAX (check at once) when a side is unknown (UINT64_MAX).
    static constexpr uint64_t pair_cells(uint64_t a, uint64_t b) noexcept {
        uint64_t cells = 0;
        if (a == UINT64_MAX || b == UINT64_MAX || __builtin_mul_overflow(a + 1, b + 1, &cells))
            return UINT64_MAX;
        return cells;
    }

    void advance(uint64_t cells) {
        if (cells < remaining_) [[likely]] {
            remaining_ -= cells;
            return;
        }
        remaining_ = cells_between_checks;
        check_interrupt();
    }

  private:
    uint64_t remaining_ = cells_between_checks;
};

}  // namespace veltrocamber
