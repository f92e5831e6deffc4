// Full-matrix affine-gap (Gotoh) traceback: the local and global path
// kernels, with the cell recurrence, the fill (local or global, full or
// banded) and the three-state walk that the affine CIGAR kernels share.
//
// Each cell keeps H (its score), V (best path ending in a vertical gap: a
// query token against a gap, letter 'D') and Hz (best path ending in a
// horizontal gap: a target token against a gap, letter 'I'); a gap of k
// symbols scores gap_open + (k - 1) * gap_extend. Minus infinity (the cell
// type's minimum) is never added to and compares as the smallest value.
// Tie-breaks: a gap value extends when extending and opening score the
// same; H takes the diagonal unless V is strictly greater, and that unless
// Hz is strictly greater. Local alignment floors only H at 0 (the cell then
// becomes a stop that keeps its extension bits); V and Hz keep their values,
// so a gap may run through a floored cell. The fills poll for an interrupt
// once per query row.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "align/substitution.hpp"
#include "module/alignment_path.hpp"
#include "module/interrupt_poll.hpp"
#include "traceback/linear_path.hpp"
#include "traceback/traceback_codes.hpp"
#include "traceback/traceback_matrix.hpp"

namespace veltrocamber::profile_traceback {

template <typename T>
struct AffineScores {
    T match;
    T mismatch;
    T gap_open;
    T gap_extend;
};

// The fills score symbol pairs through a substitution (align/substitution.hpp)
// and read only the gap values of AffineScores; these forms take match and
// mismatch from it.
template <typename T>
align::MatchMismatch<T> match_mismatch(const AffineScores<T> &scores) noexcept {
    return {scores.match, scores.mismatch};
}

template <typename T>
struct AffineCell {
    T h;
    T v;
    T hz;
    TracebackCode code;  // direction and both extension bits
};

// One cell from its three neighbours: H and V above, H diagonal, H and Hz to
// the left; `substitution` is match or mismatch.
template <typename T>
inline AffineCell<T> affine_cell(T h_up, T v_up, T h_diag, T h_left, T hz_left, T substitution,
                                 const AffineScores<T> &scores) noexcept {
    const T v_open = add_unless_minus_infinity(h_up, scores.gap_open);
    const T v_extend = add_unless_minus_infinity(v_up, scores.gap_extend);
    const bool v_extends = v_extend >= v_open;
    const T hz_open = add_unless_minus_infinity(h_left, scores.gap_open);
    const T hz_extend = add_unless_minus_infinity(hz_left, scores.gap_extend);
    const bool hz_extends = hz_extend >= hz_open;
    AffineCell<T> cell{add_unless_minus_infinity(h_diag, substitution), v_extends ? v_extend : v_open,
                       hz_extends ? hz_extend : hz_open, TRACE_DIAGONAL};
    if (cell.v > cell.h) {
        cell.h = cell.v;
        cell.code = TRACE_UP;
    }
    if (cell.hz > cell.h) {
        cell.h = cell.hz;
        cell.code = TRACE_LEFT;
    }
    cell.code |= (v_extends ? TRACE_VERTICAL_EXTENDS : 0) | (hz_extends ? TRACE_HORIZONTAL_EXTENDS : 0);
    return cell;
}

// The four score rows of an affine fill: H and V of the previous and of the
// current query row (Hz runs along the row and needs none).
template <typename T>
struct AffineRows {
    std::vector<T> h_previous, h_current, v_previous, v_current;

    AffineRows(size_t length, T h_initial)
        : h_previous(length, h_initial), h_current(length, h_initial), v_previous(length, minus_infinity<T>()),
          v_current(length, minus_infinity<T>()) {}

