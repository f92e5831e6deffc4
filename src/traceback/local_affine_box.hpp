// The local affine CIGAR from a known end cell, filling only the cells that
// optimal paths to it can use instead of the whole matrix, for gap values of
// 0 or below. Three plans, tried in this order:
//
// The box. From the end cell e (the first cell in row-major order whose H is
// the best score), a reverse affine DP over the prefixes, anchored at e,
// gives for each cell and state (H, V, Hz) the best score a path from there
// adds on its way to e's H. Along any optimal local path ending at e the
// prefix score at each of its cells and states is a local alignment score,
// so at most the best, and the score still to come is at least 0; dropping
// every reverse value below 0 (an x-drop with threshold 0) therefore keeps
// every such path, its start cell (H = 0, where the walk stops) included.
// A pair without a long alignment explores only a few cells around e; the
// box's border row and column are the smallest row and column explored.
//
// The region. A pair whose alignment is long explores most of the rectangle
// up to e, and past a 32nd of it that search gives up. With the forward H
// values that the striped pass finding e stored, a state is kept only where
// its reverse value reaches best - H of its cell: on an optimal path the
// prefix score in any state is at most H there, so every optimal path to e
// still survives, and only cells near such paths are explored. The fill
// covers, row by row, the columns explored in that row; the other cells hold
// minus infinity, as the band's neighbours do.
//
// The whole rectangle up to e, when the pass stored no H (a large pair).
//
// Why each gives the full matrix's answer to the letter. Every value filled
// is at most the full matrix's (a path of the box or region is a path of the
// full matrix, and a border 0 or a minus infinity is at most the full value
// there). The path the full matrix's walk traces lies in the box or region,
// its start cell included, so each of its cells keeps its full value in
// every state it passes. Every decision of the walk on it (diagonal, up or
// left with their tie order, open or extend, the stop) compares the chosen
// candidate, unchanged, against others that can only have dropped, and
// comes out the same. The first filled cell in row-major order reaching the
// best is e: an earlier one would reach it in the full matrix too. So the
// fill ends at e's row and the walk retraces the same letters.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "module/interrupt_poll.hpp"
#include "traceback/affine_path.hpp"
#include "traceback/banded_affine_cigar.hpp"
#include "traceback/best_cell.hpp"
#include "traceback/striped_local_end.hpp"
#include "traceback/traceback_matrix.hpp"
#include "traceback/two_pass_affine_fill.hpp"

