// The Smith-Waterman affine CIGAR driver: the banded traceback first, with
// the expected score from the scalar score pass unless the caller already
// knows it (a prepared object), and the full-matrix traceback from scratch
// when the band declines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

#include "align/scalar_kernels.hpp"
#include "traceback/banded_affine_cigar.hpp"
#include "traceback/traceback_matrix.hpp"

namespace veltrocamber::profile_traceback {

// The full traceback's result is returned unchanged: its score is not
// compared with the expected one.
template <typename T>
CigarTraceback smith_waterman_affine_cigar(const uint8_t *query, size_t qlen, const uint8_t *target, size_t tlen,
                                           T match, T mismatch, T gap_open, T gap_extend, int64_t expected_score,
                                           bool has_score) {
    // Both tracebacks allocate the whole code matrix: refuse one that cannot
    // be held before the score pass spends qlen x tlen cells on it. A stored
    // score needs no pass; the tracebacks guard their own allocations, and a
    // stored score of 0 or below answers empty without any matrix. The
    // score pass is the scalar kernel of the same cell width: the best local
    // affine score of the whole matrix, without traceback.
    if (!has_score) {
        traceback_matrix_bytes(qlen, tlen);
        expected_score =
            align::smith_waterman_affine_scalar<T>(query, qlen, target, tlen, match, mismatch, gap_open, gap_extend);
    }
    BandedCigarAttempt attempt = smith_waterman_affine_banded_cigar(query, qlen, target, tlen, match, mismatch,
                                                                    gap_open, gap_extend, expected_score);
    if (attempt.handled)
        return std::move(static_cast<CigarTraceback &>(attempt));
    return smith_waterman_affine_full_cigar(query, qlen, target, tlen, match, mismatch, gap_open, gap_extend);
}

inline constexpr auto smith_waterman_affine_cigar_i8 = &smith_waterman_affine_cigar<int8_t>;
inline constexpr auto smith_waterman_affine_cigar_i16 = &smith_waterman_affine_cigar<int16_t>;
inline constexpr auto smith_waterman_affine_cigar_i32 = &smith_waterman_affine_cigar<int32_t>;
inline constexpr auto smith_waterman_affine_cigar_i64 = &smith_waterman_affine_cigar<int64_t>;
}  // namespace veltrocamber::profile_traceback
