// Scalar alignment score kernels: Smith-Waterman (local) and Needleman-Wunsch
// (global) scores with linear or affine (Gotoh) gaps, by plain dynamic
// programming over two rolling rows, without traceback.
//
// Conventions shared by every kernel here:
// - Query symbols are the outer loop, target symbols the inner loop; symbols
//   are only compared for equality.
// - Cells are signed integers of the kernel's cell type. Sums are taken
//   modulo 2^w (wrap_add): the kernel-width rule of input preparation keeps
//   every real value inside the cell type, so no kernel tests for overflow,
//   and a caller that bypassed the rule gets wrapped sums, never undefined
//   behaviour.
// - Minus infinity is never added to: an operand that is minus infinity is
//   left out of a maximum. The narrow affine kernels use the cell type's
//   minimum and test it by equality; the wide 64-bit kernels store -2^61 and
//   read anything at or below -2^60 as minus infinity.
// - Scores are sums of added values: penalties are negative numbers, and a
//   positive value is used unchanged (no kernel checks a sign).
// - The score of a symbol pair comes from a substitution (substitution.hpp):
//   match/mismatch by equality, or a substitution matrix. The members that
//   take match and mismatch are the MatchMismatch instances.
// - Every kernel polls for an interrupt once per query row.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <type_traits>
#include <vector>

#include "align/substitution.hpp"
#include "align/wrapping_arithmetic.hpp"
#include "module/interrupt_poll.hpp"

