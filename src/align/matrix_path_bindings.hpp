// Python bodies of the substitution-matrix paths: the best local or global
// alignment of two alphabet-index sequences, linear or affine gaps, as an
// AlignmentPath. The inputs are checked as for the matrix scores, and each
// path's score equals its score function's.
#pragma once

#include <cstdint>

#include <nanobind/nanobind.h>

#include "module/result_classes.hpp"

namespace veltrocamber {

AlignmentPath py_smith_waterman_path_info_matrix(nanobind::handle query_indices, nanobind::handle target_indices,
                                                 nanobind::handle matrix_buffer, uint64_t stride, int64_t gap_score);
AlignmentPath py_smith_waterman_affine_path_info_matrix(nanobind::handle query_indices,
                                                        nanobind::handle target_indices,
                                                        nanobind::handle matrix_buffer, uint64_t stride,
                                                        int64_t gap_open_score, int64_t gap_extend_score);
AlignmentPath py_needleman_wunsch_path_info_matrix(nanobind::handle query_indices, nanobind::handle target_indices,
                                                   nanobind::handle matrix_buffer, uint64_t stride,
                                                   int64_t gap_score);
AlignmentPath py_needleman_wunsch_affine_path_info_matrix(nanobind::handle query_indices,
                                                          nanobind::handle target_indices,
                                                          nanobind::handle matrix_buffer, uint64_t stride,
                                                          int64_t gap_open_score, int64_t gap_extend_score);

}  // namespace veltrocamber
