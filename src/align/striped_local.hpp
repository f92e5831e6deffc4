// Striped (Farrar) Smith-Waterman scores on SWAR words, affine and linear
// gaps, 8-, 16- and 32-bit lanes.
//
// One column per target position, S words of L lanes each (layout in
// striped_profile.hpp). The main pass walks the segments once, carrying the
// vertical-gap word F from segment to segment; the F leaving the last segment
// of lane k belongs to the first position of lane k + 1, so a correction
// (lazy F) carries it across the lane boundaries afterwards. Every H cell is
// floored at 0, so no minus infinity is needed, and E and F start at 0 at the
// left edge and the top of each column. The kernels write only the profile's
// work vectors, re-zeroed on every call (but a run that goes on where
// narrower lanes gave up, see LocalColumnsStart), and allocate nothing;
// they poll for an interrupt once per column.
#pragma once

#include <cstddef>
#include <cstdint>

#include "align/striped_profile.hpp"
#include "align/swar_lanes.hpp"
#include "module/interrupt_poll.hpp"

namespace veltrocamber::align {

namespace striped_local_detail {

template <typename Lane>
inline void zero_work_vectors(StripedProfileCore<Lane> &c) noexcept {
    std::fill(c.h_column_a.begin(), c.h_column_a.end(), Lane(0));
    std::fill(c.h_column_b.begin(), c.h_column_b.end(), Lane(0));
    std::fill(c.e_column.begin(), c.e_column.end(), Lane(0));
}

}  // namespace striped_local_detail

// How the local affine kernels carry vertical gaps across lane boundaries,
// from gap_open and gap_extend read as signed lane values:
// - closed_form: open <= 0, extend <= 0 and extend >= open; the carried word
//   is completed in one step and swept at most once;
// - tested: open <= 0, extend <= 0 and extend < open; up to L sweeps, until
//   no carried lane is positive;
// - full: a positive gap value; exactly L sweeps.
enum class LocalGapMode { closed_form, tested, full };

// What the local kernels checked for overflow return when a column outgrew
// their lanes (no score is negative).
inline constexpr int64_t lanes_overflowed = -1;

// Where a run of the local columns on non-negative lanes starts: column 0
// from zeroed work columns, or a later column whose work column already
// holds the H and E left by the column before (carried over from narrower
// lanes that outgrew it), with the best score so far. A run checked for
// overflow leaves here, when it gives up, where the next run starts.
struct LocalColumnsStart {
    size_t column = 0;
    int64_t best = 0;
};

inline LocalGapMode local_gap_mode(int64_t open, int64_t extend) noexcept {
    if (open > 0 || extend > 0)
        return LocalGapMode::full;
    return extend >= open ? LocalGapMode::closed_form : LocalGapMode::tested;
}

// One correction sweep of the local affine kernels over all S segments: F
// raises H where it is larger; a raised H also reopens E. Returns the F that
// leaves the last segment. Signed lanes, for the full mode.
template <typename Lane>
uint64_t lazy_f_sweep(Lane *h_column, Lane *e_column, size_t segments, uint64_t f, uint64_t open_w,
                      uint64_t extend_w, uint64_t &best) noexcept {
    constexpr size_t L = SwarLanes<Lane>::count;
    for (size_t i = 0; i < segments; ++i) {
        Lane *hp = h_column + i * L;
        bool rose;
        const uint64_t raised = swar_raise<Lane>(load_word(hp), f, rose);
        const uint64_t h_open = swar_add<Lane>(raised, open_w);
        if (rose) {
            store_word(hp, raised);
            best = swar_max<Lane>(best, raised);
            Lane *ep = e_column + i * L;
            store_word(ep, swar_max<Lane>(load_word(ep), h_open));
        }
        f = swar_max<Lane>(swar_add<Lane>(f, extend_w), h_open);
    }
    return f;
}

// Gap steps on the non-negative columns: subtracting a gap magnitude with a
// floor at 0 (floored columns) or plainly (offset columns, where no value
// comes near the floor).
template <typename Lane, bool Plain>
constexpr uint64_t gap_step(uint64_t a, uint64_t c) noexcept {
    if constexpr (Plain)
        return a - c;
    else
        return swar_nonneg_sub_floor0<Lane>(a, c);
}

// The same step from a_high = a | high to gap_step(a, c) | high, the form
// swar_nonneg_max_high takes: one subtraction on the offset columns.
template <typename Lane, bool Plain>
constexpr uint64_t gap_step_high(uint64_t a_high, uint64_t c) noexcept {
    if constexpr (Plain) {
        return a_high - c;
    } else {
        const uint64_t d = a_high - c;
        return (d & swar_detail::low_bits_where<Lane>(d & SwarLanes<Lane>::high)) | SwarLanes<Lane>::high;
    }
}

// The same sweep on non-negative columns (every lane in [0, 2^(w-1)), H
// and E words interleaved as local_affine_columns_nonneg keeps them;
// open_c and step_c hold gap magnitudes, see gap_step; step_c is
// min(extend, open), with which the F leaving a segment, max(F - extend,
// max(H, F) - open), is max(F - step_c, H - open_c) from the H read: the
// chain from segment to segment is then one maximum, as in the main pass).
// A raised word is tested against the best score as the main pass tests its
// words (into best_held, see local_affine_columns_nonneg), not folded into a
// maximum: where the vertical gaps from a high cell run down the whole
// column (a related pair), nearly every segment rises and that maximum was a
// third of the sweep.
//
// With Settle (the single sweep of the closed-form mode, where step_c is
// extend_c) the sweep stops at the first segment where no lane rose and
// F - extend_c is nowhere above H - open_c: from there on its F is at most
// the one the main pass already carried down the column, which raised
// nothing then and raises nothing now. The returned F is then meaningless
// (the closed-form caller discards it).
template <typename Lane, bool Plain, bool Settle = false>
uint64_t lazy_f_sweep_nonneg(Lane *he_column, size_t segments, uint64_t f, uint64_t open_c, uint64_t step_c,
                             uint64_t best_high, uint64_t &best_held) noexcept {
    using S = SwarLanes<Lane>;
    constexpr size_t L = S::count;
    for (size_t i = 0; i < segments; ++i) {
        Lane *hp = he_column + 2 * i * L;
        const uint64_t h = load_word(hp);
        bool rose;
        const uint64_t raised = swar_nonneg_raise<Lane>(h, f, rose);
        const uint64_t h_open_high = gap_step_high<Lane, Plain>(h | S::high, open_c);
        const uint64_t f_step = gap_step<Lane, Plain>(f, step_c);
        if (rose) {
            store_word(hp, raised);
            best_held &= best_high - raised;
            Lane *ep = hp + L;
            store_word(ep, swar_nonneg_max<Lane>(load_word(ep), gap_step<Lane, Plain>(raised, open_c)));
        } else if (Settle && swar_nonneg_all_ge<Lane>(h_open_high, f_step)) {
            break;
        }
        f = swar_nonneg_max_high<Lane>(h_open_high, f_step);
    }
    return f;
}

// A watch on the local kernels with gap values of 0 or below; the default
// watches nothing and costs nothing. new_best is told of every column j
// (0-based) where the best score rises strictly, with that column's final
// work column (H word i at he_column + 2 i L, E words between, see
// local_affine_columns_nonneg) and the new best in every lane; column is
// told of every column once it is final, with the lane of the value 0.
// Both come in the kernel's lane form (a lane is the value plus the lane of
// the value 0), so equal lanes are equal values. With such gaps a swept H
// never exceeds the column's main-pass maximum (an F comes from an H above
// it, minus gaps), so the test that brings the rescan sees every strict
// rise. restart is told when the columns start again from column 0 (after
// checked offset columns outgrew their lanes), possibly in another lane
// form: what was told before no longer holds. A run that goes on wider from
// the column after the one that outgrew narrow lanes (LocalColumnsStart)
// tells the later columns, in its own lanes, to the same watch.
struct NoColumnWatch {
    template <typename Lane>
    void new_best(size_t, const Lane *, size_t, uint64_t) const noexcept {}
    template <typename Lane>
    void column(size_t, const Lane *, size_t, Lane) const noexcept {}
    void restart() const noexcept {}
};

namespace striped_local_detail {

// The largest lane of best and of the column's S H words (all
// non-negative; H and E interleaved, see local_affine_columns_nonneg), in
// every lane. Four running maxima: one alone is a chain of seven dependent
// operations per word, and a related pair, whose score rises at nearly
// every column, runs this scan on nearly every column.
template <typename Lane>
uint64_t splat_column_max(const Lane *he_column, size_t segments, uint64_t best) noexcept {
    constexpr size_t W = 2 * SwarLanes<Lane>::count;
    uint64_t m1 = best, m2 = best, m3 = best;
    size_t i = 0;
    for (; i + 4 <= segments; i += 4) {
        best = swar_nonneg_max<Lane>(best, load_word(he_column + i * W));
        m1 = swar_nonneg_max<Lane>(m1, load_word(he_column + (i + 1) * W));
        m2 = swar_nonneg_max<Lane>(m2, load_word(he_column + (i + 2) * W));
        m3 = swar_nonneg_max<Lane>(m3, load_word(he_column + (i + 3) * W));
    }
    for (; i < segments; ++i)
        best = swar_nonneg_max<Lane>(best, load_word(he_column + i * W));
    best = swar_nonneg_max<Lane>(swar_nonneg_max<Lane>(best, m1), swar_nonneg_max<Lane>(m2, m3));
    return swar_splat<Lane>(swar_horizontal_max_floor0<Lane>(best));
}

// The full mode (a positive gap value): signed lanes, exactly L sweeps.
template <typename Lane>
int64_t local_affine_columns_full(StripedProfileCore<Lane> &c, const uint64_t *row_offsets, size_t tlen, Lane open,
                                  Lane extend) {
    constexpr size_t L = SwarLanes<Lane>::count;
    const size_t segs = c.segments;
    zero_work_vectors(c);
    Lane *h_prev = c.h_column_a.data();
    Lane *h_cur = c.h_column_b.data();
    Lane *e_col = c.e_column.data();
    const uint64_t open_w = swar_splat<Lane>(open);
    const uint64_t extend_w = swar_splat<Lane>(extend);
    uint64_t best = 0;
    const Lane *profile_base = c.profile.data();
    InterruptPoll poll;
    for (size_t j = 0; j < tlen; ++j) {
        poll.advance(segs * L);
        const Lane *row = profile_base + row_offsets[j];
        uint64_t h_diag = swar_shift_up<Lane>(load_word(h_prev + (segs - 1) * L));
        uint64_t f = 0;
        for (size_t i = 0; i < segs; ++i) {
            const uint64_t e = load_word(e_col + i * L);
            const uint64_t m = swar_max<Lane>(swar_add<Lane>(h_diag, load_word(row + i * L)), e);
            h_diag = load_word(h_prev + i * L);
            const uint64_t h = swar_floor0<Lane>(swar_max<Lane>(m, f));
            store_word(h_cur + i * L, h);
            best = swar_max<Lane>(best, h);
            const uint64_t h_open = swar_add<Lane>(h, open_w);
            store_word(e_col + i * L, swar_max<Lane>(swar_add<Lane>(e, extend_w), h_open));
            f = swar_max<Lane>(swar_add<Lane>(f, extend_w), h_open);
        }
        for (size_t pass = 0; pass < L; ++pass)
            f = lazy_f_sweep<Lane>(h_cur, e_col, segs, swar_shift_up<Lane>(f), open_w, extend_w, best);
        std::swap(h_prev, h_cur);
    }
    return swar_horizontal_max_floor0<Lane>(best);
}

// The closed-form and tested modes (open <= 0, extend <= 0) on columns of
// non-negative lanes, in one of two forms:
// - floored (Plain = false, zero = 0): H is never negative, and with gap
//   values <= 0 a negative E or F only ever meets H through a maximum with
//   it or with a later E or F minus a gap, so storing max(E, 0) and
//   max(F, 0) changes no H, and each floored update max(X - extend_c,
//   H - open_c) is the floor of the true one;
// - offset (Plain = true): a lane holds value - offset, zero is -offset
//   (the lane of the value 0), and local_value_offset makes every value of
//   the computation a lane in [1, 2^(w-1)); the gap steps are then plain
//   subtractions and only the diagonal keeps its floor (at zero).
// Either way every lane stays in [0, 2^(w-1)), padding lanes included, and
// the cheap non-negative lane operations apply; the scores are those of the
// signed kernel.
//
// Checked (offset form only): the pair's value range is not known to fit,
// so the columns run while it does and give up (lanes_overflowed) at the
// first column whose largest H lane exceeds `ceiling`. With ceiling =
// 2^(w-1) - 1 - max(match, mismatch, 0), a column whose preceding columns
// all stayed at or below it computes exactly: its diagonal sums, and so its
// H, E and F, stay inside the lane. The test sits where a rise of the best
// score is already scanned for, so a column that does not raise the best
// pays nothing for it. A run may also start later than column 0 (see
// LocalColumnsStart).
template <typename Lane, LocalGapMode Mode, bool Plain, bool Checked = false, typename Watch = NoColumnWatch>
int64_t local_affine_columns_nonneg(StripedProfileCore<Lane> &c, const uint64_t *row_offsets, size_t tlen,
                                    Lane open, Lane extend, Lane zero, Lane ceiling = 0,
                                    LocalColumnsStart *start = nullptr, Watch &&watch = Watch{}) {
    using S = SwarLanes<Lane>;
    static_assert(Mode != LocalGapMode::full);
    constexpr size_t L = S::count;
    const size_t segs = c.segments;
    // One column of H and E words interleaved (H word i, then E word i:
    // one pointer for both), H overwritten in place: step i reads the
    // previous column's H word i (the next step's diagonal) before it
    // stores its own. Both free registers for the main pass.
    const size_t first_column = start ? start->column : 0;
    if (first_column == 0)
        std::fill(c.he_column.begin(), c.he_column.end(), zero);
    Lane *he = c.he_column.data();
    constexpr size_t W = 2 * L;
    // The gap magnitudes, 0 .. 2^(w-1), as lane values.
    const uint64_t open_c = swar_splat<Lane>(-static_cast<int64_t>(open));
    const uint64_t extend_c = swar_splat<Lane>(-static_cast<int64_t>(extend));
    const uint64_t zero_w = swar_splat<Lane>(zero);
    const uint64_t zero_high = zero_w | S::high;
    // min(extend, open) as magnitudes: the smaller step of a gap run, with
    // which F leaves a segment without waiting for its H (main pass, sweeps).
    const uint64_t f_step_c = Mode == LocalGapMode::closed_form ? extend_c : open_c;
    const int64_t segment_extend = static_cast<int64_t>(extend) * static_cast<int64_t>(segs);
    // The best H so far. The main pass does not take a maximum per word: it
    // only asks whether some lane rose above best (one subtraction and one
    // AND per word, see swar_nonneg_all_ge), and the rare column where one
    // did is scanned again. best is then the column's largest lane in every
    // lane, so only a rise of the score itself brings another scan.
    uint64_t best = first_column == 0 ? zero_w : swar_splat<Lane>(start->best + zero);
    const Lane *profile_base = c.profile.data();
    InterruptPoll poll;
    for (size_t j = first_column; j < tlen; ++j) {
        poll.advance(segs * L);
        const Lane *row = profile_base + row_offsets[j];
        // Lane 0 receives the top row's 0.
        uint64_t h_diag =
            swar_shift_up<Lane>(load_word(he + (segs - 1) * W)) | static_cast<typename S::ULane>(zero);
        uint64_t f = zero_w;
        const uint64_t best_high = best | S::high;
        uint64_t best_held = S::high;
        for (size_t i = 0; i < segs; ++i) {
            // Values that enter a maximum as its first operand are formed
            // with their sign bits set (x_high = x | high), which saves the
            // OR there (swar_nonneg_max_high).
            const uint64_t e = load_word(he + i * W + L);
            const uint64_t e_high = e | S::high;
            // max(H + score, 0) on the value above zero, put back on zero.
            const uint64_t diag_high =
                swar_nonneg_add_signed_floor0<Lane>(h_diag - zero_w, load_word(row + i * L)) + zero_high;
            h_diag = load_word(he + i * W);
            const uint64_t m_high = swar_nonneg_max_high<Lane>(diag_high, e) | S::high;  // max(diag, E)
            const uint64_t h = swar_nonneg_max_high<Lane>(m_high, f);
            store_word(he + i * W, h);
            best_held &= best_high - h;
            const uint64_t h_open = gap_step<Lane, Plain>(h, open_c);
            store_word(he + i * W + L,
                       swar_nonneg_max_high<Lane>(gap_step_high<Lane, Plain>(e_high, extend_c), h_open));
            // F' = max(F - extend, H - open) with H = max(M, F), M =
            // max(diag, E), is max(F - min(extend, open), M - open): the
            // same value without waiting for H, which keeps the chain that
            // runs from step to step down the column at one maximum.
            f = swar_nonneg_max_high<Lane>(gap_step_high<Lane, Plain>(m_high, open_c),
                                           gap_step<Lane, Plain>(f, f_step_c));
        }
        if constexpr (Mode == LocalGapMode::closed_form) {
            // c_k: the carried value leaving lane k, computed lane by lane,
            // raised to zero; carried on only while above zero.
            uint64_t t = zero_w;
            int64_t carry = swar_lane<Lane>(f, 0);
            for (unsigned k = 1; k < L; ++k) {
                t = swar_with_lane<Lane>(t, k, static_cast<Lane>(std::max<int64_t>(carry, zero)));
                if (k + 1 < L) {
                    const int64_t fk = swar_lane<Lane>(f, k);
                    carry = carry > zero ? std::max(fk, carry + segment_extend) : fk;
                }
            }
            if (t != zero_w)
                lazy_f_sweep_nonneg<Lane, Plain, true>(he, segs, t, open_c, f_step_c, best_high, best_held);
        } else {
            for (size_t pass = 0; pass < L; ++pass) {
                f = lazy_f_sweep_nonneg<Lane, Plain>(he, segs,
                                                     swar_shift_up<Lane>(f) | static_cast<typename S::ULane>(zero),
                                                     open_c, f_step_c, best_high, best_held);
                if (swar_nonneg_all_ge<Lane>(zero_w, f))
                    break;
            }
        }
        // The main pass and the sweeps tested every word they wrote: here a
        // new best in this column is detected.
        bool outgrew = false;
        if ((best_held & S::high) != S::high) {
            best = splat_column_max<Lane>(he, segs, best);
            watch.new_best(j, he, segs, best);
            if constexpr (Checked)
                outgrew = swar_lane<Lane>(best, 0) > ceiling;
        }
        watch.column(j, he, segs, zero);
        if (outgrew) {
            // This column still fitted: wider lanes can go on from the next
            // one.
            if (start)
                *start = {j + 1, swar_lane<Lane>(best, 0) - static_cast<int64_t>(zero)};
            return lanes_overflowed;
        }
    }
    return swar_horizontal_max_floor0<Lane>(best - zero_w);
}

// The offset of the local offset columns (gap values <= 0), tighter than
// the general value_offset: H is never below 0, and every E or F is a
// maximum that includes some H + open (the stored starting zeros are above
// that), so no E or F is below open and no gap step below open + extend;
// a diagonal sum is floored against zero on its own. The highest value is
// max(match, mismatch, 0) x min(qlen, tlen), as there.
template <typename Lane>
ValueOffset local_value_offset(Lane match, Lane mismatch, Lane open, Lane extend, uint64_t qlen, uint64_t tlen) {
    using Wide = __int128;
    const Wide highest = static_cast<Wide>(std::max({Lane(0), match, mismatch})) * std::min(qlen, tlen);
    const Wide offset = static_cast<Wide>(open) + extend - 1;
    if (highest - offset >= (Wide(1) << (SwarLanes<Lane>::bits - 1)))
        return {0, false};
    return {static_cast<int64_t>(offset), true};
}

// The lane ceiling of the checked offset columns (see
// local_affine_columns_nonneg), or none when the lane cannot hold zero (the
// lane of the value 0, 1 - open - extend) plus one substitution.
struct CheckedCeiling {
    int64_t ceiling;
    bool found;
};

template <typename Lane>
CheckedCeiling local_checked_ceiling(Lane match, Lane mismatch, Lane open, Lane extend) noexcept {
    const int64_t top = (int64_t(1) << (SwarLanes<Lane>::bits - 1)) - 1;
    const int64_t zero = 1 - static_cast<int64_t>(open) - extend;
    const int64_t ceiling = top - std::max<int64_t>({0, match, mismatch});
    if (ceiling <= zero)
        return {0, false};
    return {ceiling, true};
}

// The offset columns, checked for overflow unless the pair's value range
// provably fits the lane; lanes_overflowed when a column outgrew them or
// the lane cannot hold zero plus one substitution. (The lane of the value 0
// is 1 - open - extend either way, the same for every lane width.)
template <typename Lane, LocalGapMode Mode, typename Watch = NoColumnWatch>
int64_t local_affine_columns_offset(StripedProfileCore<Lane> &c, const uint64_t *row_offsets, size_t tlen, Lane match,
                                    Lane mismatch, Lane open, Lane extend, LocalColumnsStart *start = nullptr,
                                    Watch &&watch = Watch{}) {
    const ValueOffset offset = local_value_offset<Lane>(match, mismatch, open, extend, c.query_length, tlen);
    if (offset.found)
        return local_affine_columns_nonneg<Lane, Mode, true>(c, row_offsets, tlen, open, extend,
                                                             static_cast<Lane>(-offset.offset), 0, start, watch);
    const CheckedCeiling checked = local_checked_ceiling<Lane>(match, mismatch, open, extend);
    if (!checked.found)
        return lanes_overflowed;
    const Lane zero = static_cast<Lane>(1 - static_cast<int64_t>(open) - extend);
    return local_affine_columns_nonneg<Lane, Mode, true, true>(c, row_offsets, tlen, open, extend, zero,
                                                               static_cast<Lane>(checked.ceiling), start, watch);
}

// Offset columns where the pair's value range fits the lane. Otherwise the
// offset columns checked for overflow, which give the answer whenever the
// values met stay low (most unrelated pairs), and the floored columns from
// the start when they do not: the floored ones are exact wherever the
// caller's width holds the pair, and cost about a quarter more per step.
template <typename Lane, LocalGapMode Mode, typename Watch = NoColumnWatch>
int64_t local_affine_columns_nonpositive_gaps(StripedProfileCore<Lane> &c, const uint64_t *row_offsets, size_t tlen,
                                              Lane match, Lane mismatch, Lane open, Lane extend,
                                              Watch &&watch = Watch{}) {
    const int64_t score =
        local_affine_columns_offset<Lane, Mode>(c, row_offsets, tlen, match, mismatch, open, extend, nullptr, watch);
    if (score != lanes_overflowed)
        return score;
    watch.restart();
    return local_affine_columns_nonneg<Lane, Mode, false>(c, row_offsets, tlen, open, extend, Lane(0), 0, nullptr,
                                                          watch);
}

}  // namespace striped_local_detail

// Local affine score (gap run of k symbols: open + (k-1) * extend). `watch`
// (NoColumnWatch above) is told of the columns of gaps <= 0 only.
template <typename Lane, typename Watch = NoColumnWatch>
int64_t striped_local_affine(StripedAffineProfile<Lane> &profile, const uint64_t *row_offsets, size_t tlen,
                             Watch &&watch = Watch{}) {
    using namespace striped_local_detail;
    StripedProfileCore<Lane> &c = profile.core;
    if (c.segments == 0 || tlen == 0)
        return 0;
    const Lane open = profile.gap_open, extend = profile.gap_extend;
    switch (local_gap_mode(open, extend)) {
    case LocalGapMode::closed_form:
        return local_affine_columns_nonpositive_gaps<Lane, LocalGapMode::closed_form>(
            c, row_offsets, tlen, profile.match, profile.mismatch, open, extend, watch);
    case LocalGapMode::tested:
        return local_affine_columns_nonpositive_gaps<Lane, LocalGapMode::tested>(
            c, row_offsets, tlen, profile.match, profile.mismatch, open, extend, watch);
    case LocalGapMode::full:
        break;
    }
    return local_affine_columns_full<Lane>(c, row_offsets, tlen, open, extend);
}

// The same score on lanes that may be too narrow for the pair: the offset
// columns alone, checked for overflow, so lanes_overflowed when a column
// outgrew them (and for a positive gap value, or lanes that cannot hold
// zero plus one substitution). The caller then runs lanes that hold the
// pair; a column that stayed low was exact. When it gives up on a column,
// `start` (when given) receives where a run on wider lanes can go on (see
// LocalColumnsStart, carry_local_columns); it is left as it was when the
// run could not begin at all. `watch` is told of every column done, the one
// that outgrew the lanes included (its values still fitted).
template <typename Lane, typename Watch = NoColumnWatch>
int64_t striped_local_affine_checked(StripedAffineProfile<Lane> &profile, LocalColumnsStart *start = nullptr,
                                     Watch &&watch = Watch{}) {
    using namespace striped_local_detail;
    StripedProfileCore<Lane> &c = profile.core;
    if (c.segments == 0 || c.target_length == 0)
        return 0;
    const Lane open = profile.gap_open, extend = profile.gap_extend;
    const uint64_t *row_offsets = c.row_offsets.data();
    switch (local_gap_mode(open, extend)) {
    case LocalGapMode::closed_form:
        return local_affine_columns_offset<Lane, LocalGapMode::closed_form>(
            c, row_offsets, c.target_length, profile.match, profile.mismatch, open, extend, start, watch);
    case LocalGapMode::tested:
        return local_affine_columns_offset<Lane, LocalGapMode::tested>(
            c, row_offsets, c.target_length, profile.match, profile.mismatch, open, extend, start, watch);
    case LocalGapMode::full:
        break;
    }
    return lanes_overflowed;
}

// Hands the work column of a local run that gave up on narrow lanes (its H
// and E after column start.column - 1, as offset lanes) to a profile of the
// same pair on wider lanes, restriped: query position p moves from word
// p mod S, lane p div S of one layout to those of the other, its lane value
// unchanged (the lane of the value 0 is the same at every width). Padding
// positions of the wider layout hold the value 0; no real cell reads them.
template <typename Narrow, typename Lane>
void carry_local_columns(const StripedProfileCore<Narrow> &from, StripedProfileCore<Lane> &to, Lane zero) noexcept {
    constexpr size_t from_lanes = SwarLanes<Narrow>::count, to_lanes = SwarLanes<Lane>::count;
    const size_t from_segs = from.segments, to_segs = to.segments;
    std::fill(to.he_column.begin(), to.he_column.end(), zero);
    for (size_t p = 0; p < from.query_length; ++p) {
        const Narrow *h = from.he_column.data() + 2 * (p % from_segs) * from_lanes + p / from_segs;
        Lane *out = to.he_column.data() + 2 * (p % to_segs) * to_lanes + p / to_segs;
        out[0] = h[0];
        out[to_lanes] = h[from_lanes];
    }
}

// The local affine columns on `profile` from `start`, where a checked run on
// narrower lanes of the same pair (`narrow`) gave up, their H and E carried
// over; from the first column, after watch.restart(), when there is nothing
// to carry (start.column 0: the narrow run did not begin). The columns are
// those of striped_local_affine_checked, which go on from start.column with
// the carried work column: offset columns, checked for overflow unless the
// pair's value range provably fits these lanes; lanes_overflowed when a
// column outgrew them (`start` then tells where wider lanes go on, from
// these lanes' work column). Narrow lanes that began a run make these lanes
// able to take the pair too (the same gap mode, a ceiling or fit found at
// every wider width), so a carried run never finds them unable to.
template <typename Lane, typename Narrow, typename Watch = NoColumnWatch>
int64_t striped_local_affine_checked_from(StripedAffineProfile<Lane> &profile, const StripedProfileCore<Narrow> &narrow,
                                          LocalColumnsStart &start, Watch &&watch = Watch{}) {
    static_assert(sizeof(Narrow) < sizeof(Lane));
    if (start.column == 0) {
        watch.restart();
    } else {
        // The lane of the value 0, 1 - open - extend, is that of the offset
        // columns whether checked or not.
        const Lane zero = static_cast<Lane>(1 - static_cast<int64_t>(profile.gap_open) - profile.gap_extend);
        carry_local_columns<Narrow, Lane>(narrow, profile.core, zero);
    }
    return striped_local_affine_checked<Lane>(profile, &start, watch);
}

// The local affine score on `profile` from `start`, after a checked run on
// narrower lanes of the same pair (`narrow`) gave up there: the columns of
// striped_local_affine_checked_from, and where those give up too, the ones
// that hold whatever pair these lanes take (floored; signed for a positive
// gap value) from the first column, after watch.restart(). `watch` goes on
// from the narrow run's columns.
template <typename Lane, typename Narrow, typename Watch = NoColumnWatch>
int64_t striped_local_affine_resumed(StripedAffineProfile<Lane> &profile, const StripedProfileCore<Narrow> &narrow,
                                     LocalColumnsStart start, Watch &&watch = Watch{}) {
    using namespace striped_local_detail;
    const int64_t score = striped_local_affine_checked_from<Lane>(profile, narrow, start, watch);
    if (score != lanes_overflowed)
        return score;
    watch.restart();
    StripedProfileCore<Lane> &c = profile.core;
    const Lane open = profile.gap_open, extend = profile.gap_extend;
    const uint64_t *row_offsets = c.row_offsets.data();
    switch (local_gap_mode(open, extend)) {
    case LocalGapMode::closed_form:
        return local_affine_columns_nonneg<Lane, LocalGapMode::closed_form, false>(
            c, row_offsets, c.target_length, open, extend, Lane(0), 0, nullptr, watch);
    case LocalGapMode::tested:
        return local_affine_columns_nonneg<Lane, LocalGapMode::tested, false>(c, row_offsets, c.target_length, open,
                                                                              extend, Lane(0), 0, nullptr, watch);
    case LocalGapMode::full:
        break;
    }
    return local_affine_columns_full<Lane>(c, row_offsets, c.target_length, open, extend);
}

// Local linear score (every gap symbol scores gap). A gap value <= 0 runs
// the affine columns with open = extend = gap, which score every path as
// the linear recurrence does, on their cheaper non-negative lanes. A
// positive gap keeps the signed form below, whose corrections only extend
// F: with linear gaps a raised H needs no new E, since the same score is
// reached by taking the two gaps in the other order.
template <typename Lane>
int64_t striped_local_linear(StripedLinearProfile<Lane> &profile) {
    constexpr size_t L = SwarLanes<Lane>::count;
    if (profile.shortcut_handled)
        return profile.shortcut_score;
    StripedProfileCore<Lane> &c = profile.core;
    const size_t segs = c.segments;
    const size_t tlen = c.row_offsets.size();
    if (segs == 0 || tlen == 0)
        return 0;
    if (profile.gap <= 0)
        return striped_local_detail::local_affine_columns_nonpositive_gaps<Lane, LocalGapMode::closed_form>(
            c, c.row_offsets.data(), tlen, profile.match, profile.mismatch, profile.gap, profile.gap);
    striped_local_detail::zero_work_vectors(c);
    Lane *h_prev = c.h_column_a.data();
    Lane *h_cur = c.h_column_b.data();
    Lane *e_col = c.e_column.data();
    const bool positive_gap = profile.gap > 0;
    const uint64_t gap_w = swar_splat<Lane>(profile.gap);
    uint64_t best = 0;
    const Lane *profile_base = c.profile.data();
    InterruptPoll poll;
    for (size_t j = 0; j < tlen; ++j) {
        poll.advance(segs * L);
        const Lane *row = profile_base + c.row_offsets[j];
        uint64_t h_diag = swar_shift_up<Lane>(load_word(h_prev + (segs - 1) * L));
        uint64_t f = 0;
        for (size_t i = 0; i < segs; ++i) {
            const uint64_t e = load_word(e_col + i * L);
            uint64_t h = swar_max<Lane>(swar_max<Lane>(swar_add<Lane>(h_diag, load_word(row + i * L)), e), f);
            h = swar_floor0<Lane>(h);
            store_word(h_cur + i * L, h);
            best = swar_max<Lane>(best, h);
            const uint64_t h_gap = swar_add<Lane>(h, gap_w);
            store_word(e_col + i * L, swar_max<Lane>(swar_add<Lane>(e, gap_w), h_gap));
            f = swar_max<Lane>(swar_add<Lane>(f, gap_w), h_gap);
            h_diag = load_word(h_prev + i * L);
        }
        for (size_t pass = 0; pass < L; ++pass) {
            f = swar_shift_up<Lane>(f);
            bool rose = false;
            for (size_t i = 0; i < segs; ++i) {
                Lane *hp = h_cur + i * L;
                bool raised_here;
                const uint64_t raised = swar_raise<Lane>(load_word(hp), f, raised_here);
                rose |= raised_here;
                store_word(hp, raised);
                if (positive_gap)
                    best = swar_max<Lane>(best, raised);
                f = swar_add<Lane>(f, gap_w);
            }
            if (!positive_gap && !rose)
                break;
        }
        std::swap(h_prev, h_cur);
    }
    return swar_horizontal_max_floor0<Lane>(best);
}

// One-shot local affine score on `profile`, refilled in place (its storage
// reused; the batch entry points keep one profile across their targets).
template <typename Lane, typename Watch = NoColumnWatch>
int64_t striped_local_affine_score(StripedAffineProfile<Lane> &profile, const uint8_t *query, size_t qlen,
                                   const uint8_t *target, size_t tlen, int64_t match, int64_t mismatch,
                                   int64_t gap_open, int64_t gap_extend, Watch &&watch = Watch{}) {
    rebuild_striped_affine_profile<Lane>(profile, query, qlen, target, tlen, match, mismatch, gap_open,
                                         gap_extend);
    return striped_local_affine<Lane>(profile, profile.core.row_offsets.data(), profile.core.target_length, watch);
}

// One-shot local affine score: build, run, release (also on an exception).
template <typename Lane>
int64_t striped_local_affine_score(const uint8_t *query, size_t qlen, const uint8_t *target, size_t tlen,
                                   int64_t match, int64_t mismatch, int64_t gap_open, int64_t gap_extend) {
    StripedAffineProfile<Lane> profile;
    return striped_local_affine_score<Lane>(profile, query, qlen, target, tlen, match, mismatch, gap_open, gap_extend);
}

}  // namespace veltrocamber::align