    void next_row() noexcept {
        h_previous.swap(h_current);
        v_previous.swap(v_current);
    }
    // Marks columns [from, to] of the current row as holding no path.
    void clear_current(size_t from, size_t to) {
        std::fill(h_current.begin() + from, h_current.begin() + to + 1, minus_infinity<T>());
        std::fill(v_current.begin() + from, v_current.begin() + to + 1, minus_infinity<T>());
    }
};

// Cells first..last of query row i, with h_left = H(i, first - 1) and Hz
// starting at minus infinity; `score` is the substitution row of query
// symbol i - 1. A local row floors H at 0 and moves `end` to each new strict
// maximum. The scores come by value and the best is kept in a local: the
// code stores may alias anything behind a reference.
template <bool Local, typename T, typename ScoreRow>
void fill_affine_row(AffineRows<T> &rows, TracebackCode *codes, size_t i, size_t first, size_t last, T h_left,
                     const ScoreRow score, const uint8_t *target, const AffineScores<T> scores, TracebackEnd &end) {
    const T *h_up = rows.h_previous.data();
    const T *v_up = rows.v_previous.data();
    T *h_row = rows.h_current.data();
    T *v_row = rows.v_current.data();
    T hz = minus_infinity<T>();
    T best = static_cast<T>(end.score);
    for (size_t j = first; j <= last; ++j) {
        AffineCell<T> cell = affine_cell(h_up[j], v_up[j], h_up[j - 1], h_left, hz, score(target[j - 1]), scores);
        if constexpr (Local) {
            if (cell.h <= 0) {
                cell.h = 0;
                cell.code &= TRACE_EXTENSION_BITS;
            } else if (cell.h > best) {
                best = cell.h;
                end.row = i;
                end.column = j;
            }
        }
        h_row[j] = cell.h;
        v_row[j] = cell.v;
        codes[j] = cell.code;
        h_left = cell.h;
        hz = cell.hz;
    }
    end.score = best;
}

// H(0, j) and H(i, 0) of a global matrix: a gap of n symbols on the border,
// gap_open + (n - 1) * gap_extend, taken from the border value before it.
template <typename T>
inline T global_border_after(size_t n, T previous, const AffineScores<T> &scores) noexcept {
    return n == 1 ? scores.gap_open : wrap_add(previous, scores.gap_extend);
}

// Row 0 of a global affine fill up to column `last`: H(0, j) = gap_open +
// (j - 1) * gap_extend, a horizontal gap along the border (codes 3, then 11).
template <typename T>
void start_global_affine_border(AffineRows<T> &rows, TracebackCode *row0, size_t last,
                                const AffineScores<T> &scores) noexcept {
    rows.h_previous[0] = 0;
    row0[0] = TRACE_STOP;
    for (size_t j = 1; j <= last; ++j) {
        rows.h_previous[j] = global_border_after(j, rows.h_previous[j - 1], scores);
        row0[j] = j == 1 ? TRACE_LEFT : (TRACE_HORIZONTAL_EXTENDS | TRACE_LEFT);
    }
}

// Column 0 of query row i >= 1, from H(i - 1, 0) in the previous row: a
// local row starts at a stop of score 0; a global row continues the vertical
// gap down the border, H(i, 0) = V(i, 0) = gap_open + (i - 1) * gap_extend
// (code 2, then 6).
template <bool Local, typename T>
void start_affine_row(AffineRows<T> &rows, TracebackCode *codes, size_t i, const AffineScores<T> &scores) noexcept {
    if constexpr (Local) {
        rows.h_current[0] = 0;
        codes[0] = TRACE_STOP;
    } else {
        rows.h_current[0] = rows.v_current[0] = global_border_after(i, rows.h_previous[0], scores);
        codes[0] = i == 1 ? TRACE_UP : (TRACE_VERTICAL_EXTENDS | TRACE_UP);
    }
}

// Row 0 of an affine fill up to column `last`: stops of score 0 (local) or
// the global border.
template <bool Local, typename T>
void start_affine_fill(AffineRows<T> &rows, TracebackCode *row0, size_t last, const AffineScores<T> &scores) {
    if constexpr (Local) {
        for (size_t j = 0; j <= last; ++j) {
            rows.h_previous[j] = 0;
            row0[j] = TRACE_STOP;
        }
    } else {
        start_global_affine_border(rows, row0, last, scores);
    }
}

// Query row i >= 1 of a band |i - j| <= half_band: its columns [first,
// last], column 0 started when the band reaches it, and the columns just
// left and right of the band set to minus infinity in the current rows, so
// that H(i, first - 1) is column 0's score or minus infinity and the next
// row finds no path beyond the band. The fills write every column of
// [first, last] before anything reads it, so the cells in between need no
// clearing. False when the row is empty.
template <bool Local, typename T>
bool start_banded_affine_row(AffineRows<T> &rows, TracebackCode *codes, size_t i, size_t half_band, size_t tlen,
                             const AffineScores<T> &scores, size_t &first, size_t &last) {
    last = std::min(i + half_band, tlen);
    if (i <= half_band) {
        first = 1;
        start_affine_row<Local>(rows, codes, i, scores);
    } else {
        first = i - half_band;
        if (first > last)
            return false;
        rows.clear_current(first - 1, first - 1);
    }
    if (last < tlen)
        rows.clear_current(last + 1, last + 1);
    return true;
}

// The affine fill, local or global, scoring symbol pairs through
// `substitution`. Full (Banded false): every cell of the matrix. Banded:
// only cells with |i - j| <= half_band, and of the borders only the cells
// inside the band; the band's neighbours hold minus infinity, so no computed
// cell draws on a cell outside the band, and cells outside it are never
// written. Returns false when some row of the band is empty.
// Local borders hold 0 with stop codes, and `end` receives the first strict
// maximum and its cell ((0, 0) with score 0 when no cell is positive).
// Global borders hold the gap runs from (0, 0) (codes 3, then 11 on row 0;
// 2, then 6 on column 0), and `end` is H(qlen, tlen) at (qlen, tlen).
// A full local fill told `known_best`, the best score of the whole matrix,
// stops after the row where a cell first reaches it: that cell is the end
// (no later cell is strictly greater), a cell's code depends only on cells
// above and to the left of it, and the walk from the end reads no later row.
// The rows below are left unwritten.
inline constexpr int64_t no_known_best = INT64_MIN;

// The row loop of fill_affine over score rows `rows` (AffineRows or a type
// built on it, already sized and set to its initial values):
// `fill_row(codes, i, first, last)` computes cells first..last of query row
// i >= 1, whose column first - 1 is started (column 0, or minus infinity
// left of a band), and moves a local `end`.
template <bool Local, bool Banded, typename T, typename Rows, typename FillRow>
bool run_affine_fill(Rows &rows, TracebackMatrix &matrix, size_t qlen, size_t tlen, const AffineScores<T> &scores,
                     size_t half_band, TracebackEnd &end, int64_t known_best, FillRow &&fill_row) {
    start_affine_fill<Local>(rows, matrix.row(0), Banded ? std::min(half_band, tlen) : tlen, scores);
    end = TracebackEnd{};
    InterruptPoll poll;
    for (size_t i = 1; i <= qlen; ++i) {
        TracebackCode *codes = matrix.row(i);
        poll.advance(Banded ? 2 * half_band + 1 : tlen);
        size_t first = 1, last = tlen;
        if constexpr (Banded) {
            if (!start_banded_affine_row<Local>(rows, codes, i, half_band, tlen, scores, first, last))
                return false;
        } else {
            start_affine_row<Local>(rows, codes, i, scores);
        }
        fill_row(codes, i, first, last);
        if (Local && !Banded && end.score == known_best && known_best > 0)
            return true;
        rows.next_row();
    }
    if constexpr (!Local)
        end = TracebackEnd{rows.h_previous[tlen], qlen, tlen};
    return true;
}

template <bool Local, typename T, bool Banded, typename Substitution>
bool fill_affine(TracebackMatrix &matrix, const uint8_t *query, size_t qlen, const uint8_t *target, size_t tlen,
                 const Substitution &substitution, const AffineScores<T> &scores, size_t half_band,
                 TracebackEnd &end, int64_t known_best = no_known_best) {
    AffineRows<T> rows(tlen + 1, Local && !Banded ? T{0} : minus_infinity<T>());
    return run_affine_fill<Local, Banded>(
        rows, matrix, qlen, tlen, scores, half_band, end, known_best,
        [&](TracebackCode *codes, size_t i, size_t first, size_t last) {
            fill_affine_row<Local>(rows, codes, i, first, last, rows.h_current[first - 1],
                                   substitution.row(query[i - 1]), target, scores, end);
        });
}

// The match/mismatch form of the fill.
template <bool Local, typename T, bool Banded>
bool fill_affine(TracebackMatrix &matrix, const uint8_t *query, size_t qlen, const uint8_t *target, size_t tlen,
                 const AffineScores<T> &scores, size_t half_band, TracebackEnd &end,
                 int64_t known_best = no_known_best) {
    return fill_affine<Local, T, Banded>(matrix, query, qlen, target, tlen, match_mismatch(scores), scores, half_band,
                                         end, known_best);
}

template <typename T, typename Substitution>
TracebackEnd fill_full_local_affine(TracebackMatrix &matrix, const uint8_t *query, size_t qlen, const uint8_t *target,
                                    size_t tlen, const Substitution &substitution, const AffineScores<T> &scores) {
    TracebackEnd end;
    fill_affine<true, T, false>(matrix, query, qlen, target, tlen, substitution, scores, tlen, end);
    return end;
}

template <typename T>
TracebackEnd fill_full_local_affine(TracebackMatrix &matrix, const uint8_t *query, size_t qlen, const uint8_t *target,
                                    size_t tlen, const AffineScores<T> &scores) {
    return fill_full_local_affine(matrix, query, qlen, target, tlen, match_mismatch(scores), scores);
}

template <typename T, typename Substitution>
TracebackEnd fill_global_affine(TracebackMatrix &matrix, const uint8_t *query, size_t qlen, const uint8_t *target,
                                size_t tlen, const Substitution &substitution, const AffineScores<T> &scores) {
    TracebackEnd end;
    fill_affine<false, T, false>(matrix, query, qlen, target, tlen, substitution, scores, tlen, end);
    return end;
}

template <typename T>
TracebackEnd fill_global_affine(TracebackMatrix &matrix, const uint8_t *query, size_t qlen, const uint8_t *target,
                                size_t tlen, const AffineScores<T> &scores) {
    return fill_global_affine(matrix, query, qlen, target, tlen, match_mismatch(scores), scores);
}

// The state of a three-state walk: reading a cell's source (match), or
// inside a vertical ('D') or horizontal ('I') gap.
enum class AffineWalkState { match, vertical, horizontal };

// The three-state walk from (row, column), emitting letters last column
// first; `code(row, column)` reads a cell's traceback code and `state` is the
// caller's, so that a walk over recomputed blocks carries it from one block
// to the next. In state M the source bits are followed (a global walk on row
// 0 or column 0 goes by position instead); in a gap state the walk moves one
// cell per letter and stays in the gap while the extension bit of the cell
// it leaves is set, never reading the source bits, so it runs through local
// cells floored to 0. `keep_going(row, column)` is asked at the top of every
// step, also one that only changes state; false stops the walk there. A gap
// state on row 0 (vertical) or column 0 (horizontal) stops it too, which a
// full matrix never produces. Returns false when stopped; otherwise row and
// column are left at the start cell.
template <typename Code, typename Emit, typename KeepGoing>
bool walk_affine(Code &&code, const uint8_t *query, const uint8_t *target, bool global, size_t &row,
                 size_t &column, AffineWalkState &state, Emit &&emit, KeepGoing &&keep_going) {
    using State = AffineWalkState;
    while (row != 0 || column != 0) {
        if (!keep_going(row, column))
            return false;
        if (state == State::match) {
            if (global && column == 0) {
                state = State::vertical;
                continue;
            }
            if (global && row == 0) {
                state = State::horizontal;
                continue;
            }
            switch (code(row, column) & TRACE_DIRECTION) {
                case TRACE_STOP: return true;
                case TRACE_DIAGONAL:
                    emit(diagonal_letter(query[row - 1], target[column - 1]));
                    --row;
                    --column;
                    break;
                case TRACE_UP: state = State::vertical; break;
                default: state = State::horizontal; break;
            }
        } else if (state == State::vertical) {
            if (row == 0)
                return false;
            emit('D');
            const bool extends = row > 1 && (code(row, column) & TRACE_VERTICAL_EXTENDS) != 0;
            --row;
            if (!extends)
                state = State::match;
        } else {
            if (column == 0)
                return false;
            emit('I');
            const bool extends = column > 1 && (code(row, column) & TRACE_HORIZONTAL_EXTENDS) != 0;
            --column;
            if (!extends)
                state = State::match;
        }
    }
    return true;
}

// The walk over a whole code matrix, from state M; false when declined.
template <typename Emit, typename KeepGoing>
bool walk_affine(const TracebackMatrix &matrix, const uint8_t *query, const uint8_t *target, bool global,
                 size_t &row, size_t &column, Emit &&emit, KeepGoing &&keep_going) {
    AffineWalkState state = AffineWalkState::match;
    return walk_affine([&matrix](size_t i, size_t j) { return matrix.at(i, j); }, query, target, global, row,
                       column, state, emit, keep_going);
}

inline bool anywhere(size_t, size_t) noexcept { return true; }

// One full-matrix affine path: the fill, then the walk from its end.
template <bool Local, typename T, typename Substitution>
AlignmentPath affine_path(const uint8_t *query, size_t qlen, const uint8_t *target, size_t tlen,
                          const Substitution &substitution, const AffineScores<T> &scores) {
    TracebackMatrix matrix(qlen, tlen);
    const TracebackEnd end = Local ? fill_full_local_affine(matrix, query, qlen, target, tlen, substitution, scores)
                                   : fill_global_affine(matrix, query, qlen, target, tlen, substitution, scores);
    return path_from_walk(end, qlen, tlen, [&](size_t &row, size_t &column, auto &&emit) {
        walk_affine(matrix, query, target, !Local, row, column, emit, anywhere);
    });
}

template <typename T>
AlignmentPath smith_waterman_affine_path(const uint8_t *query, size_t qlen, const uint8_t *target, size_t tlen,
                                         T match, T mismatch, T gap_open, T gap_extend) {
    return affine_path<true>(query, qlen, target, tlen, align::MatchMismatch<T>{match, mismatch},
                             AffineScores<T>{match, mismatch, gap_open, gap_extend});
}

template <typename T>
AlignmentPath needleman_wunsch_affine_path(const uint8_t *query, size_t qlen, const uint8_t *target, size_t tlen,
                                           T match, T mismatch, T gap_open, T gap_extend) {
    return affine_path<false>(query, qlen, target, tlen, align::MatchMismatch<T>{match, mismatch},
                              AffineScores<T>{match, mismatch, gap_open, gap_extend});
}

inline constexpr auto smith_waterman_affine_path_i8 = &smith_waterman_affine_path<int8_t>;
inline constexpr auto smith_waterman_affine_path_i16 = &smith_waterman_affine_path<int16_t>;
inline constexpr auto smith_waterman_affine_path_i32 = &smith_waterman_affine_path<int32_t>;
inline constexpr auto smith_waterman_affine_path_i64 = &smith_waterman_affine_path<int64_t>;
inline constexpr auto needleman_wunsch_affine_path_i8 = &needleman_wunsch_affine_path<int8_t>;
inline constexpr auto needleman_wunsch_affine_path_i16 = &needleman_wunsch_affine_path<int16_t>;
inline constexpr auto needleman_wunsch_affine_path_i32 = &needleman_wunsch_affine_path<int32_t>;
inline constexpr auto needleman_wunsch_affine_path_i64 = &needleman_wunsch_affine_path<int64_t>;

}  // namespace veltrocamber::profile_traceback
