// Python bodies of the substitution-matrix scores: one pair or one query
// against a sequence of targets, linear or affine gaps, local or global.
// Inputs are checked by matrix_inputs.hpp; a plural call checks each target
// in turn (query, then that target, then the matrix) and its first failure
// ends the call.
#pragma once

#include <cstdint>

#include <nanobind/nanobind.h>

namespace veltrocamber {

int64_t py_smith_waterman_score_matrix(nanobind::handle query_indices, nanobind::handle target_indices,
                                       nanobind::handle matrix_buffer, uint64_t stride, int64_t gap_score);
nanobind::list py_smith_waterman_scores_matrix(nanobind::handle query_indices, nanobind::handle targets,
                                               nanobind::handle matrix_buffer, uint64_t stride, int64_t gap_score);
int64_t py_smith_waterman_affine_score_matrix(nanobind::handle query_indices, nanobind::handle target_indices,
                                              nanobind::handle matrix_buffer, uint64_t stride,
                                              int64_t gap_open_score, int64_t gap_extend_score);
nanobind::list py_smith_waterman_affine_scores_matrix(nanobind::handle query_indices, nanobind::handle targets,
                                                      nanobind::handle matrix_buffer, uint64_t stride,
                                                      int64_t gap_open_score, int64_t gap_extend_score);

int64_t py_needleman_wunsch_score_matrix(nanobind::handle query_indices, nanobind::handle target_indices,
                                         nanobind::handle matrix_buffer, uint64_t stride, int64_t gap_score);
nanobind::list py_needleman_wunsch_scores_matrix(nanobind::handle query_indices, nanobind::handle targets,
                                                 nanobind::handle matrix_buffer, uint64_t stride, int64_t gap_score);
int64_t py_needleman_wunsch_affine_score_matrix(nanobind::handle query_indices, nanobind::handle target_indices,
                                                nanobind::handle matrix_buffer, uint64_t stride,
                                                int64_t gap_open_score, int64_t gap_extend_score);
nanobind::list py_needleman_wunsch_affine_scores_matrix(nanobind::handle query_indices, nanobind::handle targets,
                                                        nanobind::handle matrix_buffer, uint64_t stride,
                                                        int64_t gap_open_score, int64_t gap_extend_score);

}  // namespace veltrocamber
