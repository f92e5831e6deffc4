// Levenshtein distance kernels: the bit-parallel column recurrence over a
// query held as one bit per position in 64-bit words, the target streamed one
// symbol per column.
//
// Conventions shared by every kernel here:
// - The distance is tracked from the bit of the last query position; it
//   starts at the query length and moves by at most one per column.
// - A cutoff c makes a kernel stop as soon as the remaining columns cannot
//   bring the distance down to c; the answer is then min(distance, c + 1).
//   NO_CUTOFF (all bits set) means there is none, and then no early stop is
//   ever taken (the test would wrap around and fire on a correct path).
// - An empty side answers the other side's length, unclamped.
// - Only bits at or below the last query position matter (see
//   bit_parallel_roads.hpp).
// - The columns run in runs counted in the call's InterruptPoll
//   (polled_runs.hpp), which may raise between two runs.
//
// The kernels are instances of the shared bit-parallel roads
// (bit_parallel_roads.hpp) with the Levenshtein recurrence below; the
// blocked recurrence of the entry points runs on diagonal bands.
//
// No Python here: the kernels take raw symbol pointers and lengths.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "distance/bit_parallel_roads.hpp"
#include "distance/polled_runs.hpp"
#include "distance/prepared_levenshtein_score.hpp"
#include "distance/word_arithmetic.hpp"
#include "module/interrupt_poll.hpp"

