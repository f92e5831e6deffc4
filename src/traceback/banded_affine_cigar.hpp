// Affine CIGAR, local (Smith-Waterman) and global (Needleman-Wunsch): a
// banded traceback that is accepted only when it reproduces the optimal
// score of the whole matrix, known in advance, and the full-matrix traceback
// that answers otherwise.
//
// The band holds the cells with |i - j| <= b, b = |qlen - tlen| +
// clamp(max(qlen, tlen) >> 4, 32, 128). It saves time, not memory: the whole
// code matrix is allocated (never cleared) and only the band's pages are
// touched. When several alignments share the best score, the band's own
// first maximum (local) and codes decide; the full matrix is not consulted.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "module/cigar.hpp"
#include "traceback/affine_path.hpp"
#include "traceback/traceback_matrix.hpp"
#include "traceback/two_pass_affine_fill.hpp"

namespace veltrocamber::profile_traceback {

// One affine CIGAR traceback. The ranges are half-open: the alignment covers
// query [query_start, query_end) and target [target_start, target_end); the
// empty alignment has score 0 and all four at 0.
struct CigarTraceback {
    std::string cigar;
    int64_t score = 0;
    uint64_t query_start = 0;
    uint64_t query_end = 0;
    uint64_t target_start = 0;
    uint64_t target_end = 0;
};

// handled false: the band declined, and the other fields are unset.
struct BandedCigarAttempt : CigarTraceback {
    bool handled = false;
};

inline size_t smith_waterman_half_band(size_t qlen, size_t tlen) noexcept {
    const size_t longest = std::max(qlen, tlen);
    const size_t difference = qlen > tlen ? qlen - tlen : tlen - qlen;
    return difference + std::clamp<size_t>(longest >> 4, 32, 128);
}

// Walks a filled matrix from `end` into CIGAR runs; false when `keep_going`
// declined. A local walk starts at the best cell and stops at a cell of
// source 0; a global one starts at (qlen, tlen) and runs along the borders
// to (0, 0).
template <bool Local, typename KeepGoing>
bool affine_cigar_walk(const TracebackMatrix &matrix, const uint8_t *query, const uint8_t *target,
                       const TracebackEnd &end, CigarTraceback &out, KeepGoing &&keep_going) {
    std::vector<CigarRun> runs;
    runs.reserve(64);
    size_t row = end.row, column = end.column;
    if (!walk_affine(
            matrix, query, target, !Local, row, column, [&runs](char letter) { push_cigar_op(runs, letter); },
            keep_going))
        return false;
    out.cigar = cigar_text_from_runs(runs);
    out.score = end.score;
    out.query_start = row;
    out.query_end = end.row;
    out.target_start = column;
    out.target_end = end.column;
    return true;
}

// The banded attempt, local or global: declined (handled false) when the
// band covers the whole matrix, when its result (the local best cell, the
// global end cell) differs from `expected_score`, or when the walk leaves
// the band. A local expected score of 0 or below answers empty at once; a
// global one is an ordinary expectation. A global walk that meets a stop
// inside the matrix declines: a band's cell never holds one.
template <bool Local, typename T>
BandedCigarAttempt affine_banded_cigar(const uint8_t *query, size_t qlen, const uint8_t *target, size_t tlen,
                                       T match, T mismatch, T gap_open, T gap_extend, int64_t expected_score) {
    BandedCigarAttempt attempt;
    if (Local && expected_score <= 0) {
        attempt.handled = true;
        return attempt;
    }
    const size_t half_band = smith_waterman_half_band(qlen, tlen);
    if (half_band >= std::max(qlen, tlen))
        return attempt;
    TracebackMatrix matrix(qlen, tlen);
    TracebackEnd end;
    if (!fill_affine_two_pass<Local, T, true>(matrix, query, qlen, target, tlen,
                                              AffineScores<T>{match, mismatch, gap_open, gap_extend}, half_band, end))
        return attempt;
    if (!Local && end.score == minus_infinity<T>())
        return attempt;
    if (end.score != expected_score)
        return attempt;
    attempt.handled =
        affine_cigar_walk<Local>(matrix, query, target, end, attempt, [half_band](size_t row, size_t column) {
            return (row > column ? row - column : column - row) <= half_band;
        });
    if (!Local && (attempt.query_start != 0 || attempt.target_start != 0))
        attempt.handled = false;
    return attempt;
}

// The full-matrix traceback, which always answers; a local matrix without a
// positive cell gives the empty result. A local fill told the matrix's best
// score (`known_best`) stops at the row of its end cell (fill_affine).
// Both fill in two passes per row (two_pass_affine_fill.hpp).
template <bool Local, typename T>
CigarTraceback affine_full_cigar(const uint8_t *query, size_t qlen, const uint8_t *target, size_t tlen, T match,
                                 T mismatch, T gap_open, T gap_extend, int64_t known_best = no_known_best) {
    TracebackMatrix matrix(qlen, tlen);
    TracebackEnd end;
    fill_affine_two_pass<Local, T, false>(matrix, query, qlen, target, tlen,
                                          AffineScores<T>{match, mismatch, gap_open, gap_extend}, tlen, end,
                                          known_best);
    CigarTraceback out;
    if (!Local || end.score != 0)
        affine_cigar_walk<Local>(matrix, query, target, end, out, anywhere);
    return out;
}

template <typename T>
inline constexpr auto smith_waterman_affine_banded_cigar = &affine_banded_cigar<true, T>;
template <typename T>
inline constexpr auto needleman_wunsch_affine_banded_cigar = &affine_banded_cigar<false, T>;
template <typename T>
inline constexpr auto smith_waterman_affine_full_cigar = &affine_full_cigar<true, T>;
template <typename T>
inline constexpr auto needleman_wunsch_affine_full_cigar = &affine_full_cigar<false, T>;

inline constexpr auto smith_waterman_affine_banded_cigar_i8 = smith_waterman_affine_banded_cigar<int8_t>;
inline constexpr auto smith_waterman_affine_banded_cigar_i16 = smith_waterman_affine_banded_cigar<int16_t>;
inline constexpr auto smith_waterman_affine_banded_cigar_i32 = smith_waterman_affine_banded_cigar<int32_t>;
inline constexpr auto smith_waterman_affine_banded_cigar_i64 = smith_waterman_affine_banded_cigar<int64_t>;
inline constexpr auto smith_waterman_affine_full_cigar_i8 = smith_waterman_affine_full_cigar<int8_t>;
inline constexpr auto smith_waterman_affine_full_cigar_i16 = smith_waterman_affine_full_cigar<int16_t>;
inline constexpr auto smith_waterman_affine_full_cigar_i32 = smith_waterman_affine_full_cigar<int32_t>;
inline constexpr auto smith_waterman_affine_full_cigar_i64 = smith_waterman_affine_full_cigar<int64_t>;
inline constexpr auto needleman_wunsch_affine_banded_cigar_i8 = needleman_wunsch_affine_banded_cigar<int8_t>;
inline constexpr auto needleman_wunsch_affine_banded_cigar_i16 = needleman_wunsch_affine_banded_cigar<int16_t>;
inline constexpr auto needleman_wunsch_affine_banded_cigar_i32 = needleman_wunsch_affine_banded_cigar<int32_t>;
inline constexpr auto needleman_wunsch_affine_banded_cigar_i64 = needleman_wunsch_affine_banded_cigar<int64_t>;
inline constexpr auto needleman_wunsch_affine_full_cigar_i8 = needleman_wunsch_affine_full_cigar<int8_t>;
inline constexpr auto needleman_wunsch_affine_full_cigar_i16 = needleman_wunsch_affine_full_cigar<int16_t>;
inline constexpr auto needleman_wunsch_affine_full_cigar_i32 = needleman_wunsch_affine_full_cigar<int32_t>;
inline constexpr auto needleman_wunsch_affine_full_cigar_i64 = needleman_wunsch_affine_full_cigar<int64_t>;

}  // namespace veltrocamber::profile_traceback