namespace veltrocamber::profile_traceback {

// The columns first .. last of one row that a path to e may use (empty when
// first > last).
struct RowSpan {
    size_t first = SIZE_MAX;
    size_t last = 0;
    bool empty() const noexcept { return first > last; }
};

// The reverse pruned DP from (end_row, end_column), rows upwards and each row
// right to left, over the columns that can still hold a kept value: a row
// reads the row below at its own column (V) and the next one (diagonal), and
// its own column to the right (Hz). A value below need(i, j) (never below 0)
// is dropped. Fills spans[i] for rows 0 .. end_row with the cells where some
// state is kept; false (spans unset) once more than `budget` cells were
// computed. Values are taken in 64 bits (the pair's values fit a cell of at
// most 32 bits).
template <typename T, typename Need>
bool path_spans(const uint8_t *query, const uint8_t *target, size_t end_row, size_t end_column,
                const AffineScores<T> &scores, Need &&need, uint64_t budget, std::vector<RowSpan> &spans) {
    constexpr int64_t absent = INT64_MIN / 4;
    const int64_t open = scores.gap_open, extend = scores.gap_extend;
    const int64_t match = scores.match, mismatch = scores.mismatch;
    std::vector<int64_t> h_below(end_column + 1), v_below(end_column + 1), h_row(end_column + 1),
        v_row(end_column + 1);
    // Columns below_first .. below_last of the row below hold its values;
    // nothing else does (none below the end row).
    size_t below_first = SIZE_MAX, below_last = 0;
    const auto below = [&](const std::vector<int64_t> &values, size_t j) {
        return j >= below_first && j <= below_last ? values[j] : absent;
    };
    spans.assign(end_row + 1, RowSpan{});
    uint64_t explored = 0;
    InterruptPoll poll;
    for (size_t i = end_row + 1; i-- > 0;) {
        size_t j = i == end_row ? end_column : below_last;
        poll.advance(j + 1);
        if (explored > budget)
            return false;
        size_t first = SIZE_MAX, last = 0;
        RowSpan &span = spans[i];
        int64_t hz = absent;  // the reverse Hz of the cell to the right
        for (;; --j, ++explored) {
            const int64_t least = need(i, j);
            const auto kept = [least](int64_t x) { return x < least ? absent : x; };
            int64_t h = 0;
            if (i != end_row || j != end_column) {
                h = hz + open;
                const int64_t diagonal = below(h_below, j + 1);
                if (diagonal != absent)
                    h = std::max(h, diagonal + (query[i] == target[j] ? match : mismatch));
                h = kept(std::max(h, below(v_below, j) + open));
            }
            const int64_t v = kept(std::max(below(v_below, j) + extend, h));
            hz = kept(std::max(hz + extend, h));
            h_row[j] = h;
            v_row[j] = v;
            if (v != absent) {  // v >= h: the row above reads this column
                first = j;
                last = std::max(last, j);
            }
            if (v != absent || hz != absent) {  // both >= h: a path may pass here
                span.first = j;
                span.last = std::max(span.last, j);
            }
            // Column j - 1 reads the row below at j - 1 and j, and hz here.
            if (j == 0 || (j < below_first && hz == absent))
                break;
        }
        if (first == SIZE_MAX)
            break;
        h_below.swap(h_row);
        v_below.swap(v_row);
        below_first = first;
        below_last = last;
    }
    return true;
}

// The local fill over the spans of rows 1 .. rows (columns clipped to
// 1 .. columns); row 0 and column 0 are the zero borders with stop codes,
// every other cell outside the spans minus infinity. Only the spans' codes
// and the borders are written. Returns the first strict maximum. Rows go
// through the one-pass step (fill_affine_row), not the two-pass one the box
// uses: here the row above holds minus infinity beside its own span, and V
// may be missing inside it too, and only the one-pass step tests each
// candidate for minus infinity (the two-pass sums would wrap).
template <typename T>
TracebackEnd fill_local_affine_spans(TracebackMatrix &matrix, const uint8_t *query, size_t rows,
                                     const uint8_t *target, size_t columns, const std::vector<RowSpan> &spans,
                                     const AffineScores<T> &scores) {
    AffineRows<T> buffers(columns + 1, minus_infinity<T>());
    std::fill(buffers.h_previous.begin(), buffers.h_previous.end(), T{0});
    buffers.h_current[0] = 0;
    std::fill_n(matrix.row(0), columns + 1, TRACE_STOP);
    const auto clipped = [&](size_t i) {
        RowSpan span = i <= rows ? spans[i] : RowSpan{};
        span.first = std::max<size_t>(span.first, 1);
        span.last = std::min(span.last, columns);
        return span;
    };
    const align::MatchMismatch<T> substitution = match_mismatch(scores);
    TracebackEnd end;
    InterruptPoll poll;
    for (size_t i = 1; i <= rows; ++i) {
        const RowSpan span = clipped(i), next = clipped(i + 1);
        TracebackCode *codes = matrix.row(i);
        codes[0] = TRACE_STOP;
        // What this row writes and what the next one reads of it (columns
        // next.first - 1 .. next.last) holds this row's values or minus
        // infinity.
        size_t from = std::min(span.first, next.first), to = std::max(span.empty() ? 0 : span.last, next.last);
        from = std::max<size_t>(from, 2) - 1;
        if (from <= to)
            buffers.clear_current(from, to);
        if (!span.empty()) {
            poll.advance(span.last - span.first + 1);
            fill_affine_row<true>(buffers, codes, i, span.first, span.last,
                                  span.first == 1 ? T{0} : minus_infinity<T>(), substitution.row(query[i - 1]),
                                  target, scores, end);
        }
        buffers.next_row();
    }
    return end;
}

// How the fill before the walk from `end` is narrowed: to the box with
// border row box_row and border column box_column (both 0, and no spans,
// when no search narrowed it), or to the spans of each row (region).
struct LocalFillPlan {
    std::vector<RowSpan> spans;  // rows 0 .. end row; empty when no search narrowed the fill
    size_t box_row = 0;
    size_t box_column = 0;
    bool region = false;
};

// The plan for the end cell and best score of the whole matrix (score > 0).
// `stored` holds the pass's H when it kept them; without them a long
// alignment fills the whole rectangle up to the end cell.
template <typename T>
LocalFillPlan plan_local_affine_fill(const uint8_t *query, const uint8_t *target, const AffineScores<T> &scores,
                                     const BestCell<int64_t> &end, const StoredRows<T> &stored) {
    LocalFillPlan plan;
    const uint64_t area = static_cast<uint64_t>(end.row + 1) * (end.col + 1);
    if (path_spans(query, target, end.row, end.col, scores, [](size_t, size_t) { return int64_t(0); }, area / 32,
                   plan.spans)) {
        plan.box_row = end.row;
        plan.box_column = end.col;
        for (size_t i = 0; i <= end.row; ++i) {
            if (!plan.spans[i].empty()) {
                plan.box_row = std::min(plan.box_row, i);
                plan.box_column = std::min(plan.box_column, plan.spans[i].first);
            }
        }
    } else if (stored.filled()) {
        const int64_t best = end.score;
        path_spans(
            query, target, end.row, end.col, scores,
            [&stored, best](size_t i, size_t j) { return i == 0 || j == 0 ? best : best - stored.h(i, j); },
            UINT64_MAX, plan.spans);
        plan.region = true;
    } else {
        plan.spans.clear();
    }
    return plan;
}

// Whether every cell the plan found (each path to the end cell with its start
// cell among them) lies in the band |i - j| <= half_band. Then the full
// matrix's path lies in the band too, and the band answers just as the full
// matrix does: its values are at most the full ones, those on the path equal
// them, and its first cell reaching the best is the end cell.
inline bool plan_within_band(const LocalFillPlan &plan, size_t half_band) noexcept {
    if (plan.spans.empty())
        return false;
    for (size_t i = 0; i < plan.spans.size(); ++i) {
        const RowSpan &span = plan.spans[i];
        if (!span.empty() && (span.first + half_band < i || span.last > i + half_band))
            return false;
    }
    return true;
}

// The local affine CIGAR ending at `end` (the end cell and best score of the
// whole matrix, score > 0), filled as planned; positions come back in
// whole-sequence coordinates.
template <typename T>
CigarTraceback local_affine_planned_cigar(const uint8_t *query, const uint8_t *target, const AffineScores<T> &scores,
                                          const BestCell<int64_t> &end, const LocalFillPlan &plan) {
    CigarTraceback out;
    if (plan.region) {
        TracebackMatrix matrix(end.row, end.col);
        const TracebackEnd region_end =
            fill_local_affine_spans(matrix, query, end.row, target, end.col, plan.spans, scores);
        affine_cigar_walk<true>(matrix, query, target, region_end, out, anywhere);
        return out;
    }
    const size_t rows = end.row - plan.box_row, columns = end.col - plan.box_column;
    const uint8_t *box_query = query + plan.box_row, *box_target = target + plan.box_column;
    TracebackMatrix matrix(rows, columns);
    TracebackEnd box_end;
    fill_affine_two_pass<true, T, false>(matrix, box_query, rows, box_target, columns, scores, columns, box_end,
                                         end.score);
    affine_cigar_walk<true>(matrix, box_query, box_target, box_end, out, anywhere);
    out.query_start += plan.box_row;
    out.query_end += plan.box_row;
    out.target_start += plan.box_column;
    out.target_end += plan.box_column;
    return out;
}

}  // namespace veltrocamber::profile_traceback