namespace veltrocamber::levenshtein {

inline constexpr uint64_t NO_CUTOFF = ~uint64_t{0};

// The distance never exceeds the longer length, so a cutoff at or above it
// cannot clamp anything and is dropped. This also keeps cutoff + remaining
// columns far from wrapping in the early-stop test.
inline uint64_t effective_cutoff(uint64_t cutoff, size_t lq, size_t lt) noexcept {
    return cutoff >= std::max<uint64_t>(lq, lt) ? NO_CUTOFF : cutoff;
}

// min(d, cutoff + 1), for distances found without running the recurrence.
inline uint64_t clamp_to_cutoff(uint64_t d, uint64_t cutoff) noexcept {
    return cutoff != NO_CUTOFF && d > cutoff ? cutoff + 1 : d;
}

namespace detail {

// One column over a one-word query. Returns +1, -1 or 0, the change of the
// distance at the last query position.
inline int64_t single_word_step(uint64_t pm, uint64_t &vp, uint64_t &vn, uint64_t last_bit) noexcept {
    const uint64_t x = pm | vn;
    const uint64_t d0 = (((x & vp) + vp) ^ vp) | x;
    uint64_t hp = vn | ~(d0 | vp);
    uint64_t hn = d0 & vp;
    // Branch-free: the sign of the step is as random as the data.
    const int64_t delta = static_cast<int64_t>((hp & last_bit) != 0) - static_cast<int64_t>((hn & last_bit) != 0);
    hp = (hp << 1) | 1;
    hn = hn << 1;
    vp = hn | ~(d0 | hp);
    vn = hp & d0;
    return delta;
}

// One column over a query of `blocks` words: the one-word step on a long
// integer, with the carry of the addition and the shifted-out top bits of HP
// and HN passed from each word to the next. HP enters the first word with a 1
// (the top row grows by one per column).
inline int64_t blocked_step(const uint64_t *pm, uint64_t *vp, uint64_t *vn, size_t blocks,
                            uint64_t last_bit) noexcept {
    unsigned char add_carry = 0;
    uint64_t hp_carry = 1;
    uint64_t hn_carry = 0;
    uint64_t hp = 0;
    uint64_t hn = 0;
    for (size_t k = 0; k < blocks; ++k) {
        const uint64_t x = pm[k] | vn[k];
        const uint64_t v = vp[k];
        const uint64_t sum = distance::add_with_carry(v, v & x, add_carry);
        distance::finish_word((sum ^ v) | x, vp[k], vn[k], hp_carry, hn_carry, hp, hn);
    }
    return static_cast<int64_t>((hp & last_bit) != 0) - static_cast<int64_t>((hn & last_bit) != 0);
}

}  // namespace detail

// The recurrence over a one-word query of lq (1 to 64) symbols against a
// non-empty target. `mask_of(symbol)` gives the query's pattern mask of a
// target symbol.
template <typename Symbol, typename MaskOf>
uint64_t single_word_columns(MaskOf &&mask_of, size_t lq, const Symbol *target, size_t lt, uint64_t cutoff,
                             InterruptPoll &poll) {
    uint64_t vp = distance::low_bits(lq);
    uint64_t vn = 0;
    const uint64_t last_bit = uint64_t{1} << (lq - 1);
    uint64_t d = lq;
    if (cutoff == NO_CUTOFF) {
        distance::in_polled_runs(poll, lt, 1, [&](size_t begin, size_t end) {
            for (size_t j = begin; j < end; ++j)
                d += static_cast<uint64_t>(detail::single_word_step(mask_of(target[j]), vp, vn, last_bit));
            return true;
        });
        return d;
    }
    // After column j the distance can still fall by lt - 1 - j.
    uint64_t limit = cutoff + lt;
    bool stopped = false;
    distance::in_polled_runs(poll, lt, 1, [&](size_t begin, size_t end) {
        for (size_t j = begin; j < end; ++j) {
            d += static_cast<uint64_t>(detail::single_word_step(mask_of(target[j]), vp, vn, last_bit));
            --limit;
            if (d > limit) {
                stopped = true;
                return false;
            }
        }
        return true;
    });
    return stopped ? cutoff + 1 : d;
}

// The recurrence over a query of lq > 0 symbols in `blocks` words against a
// non-empty target. `masks_of(symbol)` points at the symbol's `blocks` mask
// words; vp and vn are the caller's scratch of `blocks` words each.
template <typename Symbol, typename MasksOf>
uint64_t blocked_columns(MasksOf &&masks_of, size_t lq, const Symbol *target, size_t lt, uint64_t cutoff,
                         uint64_t *vp, uint64_t *vn, InterruptPoll &poll) {
    const size_t blocks = distance::block_count(lq);
    const size_t in_last = lq - distance::WORD_BITS * (blocks - 1);
    std::fill(vp, vp + blocks, ~uint64_t{0});
    vp[blocks - 1] = distance::low_bits(in_last);
    std::fill(vn, vn + blocks, uint64_t{0});
    const uint64_t last_bit = uint64_t{1} << (in_last - 1);
    uint64_t d = lq;
    size_t run_end = 0;  // one column loop (polled_runs.hpp)
    if (cutoff == NO_CUTOFF) {
        for (size_t j = 0; j < lt; ++j) {
            if (j == run_end)
                run_end = distance::polled_run_end(poll, j, lt, blocks);
            d += static_cast<uint64_t>(detail::blocked_step(masks_of(target[j]), vp, vn, blocks, last_bit));
        }
        return d;
    }
    uint64_t limit = cutoff + lt;
    for (size_t j = 0; j < lt; ++j) {
        if (j == run_end)
            run_end = distance::polled_run_end(poll, j, lt, blocks);
        d += static_cast<uint64_t>(detail::blocked_step(masks_of(target[j]), vp, vn, blocks, last_bit));
        --limit;
        if (d > limit)
            return cutoff + 1;
    }
    return d;
}

// Words that a band of half-width k runs per column at its widest.
inline size_t band_width(uint64_t k, size_t blocks) noexcept {
    return static_cast<size_t>(std::min<uint64_t>(blocks, (2 * k) / distance::WORD_BITS + 2));
}

// Whether a band of half-width k runs at most `share` of all the words.
inline bool band_pays(uint64_t k, size_t blocks, size_t share) noexcept {
    return k < distance::WORD_BITS * blocks && share * band_width(k, blocks) <= blocks;
}

// The largest distance that the band of half-width k (at least the length
// gap g) finds exactly: 2k - g.
inline uint64_t band_reach(uint64_t k, uint64_t gap) noexcept { return 2 * k - gap; }

// The least half-width whose band finds a distance of up to d exactly.
inline uint64_t band_for(uint64_t d, uint64_t gap) noexcept { return std::max(gap, (d + gap + 1) / 2); }

// The recurrence restricted to a diagonal band, for lq > 0, lt > 0 and
// g = |lq - lt| <= k: the cells at most k rows from both the main diagonal
// and the diagonal of the last cell. A path from the origin to the last
// cell that passes a cell d rows off the main diagonal costs at least d to
// reach it and at least its distance from the last cell's diagonal to go on,
// so every path of cost at most 2k - g stays within the band. Only the words
// that hold the band's rows of a column are computed:
// - a word entering at the bottom of the band starts with VP all ones below
//   the last row of the word above it (each of its rows one more than the
//   row above), an upper bound on the true column;
// - a word that the band has left at the top is no longer computed, and the
//   word below it then takes the carries of the top row (its upper
//   neighbour's row growing by one per column), again an upper bound.
// Every computed cell is therefore at least its true distance, and exact
// wherever an optimal path to it stays within the band, so the answer is an
// upper bound on the distance that equals it when the distance is at most
// 2k - g (`band_reach`). The distance is tracked at the last row of the
// band's bottom word. vp and vn are the caller's scratch of
// block_count(lq) words each.
//
// A caller that only wants a bound if it is small may set `give_up_above`:
// after columns lt / 64, lt / 32, ..., lt / 2 the edits gathered so far (the
// tracked distance less its least possible value, the tracked row's distance
// from the column) are projected to the whole target at the same pace, and a
// projection above `give_up_above` abandons the run: the answer is then
// NO_CUTOFF, no bound, and `projected` receives the projection. Only the
// time of the caller's next step depends on it, never a result.
//
// The poll counts every column as the band's widest (band_width words).
template <typename Symbol, typename MasksOf>
uint64_t banded_blocked_columns(MasksOf &&masks_of, size_t lq, const Symbol *target, size_t lt, uint64_t k,
                                uint64_t *vp, uint64_t *vn, InterruptPoll &poll, uint64_t give_up_above = NO_CUTOFF,
                                uint64_t *projected = nullptr) {
    k = std::min<uint64_t>(k, lq + lt);  // a wider band holds nothing more, and the row sums below cannot wrap
    const size_t blocks = distance::block_count(lq);
    const size_t in_last = lq - distance::WORD_BITS * (blocks - 1);
    const auto rows_in = [&](size_t b) -> uint64_t { return b + 1 == blocks ? in_last : distance::WORD_BITS; };
    const auto enter = [&](size_t b) {
        vp[b] = distance::low_bits(rows_in(b));
        vn[b] = 0;
    };
    // First and last rows (1-based) that column c (1-based) needs; both
    // only move down from column to column.
    const auto first_row = [&](uint64_t c) -> uint64_t {
        uint64_t r = 1;
        if (c > k)
            r = std::max<uint64_t>(r, c - k);
        if (lq + c > lt + k)
            r = std::max<uint64_t>(r, lq + c - lt - k);
        return r;
    };
    const auto last_row = [&](uint64_t c) -> uint64_t {
        return std::min<uint64_t>({lq, c + k, lq + c + k - lt});  // lq + k >= lt: no wrap
    };
    // The words from the first row's to the last row's. Their number
    // changes at most once in 32 columns, so the word loop's exit stays
    // predicted; the band's corners, where it meets the first and the last
    // row, run fewer words, which spares a quarter of all the words to a
    // band as wide as the longer side (whose reach is every distance).
    const auto word_of = [](uint64_t row) -> size_t { return static_cast<size_t>((row - 1) / distance::WORD_BITS); };
    size_t hi = word_of(last_row(1));
    for (size_t b = 0; b <= hi; ++b)
        enter(b);
    uint64_t d = distance::WORD_BITS * hi + rows_in(hi);  // the bottom word's last row, column 0
    // The next check is after column lt >> shift; none when shift is 0.
    unsigned shift = give_up_above == NO_CUTOFF ? 0 : 6;
    while (shift > 0 && (lt >> shift) == 0)
        --shift;
    const size_t widest = band_width(k, blocks);
    size_t run_end = 0;  // one column loop (polled_runs.hpp)
    for (size_t j = 0; j < lt; ++j) {
        if (j == run_end)
            run_end = distance::polled_run_end(poll, j, lt, widest);
        const uint64_t c = j + 1;
        const size_t lo = word_of(first_row(c));
        const size_t last = word_of(last_row(c));
        while (hi < last) {
            ++hi;
            enter(hi);
            d += rows_in(hi);
        }
        const uint64_t bit = uint64_t{1} << (rows_in(hi) - 1);
        d += static_cast<uint64_t>(detail::blocked_step(distance::masks_in(masks_of, target[j], lo, hi) + lo, vp + lo,
                                                        vn + lo, hi - lo + 1, bit));
        if (shift > 0 && c == (lt >> shift)) {
            // c is at most lt / 2^shift, so the pace is projected to at
            // least (edits << shift); d is at least its least possible value.
            const uint64_t row = distance::WORD_BITS * hi + rows_in(hi);
            const uint64_t pace = (d - (row > c ? row - c : c - row)) << shift;
            if (pace > give_up_above) {
                if (projected != nullptr)
                    *projected = pace;
                return NO_CUTOFF;
            }
            while (shift > 0 && (lt >> shift) <= c)
                --shift;
        }
    }
    return d;
}

// The blocked distance of the entry points (lq > 64, lt > 0): with a
// cutoff c, the band that finds every distance up to c exactly when it runs
// at most half the words (a larger distance comes out above c, whatever the
// band gives, as the band's answer is an upper bound).
//
// Without one, bands of growing half-width k, so that a pair at distance d
// costs about n x d / 64 word steps rather than the n^2 / 64 of every word
// (`scratch` holds 2 x block_count(lq) words):
// - a band's answer is exact when it is within the band's reach; otherwise
//   it is an upper bound, and the band that reaches it is exact;
// - each band gives up early when its edits so far, projected to the whole
//   target, pass twice its reach; the next band then reaches a quarter
//   more than the projection (a random pair's projection is about its
//   length, and it goes straight to every word after a 64th of the columns
//   of the first, narrowest band);
// - a band that runs to the end without being exact is followed by the band
//   that reaches its answer when that is at most twice as wide, by twice as
//   wide a band otherwise;
// - once a band would run more than half the words, the band that reaches
//   the longer side's length (every distance) runs instead: every word but
//   the two corners that no path of that cost enters.
// A pair whose edits come at an even pace is thus settled by one band
// reaching a quarter more than needed after a narrow first one, and the
// bands of any other pair grow geometrically, so that the total is a small
// multiple of the last band. Whether a band gives up changes only the time:
// every answer comes from a band that reaches it.
template <typename Symbol, typename MasksOf>
uint64_t blocked_distance(MasksOf &&masks_of, size_t lq, const Symbol *target, size_t lt, uint64_t cutoff,
                          uint64_t *scratch, InterruptPoll &poll) {
    const size_t blocks = distance::block_count(lq);
    uint64_t *vp = scratch;
    uint64_t *vn = scratch + blocks;
    const uint64_t gap = lq > lt ? lq - lt : lt - lq;
    if (cutoff != NO_CUTOFF) {
        if (gap > cutoff)
            return cutoff + 1;
        const uint64_t k = band_for(cutoff, gap);
        if (!band_pays(k, blocks, 2))
            return blocked_columns(masks_of, lq, target, lt, cutoff, vp, vn, poll);
        return clamp_to_cutoff(banded_blocked_columns(masks_of, lq, target, lt, k, vp, vn, poll), cutoff);
    }
    // The first band leaves the paths room to wander half a word off both
    // diagonals: a band only as wide as the length gap would lose a path that
    // wanders to the other side of the main diagonal at once. Every k below
    // stays under 80 (lq + lt) (a projection is at most 64 times the
    // edits), far from wrapping.
    uint64_t k = gap + distance::WORD_BITS / 2;
    uint64_t bound = NO_CUTOFF;  // the least upper bound found so far
    while (band_pays(k, blocks, 2)) {
        uint64_t projected = 0;
        const uint64_t reach = band_reach(k, gap);
        const uint64_t got = banded_blocked_columns(masks_of, lq, target, lt, k, vp, vn, poll, 2 * reach, &projected);
        if (got <= reach)
            return got;
        uint64_t next = 2 * k;
        if (got == NO_CUTOFF)
            next = std::max(next, band_for(projected + projected / 4, gap));
        else
            bound = std::min(bound, got);
        if (bound != NO_CUTOFF && band_for(bound, gap) <= next) {
            const uint64_t last = band_for(bound, gap);
            if (band_pays(last, blocks, 2))
                return banded_blocked_columns(masks_of, lq, target, lt, last, vp, vn, poll);
            break;
        }
        k = next;
    }
    // No distance exceeds the longer side, so the band that reaches it is
    // exact.
    return banded_blocked_columns(masks_of, lq, target, lt, band_for(std::max(lq, lt), gap), vp, vn, poll);
}

// The Levenshtein recurrence for the shared bit-parallel roads, with the
// caller's cutoff (dropped for a pair whose lengths it cannot clamp). The
// entry points' blocked form runs on diagonal bands; the plain kernels
// (`banded` false) run every word of every column.
struct LevenshteinRecurrence {
    static constexpr size_t SCRATCH_PER_BLOCK = 2;  // VP, VN
    static constexpr bool READS_ZERO_ROW = false;
    static constexpr bool TRIMS_PREPARED = true;

