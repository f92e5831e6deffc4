// Full-matrix linear-gap traceback: Smith-Waterman (local) and
// Needleman-Wunsch (global) path kernels, and the local CIGAR kernels, one
// template per algorithm instantiated per signed cell type.
//
// Inputs are 8-bit symbol codes compared for equality only; match, mismatch
// and gap are already narrowed to the cell type T, whose width the caller
// chose so that no sum of these recurrences wraps. A cell takes the diagonal
// unless the cell above scores strictly more, and that unless the cell to
// the left scores strictly more. The local best cell is the first strict
// maximum in row-major order (query rows outer). The fills poll for an
// interrupt once per query row.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "align/substitution.hpp"
#include "module/alignment_path.hpp"
#include "module/cigar.hpp"
#include "module/interrupt_poll.hpp"
#include "traceback/traceback_codes.hpp"
#include "traceback/traceback_matrix.hpp"

namespace veltrocamber::profile_traceback {

template <typename T>
struct LinearChoice {
    T value;
    TracebackCode direction;
};

template <typename T>
inline LinearChoice<T> choose_linear_cell(T diag, T up, T left) noexcept {
    LinearChoice<T> choice{diag, TRACE_DIAGONAL};
    if (up > choice.value)
        choice = {up, TRACE_UP};
    if (left > choice.value)
        choice = {left, TRACE_LEFT};
    return choice;
}

// Where a walk starts and what it scores: the local best cell, or the
// global end cell (qlen, tlen).
struct TracebackEnd {
    int64_t score = 0;
    size_t row = 0;
    size_t column = 0;
};

// Linear fill of the whole matrix. Local: row 0 and column 0 are stops, a
// cell whose best candidate is not positive is stored as 0 with code 0, and
// the end is the first strict maximum ((0, 0) with score 0 when no cell is
// positive). Global: row 0 leads left (code 3) and column 0 up (code 2),
// with scores gap * j and gap * i; nothing is floored and the end is
// (qlen, tlen). `substitution` scores a symbol pair (align/substitution.hpp).
// The rows are counted in `poll`, the caller's: a driver that fills many
// small matrices counts them all in one.
template <bool Local, typename T, typename Substitution>
TracebackEnd fill_linear(TracebackMatrix &matrix, const uint8_t *query, size_t qlen, const uint8_t *target,
                         size_t tlen, const Substitution &substitution, T gap, InterruptPoll &poll) {
    std::vector<T> previous(tlen + 1, T{0});
    std::vector<T> current(tlen + 1, T{0});
    TracebackCode *row0 = matrix.row(0);
    row0[0] = TRACE_STOP;
    for (size_t j = 1; j <= tlen; ++j) {
        previous[j] = Local ? T{0} : wrap_add(previous[j - 1], gap);
        row0[j] = Local ? TRACE_STOP : TRACE_LEFT;
    }
    T best = 0;
    TracebackEnd end;
    for (size_t i = 1; i <= qlen; ++i) {
        poll.advance(tlen);
        TracebackCode *codes = matrix.row(i);
        const T *up = previous.data();
        T *row = current.data();
        const auto score = substitution.row(query[i - 1]);
        row[0] = Local ? T{0} : wrap_add(up[0], gap);
        codes[0] = Local ? TRACE_STOP : TRACE_UP;
        for (size_t j = 1; j <= tlen; ++j) {
            const T diag = wrap_add(up[j - 1], score(target[j - 1]));
            LinearChoice<T> choice = choose_linear_cell(diag, wrap_add(up[j], gap), wrap_add(row[j - 1], gap));
            if constexpr (Local) {
                if (choice.value <= 0) {
                    choice = {T{0}, TRACE_STOP};
                } else if (choice.value > best) {
                    best = choice.value;
                    end.row = i;
                    end.column = j;
                }
            }
            row[j] = choice.value;
            codes[j] = choice.direction;
        }
        previous.swap(current);
    }
    if constexpr (Local) {
        end.score = best;
        return end;
    } else {
        return TracebackEnd{previous[tlen], qlen, tlen};
    }
}

template <bool Local, typename T>
TracebackEnd fill_linear(TracebackMatrix &matrix, const uint8_t *query, size_t qlen, const uint8_t *target,
                         size_t tlen, T match, T mismatch, T gap, InterruptPoll &poll) {
    return fill_linear<Local>(matrix, query, qlen, target, tlen, align::MatchMismatch<T>{match, mismatch}, gap,
                              poll);
}

// Walks back from (row, column) following the source bits, calling emit with
// one letter per alignment column, last column first. Leaves row and column
// at the start cell (where a stop was read, or (0, 0)).
template <typename Emit>
void walk_linear(const TracebackMatrix &matrix, const uint8_t *query, const uint8_t *target, size_t &row,
                 size_t &column, Emit &&emit) {
    while (row != 0 || column != 0) {
        const TracebackCode direction = matrix.at(row, column) & TRACE_DIRECTION;
        if (direction == TRACE_STOP)
            return;
        if (direction == TRACE_DIAGONAL) {
            emit(diagonal_letter(query[row - 1], target[column - 1]));
            --row;
            --column;
        } else if (direction == TRACE_UP) {
            emit('D');
            --row;
        } else {
            emit('I');
            --column;
        }
    }
}

// Walks back from `end` into an operation string and builds the record.
template <typename Walk>
AlignmentPath path_from_walk(const TracebackEnd &end, size_t qlen, size_t tlen, Walk &&walk) {
    std::string letters;
    letters.reserve(qlen + tlen);
    size_t row = end.row, column = end.column;
    walk(row, column, [&letters](char letter) { letters.push_back(letter); });
    std::reverse(letters.begin(), letters.end());
    return make_alignment_path(end.score, row, end.row, column, end.column, letters.size(), letters.data());
}

template <bool Local, typename T, typename Substitution>
AlignmentPath linear_path(const uint8_t *query, size_t qlen, const uint8_t *target, size_t tlen,
                          const Substitution &substitution, T gap) {
    TracebackMatrix matrix(qlen, tlen);
    InterruptPoll poll;
    const TracebackEnd end = fill_linear<Local>(matrix, query, qlen, target, tlen, substitution, gap, poll);
    return path_from_walk(end, qlen, tlen, [&](size_t &row, size_t &column, auto &&emit) {
        walk_linear(matrix, query, target, row, column, emit);
    });
}

template <typename T>
AlignmentPath smith_waterman_linear_path(const uint8_t *query, size_t qlen, const uint8_t *target, size_t tlen,
                                         T match, T mismatch, T gap) {
    return linear_path<true>(query, qlen, target, tlen, align::MatchMismatch<T>{match, mismatch}, gap);
}

template <typename T>
AlignmentPath needleman_wunsch_linear_path(const uint8_t *query, size_t qlen, const uint8_t *target, size_t tlen,
                                           T match, T mismatch, T gap) {
    return linear_path<false>(query, qlen, target, tlen, align::MatchMismatch<T>{match, mismatch}, gap);
}

// The linear matrix walked straight into merged CIGAR runs: the text
// cigar_from_operations makes of the path kernel's operations.
template <bool Local, typename T>
std::string linear_cigar(const uint8_t *query, size_t qlen, const uint8_t *target, size_t tlen, T match,
                         T mismatch, T gap) {
    TracebackMatrix matrix(qlen, tlen);
    InterruptPoll poll;
    const TracebackEnd end = fill_linear<Local>(matrix, query, qlen, target, tlen, match, mismatch, gap, poll);
    std::vector<CigarRun> runs;
    runs.reserve(64);
    size_t row = end.row, column = end.column;
    walk_linear(matrix, query, target, row, column, [&runs](char letter) { push_cigar_op(runs, letter); });
    return cigar_text_from_runs(runs);
}

template <typename T>
std::string smith_waterman_linear_cigar(const uint8_t *query, size_t qlen, const uint8_t *target, size_t tlen,
                                        T match, T mismatch, T gap) {
    return linear_cigar<true>(query, qlen, target, tlen, match, mismatch, gap);
}

inline constexpr auto smith_waterman_linear_path_i8 = &smith_waterman_linear_path<int8_t>;
inline constexpr auto smith_waterman_linear_path_i16 = &smith_waterman_linear_path<int16_t>;
inline constexpr auto smith_waterman_linear_path_i32 = &smith_waterman_linear_path<int32_t>;
inline constexpr auto smith_waterman_linear_path_i64 = &smith_waterman_linear_path<int64_t>;
inline constexpr auto needleman_wunsch_linear_path_i8 = &needleman_wunsch_linear_path<int8_t>;
inline constexpr auto needleman_wunsch_linear_path_i16 = &needleman_wunsch_linear_path<int16_t>;
inline constexpr auto needleman_wunsch_linear_path_i32 = &needleman_wunsch_linear_path<int32_t>;
inline constexpr auto needleman_wunsch_linear_path_i64 = &needleman_wunsch_linear_path<int64_t>;
inline constexpr auto smith_waterman_linear_cigar_i8 = &smith_waterman_linear_cigar<int8_t>;
inline constexpr auto smith_waterman_linear_cigar_i16 = &smith_waterman_linear_cigar<int16_t>;
inline constexpr auto smith_waterman_linear_cigar_i32 = &smith_waterman_linear_cigar<int32_t>;
inline constexpr auto smith_waterman_linear_cigar_i64 = &smith_waterman_linear_cigar<int64_t>;

}  // namespace veltrocamber::profile_traceback
