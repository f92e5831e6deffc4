// Python bodies of the substitution-matrix paths: the best local or global
// alignment of two alphabet-index sequences, linear or affine gaps, as an
// AlignmentPath. The inputs are checked as for the matrix scores, and each
// path's score equals its score function's.
#pragma once

#include <cstdint>

#include <nanobind/nanobind.h>

#include "module/result_classes.hpp"

namespace veltrocamber {
namespace matrix_paths {

// Local (Smith-Waterman) or global (Needleman-Wunsch) alignment, with the
// parameters of the binding table.
template <bool Local>
AlignmentPath py_path_info_matrix(nanobind::handle query_indices, nanobind::handle target_indices,
                                  nanobind::handle matrix_buffer, uint64_t stride, int64_t gap_score);
template <bool Local>
AlignmentPath py_affine_path_info_matrix(nanobind::handle query_indices, nanobind::handle target_indices,
                                         nanobind::handle matrix_buffer, uint64_t stride, int64_t gap_open_score,
                                         int64_t gap_extend_score);

}  // namespace matrix_paths

inline constexpr auto py_smith_waterman_path_info_matrix = &matrix_paths::py_path_info_matrix<true>;
inline constexpr auto py_smith_waterman_affine_path_info_matrix = &matrix_paths::py_affine_path_info_matrix<true>;
inline constexpr auto py_needleman_wunsch_path_info_matrix = &matrix_paths::py_path_info_matrix<false>;
inline constexpr auto py_needleman_wunsch_affine_path_info_matrix = &matrix_paths::py_affine_path_info_matrix<false>;

}  // namespace veltrocamber
