// Indel distance kernels: the least number of single-symbol insertions and
// deletions that turn one sequence into the other, len(query) + len(target)
// - 2 * LCS.
//
// Every query runs the bit-parallel longest-common-subsequence recurrence:
// in one word up to 64 symbols, in ceil(lq / 64) words above. The two-row
// dynamic programme gives the same distances in O(lq x lt) cells; it stays
// as the plain form the blocked one is checked against. Symbols are compared
// for equality only. The bit-parallel columns run in runs counted in the
// call's InterruptPoll (polled_runs.hpp).
//
// No Python here: the kernels take raw symbol pointers and lengths.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "distance/bit_parallel_roads.hpp"
#include "distance/polled_runs.hpp"
#include "distance/word_arithmetic.hpp"
#include "module/interrupt_poll.hpp"

namespace veltrocamber::indel {

// Query of lq (1 to 64) symbols. V keeps a 0 bit per query position that is
// part of the longest common subsequence found so far; the distance is
// lq + lt - 2 * LCS with LCS = lq - popcount(V), written so that the
// unsigned arithmetic never has to hold a negative intermediate value.
template <typename Symbol, typename MaskOf>
uint64_t indel_single_word_columns(MaskOf &&mask_of, size_t lq, const Symbol *target, size_t lt,
                                   InterruptPoll &poll) {
    const uint64_t mask = distance::low_bits(lq);
    uint64_t v = mask;
    distance::in_polled_runs(poll, lt, 1, [&](size_t begin, size_t end) {
        for (size_t j = begin; j < end; ++j) {
            const uint64_t u = v & mask_of(target[j]);
            v = mask & ((v + u) | (v - u));
        }
        return true;
    });
    return uint64_t{lt} - uint64_t{lq} + 2 * static_cast<uint64_t>(std::popcount(v));
}

namespace detail {

// One column of the blocked recurrence over `blocks` words. The carry is
// found with two comparisons rather than the processor's add-with-carry:
// with so little else in a word's step, moving the carry in and out of the
// flags register (and the store that the intrinsic's result pointer leaves
// behind) made a column of two to four words about a third slower.
inline void indel_blocked_step(const uint64_t *pm, uint64_t *v, size_t blocks) noexcept {
    uint64_t carry = 0;
    for (size_t k = 0; k < blocks; ++k) {
        const uint64_t x = v[k];
        const uint64_t u = x & pm[k];
        const uint64_t partial = x + u;
        const uint64_t sum = partial + carry;
        carry = static_cast<uint64_t>(partial < x) | static_cast<uint64_t>(sum < partial);
        v[k] = sum | (x ^ u);  // u is within x: x - u never borrows
    }
}

// The columns over a query of exactly `Blocks` words, the state held in a
// local array that the compiler keeps in registers.
template <size_t Blocks, typename Symbol, typename MasksOf>
uint64_t indel_fixed_columns(MasksOf &&masks_of, const Symbol *target, size_t lt, uint64_t last_mask,
                             InterruptPoll &poll) {
    std::array<uint64_t, Blocks> v;
    v.fill(~uint64_t{0});
    v[Blocks - 1] = last_mask;
    distance::in_polled_runs(poll, lt, Blocks, [&](size_t begin, size_t end) {
        for (size_t j = begin; j < end; ++j) {
            indel_blocked_step(masks_of(target[j]), v.data(), Blocks);
            v[Blocks - 1] &= last_mask;
        }
        return true;
    });
    uint64_t ones = 0;
    for (size_t k = 0; k < Blocks; ++k)
        ones += static_cast<uint64_t>(std::popcount(v[k]));
    return ones;
}

}  // namespace detail

// The same recurrence over a query of lq > 64 symbols in B = ceil(lq / 64)
// words, the carry of the addition passed from each word to the next. As
// U is a subset of V, V - U never borrows and is V ^ U word by word.
// `masks_of(symbol)` points at the symbol's B mask words; `v` is B words of
// scratch. Queries of two to four words run a form unrolled for their size.
template <typename Symbol, typename MasksOf>
uint64_t indel_blocked_columns(MasksOf &&masks_of, size_t lq, const Symbol *target, size_t lt, uint64_t *v,
                               InterruptPoll &poll) {
    const size_t blocks = distance::block_count(lq);
    const uint64_t last_mask = distance::low_bits(lq - distance::WORD_BITS * (blocks - 1));
    uint64_t ones = 0;
    switch (blocks) {
        case 2: ones = detail::indel_fixed_columns<2>(masks_of, target, lt, last_mask, poll); break;
        case 3: ones = detail::indel_fixed_columns<3>(masks_of, target, lt, last_mask, poll); break;
        case 4: ones = detail::indel_fixed_columns<4>(masks_of, target, lt, last_mask, poll); break;
        default:
            std::fill(v, v + blocks, ~uint64_t{0});
            v[blocks - 1] = last_mask;
            // One column loop (polled_runs.hpp).
            for (size_t j = 0, run_end = 0; j < lt; ++j) {
                if (j == run_end)
                    run_end = distance::polled_run_end(poll, j, lt, blocks);
                detail::indel_blocked_step(masks_of(target[j]), v, blocks);
                v[blocks - 1] &= last_mask;
            }
            for (size_t k = 0; k < blocks; ++k)
                ones += static_cast<uint64_t>(std::popcount(v[k]));
    }
    return uint64_t{lt} - uint64_t{lq} + 2 * ones;
}

// The Indel recurrence for the shared bit-parallel roads.
struct IndelRecurrence {
    static constexpr size_t SCRATCH_PER_BLOCK = 1;  // V
    static constexpr bool READS_ZERO_ROW = false;
    // A column is a handful of operations: on a batch of short unrelated
    // targets the affix scans would cost more than they save.
    static constexpr bool TRIMS_PREPARED = false;

