// Optimal string alignment (OSA) distance kernels: insertions, deletions,
// substitutions and transpositions of two adjacent symbols, each of cost 1,
// with no symbol taking part in more than one edit.
//
// Every query runs the bit-parallel recurrence (the Levenshtein column step
// with a transposition term built from the previous column): in one word up
// to 64 symbols, in ceil(lq / 64) words above. The three-row dynamic
// programme, whose rows hold lq + 1 cells, gives the same distances in
// O(lq x lt) cells; it stays as the plain form the blocked one is checked
// against. Symbols are compared for equality only. The bit-parallel columns
// run in runs counted in the call's InterruptPoll (polled_runs.hpp).
//
// No Python here: the kernels take raw symbol pointers and lengths.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "distance/bit_parallel_roads.hpp"
#include "distance/polled_runs.hpp"
#include "distance/word_arithmetic.hpp"
#include "module/interrupt_poll.hpp"

namespace veltrocamber::osa {

// The bit-parallel recurrence over a query of lq (1 to 64) symbols.
// `mask_of(symbol)` gives the query's pattern mask of a target symbol (bit i
// set when query position i holds it). An empty target gives lq.
template <typename Symbol, typename MaskOf>
uint64_t osa_single_word_columns(MaskOf &&mask_of, size_t lq, const Symbol *target, size_t lt,
                                 InterruptPoll &poll) {
    uint64_t vp = distance::low_bits(lq);
    uint64_t vn = 0;
    uint64_t d0 = 0;
    uint64_t pm_prev = 0;
    const uint64_t last_bit = uint64_t{1} << (lq - 1);
    uint64_t d = lq;
    distance::in_polled_runs(poll, lt, 1, [&](size_t begin, size_t end) {
        for (size_t j = begin; j < end; ++j) {
            const uint64_t pm = mask_of(target[j]);
            // A transposition may close at position i when query i equals
            // this target symbol and query i - 1 equals the previous one,
            // provided the previous column did not already match at i - 1.
            const uint64_t tr = ((pm & ~d0) << 1) & pm_prev;
            d0 = (((pm & vp) + vp) ^ vp) | pm | vn | tr;
            uint64_t hp = vn | ~(d0 | vp);
            uint64_t hn = d0 & vp;
            // HP and HN are disjoint: at most one of the two moves d.
            // Branch-free, as the direction is data-dependent and
            // unpredictable.
            d += static_cast<uint64_t>((hp & last_bit) != 0);
            d -= static_cast<uint64_t>((hn & last_bit) != 0);
            hp = (hp << 1) | 1;
            hn = hn << 1;
            vp = hn | ~(d0 | hp);
            vn = hp & d0;
            pm_prev = pm;
        }
        return true;
    });
    return d;
}

namespace detail {

// One column of the blocked recurrence over `blocks` words (see
// osa_blocked_columns), HP and HN of the last word returned through `hp`
// and `hn`.
inline void osa_blocked_step(const uint64_t *pm, const uint64_t *pm_prev, uint64_t *vp, uint64_t *vn,
                             uint64_t *d0_prev, size_t blocks, uint64_t &hp, uint64_t &hn) noexcept {
    unsigned char add_carry = 0;
    uint64_t hp_carry = 1;
    uint64_t hn_carry = 0;
    uint64_t tr_carry = 0;
    for (size_t k = 0; k < blocks; ++k) {
        const uint64_t candidates = pm[k] & ~d0_prev[k];
        const uint64_t tr = ((candidates << 1) | tr_carry) & pm_prev[k];
        tr_carry = candidates >> 63;
        const uint64_t v = vp[k];
        const uint64_t sum = distance::add_with_carry(v, pm[k] & v, add_carry);
        const uint64_t d0 = (sum ^ v) | pm[k] | vn[k] | tr;
        distance::finish_word(d0, vp[k], vn[k], hp_carry, hn_carry, hp, hn);
        d0_prev[k] = d0;
    }
}

// The columns over a query of lq > 64 symbols in `blocks` words (a size_t,
// or a std::integral_constant for a size known at compile time), the column
// state in vp, vn and d0_prev, `blocks` words each, which this sets up.
template <typename Count, typename Symbol, typename MasksOf>
uint64_t osa_columns(MasksOf &&masks_of, const uint64_t *zero_row, size_t lq, const Symbol *target, size_t lt,
                     uint64_t *vp, uint64_t *vn, uint64_t *d0_prev, Count blocks, InterruptPoll &poll) {
    const size_t in_last = lq - distance::WORD_BITS * (blocks - 1);
    std::fill(vp, vp + blocks, ~uint64_t{0});
    vp[blocks - 1] = distance::low_bits(in_last);
    std::fill(vn, vn + blocks, uint64_t{0});
    std::fill(d0_prev, d0_prev + blocks, uint64_t{0});
    const uint64_t last_bit = uint64_t{1} << (in_last - 1);
    const uint64_t *pm_prev = zero_row;
    uint64_t d = lq;
    // A word count known at compile time runs on to the run's end in the
    // inner loop; any other takes one column per turn of the outer loop
    // (the two shapes of polled_runs.hpp).
    constexpr bool fixed = !std::is_same_v<Count, size_t>;
    for (size_t j = 0, run_end = 0; j < lt; ++j) {
        if (j == run_end)
            run_end = distance::polled_run_end(poll, j, lt, blocks);
        for (;; ++j) {
            const uint64_t *pm = masks_of(target[j]);
            uint64_t hp = 0;
            uint64_t hn = 0;
            osa_blocked_step(pm, pm_prev, vp, vn, d0_prev, blocks, hp, hn);
            d += static_cast<uint64_t>((hp & last_bit) != 0);
            d -= static_cast<uint64_t>((hn & last_bit) != 0);
            pm_prev = pm;
            if (!fixed || j + 1 == run_end)
                break;
        }
    }
    return d;
}

// The columns over a query of exactly `Blocks` words, the column state held
// in local arrays that the compiler keeps in registers: with the state in
// memory, a short query's columns cost about twice as much.
template <size_t Blocks, typename Symbol, typename MasksOf>
uint64_t osa_fixed_columns(MasksOf &&masks_of, const uint64_t *zero_row, size_t lq, const Symbol *target,
                           size_t lt, InterruptPoll &poll) {
    std::array<uint64_t, Blocks> vp;
    std::array<uint64_t, Blocks> vn;
    std::array<uint64_t, Blocks> d0_prev;
    return osa_columns(masks_of, zero_row, lq, target, lt, vp.data(), vn.data(), d0_prev.data(),
                       std::integral_constant<size_t, Blocks>{}, poll);
}

}  // namespace detail

// The same recurrence over a query of lq > 64 symbols in B = ceil(lq / 64)
// words, one column per target symbol. Within a column the words run from
// low to high, passing on the carry of the addition, the top bits of HP and
// HN, and the top bit of the transposition candidates (PM & ~D0 of the
// previous column, shifted up by one position). `masks_of(symbol)` points at
// the symbol's B mask words; `zero_row` at B zero words (the "previous
// symbol" of the first column); `work` at 3 x B words of scratch. Queries
// of two to four words run a form unrolled for their size.
template <typename Symbol, typename MasksOf>
uint64_t osa_blocked_columns(MasksOf &&masks_of, const uint64_t *zero_row, size_t lq, const Symbol *target,
                             size_t lt, uint64_t *work, InterruptPoll &poll) {
    const size_t blocks = distance::block_count(lq);
    switch (blocks) {
        case 2: return detail::osa_fixed_columns<2>(masks_of, zero_row, lq, target, lt, poll);
        case 3: return detail::osa_fixed_columns<3>(masks_of, zero_row, lq, target, lt, poll);
        case 4: return detail::osa_fixed_columns<4>(masks_of, zero_row, lq, target, lt, poll);
        default: break;
    }
    return detail::osa_columns(masks_of, zero_row, lq, target, lt, work, work + blocks, work + 2 * blocks, blocks,
                               poll);
}

// The OSA recurrence for the shared bit-parallel roads.
struct OsaRecurrence {
    static constexpr size_t SCRATCH_PER_BLOCK = 3;  // VP, VN, the previous column's D0
    static constexpr bool READS_ZERO_ROW = true;    // the masks before the first target symbol
    static constexpr bool TRIMS_PREPARED = true;

