// Pattern masks of a long byte sequence, with rows only for the byte values
// it holds.
//
// Row r (B = ceil(n / 64) words) holds bit i of word i / 64 for every
// position i that carries the row's byte value; row 0 is all zeros and
// answers every byte value the sequence lacks. A 256-entry index maps a byte
// value to where its row starts. Against a table of 256 x B words this
// zero-fills and touches only (distinct values + 1) x B words, which is most
// of the set-up cost of a long query against a short target. `extra_words`
// zeroed words follow the rows, as scratch for the kernel's column state.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "distance/word_arithmetic.hpp"

namespace veltrocamber::distance {

class BytePatternRows {
public:
    BytePatternRows(const uint8_t *symbols, size_t n, size_t extra_words) : blocks_(block_count(n)) {
        // Rows in order of first occurrence.
        size_t next = blocks_;
        for (size_t i = 0; i < n; ++i) {
            if (start_of_[symbols[i]] == 0) {
                start_of_[symbols[i]] = next;
                next += blocks_;
            }
        }
        extra_ = next;
        words_.assign(extra_ + extra_words, 0);
        for (size_t i = 0; i < n; ++i)
            words_[start_of_[symbols[i]] + i / WORD_BITS] |= uint64_t{1} << (i % WORD_BITS);
    }

    size_t blocks() const noexcept { return blocks_; }
    const uint64_t *masks_of(uint8_t c) const noexcept { return words_.data() + start_of_[c]; }
    const uint64_t *zero_row() const noexcept { return words_.data(); }
    uint64_t *extra() noexcept { return words_.data() + extra_; }

private:
    size_t blocks_;
    size_t extra_ = 0;
    // The first word of each byte value's row (0, the zero row, for a value
    // the sequence lacks), so that a lookup needs no multiplication.
    std::array<size_t, 256> start_of_{};
    std::vector<uint64_t> words_;
};

}  // namespace veltrocamber::distance
