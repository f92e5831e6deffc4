// Striped query profiles for the SWAR alignment kernels.
//
// Layout. With L lanes per word and a query of qlen symbols, a column of the
// dynamic-programming matrix (one target position) is S = ceil(qlen / L)
// words; query position p lives in word p mod S, lane p div S. Positions
// qlen .. L*S - 1 are padding, always in the highest lanes of the last words.
//
// Profile rows. One row of S words per distinct QUERY symbol (in order of
// first appearance), and one last row for every symbol the query lacks; a
// target position finds its row through one row-offset load. In the row of
// symbol c, lane k of word i scores query position k*S + i against c: match
// or mismatch, and the lane minimum for a padding position; the last row
// holds only mismatches there. The rows depend on the query and the two
// scores alone, so a batch of one query keeps them from target to target
// and only maps each new target onto them. Padding with the minimum (rather
// than the mismatch value) keeps a positive mismatch from carrying a local
// score past the end of the query; the local cells of padding lanes are then
// floored at 0, and the global kernels never read them.
//
// A profile owns all its vectors, which are 64-byte aligned; nothing in it
// points into the symbol codes it was built from.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <new>
#include <type_traits>
#include <vector>

#include "align/score_shortcuts.hpp"
#include "align/swar_lanes.hpp"

namespace veltrocamber::align {

template <typename T>
struct Aligned64Allocator {
    using value_type = T;
    Aligned64Allocator() noexcept = default;
    template <typename U>
    Aligned64Allocator(const Aligned64Allocator<U> &) noexcept {}
    T *allocate(size_t n) {
        if (n > static_cast<size_t>(-1) / sizeof(T))
            throw std::bad_alloc();
        return static_cast<T *>(::operator new(n * sizeof(T), std::align_val_t{64}));
    }
    void deallocate(T *p, size_t) noexcept { ::operator delete(p, std::align_val_t{64}); }
    template <typename U>
    bool operator==(const Aligned64Allocator<U> &) const noexcept {
        return true;
    }
};

template <typename T>
using AlignedVector = std::vector<T, Aligned64Allocator<T>>;

inline constexpr uint16_t no_profile_row = 0xFFFF;
using RowOfSymbol = std::array<uint16_t, 256>;

template <typename Lane>
inline size_t striped_segments(size_t qlen) noexcept {
    constexpr size_t L = SwarLanes<Lane>::count;
    return (qlen + L - 1) / L;
}

// What every striped profile holds beyond its gap values: the lengths, the
// segment count (0 when nothing was built), the row map (every code to its
// row; all no_profile_row when nothing was built), the row offset of each
// target position (in lane elements), the profile rows and the work vectors
// the kernels use (two H columns and one E column, S words each, and for the
// local kernels on non-negative lanes one column of 2 S words, H and E
// interleaved). The rows were built for rows_query with rows_match and
// rows_mismatch when rows_built is set.
template <typename Lane>
struct StripedProfileCore {
    uint64_t query_length = 0;
    uint64_t target_length = 0;
    uint64_t segments = 0;
    RowOfSymbol row_of_symbol{};
    std::vector<uint64_t> row_offsets;
    AlignedVector<Lane> profile;
    AlignedVector<Lane> h_column_a;
    AlignedVector<Lane> h_column_b;
    AlignedVector<Lane> e_column;
    AlignedVector<Lane> he_column;
    std::vector<uint8_t> rows_query;
    Lane rows_match = 0;
    Lane rows_mismatch = 0;
    bool rows_built = false;