namespace veltrocamber::align {

// ---------------------------------------------------------------------------
// Linear gaps
// ---------------------------------------------------------------------------

// Local score. The left operand is floored at 0, so no cell is negative and
// an empty target leaves the best at 0. Token and cell width are the same in
// the token-vector members; the symbol-code members pair 8-bit codes with
// cells of any width.
template <typename Cell, typename Token, typename Substitution>
int64_t smith_waterman_linear_cells(const Token *query, size_t qlen, const Token *target, size_t tlen,
                                    const Substitution &substitution, Cell gap) {
    if (qlen == 0)
        return 0;
    std::vector<Cell> prev(tlen + 1, Cell(0));
    std::vector<Cell> cur(tlen + 1, Cell(0));
    Cell best = 0;
    InterruptPoll poll;
    for (size_t i = 0; i < qlen; ++i) {
        poll.advance(tlen);
        const auto score = substitution.row(query[i]);
        cur[0] = 0;
        for (size_t j = 1; j <= tlen; ++j) {
            const Cell up = wrap_add(prev[j], gap);
            Cell left = wrap_add(cur[j - 1], gap);
            if (left < 0)
                left = 0;
            const Cell diag = wrap_add(prev[j - 1], score(target[j - 1]));
            const Cell h = std::max(std::max(up, left), diag);
            cur[j] = h;
            if (h > best)
                best = h;
        }
        std::swap(prev, cur);
    }
    return static_cast<int64_t>(best);
}

template <typename Cell, typename Token>
inline int64_t smith_waterman_linear_cells(const Token *query, size_t qlen, const Token *target, size_t tlen,
                                           Cell match, Cell mismatch, Cell gap) {
    return smith_waterman_linear_cells<Cell>(query, qlen, target, tlen, MatchMismatch<Cell>{match, mismatch}, gap);
}

template <typename Cell>
inline int64_t smith_waterman_linear_score(const std::make_unsigned_t<Cell> *query, size_t qlen,
                                           const std::make_unsigned_t<Cell> *target, size_t tlen, Cell match,
                                           Cell mismatch, Cell gap) {
    return smith_waterman_linear_cells<Cell>(query, qlen, target, tlen, match, mismatch, gap);
}

// The scalar local linear kernel over 8-bit symbol codes, cells of 8 to 64
// bits: the width-64 case and the fallback of the striped linear kernels.
template <typename Cell>
inline int64_t smith_waterman_linear_codes(const uint8_t *query, size_t qlen, const uint8_t *target, size_t tlen,
                                           Cell match, Cell mismatch, Cell gap) {
    return smith_waterman_linear_cells<Cell>(query, qlen, target, tlen, match, mismatch, gap);
}

// Global score; an empty side costs one gap per symbol of the other side.
template <typename Cell, typename Token, typename Substitution>
int64_t needleman_wunsch_linear_score(const Token *query, size_t qlen, const Token *target, size_t tlen,
                                      const Substitution &substitution, Cell gap) {
    std::vector<Cell> prev(tlen + 1);
    prev[0] = 0;
    for (size_t j = 1; j <= tlen; ++j)
        prev[j] = wrap_add(prev[j - 1], gap);
    if (qlen == 0)
        return static_cast<int64_t>(prev[tlen]);
    std::vector<Cell> cur(tlen + 1);
    Cell edge = 0;  // H[i][0] = i x gap
    InterruptPoll poll;
    for (size_t i = 0; i < qlen; ++i) {
        poll.advance(tlen);
        const auto score = substitution.row(query[i]);
        edge = wrap_add(edge, gap);
        cur[0] = edge;
        for (size_t j = 1; j <= tlen; ++j) {
            const Cell up = wrap_add(prev[j], gap);
            const Cell left = wrap_add(cur[j - 1], gap);
            const Cell diag = wrap_add(prev[j - 1], score(target[j - 1]));
            cur[j] = std::max(std::max(up, left), diag);
        }
        std::swap(prev, cur);
    }
    return static_cast<int64_t>(prev[tlen]);
}

template <typename Cell>
inline int64_t needleman_wunsch_linear_score(const std::make_unsigned_t<Cell> *query, size_t qlen,
                                             const std::make_unsigned_t<Cell> *target, size_t tlen, Cell match,
                                             Cell mismatch, Cell gap) {
    return needleman_wunsch_linear_score<Cell>(query, qlen, target, tlen, MatchMismatch<Cell>{match, mismatch}, gap);
}

// ---------------------------------------------------------------------------
// Affine gaps (Gotoh)
// ---------------------------------------------------------------------------

// How a kernel spells minus infinity. Narrow: the type's minimum, tested by
// equality. Wide: -2^61 stored, anything at or below -2^60 read as minus
// infinity, so that a value a little above the sentinel still counts.
template <typename Cell>
struct NarrowInfinity {
    static constexpr Cell value = std::numeric_limits<Cell>::min();
    static constexpr bool is_minus_infinity(Cell v) noexcept { return v == value; }
};

struct WideInfinity {
    static constexpr int64_t value = -(int64_t(1) << 61);
    static constexpr bool is_minus_infinity(int64_t v) noexcept { return v < -((int64_t(1) << 60) - 1); }
};

inline constexpr int64_t wide_minus_infinity = WideInfinity::value;

// max(a + add_a, b + add_b) with minus-infinity operands left out; minus
// infinity when both are.
template <typename Cell, typename Inf>
inline Cell gap_max(Cell a, Cell add_a, Cell b, Cell add_b) noexcept {
    const bool a_inf = Inf::is_minus_infinity(a);
    const bool b_inf = Inf::is_minus_infinity(b);
    if (a_inf && b_inf)
        return Inf::value;
    if (a_inf)
        return wrap_add(b, add_b);
    if (b_inf)
        return wrap_add(a, add_a);
    return std::max(wrap_add(a, add_a), wrap_add(b, add_b));
}

// Local affine score. H never falls below 0 (the diagonal is floored), so only
// V and the running horizontal gap Hz ever hold minus infinity.
template <typename Cell, typename Inf, typename Substitution>
int64_t smith_waterman_affine_cells(const uint8_t *query, size_t qlen, const uint8_t *target, size_t tlen,
                                    const Substitution &substitution, Cell gap_open, Cell gap_extend) {
    if (qlen == 0 || tlen == 0)
        return 0;
    const Cell neg = Inf::value;
    std::vector<Cell> h_prev(tlen + 1, Cell(0)), h_cur(tlen + 1, Cell(0));
    std::vector<Cell> v_prev(tlen + 1, neg), v_cur(tlen + 1, neg);
    Cell best = 0;
    InterruptPoll poll;
    for (size_t i = 0; i < qlen; ++i) {
        poll.advance(tlen);
        const auto score = substitution.row(query[i]);
        h_cur[0] = 0;
        v_cur[0] = neg;
        Cell hz = neg;
        for (size_t j = 1; j <= tlen; ++j) {
            Cell diag = 0;
            if (!Inf::is_minus_infinity(h_prev[j - 1])) {
                diag = wrap_add(h_prev[j - 1], score(target[j - 1]));
                if (diag < 0)
                    diag = 0;
            }
            const Cell v = gap_max<Cell, Inf>(h_prev[j], gap_open, v_prev[j], gap_extend);
            v_cur[j] = v;
            hz = gap_max<Cell, Inf>(h_cur[j - 1], gap_open, hz, gap_extend);
            Cell h = diag;
            if (!Inf::is_minus_infinity(v) && v > h)
                h = v;
            if (!Inf::is_minus_infinity(hz) && hz > h)
                h = hz;
            h_cur[j] = h;
            if (h > best)
                best = h;
        }
        std::swap(h_prev, h_cur);
        std::swap(v_prev, v_cur);
    }
    return static_cast<int64_t>(best);
}

template <typename Cell, typename Inf>
inline int64_t smith_waterman_affine_cells(const uint8_t *query, size_t qlen, const uint8_t *target, size_t tlen,
                                           Cell match, Cell mismatch, Cell gap_open, Cell gap_extend) {
    return smith_waterman_affine_cells<Cell, Inf>(query, qlen, target, tlen, MatchMismatch<Cell>{match, mismatch},
                                                  gap_open, gap_extend);
}

// The narrow local affine kernel of one cell width (minus infinity = the
// type's minimum), and the wide 64-bit one.
template <typename Cell>
inline constexpr auto smith_waterman_affine_scalar = &smith_waterman_affine_cells<Cell, NarrowInfinity<Cell>>;
inline constexpr auto smith_waterman_affine_scalar_i8 = smith_waterman_affine_scalar<int8_t>;
inline constexpr auto smith_waterman_affine_scalar_i16 = smith_waterman_affine_scalar<int16_t>;
inline constexpr auto smith_waterman_affine_scalar_i32 = smith_waterman_affine_scalar<int32_t>;
inline constexpr auto smith_waterman_affine_scalar_i64 = smith_waterman_affine_scalar<int64_t>;
inline constexpr auto smith_waterman_affine_score_wide = &smith_waterman_affine_cells<int64_t, WideInfinity>;

// Global affine score H(qlen, tlen). A gap in one sequence may follow a gap
// in the other only through H, paying gap_open again.
template <typename Cell, typename Inf, typename Substitution>
int64_t needleman_wunsch_affine_cells(const uint8_t *query, size_t qlen, const uint8_t *target, size_t tlen,
                                      const Substitution &substitution, Cell gap_open, Cell gap_extend) {
    const Cell neg = Inf::value;
    std::vector<Cell> h_prev(tlen + 1), h_cur(tlen + 1);
    h_prev[0] = 0;
    for (size_t j = 1; j <= tlen; ++j)
        h_prev[j] = j == 1 ? gap_open : wrap_add(h_prev[j - 1], gap_extend);
    if (qlen == 0)
        return static_cast<int64_t>(h_prev[tlen]);
    std::vector<Cell> v_prev(tlen + 1, neg), v_cur(tlen + 1, neg);
    Cell edge = 0;  // H[i][0] = gap_open + (i-1) x gap_extend
    InterruptPoll poll;
    for (size_t i = 0; i < qlen; ++i) {
        poll.advance(tlen);
        const auto score = substitution.row(query[i]);
        edge = i == 0 ? gap_open : wrap_add(edge, gap_extend);
        h_cur[0] = edge;
        Cell hz = neg;
        for (size_t j = 1; j <= tlen; ++j) {
            Cell h = neg;
            if (!Inf::is_minus_infinity(h_prev[j - 1]))
                h = wrap_add(h_prev[j - 1], score(target[j - 1]));
            const Cell v = gap_max<Cell, Inf>(v_prev[j], gap_extend, h_prev[j], gap_open);
            v_cur[j] = v;
            hz = gap_max<Cell, Inf>(hz, gap_extend, h_cur[j - 1], gap_open);
            // Operands at minus infinity are left out; if all three are,
            // the cell stores the sentinel itself.
            bool any = !Inf::is_minus_infinity(h);
            if (!Inf::is_minus_infinity(v) && (!any || v > h)) {
                h = v;
                any = true;
            }
            if (!Inf::is_minus_infinity(hz) && (!any || hz > h)) {
                h = hz;
                any = true;
            }
            h_cur[j] = any ? h : neg;
        }
        std::swap(h_prev, h_cur);
        std::swap(v_prev, v_cur);
    }
    return static_cast<int64_t>(h_prev[tlen]);
}

template <typename Cell, typename Inf>
inline int64_t needleman_wunsch_affine_cells(const uint8_t *query, size_t qlen, const uint8_t *target, size_t tlen,
                                             Cell match, Cell mismatch, Cell gap_open, Cell gap_extend) {
    return needleman_wunsch_affine_cells<Cell, Inf>(query, qlen, target, tlen, MatchMismatch<Cell>{match, mismatch},
                                                    gap_open, gap_extend);
}

// The narrow global affine kernel of one cell width (the two-row score pass
// of the global affine CIGAR), and the wide 64-bit one.
template <typename Cell>
inline constexpr auto needleman_wunsch_affine_scalar = &needleman_wunsch_affine_cells<Cell, NarrowInfinity<Cell>>;
inline constexpr auto needleman_wunsch_affine_scalar_i8 = needleman_wunsch_affine_scalar<int8_t>;
inline constexpr auto needleman_wunsch_affine_scalar_i16 = needleman_wunsch_affine_scalar<int16_t>;
inline constexpr auto needleman_wunsch_affine_scalar_i32 = needleman_wunsch_affine_scalar<int32_t>;
inline constexpr auto needleman_wunsch_affine_scalar_i64 = needleman_wunsch_affine_scalar<int64_t>;
inline constexpr auto needleman_wunsch_affine_score_wide = &needleman_wunsch_affine_cells<int64_t, WideInfinity>;

}  // namespace veltrocamber::align
