// Arithmetic modulo 2^w at the width of a cell or lane type.
//
// Signed overflow is undefined in C++, and the optimiser may assume it never
// happens; sums and products that may wrap are therefore taken in the
// unsigned type of the same width (or in 64 bits for products, so that 8- and
// 16-bit operands are not promoted to int) and converted back.
#pragma once

#include <cstdint>
#include <type_traits>

namespace veltrocamber::align {

template <typename Cell>
inline Cell wrap_add(Cell a, Cell b) noexcept {
    using U = std::make_unsigned_t<Cell>;
    return static_cast<Cell>(static_cast<U>(static_cast<U>(a) + static_cast<U>(b)));
}

// n times v (a gap run of n symbols), wrapping.
template <typename Cell>
inline Cell wrap_mul(Cell v, uint64_t n) noexcept {
    using U = std::make_unsigned_t<Cell>;
    return static_cast<Cell>(static_cast<U>(static_cast<uint64_t>(static_cast<U>(v)) * n));
}

}  // namespace veltrocamber::align