    uint64_t cutoff = NO_CUTOFF;
    bool banded = true;

    uint64_t clamp(uint64_t d) const noexcept { return clamp_to_cutoff(d, cutoff); }

    template <typename Symbol, typename MaskOf>
    uint64_t one_word(MaskOf &&mask_of, size_t lq, const Symbol *target, size_t lt, InterruptPoll &poll) const {
        return single_word_columns(mask_of, lq, target, lt, effective_cutoff(cutoff, lq, lt), poll);
    }

    template <typename Symbol, typename MasksOf>
    uint64_t blocked(MasksOf &&masks_of, const uint64_t *, size_t lq, const Symbol *target, size_t lt,
                     uint64_t *scratch, InterruptPoll &poll) const {
        const uint64_t c = effective_cutoff(cutoff, lq, lt);
        if (banded)
            return blocked_distance(masks_of, lq, target, lt, c, scratch, poll);
        return blocked_columns(masks_of, lq, target, lt, c, scratch, scratch + distance::block_count(lq), poll);
    }
};

// ---------------------------------------------------------------------------
// The kernels on their own, each call with a poll of its own
// ---------------------------------------------------------------------------

// Query of at most 64 bytes; the pattern table lives in this frame.
inline uint64_t levenshtein_single_word(const uint8_t *query, size_t lq, const uint8_t *target, size_t lt,
                                        uint64_t cutoff) {
    InterruptPoll poll;
    return distance::bit_parallel_single_word(LevenshteinRecurrence{cutoff, false}, query, lq, target, lt, poll);
}

// Byte strings of any length; queries of up to 64 bytes go to the one-word
// kernel.
inline uint64_t levenshtein_blocked(const uint8_t *query, size_t lq, const uint8_t *target, size_t lt,
                                    uint64_t cutoff) {
    if (lq == 0)
        return lt;
    if (lt == 0)
        return lq;
    if (lq <= distance::WORD_BITS)
        return levenshtein_single_word(query, lq, target, lt, cutoff);
    InterruptPoll poll;
    return distance::bit_parallel_blocked_bytes(LevenshteinRecurrence{cutoff, false}, query, lq, target, lt, poll);
}

// The token members. 8-bit tokens are bytes and run the byte member; wider
// tokens take their masks from the hash map and always run the blocked form
// (one word for short queries).
template <typename Token>
uint64_t levenshtein_blocked(uint64_t cutoff, const std::vector<Token> &query, const std::vector<Token> &target) {
    const size_t lq = query.size();
    const size_t lt = target.size();
    if constexpr (sizeof(Token) == 1) {
        return levenshtein_blocked(query.data(), lq, target.data(), lt, cutoff);
    } else {
        if (lq == 0)
            return lt;
        if (lt == 0)
            return lq;
        InterruptPoll poll;
        return distance::bit_parallel_blocked_tokens(LevenshteinRecurrence{cutoff, false}, query.data(), lq,
                                                     target.data(), lt, poll);
    }
}

// ---------------------------------------------------------------------------
// The roads of the entry points: common affixes dropped, the band where it
// pays, the columns counted in the caller's poll
// ---------------------------------------------------------------------------

// The byte path.
inline uint64_t levenshtein_bytes(const uint8_t *query, size_t lq, const uint8_t *target, size_t lt,
                                  uint64_t cutoff, InterruptPoll &poll) {
    return distance::bit_parallel_bytes(LevenshteinRecurrence{cutoff}, query, lq, target, lt, poll);
}

// The token path (a vector, or a span over str storage): the byte road for
// 8-bit tokens, the token masks otherwise (in the frame for a one-word
// rest).
template <typename Tokens>
uint64_t levenshtein_tokens(uint64_t cutoff, const Tokens &query, const Tokens &target, InterruptPoll &poll) {
    return distance::bit_parallel_tokens(LevenshteinRecurrence{cutoff}, query, target, poll);
}

// The distance of a prepared query to a byte target. `work` is scratch for
// VP and VN, grown when a blocked query needs it.
inline uint64_t prepared_levenshtein_distance(const PreparedLevenshteinScoreU8 &p, const uint8_t *target, size_t lt,
                                              uint64_t cutoff, std::vector<uint64_t> &work, InterruptPoll &poll) {
    return distance::bit_parallel_prepared(LevenshteinRecurrence{cutoff}, p, target, lt, work, poll);
}

}  // namespace veltrocamber::levenshtein
