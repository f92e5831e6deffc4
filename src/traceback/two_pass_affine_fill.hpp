// The affine fill (fill_affine: local or global, full or banded) in two
// passes per query row, giving the same codes and end.
//
// The shared cell step (affine_cell) reads the row above and, through Hz,
// the cell to its left, which chains every cell of a row to the one before
// it. Here each row is split in two. Pass one forms the diagonal and V,
// which read only the row above: no dependency along the row, so the
// compiler runs it in vector registers. Pass two runs the Hz chain along the
// row. The comparisons are those of affine_cell in the same order, so the
// codes, and with them the paths and their tie-breaks, are those of
// fill_affine:
// - the minus-infinity tests are settled per row, not per cell. Inside a
//   full matrix or a band every H is a real score (each cell has its
//   diagonal, and the borders are real), V is missing on row 0 only (and, in
//   a band, on the band's right edge j = i + half_band, whose upper cell lies
//   outside), and Hz on column 0 only (in a band, on the left edge j = i -
//   half_band). The cells next to a band's right edge keep the per-cell
//   tests of the one-pass step;
// - a local row floors H at 0 already in pass one: Hz wins in pass two only
//   when strictly greater than the floored H, so only when positive, and a
//   cell whose best candidate is not positive ends as a stop of score 0 with
//   both extension bits, as in affine_cell;
// - the end of a local fill, the first strict maximum with rows outer, is
//   the first cell of a row holding that row's maximum, when that maximum
//   beats the best of the rows above.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "traceback/affine_path.hpp"

namespace veltrocamber::profile_traceback {

// The score rows of the two-pass fill: those of the one-pass fill, and pass
// one's H and the Hz of the current row.
template <typename T>
struct TwoPassAffineRows : AffineRows<T> {
    std::vector<T> h_vertical, hz;

