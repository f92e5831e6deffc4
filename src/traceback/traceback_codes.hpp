// The one-byte traceback code of a dynamic-programming cell, and the cell
// arithmetic every traceback kernel shares.
//
// Bits 0-1 hold the source of the cell's score H: 0 stop (a walk ends here),
// 1 diagonal, 2 the cell above (a query token against a gap, letter 'D'),
// 3 the cell to the left (a target token against a gap, letter 'I').
// Bit 2 says that the vertical-gap value of the cell extends a vertical gap,
// bit 3 that the horizontal-gap value extends a horizontal gap; ties between
// opening and extending count as extension. Linear-gap kernels write bits
// 0-1 only; affine kernels write bits 2 and 3 on every cell they compute,
// also on a local cell floored to 0. Bits 4-7 are always 0.
#pragma once

#include <cstdint>
#include <limits>

#include "align/scalar_kernels.hpp"

namespace veltrocamber::profile_traceback {

using TracebackCode = uint8_t;

inline constexpr TracebackCode TRACE_STOP = 0;
inline constexpr TracebackCode TRACE_DIAGONAL = 1;
inline constexpr TracebackCode TRACE_UP = 2;
inline constexpr TracebackCode TRACE_LEFT = 3;
inline constexpr TracebackCode TRACE_DIRECTION = 3;  // mask of the source bits
inline constexpr TracebackCode TRACE_VERTICAL_EXTENDS = 4;
inline constexpr TracebackCode TRACE_HORIZONTAL_EXTENDS = 8;
inline constexpr TracebackCode TRACE_EXTENSION_BITS = TRACE_VERTICAL_EXTENDS | TRACE_HORIZONTAL_EXTENDS;

// Minus infinity of a cell type: its minimum. The kernel-width rule keeps
// every real score clear of it, so it only ever marks "no path".
template <typename T>
constexpr T minus_infinity() noexcept {
    return std::numeric_limits<T>::min();
}

// Cell sums wrap at the cell width (the width rule guarantees they never
// need to), in unsigned arithmetic so that no sum is undefined.
using align::wrap_add;

// x + delta, except that minus infinity is never added to: a candidate built
// on a missing path stays missing.
template <typename T>
constexpr T add_unless_minus_infinity(T stored, T delta) noexcept {
    return stored == minus_infinity<T>() ? stored : wrap_add(stored, delta);
}

// Letter of a diagonal step: decided by symbol equality alone, whatever the
// match and mismatch scores are.
inline char diagonal_letter(uint8_t query_code, uint8_t target_code) noexcept {
    return query_code == target_code ? '=' : 'X';
}

}  // namespace veltrocamber::profile_traceback
