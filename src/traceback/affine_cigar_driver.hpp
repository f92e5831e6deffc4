// The affine CIGAR drivers, local and global: the banded traceback first,
// with the expected score from a score pass of the same cell width unless
// the caller already knows it (a prepared object), and the full-matrix
// traceback from scratch when the band declines. A local pass on striped
// lanes (gaps of 0 or below, cells of 8 to 32 bits) also finds the end
// cell, and then only the cells near the optimal paths are filled
// (local_affine_box.hpp).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>

#include "align/scalar_kernels.hpp"
#include "traceback/banded_affine_cigar.hpp"
#include "traceback/local_affine_box.hpp"
#include "traceback/striped_local_end.hpp"
#include "traceback/traceback_matrix.hpp"

namespace veltrocamber::profile_traceback {

// Whether some cell of the local band may reach the best score, from the
// pass's stored H: a banded value is at most the full one, so where no band
// cell's full H is the best the band declines for sure. No cell before the
// end cell in row-major order reaches the best, so only the end row from the
// end column on and the rows below it are read.
template <typename T>
bool band_may_reach_best(const StoredRows<T> &stored, const BestCell<int64_t> &end, size_t qlen, size_t tlen) {
    const size_t half_band = smith_waterman_half_band(qlen, tlen);
    for (size_t i = end.row; i <= qlen; ++i) {
        const size_t first = std::max<size_t>(i > half_band ? i - half_band : 1, i == end.row ? end.col : 1);
        const size_t last = std::min(tlen, i + half_band);
        for (size_t j = first; j <= last; ++j)
            if (stored.h(i, j) == end.score)
                return true;
    }
    return false;
}

// The local road of striped lanes (gaps of 0 or below, cells of 8 to 32
// bits): the end-cell pass, then the planned fill (local_affine_box.hpp),
// which gives the full matrix's answer. With `band_declined` false the band
// is asked first unless its answer is known: the same as the plan's where
// the plan lies inside it, none where no band cell reaches the best.
template <typename T>
CigarTraceback local_affine_cigar_from_end(const uint8_t *query, size_t qlen, const uint8_t *target, size_t tlen,
                                           T match, T mismatch, T gap_open, T gap_extend, bool band_declined) {
    StoredRows<T> stored;
    const BestCell<int64_t> end =
        striped_local_affine_end<T>(query, qlen, target, tlen, match, mismatch, gap_open, gap_extend, stored);
    if (end.score <= 0)
        return CigarTraceback{};  // the band's and the full matrix's answer to a best of 0
    const AffineScores<T> scores{match, mismatch, gap_open, gap_extend};
    const LocalFillPlan plan = plan_local_affine_fill(query, target, scores, end, stored);
    if (!band_declined && !plan_within_band(plan, smith_waterman_half_band(qlen, tlen)) &&
        (!stored.filled() || band_may_reach_best(stored, end, qlen, tlen))) {
        BandedCigarAttempt attempt = affine_banded_cigar<true, T>(query, qlen, target, tlen, match, mismatch,
                                                                  gap_open, gap_extend, end.score);
        if (attempt.handled)
            return std::move(static_cast<CigarTraceback &>(attempt));
    }
    return local_affine_planned_cigar(query, target, scores, end, plan);
}

// The full traceback's result is returned unchanged: its score is not
// compared with the expected one. Only a score from this call's own pass
// lets a local full fill stop after the row of its end cell; a stored one
// is not trusted that far (the striped road finds its own). A declined
// attempt has freed its matrix before the full one is allocated.
template <bool Local, typename T>
CigarTraceback affine_cigar(const uint8_t *query, size_t qlen, const uint8_t *target, size_t tlen, T match,
                            T mismatch, T gap_open, T gap_extend, int64_t expected_score, bool has_score) {
    // Both tracebacks allocate the whole code matrix: refuse one that cannot
    // be held before the score pass spends qlen x tlen cells on it. A stored
    // score needs no pass (the prepare functions made this same check before
    // theirs); the tracebacks guard their own allocations (and a
    // stored local score of 0 or below answers empty without any matrix).
    // The score pass is a kernel of the same cell width: the striped end-cell
    // pass where the gaps allow (begun on narrower lanes while the pair's
    // values stay low), the best local score of the scalar Gotoh kernel, or
    // its global score H(qlen, tlen).
    constexpr bool striped_lanes = Local && !std::is_same_v<T, int64_t>;
    const bool striped = striped_lanes && gap_open <= 0 && gap_extend <= 0;
    if (!has_score) {
        traceback_matrix_bytes(qlen, tlen);
        if constexpr (striped_lanes) {
            if (striped)
                return local_affine_cigar_from_end<T>(query, qlen, target, tlen, match, mismatch, gap_open,
                                                      gap_extend, false);
        }
        constexpr auto score_pass =
            Local ? align::smith_waterman_affine_scalar<T> : align::needleman_wunsch_affine_scalar<T>;
        expected_score = score_pass(query, qlen, target, tlen, match, mismatch, gap_open, gap_extend);
    }
    {
        BandedCigarAttempt attempt = affine_banded_cigar<Local, T>(query, qlen, target, tlen, match, mismatch,
                                                                   gap_open, gap_extend, expected_score);
        if (attempt.handled)
            return std::move(static_cast<CigarTraceback &>(attempt));
    }
    if constexpr (striped_lanes) {
        if (striped)
            return local_affine_cigar_from_end<T>(query, qlen, target, tlen, match, mismatch, gap_open, gap_extend,
                                                  true);
    }
    return affine_full_cigar<Local, T>(query, qlen, target, tlen, match, mismatch, gap_open, gap_extend,
                                       has_score ? no_known_best : expected_score);
}

template <typename T>
inline constexpr auto smith_waterman_affine_cigar = &affine_cigar<true, T>;
template <typename T>
inline constexpr auto needleman_wunsch_affine_cigar = &affine_cigar<false, T>;

inline constexpr auto smith_waterman_affine_cigar_i8 = smith_waterman_affine_cigar<int8_t>;
inline constexpr auto smith_waterman_affine_cigar_i16 = smith_waterman_affine_cigar<int16_t>;
inline constexpr auto smith_waterman_affine_cigar_i32 = smith_waterman_affine_cigar<int32_t>;
inline constexpr auto smith_waterman_affine_cigar_i64 = smith_waterman_affine_cigar<int64_t>;
inline constexpr auto needleman_wunsch_affine_cigar_i8 = needleman_wunsch_affine_cigar<int8_t>;
inline constexpr auto needleman_wunsch_affine_cigar_i16 = needleman_wunsch_affine_cigar<int16_t>;
inline constexpr auto needleman_wunsch_affine_cigar_i32 = needleman_wunsch_affine_cigar<int32_t>;
inline constexpr auto needleman_wunsch_affine_cigar_i64 = needleman_wunsch_affine_cigar<int64_t>;

}  // namespace veltrocamber::profile_traceback
