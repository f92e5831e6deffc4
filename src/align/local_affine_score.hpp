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
#include <limits>
#include <type_traits>

#include "align/striped_local.hpp"
#include "align/striped_profile.hpp"
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

// Whether the four scoring values fit lanes Lane, on which a local affine
// pass of wider lanes may then begin.
template <typename Lane>
bool local_affine_scores_fit_lanes(int64_t match, int64_t mismatch, int64_t gap_open, int64_t gap_extend) noexcept {
    return std::min({match, mismatch, gap_open, gap_extend}) >= std::numeric_limits<Lane>::min() &&
           std::max(match, mismatch) <= std::numeric_limits<Lane>::max();
}

// The local affine score on lanes Lane (16 or 32 bits, gaps of 0 or below)
// by way of narrower lanes checked for overflow: 8-bit lanes whenever the
// scoring values fit them, then, under 32-bit Lane, 16-bit ones whenever
// they fit those. The best possible score of a long pair rarely comes near
// its real one: an unrelated pair mostly stays low enough for 8-bit lanes,
// and a related pair of a few thousand symbols for 16-bit ones, with two
// or four times the cells per word of the wider lanes. A run that outgrows
// its lanes hands over to the next wider ones from the column after the one
// that outgrew them (H, E and the best carried over), so no column is done
// twice. The profiles of `scratch` are refilled in place; `watch`
// (NoColumnWatch) is told of the columns of every run, and of a restart.
template <typename Lane, typename Watch = NoColumnWatch>
int64_t striped_local_affine_score_narrow_first(StripedAffineScratch &scratch, const uint8_t *query, size_t qlen,
                                                const uint8_t *target, size_t tlen, int64_t match, int64_t mismatch,
                                                int64_t gap_open, int64_t gap_extend, Watch &&watch = Watch{}) {
    static_assert(std::is_same_v<Lane, int16_t> || std::is_same_v<Lane, int32_t>);
    const auto rebuilt = [&]<typename L>() -> StripedAffineProfile<L> & {
        StripedAffineProfile<L> &p = scratch.get<L>();
        rebuild_striped_affine_profile<L>(p, query, qlen, target, tlen, match, mismatch, gap_open, gap_extend);
        return p;
    };
    LocalColumnsStart start;  // column 0 until a narrow run gives up
    if (local_affine_scores_fit_lanes<int8_t>(match, mismatch, gap_open, gap_extend)) {
        const int64_t score =
            striped_local_affine_checked<int8_t>(rebuilt.template operator()<int8_t>(), &start, watch);
        if (score != lanes_overflowed)
            return score;
    }
    if constexpr (std::is_same_v<Lane, int32_t>) {
        if (local_affine_scores_fit_lanes<int16_t>(match, mismatch, gap_open, gap_extend)) {
            const int64_t score = striped_local_affine_checked_from<int16_t>(rebuilt.template operator()<int16_t>(),
                                                                             scratch.p8.core, start, watch);
            if (score != lanes_overflowed)
                return score;
            return striped_local_affine_resumed<Lane>(rebuilt.template operator()<Lane>(), scratch.p16.core, start,
                                                      watch);
        }
    }
    return striped_local_affine_resumed<Lane>(rebuilt.template operator()<Lane>(), scratch.p8.core, start, watch);
}

}  // namespace veltrocamber::align