    TwoPassAffineRows(size_t length, T h_initial)
        : AffineRows<T>(length, h_initial), h_vertical(length), hz(length) {}
};

// Pass one over cells first..last of query row i, whose upper neighbours
// are real (V above too unless `up_missing`, the row above being row 0):
// H = the diagonal unless V is strictly greater, floored at 0 for a local
// row, with the direction and the vertical extension bit in the code. The
// rows, the codes and the target never overlap; saying so lets the compiler
// vectorise the loop without run-time overlap tests.
template <bool Local, typename T, typename ScoreRow>
void affine_vertical_cells(const T *__restrict h_up, const T *__restrict v_up, T *__restrict h_row,
                           T *__restrict v_row, TracebackCode *__restrict codes, const uint8_t *__restrict target,
                           size_t first, size_t last, bool up_missing, const ScoreRow score, const T open,
                           const T extend) {
    for (size_t j = first; j <= last; ++j) {
        const T v_open = wrap_add(h_up[j], open);
        const T v_extend = wrap_add(v_up[j], extend);
        const bool v_extends = !up_missing && v_extend >= v_open;
        const T v = v_extends ? v_extend : v_open;
        const T diagonal = wrap_add(h_up[j - 1], score(target[j - 1]));
        const bool up = v > diagonal;
        T h = up ? v : diagonal;
        TracebackCode direction = up ? TRACE_UP : TRACE_DIAGONAL;
        if constexpr (Local) {
            const bool floored = h <= 0;
            h = floored ? T{0} : h;
            direction = floored ? TRACE_STOP : direction;
        }
        h_row[j] = h;
        v_row[j] = v;
        codes[j] = static_cast<TracebackCode>(direction | (v_extends ? TRACE_VERTICAL_EXTENDS : 0));
    }
}

template <bool Local, typename T, typename ScoreRow>
void affine_vertical_pass(TwoPassAffineRows<T> &rows, TracebackCode *codes, size_t first, size_t last,
                          bool up_missing, const ScoreRow score, const uint8_t *target,
                          const AffineScores<T> scores) {
    affine_vertical_cells<Local>(rows.h_previous.data(), rows.v_previous.data(), rows.h_vertical.data(),
                                 rows.v_current.data(), codes, target, first, last, up_missing, score,
                                 scores.gap_open, scores.gap_extend);
}

// Pass one's step for cell j with the per-cell minus-infinity tests of
// affine_cell: the cells next to a band's right edge.
template <bool Local, typename T, typename ScoreRow>
void affine_vertical_edge_cell(TwoPassAffineRows<T> &rows, TracebackCode *codes, size_t j, const ScoreRow score,
                               const uint8_t *target, const AffineScores<T> scores) {
    const T v_open = add_unless_minus_infinity(rows.h_previous[j], scores.gap_open);
    const T v_extend = add_unless_minus_infinity(rows.v_previous[j], scores.gap_extend);
    const bool v_extends = v_extend >= v_open;
    const T v = v_extends ? v_extend : v_open;
    const T diagonal = add_unless_minus_infinity(rows.h_previous[j - 1], score(target[j - 1]));
    const bool up = v > diagonal;
    T h = up ? v : diagonal;
    TracebackCode direction = up ? TRACE_UP : TRACE_DIAGONAL;
    if (Local && h <= 0) {
        h = 0;
        direction = TRACE_STOP;
    }
    rows.h_vertical[j] = h;
    rows.v_current[j] = v;
    codes[j] = static_cast<TracebackCode>(direction | (v_extends ? TRACE_VERTICAL_EXTENDS : 0));
}

// Pass two over cells first..last, in two loops. Cell `first` opens its Hz
// from h_before = H(i, first - 1), a real score. Along the row, H(j - 1) =
// max(pass one's H(j - 1), Hz(j - 1)) (Hz wins only when strictly greater),
// so Hz(j) = max(H(j - 1) + open, Hz(j - 1) + extend) = max(pass one's
// H(j - 1) + open, Hz(j - 1) + step), step = max(open, extend): the first
// loop runs that chain of one sum and one maximum per cell, and the second,
// free of any dependency along the row, takes the decisions of affine_cell
// from the values on either side: Hz(j) extends when Hz(j - 1) + extend >=
// H(j - 1) + open, and H(j) is Hz(j) when strictly greater than pass one's
// H(j) (the direction then becomes 3 whatever pass one set).
// The chain goes four cells at a time: within a block, b_k = max over m <= k
// of pass one's H(j - 1 + m) + open + (k - m) x step runs off the chain, and
// Hz(j + k) = max(b_k, Hz(j - 1) + (k + 1) x step) leaves one sum and one
// maximum per block on it. Every such sum is a candidate of a real Hz (at
// most that Hz, and no lower than a path cost the width rule already
// admits), and 4 x step fits as a block needs five columns, so nothing
// wraps.
template <typename T>
void affine_horizontal_chain(const T *__restrict h_vertical, T *__restrict hz, size_t first, size_t last,
                             const T h_before, const T open, const T extend) {
    const T step = std::max(open, extend);
    const T step2 = wrap_add(step, step), step3 = wrap_add(step2, step), step4 = wrap_add(step3, step);
    T run = wrap_add(h_before, open);
    hz[first] = run;
    size_t j = first + 1;
    for (; j + 3 <= last; j += 4) {
        const T b0 = wrap_add(h_vertical[j - 1], open);
        const T b1 = std::max(wrap_add(h_vertical[j], open), wrap_add(b0, step));
        const T b2 = std::max(wrap_add(h_vertical[j + 1], open), wrap_add(b1, step));
        const T b3 = std::max(wrap_add(h_vertical[j + 2], open), wrap_add(b2, step));
        hz[j] = std::max(b0, wrap_add(run, step));
        hz[j + 1] = std::max(b1, wrap_add(run, step2));
        hz[j + 2] = std::max(b2, wrap_add(run, step3));
        run = std::max(b3, wrap_add(run, step4));
        hz[j + 3] = run;
    }
    for (; j <= last; ++j) {
        run = std::max(wrap_add(h_vertical[j - 1], open), wrap_add(run, step));
        hz[j] = run;
    }
}

template <typename T>
void affine_horizontal_decisions(const T *__restrict h_vertical, const T *__restrict hz, T *__restrict h_row,
                                 TracebackCode *__restrict codes, size_t first, size_t last, const T open,
                                 const T extend) {
    const bool left = hz[first] > h_vertical[first];
    h_row[first] = left ? hz[first] : h_vertical[first];
    codes[first] |= left ? TRACE_LEFT : 0;
    for (size_t j = first + 1; j <= last; ++j) {
        const T h_left = std::max(h_vertical[j - 1], hz[j - 1]);
        const bool extends = wrap_add(hz[j - 1], extend) >= wrap_add(h_left, open);
        const bool takes_hz = hz[j] > h_vertical[j];
        h_row[j] = takes_hz ? hz[j] : h_vertical[j];
        codes[j] |= static_cast<TracebackCode>((takes_hz ? TRACE_LEFT : 0) | (extends ? TRACE_HORIZONTAL_EXTENDS : 0));
    }
}

template <typename T>
void affine_horizontal_pass(TwoPassAffineRows<T> &rows, TracebackCode *codes, size_t first, size_t last,
                            const T h_before, const AffineScores<T> scores) {
    affine_horizontal_chain(rows.h_vertical.data(), rows.hz.data(), first, last, h_before, scores.gap_open,
                            scores.gap_extend);
    affine_horizontal_decisions(rows.h_vertical.data(), rows.hz.data(), rows.h_current.data(), codes, first, last,
                                scores.gap_open, scores.gap_extend);
}

// Moves `end` to the first cell of row i holding the row's maximum over
// first..last when that maximum is strictly greater than end.score.
template <typename T>
void note_local_row_best(const T *h_row, size_t i, size_t first, size_t last, TracebackEnd &end) noexcept {
    T best = 0;
    for (size_t j = first; j <= last; ++j)
        best = std::max(best, h_row[j]);
    if (best <= end.score)
        return;
    size_t j = first;
    while (h_row[j] != best)
        ++j;
    end = TracebackEnd{best, i, j};
}

// Cells 1..tlen of query row i >= 1 of a full matrix, column 0 already
// started (start_affine_row): fill_affine_row over the whole row. A local
// row moves `end` as fill_affine_row does.
template <bool Local, typename T, typename ScoreRow>
void fill_affine_row_two_pass(TwoPassAffineRows<T> &rows, TracebackCode *codes, size_t i, size_t tlen,
                              const ScoreRow score, const uint8_t *target, const AffineScores<T> scores,
                              TracebackEnd &end) {
    if (tlen == 0)
        return;
    affine_vertical_pass<Local>(rows, codes, 1, tlen, i == 1, score, target, scores);
    affine_horizontal_pass(rows, codes, 1, tlen, rows.h_current[0], scores);
    if constexpr (Local)
        note_local_row_best(rows.h_current.data(), i, 1, tlen, end);
}

// Cells first..last of query row i of a band, column first - 1 already
// written (column 0, or minus infinity left of the band).
template <bool Local, typename T, typename ScoreRow>
void fill_banded_affine_row_two_pass(TwoPassAffineRows<T> &rows, TracebackCode *codes, size_t i, size_t first,
                                     size_t last, size_t half_band, const ScoreRow score, const uint8_t *target,
                                     const AffineScores<T> scores, TracebackEnd &end) {
    // Columns edge - 1 and edge read the band's right edge of the row above
    // (V missing) or lie past it.
    const size_t edge = i + half_band;
    const size_t inner_last = std::min(last, edge >= first + 1 ? edge - 2 : first - 1);
    affine_vertical_pass<Local>(rows, codes, first, inner_last, i == 1, score, target, scores);
    for (size_t j = inner_last + 1; j <= last; ++j)
        affine_vertical_edge_cell<Local>(rows, codes, j, score, target, scores);
    T *h_row = rows.h_current.data();
    size_t chain_first = first;
    if (h_row[first - 1] == minus_infinity<T>()) {
        // The band's left edge: Hz there is missing, and missing ties with
        // missing as an extension; H keeps pass one's value.
        h_row[first] = rows.h_vertical[first];
        codes[first] |= TRACE_HORIZONTAL_EXTENDS;
        ++chain_first;
    }
    if (chain_first <= last)
        affine_horizontal_pass(rows, codes, chain_first, last, h_row[chain_first - 1], scores);
    if constexpr (Local)
        note_local_row_best(h_row, i, first, last, end);
}

// fill_affine in two passes per row: the same arguments, codes, end and
// return value.
template <bool Local, typename T, bool Banded, typename Substitution>
bool fill_affine_two_pass(TracebackMatrix &matrix, const uint8_t *query, size_t qlen, const uint8_t *target,
                          size_t tlen, const Substitution &substitution, const AffineScores<T> &scores,
                          size_t half_band, TracebackEnd &end, int64_t known_best = no_known_best) {
    TwoPassAffineRows<T> rows(tlen + 1, Local && !Banded ? T{0} : minus_infinity<T>());
    return run_affine_fill<Local, Banded>(
        rows, matrix, qlen, tlen, scores, half_band, end, known_best,
        [&](TracebackCode *codes, size_t i, size_t first, size_t last) {
            const auto score = substitution.row(query[i - 1]);
            if constexpr (Banded)
                fill_banded_affine_row_two_pass<Local>(rows, codes, i, first, last, half_band, score, target, scores,
                                                       end);
            else
                fill_affine_row_two_pass<Local>(rows, codes, i, tlen, score, target, scores, end);
        });
}

// The match/mismatch form.
template <bool Local, typename T, bool Banded>
bool fill_affine_two_pass(TracebackMatrix &matrix, const uint8_t *query, size_t qlen, const uint8_t *target,
                          size_t tlen, const AffineScores<T> &scores, size_t half_band, TracebackEnd &end,
                          int64_t known_best = no_known_best) {
    return fill_affine_two_pass<Local, T, Banded>(matrix, query, qlen, target, tlen, match_mismatch(scores), scores,
                                                  half_band, end, known_best);
}

// smith_waterman_affine_path / needleman_wunsch_affine_path on the two-pass
// fill: the same path.
template <bool Local, typename T>
AlignmentPath affine_path_two_pass(const uint8_t *query, size_t qlen, const uint8_t *target, size_t tlen, T match,
                                   T mismatch, T gap_open, T gap_extend) {
    TracebackMatrix matrix(qlen, tlen);
    TracebackEnd end;
    fill_affine_two_pass<Local, T, false>(matrix, query, qlen, target, tlen,
                                          AffineScores<T>{match, mismatch, gap_open, gap_extend}, tlen, end);
    return path_from_walk(end, qlen, tlen, [&](size_t &row, size_t &column, auto &&emit) {
        walk_affine(matrix, query, target, !Local, row, column, emit, anywhere);
    });
}

}  // namespace veltrocamber::profile_traceback
