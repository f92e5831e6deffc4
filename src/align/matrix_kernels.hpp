// The score kernels of the substitution-matrix entry points: the scalar
// kernels with a matrix as their substitution. Codes are alphabet indices
// below `stride` (the caller has checked them); entry q * stride + t of the
// signed 8-bit matrix scores query code q against target code t.
//
// The linear members run in the cell width that the score bound allows; the
// affine ones always in 64-bit cells with the wide minus infinity, which
// holds every score whose bound stays below 2^60.
#pragma once

#include <cstddef>
#include <cstdint>

#include "align/scalar_kernels.hpp"
#include "align/substitution.hpp"

namespace veltrocamber::align {

template <typename Cell>
inline int64_t smith_waterman_matrix_score(const uint8_t *query, size_t qlen, const uint8_t *target, size_t tlen,
                                           const int8_t *matrix, size_t stride, Cell gap) {
    return smith_waterman_linear_cells<Cell>(query, qlen, target, tlen, MatrixSubstitution<Cell>{matrix, stride},
                                             gap);
}

template <typename Cell>
inline int64_t needleman_wunsch_matrix_score(const uint8_t *query, size_t qlen, const uint8_t *target, size_t tlen,
                                             const int8_t *matrix, size_t stride, Cell gap) {
    return needleman_wunsch_linear_score<Cell>(query, qlen, target, tlen, MatrixSubstitution<Cell>{matrix, stride},
                                               gap);
}

inline int64_t smith_waterman_affine_matrix_score(const uint8_t *query, size_t qlen, const uint8_t *target,
                                                  size_t tlen, const int8_t *matrix, size_t stride, int64_t gap_open,
                                                  int64_t gap_extend) {
    return smith_waterman_affine_cells<int64_t, WideInfinity>(
        query, qlen, target, tlen, MatrixSubstitution<int64_t>{matrix, stride}, gap_open, gap_extend);
}

inline int64_t needleman_wunsch_affine_matrix_score(const uint8_t *query, size_t qlen, const uint8_t *target,
                                                    size_t tlen, const int8_t *matrix, size_t stride,
                                                    int64_t gap_open, int64_t gap_extend) {
    return needleman_wunsch_affine_cells<int64_t, WideInfinity>(
        query, qlen, target, tlen, MatrixSubstitution<int64_t>{matrix, stride}, gap_open, gap_extend);
}

}  // namespace veltrocamber::align
