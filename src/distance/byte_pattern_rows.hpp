// Pattern masks of a long byte sequence, with rows only for the byte values
// it holds.
//
// Row r (B = ceil(n / 64) words) holds bit i of word i / 64 for every
// position i that carries the row's byte value; row 0 is all zeros and
// answers every byte value the sequence lacks. A 256-entry index maps a byte
// value to its row. Against a table of 256 x B words this zero-fills and
// touches only (distinct values + 1) x B words, which is most of the set-up
// cost of a long query against a short target. `extra_words` zeroed words
// follow the rows, as scratch for the kernel's column state.
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
        size_t rows = 1;
        for (size_t i = 0; i < n; ++i) {
            if (row_of_[symbols[i]] == 0)
                row_of_[symbols[i]] = static_cast<uint16_t>(rows++);
        }
        extra_ = rows * blocks_;
        words_.assign(extra_ + extra_words, 0);
        for (size_t i = 0; i < n; ++i)
            words_[row_of_[symbols[i]] * blocks_ + i / WORD_BITS] |= uint64_t{1} << (i % WORD_BITS);
    }

    size_t blocks() const noexcept { return blocks_; }
    const uint64_t *masks_of(uint8_t c) const noexcept { return words_.data() + row_of_[c] * blocks_; }
    const uint64_t *zero_row() const noexcept { return words_.data(); }
    uint64_t *extra() noexcept { return words_.data() + extra_; }

private:
    size_t blocks_;
    size_t extra_ = 0;
    std::array<uint16_t, 256> row_of_{};
    std::vector<uint64_t> words_;
};

}  // namespace veltrocamber::distance
