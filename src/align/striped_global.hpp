// Striped (Farrar) Needleman-Wunsch scores with affine gaps on SWAR words,
// 8-, 16- and 32-bit lanes.
//
// Global cells have no floor, so the lane minimum NEG stands for minus
// infinity: the boundary column holds NEG below the query, and the F word
// that enters the first segment of a column or of a correction sweep holds
// NEG in its lanes without a predecessor. Only that first F + extend needs
// the guarded add that leaves a NEG lane at NEG: after one segment every F
// lane of a real query position is a finite maximum.
//
// Padding lanes (query positions qlen .. L*S - 1) take part in the plain
// arithmetic and may wrap to any value, but they never feed a real
// position: every dependency runs from query position p to p + 1, padding
// positions come last, and lane operations never cross lanes. So the
// padded variant (any query length), the full one (qlen = L * S) and the
// square one (qlen = L * S = tlen) run one column loop; the answer is the
// bottom-right cell. The column loops poll for an interrupt once per column.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "align/striped_profile.hpp"
#include "align/swar_lanes.hpp"
#include "align/wrapping_arithmetic.hpp"
#include "module/interrupt_poll.hpp"

namespace veltrocamber::align {

namespace striped_global_detail {

// open + extend * (n - 1): a gap run of n >= 1 symbols, in the lane type.
template <typename Lane>
inline Lane gap_run(Lane open, Lane extend, uint64_t n) noexcept {
    return wrap_add(open, wrap_mul(extend, n - 1));
}

}  // namespace striped_global_detail

// Writes the boundary column: H0[p] = open + extend * p (a vertical gap over
// positions 0..p), E0[p] = H0[p] + open, both NEG on padding positions.
template <typename Lane>
void init_global_boundary(StripedAffineProfile<Lane> &profile) {
    using namespace striped_global_detail;
    constexpr size_t L = SwarLanes<Lane>::count;
    StripedProfileCore<Lane> &c = profile.core;
    const size_t segs = c.segments;
    const size_t qlen = c.query_length;
    if (c.h_column_a.size() != segs * L) {
        c.h_column_a.resize(segs * L);
        c.e_column.resize(segs * L);
    }
    for (size_t i = 0; i < segs; ++i) {
        for (size_t k = 0; k < L; ++k) {
            const size_t p = k * segs + i;
            Lane h = SwarLanes<Lane>::minimum, e = SwarLanes<Lane>::minimum;
            if (p < qlen) {
                h = gap_run(profile.gap_open, profile.gap_extend, p + 1);
                e = wrap_add(h, profile.gap_open);
            }
            c.h_column_a[i * L + k] = h;
            c.e_column[i * L + k] = e;
        }
    }
}

// One correction sweep over every segment: F raises H2 where it is larger, a
// raised H2 also reopens E, and F moves on as max(F + extend, H2 + open).
// Settle (the single sweep after the closed-form completion) stops at the
// first segment where no lane rose and F + extend is nowhere above H2 + open:
// the rest of the column then holds what the main pass already carried; the
// returned F is then meaningless.
template <typename Lane, bool Settle = false>
uint64_t lazy_f_sweep_global(Lane *h_column, Lane *e_column, size_t segments, uint64_t f, uint64_t open_w,
                             uint64_t extend_w) noexcept {
    constexpr size_t L = SwarLanes<Lane>::count;
    uint64_t f_extend = swar_guarded_add<Lane>(f, extend_w);
    for (size_t i = 0; i < segments; ++i) {
        Lane *hp = h_column + i * L;
        bool rose;
        const uint64_t h = swar_raise<Lane>(load_word(hp), f, rose);
        const uint64_t h_open = swar_add<Lane>(h, open_w);
        if (rose) {
            store_word(hp, h);
            Lane *ep = e_column + i * L;
            store_word(ep, swar_max<Lane>(load_word(ep), h_open));
        } else if (Settle && swar_all_ge<Lane>(h_open, f_extend)) {
            break;
        }
        f = swar_max<Lane>(f_extend, h_open);
        f_extend = swar_add<Lane>(f, extend_w);
    }
    return f;
}

// The sign bits of the lanes that hold real query positions in each
// segment: every lane up to the one of the last position in the first
// segments, one lane fewer after it.
template <typename Lane>
struct RealLanes {
    uint64_t upper;  // segments 0 .. cut
    uint64_t lower;  // segments cut + 1 .. S - 1
    size_t cut;
    uint64_t of(size_t segment) const noexcept { return segment <= cut ? upper : lower; }
};

template <typename Lane>
RealLanes<Lane> real_lanes(size_t qlen, size_t segments) noexcept {
    using S = SwarLanes<Lane>;
    const size_t top = (qlen - 1) / segments;  // lane of the last position
    const auto first = [](size_t n) {
        return n >= S::count ? S::high : S::high & ((uint64_t(1) << (n * S::bits)) - 1);
    };
    return {first(top + 1), first(top), (qlen - 1) % segments};
}

// The correction sweep on offset columns (see striped_global_offset_run).
// Only the F that enters may hold minus infinity (0), so only its first
// extension is floored; the rise and settle tests read real lanes only,
// since padding lanes carry whatever the plain steps left there.
template <typename Lane, bool Settle = false>
uint64_t lazy_f_sweep_global_offset(Lane *h_column, Lane *e_column, size_t segments, uint64_t f, uint64_t open_c,
                                    uint64_t extend_c, const RealLanes<Lane> &real) noexcept {
    using S = SwarLanes<Lane>;
    constexpr size_t L = S::count;
    uint64_t f_extend = swar_nonneg_sub_floor0<Lane>(f, extend_c);
    for (size_t i = 0; i < segments; ++i) {
        Lane *hp = h_column + i * L;
        const uint64_t mask = real.of(i);
        const uint64_t d = (load_word(hp) | S::high) - f;
        const uint64_t h_ge = d & S::high;
        const uint64_t h = f + (d & swar_detail::low_bits_where<Lane>(h_ge));
        const uint64_t h_open = h - open_c;
        if ((~h_ge & mask) != 0) {
            store_word(hp, h);
            Lane *ep = e_column + i * L;
            store_word(ep, swar_nonneg_max<Lane>(load_word(ep), h_open));
        } else if (Settle && ((((h_open | S::high) - f_extend) & mask) == mask)) {
            break;
        }
        f = swar_nonneg_max<Lane>(f_extend, h_open);
        f_extend = f - extend_c;
    }
    return f;
}

namespace striped_global_detail {

// The global kernel on offset columns: a lane holds value - offset, which
// value_offset puts in [1, 2^(w-1)) for every real value, and 0 stands
// for minus infinity. Order and differences are kept, so each maximum and
// gap step gives the same value as in striped_global_run, while the
// non-negative lane operations cost about half as much, and the gap steps,
// which never leave that range for a real value, are plain subtractions.
// Minus infinity only enters with the F of a column's first segment or of a
// sweep; its first extension is floored, which keeps it at 0 as the guarded
// add does. Padding lanes take part in the plain steps and may hold any
// bits; carries and borrows only run from a lane to the one above it, and
// every lane above a padding lane of a word is padding too, so, as there,
// they never feed a real position.
template <typename Lane>
int64_t striped_global_offset_run(StripedProfileCore<Lane> &c, Lane open, Lane extend, int64_t offset) {
    constexpr size_t L = SwarLanes<Lane>::count;
    const size_t qlen = c.query_length, tlen = c.target_length, segs = c.segments;
    // A real value v as its lane: v - offset, in [1, 2^(w-1)).
    const auto lane_of = [offset](int64_t v) { return static_cast<Lane>(v - offset); };
    if (c.h_column_a.size() != segs * L) {
        c.h_column_a.resize(segs * L);
        c.e_column.resize(segs * L);
    }
    {
        // Boundary column as in init_global_boundary, offset; padding 0.
        int64_t h = open;
        for (size_t p = 0; p < segs * L; ++p) {
            const size_t at = (p % segs) * L + p / segs;
            c.h_column_a[at] = p < qlen ? lane_of(h) : Lane(0);
            c.e_column[at] = p < qlen ? lane_of(h + open) : Lane(0);
            h += extend;
        }
    }
    if (c.h_column_b.size() != segs * L)
        c.h_column_b.resize(segs * L);
    std::fill(c.h_column_b.begin(), c.h_column_b.end(), Lane(0));
    Lane *h_prev = c.h_column_a.data();
    Lane *h_cur = c.h_column_b.data();
    Lane *e_col = c.e_column.data();
    const uint64_t open_c = swar_splat<Lane>(-static_cast<int64_t>(open));
    const uint64_t extend_c = swar_splat<Lane>(-static_cast<int64_t>(extend));
    const bool closed_form = open <= extend;
    const RealLanes<Lane> real = real_lanes<Lane>(qlen, segs);
    const int64_t segment_extend = static_cast<int64_t>(extend) * static_cast<int64_t>(segs);
    const Lane *profile_base = c.profile.data();
    int64_t top_left = 0;
    int64_t seed = 2 * static_cast<int64_t>(open);
    InterruptPoll poll;
    for (size_t j = 0; j < tlen; ++j) {
        poll.advance(segs * L);
        const Lane *row = profile_base + c.row_offsets[j];
        uint64_t f = swar_with_lane<Lane>(0, 0, lane_of(seed));
        uint64_t f_extend = swar_with_lane<Lane>(0, 0, lane_of(seed + extend));
        uint64_t h_diag =
            swar_with_lane<Lane>(swar_shift_up<Lane>(load_word(h_prev + (segs - 1) * L)), 0, lane_of(top_left));
        for (size_t i = 0; i < segs; ++i) {
            // Real lanes: every operand and result in [1, 2^(w-1)), so the
            // diagonal sum (signed score, sign bit flipped in and out) and
            // the gap steps are plain word operations that never carry or
            // borrow out of such a lane.
            const uint64_t e = load_word(e_col + i * L);
            const uint64_t diag = swar_nonneg_add_signed<Lane>(h_diag, load_word(row + i * L));
            h_diag = load_word(h_prev + i * L);
            const uint64_t h = swar_nonneg_max<Lane>(swar_nonneg_max<Lane>(diag, e), f);
            store_word(h_cur + i * L, h);
            const uint64_t h_open = h - open_c;
            store_word(e_col + i * L, swar_nonneg_max<Lane>(e - extend_c, h_open));
            f = swar_nonneg_max<Lane>(f_extend, h_open);
            f_extend = f - extend_c;
        }
        if (closed_form) {
            // P(k) as in striped_global_run, on offset lanes (0: minus
            // infinity; a real carry minus the segment's extensions stays
            // a real value).
            uint64_t t = 0;
            int64_t carry = swar_lane<Lane>(f, 0);
            for (unsigned k = 1; k < L; ++k) {
                t = swar_with_lane<Lane>(t, k, static_cast<Lane>(carry));
                if (k + 1 < L) {
                    const int64_t fk = swar_lane<Lane>(f, k);
                    carry = carry == 0 ? fk : std::max(fk, carry + segment_extend);
                }
            }
            lazy_f_sweep_global_offset<Lane, true>(h_cur, e_col, segs, t, open_c, extend_c, real);
        } else {
            for (size_t pass = 0; pass < L; ++pass)
                f = lazy_f_sweep_global_offset<Lane>(h_cur, e_col, segs, swar_shift_up<Lane>(f), open_c, extend_c,
                                                      real);
        }
        std::swap(h_prev, h_cur);
        top_left = j == 0 ? open : top_left + extend;
        seed += extend;
    }
    const size_t last = qlen - 1;
    return swar_lane<Lane>(load_word(h_prev + (last % segs) * L), static_cast<unsigned>(last / segs)) + offset;
}

template <typename Lane>
int64_t striped_global_run(StripedAffineProfile<Lane> &profile) {
    using S = SwarLanes<Lane>;
    constexpr size_t L = S::count;
    StripedProfileCore<Lane> &c = profile.core;
    const Lane open = profile.gap_open;
    const Lane extend = profile.gap_extend;
    const size_t qlen = c.query_length;
    const size_t tlen = c.target_length;
    if (qlen == 0 && tlen == 0)
        return 0;
    if (qlen == 0)
        return gap_run(open, extend, tlen);
    if (tlen == 0)
        return gap_run(open, extend, qlen);
    const ValueOffset offset = value_offset<Lane>(2 * static_cast<int64_t>(open), profile.match, profile.mismatch,
                                                  open, extend, qlen, tlen);
    if (offset.found)
        return striped_global_offset_run<Lane>(c, open, extend, offset.offset);
    const size_t segs = c.segments;
    init_global_boundary<Lane>(profile);
    if (c.h_column_b.size() != segs * L)
        c.h_column_b.resize(segs * L);
    std::fill(c.h_column_b.begin(), c.h_column_b.end(), S::minimum);
    Lane *h_prev = c.h_column_a.data();
    Lane *h_cur = c.h_column_b.data();
    Lane *e_col = c.e_column.data();
    const uint64_t open_w = swar_splat<Lane>(open);
    const uint64_t extend_w = swar_splat<Lane>(extend);
    const uint64_t neg_w = swar_splat<Lane>(S::minimum);
    // open <= extend <= 0: the carried word is completed in closed form and
    // swept once; otherwise L sweeps, each carrying F across one more lane
    // boundary.
    const bool closed_form = open <= extend && extend <= 0;
    const Lane segment_extend = wrap_mul(extend, segs);
    const Lane *profile_base = c.profile.data();
    // D(j), the top-row cell left of column j, and lane 0 of the F seed,
    // 2 * open + extend * j (a vertical gap opened below the top-row cell of
    // column j), advance by extend per column.
    Lane top_left = 0;
    Lane seed = wrap_add(open, open);
    InterruptPoll poll;
    for (size_t j = 0; j < tlen; ++j) {
        poll.advance(segs * L);
        const Lane *row = profile_base + c.row_offsets[j];
        uint64_t f = swar_with_lane<Lane>(neg_w, 0, seed);
        uint64_t f_extend = swar_with_lane<Lane>(neg_w, 0, wrap_add(seed, extend));
        uint64_t h_diag = swar_with_lane<Lane>(swar_shift_up<Lane>(load_word(h_prev + (segs - 1) * L)), 0, top_left);
        for (size_t i = 0; i < segs; ++i) {
            const uint64_t e = load_word(e_col + i * L);
            const uint64_t h = swar_max<Lane>(swar_max<Lane>(swar_add<Lane>(h_diag, load_word(row + i * L)), e), f);
            store_word(h_cur + i * L, h);
            const uint64_t h_open = swar_add<Lane>(h, open_w);
            store_word(e_col + i * L, swar_max<Lane>(swar_add<Lane>(e, extend_w), h_open));
            f = swar_max<Lane>(f_extend, h_open);
            f_extend = swar_add<Lane>(f, extend_w);
            h_diag = load_word(h_prev + i * L);
        }
        if (closed_form) {
            // P(k): the carried value leaving lane k, computed lane by lane;
            // the swept word has NEG in lane 0 and P(k - 1) in lane k.
            uint64_t t = neg_w;
            Lane carry = swar_lane<Lane>(f, 0);
            for (unsigned k = 1; k < L; ++k) {
                t = swar_with_lane<Lane>(t, k, carry);
                if (k + 1 < L) {
                    const Lane fk = swar_lane<Lane>(f, k);
                    if (carry == S::minimum) {
                        carry = fk;
                    } else {
                        const Lane extended = wrap_add(carry, segment_extend);
                        carry = fk > extended ? fk : extended;
                    }
                }
            }
            lazy_f_sweep_global<Lane, true>(h_cur, e_col, segs, t, open_w, extend_w);
        } else {
            for (size_t pass = 0; pass < L; ++pass) {
                f = swar_with_lane<Lane>(swar_shift_up<Lane>(f), 0, S::minimum);
                f = lazy_f_sweep_global<Lane>(h_cur, e_col, segs, f, open_w, extend_w);
            }
        }
        std::swap(h_prev, h_cur);
        top_left = j == 0 ? open : wrap_add(top_left, extend);
        seed = wrap_add(seed, extend);
    }
    const size_t last = qlen - 1;
    return swar_lane<Lane>(load_word(h_prev + (last % segs) * L), static_cast<unsigned>(last / segs));
}

}  // namespace striped_global_detail

template <typename Lane>
int64_t striped_global_affine_padded(StripedAffineProfile<Lane> &profile) {
    return striped_global_detail::striped_global_run<Lane>(profile);
}

// Requires qlen = L * S > 0.
template <typename Lane>
int64_t striped_global_affine_full(StripedAffineProfile<Lane> &profile) {
    return striped_global_detail::striped_global_run<Lane>(profile);
}

// Requires qlen = L * S > 0 and qlen = tlen; the answer is the top lane of
// the last segment, which is where the full variant reads it.
template <typename Lane>
int64_t striped_global_affine_square(StripedAffineProfile<Lane> &profile) {
    return striped_global_detail::striped_global_run<Lane>(profile);
}

// Runs the variant that fits the profile's lengths.
template <typename Lane>
int64_t striped_global_affine(StripedAffineProfile<Lane> &profile) {
    constexpr size_t L = SwarLanes<Lane>::count;
    const uint64_t qlen = profile.core.query_length;
    if (qlen == 0 || qlen != L * striped_segments<Lane>(qlen))
        return striped_global_affine_padded<Lane>(profile);
    if (qlen == profile.core.target_length)
        return striped_global_affine_square<Lane>(profile);
    return striped_global_affine_full<Lane>(profile);
}

// The narrowest striped lane width (8, 16 or 32 bits) whose offset columns
// hold every value of the global affine kernel for this pair, or 64 when
// none does, a gap value is positive or a side is empty. A lane width that
// value_offset_in_bits accepts runs the offset columns, which give the exact
// score whenever they hold every value, so the answer is the one of any
// wider lanes. The accepted value range also holds the four scoring values
// (each lies between the lowest and the highest value when both sides are
// non-empty); they are checked again so that a looser range could never
// narrow a value. Scoring values within 32 bits (the caller's width rule
// chose 16 or 32), so 2 * open cannot overflow.
inline unsigned narrowest_global_affine_lanes(int64_t match, int64_t mismatch, int64_t gap_open, int64_t gap_extend,
                                              uint64_t qlen, uint64_t tlen) noexcept {
    if (qlen == 0 || tlen == 0)
        return 64;
    for (const unsigned bits : {8u, 16u, 32u}) {
        const int64_t limit = int64_t(1) << (bits - 1);
        const auto fits = [limit](int64_t v) { return v >= -limit && v < limit; };
        if (fits(match) && fits(mismatch) && fits(gap_open) && fits(gap_extend) &&
            value_offset_in_bits(bits, 2 * gap_open, match, mismatch, gap_open, gap_extend, qlen, tlen).found)
            return bits;
    }
    return 64;
}

// One-shot global affine score on `profile`, refilled in place (its storage
// reused; the batch entry points keep one profile across their targets).
template <typename Lane>
int64_t striped_global_affine_score(StripedAffineProfile<Lane> &profile, const uint8_t *query, size_t qlen,
                                   const uint8_t *target, size_t tlen, int64_t match, int64_t mismatch,
                                   int64_t gap_open, int64_t gap_extend) {
    rebuild_striped_affine_profile<Lane>(profile, query, qlen, target, tlen, match, mismatch, gap_open,
                                         gap_extend);
    return striped_global_affine<Lane>(profile);
}

// One-shot global affine score: build, run, release (also on an exception).
template <typename Lane>
int64_t striped_global_affine_score(const uint8_t *query, size_t qlen, const uint8_t *target, size_t tlen,
                                   int64_t match, int64_t mismatch, int64_t gap_open, int64_t gap_extend) {
    StripedAffineProfile<Lane> profile;
    return striped_global_affine_score<Lane>(profile, query, qlen, target, tlen, match, mismatch, gap_open, gap_extend);
}

}  // namespace veltrocamber::align