    const Lane *row(size_t j) const noexcept { return profile.data() + row_offsets[j]; }
};

// The rows and the row map of `core` for this query and these scores, laid
// out as told at the top of this file (storage reused). The rows differ only
// where the query has their symbol, so the first is laid out (mismatches,
// the minimum on padding positions), copied to the others, and each query
// position then sets its match in its own symbol's row: a profile of many
// rows costs a copy per row, not a test per lane.
template <typename Lane>
void fill_striped_rows(StripedProfileCore<Lane> &core, const uint8_t *query, size_t qlen, Lane match,
                       Lane mismatch, size_t segments) {
    constexpr size_t L = SwarLanes<Lane>::count;
    core.rows_built = false;  // until every part below is in place (an allocation may throw)
    size_t symbol_count = 0;
    core.row_of_symbol.fill(no_profile_row);
    for (size_t p = 0; p < qlen; ++p) {
        uint16_t &row = core.row_of_symbol[query[p]];
        if (row == no_profile_row)
            row = static_cast<uint16_t>(symbol_count++);
    }
    const auto absent_row = static_cast<uint16_t>(symbol_count);
    for (uint16_t &row : core.row_of_symbol)
        if (row == no_profile_row)
            row = absent_row;
    const size_t row_lanes = segments * L;
    core.profile.assign((symbol_count + 1) * row_lanes, mismatch);
    Lane *rows = core.profile.data();
    for (size_t p = qlen; p < row_lanes; ++p)
        rows[(p % segments) * L + p / segments] = SwarLanes<Lane>::minimum;
    for (size_t r = 1; r <= symbol_count; ++r)
        std::copy(rows, rows + row_lanes, rows + r * row_lanes);
    // Position p = k * segments + i is lane k of word i.
    for (size_t p = 0, i = 0, k = 0; p < qlen; ++p) {
        rows[core.row_of_symbol[query[p]] * row_lanes + i * L + k] = match;
        if (++i == segments) {
            i = 0;
            ++k;
        }
    }
    core.rows_query.assign(query, query + qlen);
    core.rows_match = match;
    core.rows_mismatch = mismatch;
    core.rows_built = true;
}

// Fills the core from the codes: nothing but the lengths and an empty row map
// when a side is empty. A core that was filled before keeps its storage, and
// its rows when the query and the scores are the ones they were built for,
// so a batch that refills one core per target builds the rows once and
// allocates only when a target needs more room than the ones before.
template <typename Lane>
void build_striped_core(StripedProfileCore<Lane> &core, const uint8_t *query, size_t qlen, const uint8_t *target,
                        size_t tlen, Lane match, Lane mismatch) {
    constexpr size_t L = SwarLanes<Lane>::count;
    core.query_length = qlen;
    core.target_length = tlen;
    core.segments = 0;
    core.row_offsets.clear();
    if (qlen == 0 || tlen == 0) {
        core.row_of_symbol.fill(no_profile_row);
        core.rows_built = false;
        return;
    }
    const size_t S = striped_segments<Lane>(qlen);
    const bool rows_kept = core.rows_built && core.rows_match == match && core.rows_mismatch == mismatch &&
                           std::equal(query, query + qlen, core.rows_query.begin(), core.rows_query.end());
    if (!rows_kept)
        fill_striped_rows<Lane>(core, query, qlen, match, mismatch, S);
    core.row_offsets.resize(tlen);
    for (size_t j = 0; j < tlen; ++j)
        core.row_offsets[j] = static_cast<uint64_t>(core.row_of_symbol[target[j]]) * S * L;
    core.h_column_a.assign(S * L, Lane(0));
    core.h_column_b.assign(S * L, Lane(0));
    core.e_column.assign(S * L, Lane(0));
    core.he_column.assign(2 * S * L, Lane(0));
    core.segments = S;
}

template <typename Lane>
struct StripedAffineProfile {
    Lane gap_open = 0;
    Lane gap_extend = 0;
    // The profile's two scores, kept for the global kernel's value range.
    Lane match = 0;
    Lane mismatch = 0;
    StripedProfileCore<Lane> core;
};

template <typename Lane>
struct StripedLinearProfile {
    Lane gap = 0;
    // The profile's two scores, kept for the kernel's value range.
    Lane match = 0;
    Lane mismatch = 0;
    // The closed-form answer for this pair and scoring, taken once at build;
    // when handled, nothing else is built.
    int64_t shortcut_score = 0;
    bool shortcut_handled = false;
    StripedProfileCore<Lane> core;
};

// The offset of the offset columns of the global affine kernel: one below
// every value its computation takes, when gap_open <= 0, gap_extend <= 0 and
// all those values then fit in [offset + 1, offset + 2^(w-1) - 1];
// otherwise none (found = false). With o = open, e = extend, n = qlen +
// tlen, s = min(match, mismatch, 0):
//   - every H is at least Hlow = lowest_h + e * n, lowest_h being the
//     caller's floor before extensions (2 * o for global, whose all-gap
//     path opens two gaps; a border cell opens one);
//   - a diagonal sum is an H plus match or mismatch: at least Hlow + s;
//   - every E or F the kernel stores or carries is a maximum that includes
//     some H (a diagonal sum or better) plus o, so at least Hlow + s + o:
//     the F word is refreshed against H + o at every segment, and a carried
//     lane is the maximum of its own F and the carry, never the carry's
//     extensions alone;
//   - the one value below those is a single extension of an E, F or carried
//     word (E + e, F + e), so the lowest value is Hlow + s + o + e;
//   - the border cells, the F seed 2 * o + e * j and its first extension
//     (j < tlen) lie above it.
// No value exceeds max(match, mismatch, 0) * min(qlen, tlen): no alignment
// has more substitution columns, and gaps only take away. So the values
// span highest - lowest + 1 levels, which is what the lane must hold; the
// width rule's bound (largest magnitude x n) is not needed. Taken in 128
// bits, so no length or scoring value can overflow the estimate.
struct ValueOffset {
    int64_t offset;
    bool found;
};

inline ValueOffset value_offset_in_bits(unsigned bits, int64_t lowest_h, int64_t match, int64_t mismatch,
                                        int64_t open, int64_t extend, uint64_t qlen, uint64_t tlen) noexcept {
    if (open > 0 || extend > 0)
        return {0, false};
    using Wide = __int128;
    const Wide n = static_cast<Wide>(qlen) + static_cast<Wide>(tlen);
    const Wide lowest_h_extended = static_cast<Wide>(lowest_h) + static_cast<Wide>(extend) * n;
    const Wide lowest = lowest_h_extended + std::min({int64_t(0), match, mismatch}) + open + extend;
    const Wide highest = static_cast<Wide>(std::max({int64_t(0), match, mismatch})) * std::min(qlen, tlen);
    const Wide offset = lowest - 1;
    if (highest - offset >= (Wide(1) << (bits - 1)))
        return {0, false};
    return {static_cast<int64_t>(offset), true};
}

template <typename Lane>
ValueOffset value_offset(int64_t lowest_h, Lane match, Lane mismatch, Lane open, Lane extend, uint64_t qlen,
                         uint64_t tlen) noexcept {
    return value_offset_in_bits(SwarLanes<Lane>::bits, lowest_h, match, mismatch, open, extend, qlen, tlen);
}

using StripedAffineProfile8 = StripedAffineProfile<int8_t>;
using StripedAffineProfile16 = StripedAffineProfile<int16_t>;
using StripedAffineProfile32 = StripedAffineProfile<int32_t>;
using StripedLinearProfile8 = StripedLinearProfile<int8_t>;
using StripedLinearProfile16 = StripedLinearProfile<int16_t>;
using StripedLinearProfile32 = StripedLinearProfile<int32_t>;

// Scoring values arrive as signed 64-bit and are narrowed to the lane type
// (the kernel-width rule guarantees that they fit).
template <typename Lane>
void rebuild_striped_affine_profile(StripedAffineProfile<Lane> &p, const uint8_t *query, size_t qlen,
                                    const uint8_t *target, size_t tlen, int64_t match, int64_t mismatch,
                                    int64_t gap_open, int64_t gap_extend) {
    p.gap_open = static_cast<Lane>(gap_open);
    p.gap_extend = static_cast<Lane>(gap_extend);
    p.match = static_cast<Lane>(match);
    p.mismatch = static_cast<Lane>(mismatch);
    build_striped_core<Lane>(p.core, query, qlen, target, tlen, static_cast<Lane>(match),
                             static_cast<Lane>(mismatch));
}

template <typename Lane>
StripedAffineProfile<Lane> build_striped_affine_profile(const uint8_t *query, size_t qlen, const uint8_t *target,
                                                        size_t tlen, int64_t match, int64_t mismatch,
                                                        int64_t gap_open, int64_t gap_extend) {
    StripedAffineProfile<Lane> p;
    rebuild_striped_affine_profile<Lane>(p, query, qlen, target, tlen, match, mismatch, gap_open, gap_extend);
    return p;
}

// One affine profile per lane width, refilled target after target by a
// batch so that their storage is reused.
struct StripedAffineScratch {
    StripedAffineProfile<int8_t> p8;
    StripedAffineProfile<int16_t> p16;
    StripedAffineProfile<int32_t> p32;

