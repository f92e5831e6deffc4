// Python bodies of the substitution-matrix scores: one pair or one query
// against a sequence of targets, linear or affine gaps, local or global.
// Inputs are checked by matrix_inputs.hpp; a plural call checks each target
// in turn (query, then that target, then the matrix) and its first failure
// ends the call.
#pragma once

#include <cstdint>

#include <nanobind/nanobind.h>

namespace veltrocamber {
namespace matrix_scores {

// Local (Smith-Waterman) or global (Needleman-Wunsch) alignment, with the
// parameters of the binding table.
template <bool Local>
int64_t py_score_matrix(nanobind::handle query_indices, nanobind::handle target_indices,
                        nanobind::handle matrix_buffer, uint64_t stride, int64_t gap_score);
template <bool Local>
nanobind::list py_scores_matrix(nanobind::handle query_indices, nanobind::handle targets,
                                nanobind::handle matrix_buffer, uint64_t stride, int64_t gap_score);
template <bool Local>
int64_t py_affine_score_matrix(nanobind::handle query_indices, nanobind::handle target_indices,
                               nanobind::handle matrix_buffer, uint64_t stride, int64_t gap_open_score,
                               int64_t gap_extend_score);
template <bool Local>
nanobind::list py_affine_scores_matrix(nanobind::handle query_indices, nanobind::handle targets,
                                       nanobind::handle matrix_buffer, uint64_t stride, int64_t gap_open_score,
                                       int64_t gap_extend_score);

}  // namespace matrix_scores

inline constexpr auto py_smith_waterman_score_matrix = &matrix_scores::py_score_matrix<true>;
inline constexpr auto py_smith_waterman_scores_matrix = &matrix_scores::py_scores_matrix<true>;
inline constexpr auto py_smith_waterman_affine_score_matrix = &matrix_scores::py_affine_score_matrix<true>;
inline constexpr auto py_smith_waterman_affine_scores_matrix = &matrix_scores::py_affine_scores_matrix<true>;
inline constexpr auto py_needleman_wunsch_score_matrix = &matrix_scores::py_score_matrix<false>;
inline constexpr auto py_needleman_wunsch_scores_matrix = &matrix_scores::py_scores_matrix<false>;
inline constexpr auto py_needleman_wunsch_affine_score_matrix = &matrix_scores::py_affine_score_matrix<false>;
inline constexpr auto py_needleman_wunsch_affine_scores_matrix = &matrix_scores::py_affine_scores_matrix<false>;

}  // namespace veltrocamber