    // No cutoff: every distance is exact.
    static uint64_t clamp(uint64_t d) noexcept { return d; }

    template <typename Symbol, typename MaskOf>
    static uint64_t one_word(MaskOf &&mask_of, size_t lq, const Symbol *target, size_t lt, InterruptPoll &poll) {
        return indel_single_word_columns(mask_of, lq, target, lt, poll);
    }

    template <typename Symbol, typename MasksOf>
    static uint64_t blocked(MasksOf &&masks_of, const uint64_t *, size_t lq, const Symbol *target, size_t lt,
                            uint64_t *scratch, InterruptPoll &poll) {
        return indel_blocked_columns(masks_of, lq, target, lt, scratch, poll);
    }
};

// Query of at most 64 bytes; the pattern table lives in the kernel's frame.
// A call on its own, with a poll of its own.
inline uint64_t indel_single_word(const uint8_t *query, size_t lq, const uint8_t *target, size_t lt) {
    InterruptPoll poll;
    return distance::bit_parallel_single_word(IndelRecurrence{}, query, lq, target, lt, poll);
}

// Bytes, query longer than 64 bytes, target non-empty; a call on its own.
inline uint64_t indel_blocked(const uint8_t *query, size_t lq, const uint8_t *target, size_t lt) {
    InterruptPoll poll;
    return distance::bit_parallel_blocked_bytes(IndelRecurrence{}, query, lq, target, lt, poll);
}

// Both sides non-empty, symbols of any width: one row of lq + 1 cells per
// target symbol, the previous and the current row swapping after each.
template <typename Symbol>
uint64_t indel_two_row(const Symbol *query, size_t lq, const Symbol *target, size_t lt) {
    const size_t width = lq + 1;
    std::vector<uint64_t> cells(2 * width);
    uint64_t *prev = cells.data();
    uint64_t *cur = prev + width;
    for (size_t k = 0; k <= lq; ++k)
        prev[k] = k;
    for (size_t i = 1; i <= lt; ++i) {
        const Symbol t = target[i - 1];
        cur[0] = i;
        for (size_t k = 1; k <= lq; ++k)
            cur[k] = query[k - 1] == t ? prev[k - 1] : 1 + std::min(cur[k - 1], prev[k]);
        std::swap(prev, cur);
    }
    return prev[lq];
}

// The byte path (also the 8-bit token member), on what is left of the pair
// after its common prefix and suffix.
inline uint64_t indel_bytes(const uint8_t *query, size_t lq, const uint8_t *target, size_t lt,
                            InterruptPoll &poll) {
    return distance::bit_parallel_bytes(IndelRecurrence{}, query, lq, target, lt, poll);
}

// The diagonal entries of the token width table.
template <typename Tokens>
uint64_t indel_tokens(const Tokens &query, const Tokens &target, InterruptPoll &poll) {
    return distance::bit_parallel_tokens(IndelRecurrence{}, query, target, poll);
}

}  // namespace veltrocamber::indel
