// Interrupt polls in the bit-parallel kernels, kept out of their inner
// loops.
//
// A kernel walks its steps (a column per target symbol; for Jaro a query
// position) in runs of about RUN_WORDS word operations and counts each run
// in the call's InterruptPoll, 64 cells to a word, once per run: a
// subtraction and a compare every few microseconds, and a single one for a
// pair of short sides. The counts are of the words a step runs, so a long
// pair checks every few million cells whatever its shape, and a batch that
// hands its own poll to every pair keeps one count across its targets.
//
// Two loop shapes, whichever keeps the kernel's speed: a loop of runs around
// the column loop (in_polled_runs), for a column of one word or of a number
// of words known at compile time (its state stays in registers); or one
// column loop that checks `j == run_end` before each column, for a column
// whose words run in a loop of their own (a loop of runs around that leaves
// the word loop too few registers: the optimal string alignment of 2,000
// letters ran a third slower).
#pragma once

#include <cstddef>
#include <cstdint>

#include "distance/word_arithmetic.hpp"
#include "module/interrupt_poll.hpp"

namespace veltrocamber::distance {

inline constexpr size_t RUN_WORDS = 4096;

// The end of the run that begins at step `j` of `n`, each step running
// `words` words (at least one), after counting the run's cells in `poll`,
// which may raise there (a signal handler raised). `words` known at compile
// time folds the division away.
inline size_t polled_run_end(InterruptPoll &poll, size_t j, size_t n, size_t words) {
    const size_t steps = words >= RUN_WORDS ? 1 : RUN_WORDS / words;
    const size_t end = n - j > steps ? j + steps : n;
    poll.advance(static_cast<uint64_t>(end - j) * words * WORD_BITS);
    return end;
}

// The loop of runs: `columns(begin, end)` on consecutive runs of steps that
// cover [0, n), each step running `words` words (at least one), each run
// counted in `poll` before it runs, until `columns` returns false (an early
// stop). A pair of at most one run is counted once up front and runs the
// column loop on its own, the loop of a kernel without polls; only a longer
// pair takes the loop of runs. (With the loop of runs around every pair's
// columns, a 64-letter Cyrillic Indel pair ran about 5% slower.)
template <typename Columns>
void in_polled_runs(InterruptPoll &poll, size_t n, size_t words, Columns &&columns) {
    if (n <= RUN_WORDS / words) {
        poll.advance(static_cast<uint64_t>(n) * words * WORD_BITS);
        columns(size_t{0}, n);
        return;
    }
    for (size_t j = 0; j < n;) {
        const size_t end = polled_run_end(poll, j, n, words);
        if (!columns(j, end))
            return;
        j = end;
    }
}

}  // namespace veltrocamber::distance
