// The full (qlen + 1) x (tlen + 1) matrix of traceback codes, row-major with
// query rows outer, and the guard that refuses one that cannot be held.
//
// The matrix is one block that is never cleared: every kernel writes each
// cell it will read before its walk reads it, so a banded fill touches only
// the pages of its band.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

#include "traceback/traceback_codes.hpp"

namespace veltrocamber::profile_traceback {

// The machine's physical memory in bytes, read once; the largest value when
// the system does not tell.
inline uint64_t physical_memory_bytes() noexcept {
    static const uint64_t bytes = [] {
        const long pages = sysconf(_SC_PHYS_PAGES);
        const long page_size = sysconf(_SC_PAGESIZE);
        uint64_t total = 0;
        if (pages <= 0 || page_size <= 0 ||
            __builtin_mul_overflow(static_cast<uint64_t>(pages), static_cast<uint64_t>(page_size), &total))
            return UINT64_MAX;
        return total;
    }();
    return bytes;
}

// Bytes of the code matrix for qlen query and tlen target tokens. A count
// that overflows, or that exceeds the physical memory and so could never be
// held, throws std::bad_alloc (MemoryError in Python) before anything is
// allocated or computed: an overcommitting system would otherwise hand out
// the block and kill the process once the fill touches it.
inline size_t traceback_matrix_bytes(size_t qlen, size_t tlen) {
    size_t rows = 0, columns = 0, bytes = 0;
    if (__builtin_add_overflow(qlen, size_t{1}, &rows) || __builtin_add_overflow(tlen, size_t{1}, &columns) ||
        __builtin_mul_overflow(rows, columns, &bytes) || bytes > physical_memory_bytes())
        throw std::bad_alloc();
    return bytes;
}

// Owns the codes of one traceback; cell (i, j) at i * stride + j.
struct TracebackMatrix {
    std::unique_ptr<TracebackCode[]> codes;
    size_t stride;  // tlen + 1

    explicit TracebackMatrix(size_t qlen, size_t tlen)
        : codes(new TracebackCode[traceback_matrix_bytes(qlen, tlen)]), stride(tlen + 1) {}

    TracebackCode *row(size_t i) noexcept { return codes.get() + i * stride; }
    TracebackCode at(size_t i, size_t j) const noexcept { return codes[i * stride + j]; }
};

}  // namespace veltrocamber::profile_traceback
