// The full (qlen + 1) x (tlen + 1) matrix of traceback codes, row-major with
// query rows outer, sized through the memory guard.
//
// The matrix is one block that is never cleared: every kernel writes each
// cell it will read before its walk reads it, so a banded fill touches only
// the pages of its band.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "module/memory_guard.hpp"
#include "traceback/traceback_codes.hpp"

namespace veltrocamber::profile_traceback {

// Bytes of the code matrix for qlen query and tlen target tokens, one byte
// per cell. A matrix that cannot be held raises MemoryRefusal (the memory
// guard) before anything is allocated or computed.
inline size_t traceback_matrix_bytes(size_t qlen, size_t tlen) {
    const auto border = [](size_t n) { return n == SIZE_MAX ? n : n + 1; };
    return guarded_block_bytes("a traceback matrix", border(qlen), border(tlen), sizeof(TracebackCode));
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
