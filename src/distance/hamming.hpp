// Hamming distance kernel: the number of positions at which two sequences of
// equal length differ. The length check, and its message, belongs to the
// callers, which know which of the two message forms applies.
//
// No Python here.
#pragma once

#include <cstddef>
#include <cstdint>

namespace veltrocamber::hamming {

// Both sides hold n symbols. Long inputs sum the differences in byte-wide
// counters over runs of at most 255 symbols, a loop the compiler turns into
// compares and subtractions over whole SSE2 registers; short ones, where
// that loop's set-up would dominate, count one by one.
template <typename Symbol>
uint64_t hamming_count(const Symbol *query, const Symbol *target, size_t n) noexcept {
    constexpr size_t RUN = 255;
    uint64_t d = 0;
    if (n < 64) {
        for (size_t i = 0; i < n; ++i)
            d += query[i] != target[i] ? 1 : 0;
        return d;
    }
    for (size_t start = 0; start < n; start += RUN) {
        const size_t end = n - start < RUN ? n : start + RUN;
        uint8_t run = 0;
        for (size_t i = start; i < end; ++i)
            run = static_cast<uint8_t>(run + (query[i] != target[i] ? 1 : 0));
        d += run;
    }
    return d;
}

}  // namespace veltrocamber::hamming
