// Pattern masks of a sequence of 16-, 32- or 64-bit tokens: for each token
// it holds, the bits of the positions holding it, and all zeros for any
// other token. Too many token values for a direct table, so an
// open-addressing hash map finds a token's masks.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "distance/word_arithmetic.hpp"

namespace veltrocamber::distance {

// Fibonacci hashing: the high bits of the product mix every key bit; the
// top `bits` of them pick a slot.
template <typename Token>
size_t fibonacci_slot(Token token, unsigned bits) noexcept {
    return static_cast<size_t>((static_cast<uint64_t>(token) * 0x9E3779B97F4A7C15ull) >> (64 - bits));
}

// Any length: a row of `blocks` mask words per distinct token. Row 0 is all
// zeros and answers every token the sequence does not hold.
template <typename Token>
class TokenPatternMasks {
public:
    TokenPatternMasks(const Token *symbols, size_t n) : blocks_(block_count(n)) {
        size_t capacity = 16;
        while (capacity < 2 * n)
            capacity *= 2;
        mask_ = capacity - 1;
        keys_.assign(capacity, Token{});
        rows_.assign(capacity, 0);
        masks_.assign(blocks_, 0);
        for (size_t i = 0; i < n; ++i) {
            const size_t row = find_or_insert(symbols[i]);
            masks_[row * blocks_ + i / WORD_BITS] |= uint64_t{1} << (i % WORD_BITS);
        }
    }

    size_t blocks() const noexcept { return blocks_; }

    const uint64_t *masks_of(Token token) const noexcept { return masks_.data() + find(token) * blocks_; }
    // The first word of the row: the whole mask of a one-word sequence.
    uint64_t mask_of(Token token) const noexcept { return masks_[find(token) * blocks_]; }
    const uint64_t *zero_row() const noexcept { return masks_.data(); }

private:
    // The map's slot index is taken from the upper half of the product.
    static size_t hash(Token token) noexcept { return fibonacci_slot(token, 32); }

    size_t find(Token token) const noexcept {
        for (size_t slot = hash(token) & mask_;; slot = (slot + 1) & mask_) {
            const uint32_t row = rows_[slot];
            if (row == 0 || keys_[slot] == token)
                return row;
        }
    }

    size_t find_or_insert(Token token) {
        for (size_t slot = hash(token) & mask_;; slot = (slot + 1) & mask_) {
            if (rows_[slot] == 0) {
                keys_[slot] = token;
                rows_[slot] = static_cast<uint32_t>(masks_.size() / blocks_);
                masks_.resize(masks_.size() + blocks_, 0);
                return rows_[slot];
            }
            if (keys_[slot] == token)
                return rows_[slot];
        }
    }

    size_t blocks_;
    size_t mask_ = 0;
    std::vector<Token> keys_;
    std::vector<uint32_t> rows_;  // 0 marks an empty slot
    std::vector<uint64_t> masks_;
};

// One word (at most 64 tokens), held in the caller's frame: 128
// open-addressing slots for at most 64 distinct tokens. A slot whose mask is
// 0 is empty (an inserted token has at least its own bit), and the lookup of
// a token the sequence lacks ends on one.
template <typename Token>
class SmallTokenPatternMasks {
public:
    SmallTokenPatternMasks(const Token *symbols, size_t n) noexcept {
        for (size_t i = 0; i < n; ++i) {
            size_t slot = hash(symbols[i]);
            while (masks_[slot] != 0 && keys_[slot] != symbols[i])
                slot = (slot + 1) % SLOTS;
            keys_[slot] = symbols[i];
            masks_[slot] |= uint64_t{1} << i;
        }
    }

    uint64_t mask_of(Token token) const noexcept {
        for (size_t slot = hash(token);; slot = (slot + 1) % SLOTS) {
            if (masks_[slot] == 0 || keys_[slot] == token)
                return masks_[slot];
        }
    }

private:
    static constexpr size_t SLOTS = 128;
    static size_t hash(Token token) noexcept { return fibonacci_slot(token, 7); }

    // Both tables start on a cache line. Every pair zeroes them (1,280
    // bytes for 16-bit tokens), and where they fell on the stack otherwise
    // followed the callers' frames: a frame that grew by one word made a
    // 32-letter Cyrillic Levenshtein pair a sixth slower, the zeroing's cost
    // depending on where it starts.
    alignas(64) std::array<Token, SLOTS> keys_{};
    alignas(64) std::array<uint64_t, SLOTS> masks_{};
};

}  // namespace veltrocamber::distance
