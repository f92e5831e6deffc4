// The full global affine path in two passes per query row.
//
// In a full global matrix every H is a real score (the borders are gap runs
// from (0, 0) and each cell has its diagonal), V is missing only on row 0
// and Hz only on column 0. So the minus-infinity tests of the shared cell
// recurrence (affine_path.hpp) can be settled per row instead of per cell,
// and the cell splits into the part that reads only the row above (the
// diagonal and V: independent across the row, so the compiler can run it in
// vector registers) and the part that runs along the row (Hz). The second
// pass applies the same comparisons in the same order as affine_cell, so the
// codes, and with them the paths and their tie-breaks, are those of
// fill_affine.
#pragma once

#include <cstddef>
#include <cstdint>

#include "module/interrupt_poll.hpp"
#include "traceback/affine_path.hpp"

namespace veltrocamber::profile_traceback {

// Pass one over cells 1..tlen of row i: H = the diagonal unless V is
// strictly greater, with the direction and the vertical extension bit in
// the code. `up_missing` is row 1, where V of the row above is minus
// infinity, so V opens (a real score is never the minimum).
template <typename T, typename ScoreRow>
void global_affine_vertical_pass(AffineRows<T> &rows, TracebackCode *codes, size_t tlen, bool up_missing,
                                 const ScoreRow score, const uint8_t *target, const AffineScores<T> scores) {
    const T *h_up = rows.h_previous.data();
    const T *v_up = rows.v_previous.data();
    T *h_row = rows.h_current.data();
    T *v_row = rows.v_current.data();
    const T open = scores.gap_open, extend = scores.gap_extend;
    for (size_t j = 1; j <= tlen; ++j) {
        const T v_open = wrap_add(h_up[j], open);
        const T v_extend = wrap_add(v_up[j], extend);
        const bool v_extends = !up_missing && v_extend >= v_open;
        const T v = v_extends ? v_extend : v_open;
        const T diagonal = wrap_add(h_up[j - 1], score(target[j - 1]));
        const bool up = v > diagonal;
        h_row[j] = up ? v : diagonal;
        v_row[j] = v;
        codes[j] = static_cast<TracebackCode>((up ? TRACE_UP : TRACE_DIAGONAL) |
                                              (v_extends ? TRACE_VERTICAL_EXTENDS : 0));
    }
}

// Pass two along the row: Hz from the left, taken when strictly greater than
// pass one's H. Hz of column 0 is missing, so the first cell's Hz opens.
template <typename T>
void global_affine_horizontal_pass(AffineRows<T> &rows, TracebackCode *codes, size_t tlen,
                                   const AffineScores<T> scores) {
    T *h_row = rows.h_current.data();
    const T open = scores.gap_open, extend = scores.gap_extend;
    T h_left = h_row[0];
    T hz = h_left;  // unused at j = 1
    for (size_t j = 1; j <= tlen; ++j) {
        const T hz_open = wrap_add(h_left, open);
        const T hz_extend = wrap_add(hz, extend);
        const bool hz_extends = j > 1 && hz_extend >= hz_open;
        hz = hz_extends ? hz_extend : hz_open;
        T h = h_row[j];
        TracebackCode code = codes[j];
        if (hz > h) {
            h = hz;
            code = static_cast<TracebackCode>((code & ~TRACE_DIRECTION) | TRACE_LEFT);
        }
        h_row[j] = h;
        codes[j] = static_cast<TracebackCode>(code | (hz_extends ? TRACE_HORIZONTAL_EXTENDS : 0));
        h_left = h;
    }
}

// fill_global_affine (fill_affine, global and full) in two passes per row;
// the same codes and end.
template <typename T, typename Substitution>
TracebackEnd fill_global_affine_two_pass(TracebackMatrix &matrix, const uint8_t *query, size_t qlen,
                                         const uint8_t *target, size_t tlen, const Substitution &substitution,
                                         const AffineScores<T> &scores) {
    AffineRows<T> rows(tlen + 1, minus_infinity<T>());
    start_global_affine_border(rows, matrix.row(0), tlen, scores);
    InterruptPoll poll;
    for (size_t i = 1; i <= qlen; ++i) {
        TracebackCode *codes = matrix.row(i);
        poll.advance(tlen);
        start_affine_row<false>(rows, codes, i, scores);
        global_affine_vertical_pass(rows, codes, tlen, i == 1, substitution.row(query[i - 1]), target, scores);
        global_affine_horizontal_pass(rows, codes, tlen, scores);
        rows.next_row();
    }
    return TracebackEnd{rows.h_previous[tlen], qlen, tlen};
}

// needleman_wunsch_affine_path on the two-pass fill: the same path.
template <typename T>
AlignmentPath needleman_wunsch_affine_path_two_pass(const uint8_t *query, size_t qlen, const uint8_t *target,
                                                    size_t tlen, T match, T mismatch, T gap_open, T gap_extend) {
    const AffineScores<T> scores{match, mismatch, gap_open, gap_extend};
    TracebackMatrix matrix(qlen, tlen);
    const TracebackEnd end =
        fill_global_affine_two_pass(matrix, query, qlen, target, tlen, align::MatchMismatch<T>{match, mismatch},
                                    scores);
    return path_from_walk(end, qlen, tlen, [&](size_t &row, size_t &column, auto &&emit) {
        walk_affine(matrix, query, target, true, row, column, emit, anywhere);
    });
}

}  // namespace veltrocamber::profile_traceback