    // No cutoff: every distance is exact.
    static uint64_t clamp(uint64_t d) noexcept { return d; }

    template <typename Symbol, typename MaskOf>
    static uint64_t one_word(MaskOf &&mask_of, size_t lq, const Symbol *target, size_t lt, InterruptPoll &poll) {
        return osa_single_word_columns(mask_of, lq, target, lt, poll);
    }

    template <typename Symbol, typename MasksOf>
    static uint64_t blocked(MasksOf &&masks_of, const uint64_t *zero_row, size_t lq, const Symbol *target,
                            size_t lt, uint64_t *scratch, InterruptPoll &poll) {
        return osa_blocked_columns(masks_of, zero_row, lq, target, lt, scratch, poll);
    }
};

// Query of at most 64 bytes; the pattern table lives in the kernel's frame.
// A call on its own, with a poll of its own.
inline uint64_t osa_single_word(const uint8_t *query, size_t lq, const uint8_t *target, size_t lt) {
    InterruptPoll poll;
    return distance::bit_parallel_single_word(OsaRecurrence{}, query, lq, target, lt, poll);
}

// Bytes, query longer than 64 bytes, target non-empty; a call on its own.
inline uint64_t osa_blocked(const uint8_t *query, size_t lq, const uint8_t *target, size_t lt) {
    InterruptPoll poll;
    return distance::bit_parallel_blocked_bytes(OsaRecurrence{}, query, lq, target, lt, poll);
}

// Both sides non-empty, symbols of any width. R2, R1 and R0 are the rows two
// back, one back and current (one row per target symbol), rotated in place.
template <typename Symbol>
uint64_t osa_three_row(const Symbol *query, size_t lq, const Symbol *target, size_t lt) {
    const size_t width = lq + 1;
    std::vector<uint64_t> cells(3 * width);
    uint64_t *r2 = cells.data();
    uint64_t *r1 = r2 + width;
    uint64_t *r0 = r1 + width;
    for (size_t j = 0; j <= lq; ++j)
        r1[j] = j;
    for (size_t i = 1; i <= lt; ++i) {
        const Symbol t = target[i - 1];
        r0[0] = i;
        for (size_t j = 1; j <= lq; ++j) {
            const uint64_t cost = query[j - 1] != t ? 1 : 0;
            uint64_t v = std::min({r1[j] + 1, r0[j - 1] + 1, r1[j - 1] + cost});
            if (i >= 2 && j >= 2 && query[j - 1] == target[i - 2] && query[j - 2] == t)
                v = std::min(v, r2[j - 2] + 1);
            r0[j] = v;
        }
        uint64_t *freed = r2;
        r2 = r1;
        r1 = r0;
        r0 = freed;
    }
    return r1[lq];
}

// The byte path (also the 8-bit token member), on what is left of the pair
// after its common prefix and suffix.
inline uint64_t osa_bytes(const uint8_t *query, size_t lq, const uint8_t *target, size_t lt, InterruptPoll &poll) {
    return distance::bit_parallel_bytes(OsaRecurrence{}, query, lq, target, lt, poll);
}

// The diagonal entries of the token width table.
template <typename Tokens>
uint64_t osa_tokens(const Tokens &query, const Tokens &target, InterruptPoll &poll) {
    return distance::bit_parallel_tokens(OsaRecurrence{}, query, target, poll);
}

}  // namespace veltrocamber::osa
