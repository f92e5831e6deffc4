// Optimal string alignment (OSA) distance kernels: insertions, deletions,
// substitutions and transpositions of two adjacent symbols, each of cost 1,
// with no symbol taking part in more than one edit.
//
// Queries of 1 to 64 symbols run the bit-parallel recurrence over one word
// (the Levenshtein column step with a transposition term built from the
// previous column); longer queries run the three-row dynamic programme,
// whose rows hold lq + 1 cells. Symbols are compared for equality only.
//
// No Python here: the kernels take raw symbol pointers and lengths.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "distance/levenshtein.hpp"

namespace veltrocamber::osa {

inline constexpr size_t WORD_BITS = 64;

// The bit-parallel recurrence over a query of lq (1 to 64) symbols.
// `mask_of(symbol)` gives the query's pattern mask of a target symbol (bit i
// set when query position i holds it). An empty target gives lq.
template <typename Symbol, typename MaskOf>
uint64_t osa_single_word_columns(MaskOf &&mask_of, size_t lq, const Symbol *target, size_t lt) {
    uint64_t vp = lq == WORD_BITS ? ~uint64_t{0} : (uint64_t{1} << lq) - 1;
    uint64_t vn = 0;
    uint64_t d0 = 0;
    uint64_t pm_prev = 0;
    const uint64_t last_bit = uint64_t{1} << (lq - 1);
    uint64_t d = lq;
    for (size_t j = 0; j < lt; ++j) {
        const uint64_t pm = mask_of(target[j]);
        // A transposition may close at position i when query i equals this
        // target symbol and query i - 1 equals the previous one, provided the
        // previous column did not already match at i - 1.
        const uint64_t tr = ((pm & ~d0) << 1) & pm_prev;
        d0 = (((pm & vp) + vp) ^ vp) | pm | vn | tr;
        uint64_t hp = vn | ~(d0 | vp);
        uint64_t hn = d0 & vp;
        // HP and HN are disjoint: at most one of the two moves d. Branch-free,
        // as the direction is data-dependent and unpredictable.
        d += static_cast<uint64_t>((hp & last_bit) != 0);
        d -= static_cast<uint64_t>((hn & last_bit) != 0);
        hp = (hp << 1) | 1;
        hn = hn << 1;
        vp = hn | ~(d0 | hp);
        vn = hp & d0;
        pm_prev = pm;
    }
    return d;
}

// Query of at most 64 bytes; the pattern table lives in this frame.
inline uint64_t osa_single_word(const uint8_t *query, size_t lq, const uint8_t *target, size_t lt) {
    if (lq == 0)
        return lt;
    if (lt == 0)
        return lq;
    std::array<uint64_t, 256> table{};
    for (size_t i = 0; i < lq; ++i)
        table[query[i]] |= uint64_t{1} << i;
    return osa_single_word_columns([&table](uint8_t c) { return table[c]; }, lq, target, lt);
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

// The byte path's choice (also the 8-bit token member).
inline uint64_t osa_bytes(const uint8_t *query, size_t lq, const uint8_t *target, size_t lt) {
    if (lq == 0)
        return lt;
    if (lq <= WORD_BITS)
        return osa_single_word(query, lq, target, lt);
    if (lt == 0)
        return lq;
    return osa_three_row(query, lq, target, lt);
}

// The diagonal entries of the token width table. `Tokens` is a contiguous
// sequence of one token type (a vector, or a span over str storage).
template <typename Tokens>
uint64_t osa_tokens(const Tokens &query, const Tokens &target) {
    using Token = std::remove_cv_t<typename Tokens::value_type>;
    const size_t lq = query.size();
    const size_t lt = target.size();
    if constexpr (sizeof(Token) == 1) {
        return osa_bytes(query.data(), lq, target.data(), lt);
    } else {
        if (lq == 0)
            return lt;
        if (lt == 0)
            return lq;
        if (lq > WORD_BITS)
            return osa_three_row(query.data(), lq, target.data(), lt);
        // A target token the query does not hold has the mask 0.
        const levenshtein::TokenPatternMasks<Token> masks(query.data(), lq);
        return osa_single_word_columns([&masks](Token s) { return masks.mask_of(s); }, lq, target.data(), lt);
    }
}

}  // namespace veltrocamber::osa
