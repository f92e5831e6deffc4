// The local affine score by its fastest exact road, and the narrowest lanes
// that hold a local affine pair.
//
// With gap values of 0 or below, the striped local kernels return exactly
// the score of the scalar Gotoh kernel whenever their lanes hold every value
// of the computation: they are only a reordering of the same maxima. A
// positive gap value keeps the scalar kernel, whose order of corrections is
// the reference one.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "align/striped_local.hpp"
#include "align/swar_lanes.hpp"

namespace veltrocamber::align {

// The narrowest striped lane width (8, 16 or 32 bits) whose lanes hold every
// value of the local affine kernels for this pair, or 64 when none does or a
// gap value is positive. With gaps <= 0 the kernels keep H, E and F in
// [0, highest], highest = max(match, mismatch, 0) x min(qlen, tlen): no local
// alignment has more than min(qlen, tlen) substitution columns, and gaps
// only take away. A diagonal sum is an H plus a substitution, so it also lies
// in [lowest substitution, highest]. Those values, the four scoring values
// and the gap magnitudes (up to 2^(w-1), as the kernels require) must fit
// the signed lane. Taken in 128 bits, so no length can overflow the test.
inline unsigned narrowest_local_affine_lanes(int64_t match, int64_t mismatch, int64_t gap_open, int64_t gap_extend,
                                             uint64_t qlen, uint64_t tlen) noexcept {
    if (gap_open > 0 || gap_extend > 0)
        return 64;
    using Wide = __int128;
    const Wide highest = static_cast<Wide>(std::max({int64_t(0), match, mismatch})) * std::min(qlen, tlen);
    const int64_t lowest = std::min({match, mismatch, gap_open, gap_extend});
    for (const unsigned bits : {8u, 16u, 32u}) {
        const Wide limit = Wide(1) << (bits - 1);
        if (highest < limit && lowest >= -limit && std::max(match, mismatch) < limit)
            return bits;
    }
    return 64;
}

// Whether the four scoring values fit 8-bit lanes, on which a local affine
// pass of wider lanes may then begin.
inline bool local_affine_scores_fit_lanes8(int64_t match, int64_t mismatch, int64_t gap_open,
                                           int64_t gap_extend) noexcept {
    return std::min({match, mismatch, gap_open, gap_extend}) >= INT8_MIN && std::max(match, mismatch) <= INT8_MAX;
}

// The local affine score on lanes Lane (16 or 32 bits, gaps of 0 or below)
// by way of 8-bit lanes checked for overflow, whenever the scoring values
// fit them. The best possible score of a long pair rarely comes near its
// real one: an unrelated pair mostly stays low enough for 8-bit lanes,
// twice the cells per word of 16-bit ones, and one that does not goes on
// at Lane from the column after the one that outgrew them (their H and E
// carried over), so the columns done narrow are not done again. `narrow`
// and `profile` are refilled in place; `watch` (NoColumnWatch) is told of
// the columns of every run, and of a restart.
template <typename Lane, typename Watch = NoColumnWatch>
int64_t striped_local_affine_score_via_lanes8(StripedAffineProfile<int8_t> &narrow, StripedAffineProfile<Lane> &profile,
                                              const uint8_t *query, size_t qlen, const uint8_t *target, size_t tlen,
                                              int64_t match, int64_t mismatch, int64_t gap_open, int64_t gap_extend,
                                              Watch &&watch = Watch{}) {
    if (!local_affine_scores_fit_lanes8(match, mismatch, gap_open, gap_extend))
        return striped_local_affine_score<Lane>(profile, query, qlen, target, tlen, match, mismatch, gap_open,
                                                gap_extend, watch);
    rebuild_striped_affine_profile<int8_t>(narrow, query, qlen, target, tlen, match, mismatch, gap_open, gap_extend);
    LocalColumnsStart start;
    const int64_t score = striped_local_affine_checked<int8_t>(narrow, &start, watch);
    if (score != lanes_overflowed)
        return score;
    rebuild_striped_affine_profile<Lane>(profile, query, qlen, target, tlen, match, mismatch, gap_open, gap_extend);
    return striped_local_affine_resumed<Lane>(profile, narrow.core, start, watch);
}

}  // namespace veltrocamber::align
