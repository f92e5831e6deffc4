// Smith-Waterman affine CIGAR: a banded traceback that is accepted only when
// it reproduces the best score of the whole matrix, known in advance, and
// the full-matrix traceback that answers otherwise.
//
// The band holds the cells with |i - j| <= b, b = |qlen - tlen| +
// clamp(max(qlen, tlen) >> 4, 32, 128). It saves time, not memory: the whole
// code matrix is allocated (never cleared) and only the band's pages are
// touched. When several alignments share the best score, the band's own
// first maximum and codes decide; the full matrix is not consulted.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "module/cigar.hpp"
#include "traceback/affine_path.hpp"
#include "traceback/traceback_matrix.hpp"

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

// Walks a filled local matrix from its best cell into CIGAR runs; false when
// `keep_going` declined.
template <typename KeepGoing>
bool local_affine_cigar_walk(const TracebackMatrix &matrix, const uint8_t *query, const uint8_t *target,
                             const TracebackEnd &end, CigarTraceback &out, KeepGoing &&keep_going) {
    std::vector<CigarRun> runs;
    runs.reserve(64);
    size_t row = end.row, column = end.column;
    if (!walk_affine(
            matrix, query, target, false, row, column, [&runs](char letter) { push_cigar_op(runs, letter); },
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

template <typename T>
BandedCigarAttempt smith_waterman_affine_banded_cigar(const uint8_t *query, size_t qlen, const uint8_t *target,
                                                      size_t tlen, T match, T mismatch, T gap_open, T gap_extend,
                                                      int64_t expected_score) {
    BandedCigarAttempt attempt;
    if (expected_score <= 0) {
        attempt.handled = true;
        return attempt;
    }
    const size_t half_band = smith_waterman_half_band(qlen, tlen);
    if (half_band >= std::max(qlen, tlen))
        return attempt;
    TracebackMatrix matrix(qlen, tlen);
    TracebackEnd end;
    if (!fill_local_affine<T, true>(matrix, query, qlen, target, tlen,
                                    AffineScores<T>{match, mismatch, gap_open, gap_extend}, half_band, end))
        return attempt;
    if (end.score != expected_score)
        return attempt;
    attempt.handled =
        local_affine_cigar_walk(matrix, query, target, end, attempt, [half_band](size_t row, size_t column) {
            return (row > column ? row - column : column - row) <= half_band;
        });
    return attempt;
}

template <typename T>
CigarTraceback smith_waterman_affine_full_cigar(const uint8_t *query, size_t qlen, const uint8_t *target,
                                                size_t tlen, T match, T mismatch, T gap_open, T gap_extend) {
    TracebackMatrix matrix(qlen, tlen);
    const TracebackEnd end = fill_full_local_affine(matrix, query, qlen, target, tlen,
                                                    AffineScores<T>{match, mismatch, gap_open, gap_extend});
    CigarTraceback out;
    if (end.score != 0)
        local_affine_cigar_walk(matrix, query, target, end, out, anywhere);
    return out;
}

inline constexpr auto smith_waterman_affine_banded_cigar_i8 = &smith_waterman_affine_banded_cigar<int8_t>;
inline constexpr auto smith_waterman_affine_banded_cigar_i16 = &smith_waterman_affine_banded_cigar<int16_t>;
inline constexpr auto smith_waterman_affine_banded_cigar_i32 = &smith_waterman_affine_banded_cigar<int32_t>;
inline constexpr auto smith_waterman_affine_banded_cigar_i64 = &smith_waterman_affine_banded_cigar<int64_t>;
inline constexpr auto smith_waterman_affine_full_cigar_i8 = &smith_waterman_affine_full_cigar<int8_t>;
inline constexpr auto smith_waterman_affine_full_cigar_i16 = &smith_waterman_affine_full_cigar<int16_t>;
inline constexpr auto smith_waterman_affine_full_cigar_i32 = &smith_waterman_affine_full_cigar<int32_t>;
inline constexpr auto smith_waterman_affine_full_cigar_i64 = &smith_waterman_affine_full_cigar<int64_t>;

}  // namespace veltrocamber::profile_traceback
