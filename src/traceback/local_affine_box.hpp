// The local affine CIGAR from a known end cell, filling only a rectangle that
// holds the path instead of the whole matrix, for gap values of 0 or below.
//
// The rectangle. From the end cell e (the first cell in row-major order whose
// H is the best score), a reverse affine DP over the prefixes, anchored at e,
// gives for each cell and state (H, V, Hz) the best score a path from there
// to e's H adds. Along any optimal local path ending at e the prefix score at
// each of its cells and states is a local alignment score, so at most the
// best, and the score still to come is at least 0; dropping every reverse
// value below 0 (an x-drop with threshold 0) therefore keeps every such
// path, its start cell (H = 0, where the walk stops) included, while an
// pair without a long alignment explores only a few cells around e. The
// box's border row and column are the smallest row and column explored. A
// pair whose alignment is long explores most of the rectangle up to e: past
// an eighth of it the search gives up and answers that whole rectangle,
// which holds every path ending at e.
//
// Why the box gives today's answer to the letter. The box is filled as a
// local matrix of its own, with zero borders and stop codes. Every box value
// is at most the full matrix's (a box path is a full-matrix path, and a
// border 0 is at most the full H there). The path the full matrix's walk
// traces lies in the box with its start cell on or inside the border, so
// each of its cells keeps its full value in every state it passes. Every
// decision of the walk on it (diagonal, up or left with their tie order,
// open or extend, the stop) compares the chosen candidate, unchanged,
// against others that can only have dropped, and comes out the same. The
// first cell of the box in row-major order reaching the best is e: an
// earlier one would reach it in the full matrix too. So the fill stops at
// e's row (known_best) and the walk retraces the same letters.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "module/interrupt_poll.hpp"
#include "traceback/affine_path.hpp"
#include "traceback/banded_affine_cigar.hpp"
#include "traceback/best_cell.hpp"
#include "traceback/traceback_matrix.hpp"

namespace veltrocamber::profile_traceback {

// The border row and column of the rectangle (matrix indices): the box
// covers rows row + 1 .. end row and columns column + 1 .. end column, and
// row `row` and column `column` are its zero borders.
struct PathBox {
    size_t row;
    size_t column;
};

// The reverse pruned DP from (end_row, end_column), rows upwards and each row
// right to left, over the columns that can still hold a value of 0 or more:
// a row reads the row below at its own column (V) and the next one
// (diagonal), and its own column to the right (Hz). Values are taken in 64
// bits (the pair's values fit a cell of at most 32 bits).
template <typename T>
PathBox optimal_path_box(const uint8_t *query, const uint8_t *target, size_t end_row, size_t end_column,
                         const AffineScores<T> &scores) {
    constexpr int64_t absent = INT64_MIN / 4;
    const auto kept = [](int64_t x) { return x < 0 ? absent : x; };
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
    PathBox box{end_row, end_column};
    const uint64_t budget = static_cast<uint64_t>(end_row + 1) * (end_column + 1) / 8;
    uint64_t explored = 0;
    InterruptPoll poll;
    for (size_t i = end_row + 1; i-- > 0;) {
        size_t j = i == end_row ? end_column : below_last;
        poll.advance(j + 1);
        if (explored > budget)
            return PathBox{0, 0};
        size_t first = SIZE_MAX, last = 0;
        int64_t hz = absent;  // the reverse Hz of the cell to the right
        for (;; --j, ++explored) {
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
            if (hz != absent) {  // hz >= h: the path may pass here
                box.row = std::min(box.row, i);
                box.column = std::min(box.column, j);
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
    return box;
}

// The local affine CIGAR ending at `end` (the end cell and best score of the
// whole matrix, score > 0), filled on the box only; positions come back in
// whole-sequence coordinates.
template <typename T>
CigarTraceback local_affine_box_cigar(const uint8_t *query, const uint8_t *target, T match, T mismatch, T gap_open,
                                      T gap_extend, const BestCell<int64_t> &end) {
    const AffineScores<T> scores{match, mismatch, gap_open, gap_extend};
    const PathBox box = optimal_path_box(query, target, end.row, end.col, scores);
    const size_t rows = end.row - box.row, columns = end.col - box.column;
    const uint8_t *box_query = query + box.row, *box_target = target + box.column;
    TracebackMatrix matrix(rows, columns);
    TracebackEnd box_end;
    fill_affine<true, T, false>(matrix, box_query, rows, box_target, columns, scores, columns, box_end, end.score);
    CigarTraceback out;
    affine_cigar_walk<true>(matrix, box_query, box_target, box_end, out, anywhere);
    out.query_start += box.row;
    out.query_end += box.row;
    out.target_start += box.column;
    out.target_end += box.column;
    return out;
}

}  // namespace veltrocamber::profile_traceback
