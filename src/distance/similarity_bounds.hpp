// The most a normalised similarity can reach for a pair of sides of lq and lt
// symbols, whatever symbols they hold: the per-query search skips a target
// whose bound cannot beat the worst score it keeps.
//
// Each bound is the scorer's own float64 formula at its best case for the
// two lengths, so it is an upper bound of every score the scorer can give
// to the last bit, not only in exact arithmetic: the formulas only divide,
// add and subtract non-negative values in a fixed order, and those
// operations, rounded, never reverse an order. The best cases:
// - Levenshtein, optimal string alignment, unrestricted Damerau-Levenshtein:
//   d = max - min (the extra symbols of the longer side, nothing else);
// - Indel: d = lq + lt - 2 min;
// - Hamming: 1.0 for equal lengths; unequal lengths have no score (0);
// - Jaro: m = min matches, t = 0 transpositions;
// - Jaro-Winkler: the boost of a common prefix of min(prefix_cap, min)
//   symbols on the Jaro bound. With 0 <= prefix_weight <= 1 / prefix_cap the
//   boosted value never falls as j or the prefix grows, so this is its
//   maximum (for j >= 0.5, where 1 - j is exact, to the last bit; below,
//   checked for all sides of up to 400 symbols).
// An empty side against a non-empty one gives 0 (no such pair scores more),
// two empty sides 1.0.
//
// No Python here.
#pragma once

#include <algorithm>
#include <cstdint>

#include "distance/jaro.hpp"
#include "distance/normalized_similarity.hpp"

namespace veltrocamber::distance {

inline double longer_length_bound(uint64_t lq, uint64_t lt) noexcept {
    return normalized_similarity<NormalizedBy::longer_length>(std::max(lq, lt) - std::min(lq, lt), lq, lt);
}

inline double length_sum_bound(uint64_t lq, uint64_t lt) noexcept {
    return normalized_similarity<NormalizedBy::length_sum>(lq + lt - 2 * std::min(lq, lt), lq, lt);
}

inline double hamming_bound(uint64_t lq, uint64_t lt) noexcept { return lq == lt ? 1.0 : 0.0; }

inline double jaro_bound(uint64_t lq, uint64_t lt) noexcept {
    if (lq == 0 || lt == 0)
        return lq == lt ? 1.0 : 0.0;
    return jaro::jaro_from_counts(std::min(lq, lt), 0, lq, lt);
}

inline double jaro_winkler_bound(uint64_t lq, uint64_t lt, const jaro::WinklerBoost &boost) noexcept {
    if (lq == 0 || lt == 0)
        return lq == lt ? 1.0 : 0.0;
    return boost.boosted(jaro_bound(lq, lt), std::min(boost.prefix_cap, std::min(lq, lt)));
}

}  // namespace veltrocamber::distance
