// Token vectors: the form in which every metric and linear-gap score that
// works on general Python inputs sees its query and target.
//
// A TokenVector holds one unsigned token per symbol, in sequence order, all of
// one width. The alternative index is the width code: 0 holds 8-bit tokens,
// 1 16-bit, 2 32-bit and 3 64-bit (KernelWidth 8, 16, 32, 64). Token values
// are byte values, Unicode code units or object numbers (see preprocess.hpp).
// The vector owns its storage; an empty one holds none.
//
// This header includes no Python API, so kernels may include it freely.
#pragma once

#include <cstddef>
#include <cstdint>
#include <variant>
#include <vector>

namespace veltrocamber {

// Token, lane or cell width in bits: 8, 16, 32 or 64. 0 (or None from
// Python) means "choose automatically" wherever a width is requested.
using KernelWidth = uint8_t;

using TokenVector =
    std::variant<std::vector<uint8_t>, std::vector<uint16_t>, std::vector<uint32_t>, std::vector<uint64_t>>;

// Alternative index of a width (8 -> 0, 16 -> 1, 32 -> 2, 64 -> 3); -1 for
// any other value.
constexpr int token_width_index(uint64_t width) noexcept {
    switch (width) {
        case 8: return 0;
        case 16: return 1;
        case 32: return 2;
        case 64: return 3;
        default: return -1;
    }
}

// Width in bits of the alternative a vector holds.
inline KernelWidth token_width(const TokenVector &tokens) noexcept {
    return static_cast<KernelWidth>(8u << tokens.index());
}

// Number of tokens of whichever alternative is held.
uint64_t token_count(const TokenVector &tokens) noexcept;

// A new vector of alternative `width` holding the tokens of `source` in the
// same order: zero-extended when widening, reduced to their low-order bits
// when narrowing (no range check), copied at the same width. `source` is only
// read. A width other than 8, 16, 32 or 64 raises TypeError "unsupported
// kernel bit width" (python_error thrown).
TokenVector convert_token_width(const TokenVector &source, uint64_t width);

}  // namespace veltrocamber