    template <typename Lane>
    StripedAffineProfile<Lane> &get() noexcept {
        if constexpr (std::is_same_v<Lane, int8_t>)
            return p8;
        else if constexpr (std::is_same_v<Lane, int16_t>)
            return p16;
        else
            return p32;
    }
};

template <typename Lane>
StripedLinearProfile<Lane> build_striped_linear_profile(const uint8_t *query, size_t qlen, const uint8_t *target,
                                                        size_t tlen, int64_t match, int64_t mismatch, int64_t gap) {
    StripedLinearProfile<Lane> p;
    p.gap = static_cast<Lane>(gap);
    p.match = static_cast<Lane>(match);
    p.mismatch = static_cast<Lane>(mismatch);
    const ShortcutAnswer shortcut = local_score_shortcut<uint8_t>(query, qlen, target, tlen, match, mismatch, gap);
    p.shortcut_score = shortcut.score;
    p.shortcut_handled = shortcut.handled;
    if (shortcut.handled) {
        p.core.query_length = qlen;
        p.core.target_length = tlen;
        p.core.row_of_symbol.fill(no_profile_row);
        return p;
    }
    build_striped_core<Lane>(p.core, query, qlen, target, tlen, static_cast<Lane>(match), static_cast<Lane>(mismatch));
    return p;
}

}  // namespace veltrocamber::align
