// Hamming distance kernel: the number of positions at which two sequences of
// equal length differ. The length check, and its message, belongs to the
// callers, which know which of the two message forms applies.
//
// No Python here.
#pragma once

#include <cstddef>
#include <cstdint>

namespace veltrocamber::hamming {

// Both sides hold n symbols.
template <typename Symbol>
uint64_t hamming_count(const Symbol *query, const Symbol *target, size_t n) noexcept {
    uint64_t d = 0;
    for (size_t i = 0; i < n; ++i)
        d += query[i] != target[i] ? 1 : 0;
    return d;
}

}  // namespace veltrocamber::hamming
