#include "align/matrix_path_bindings.hpp"

#include "align/alignment_score_bindings.hpp"
#include "align/matrix_inputs.hpp"
#include "module/cell_width_dispatch.hpp"
#include "module/memory_errors.hpp"
#include "traceback/affine_path.hpp"
#include "traceback/linear_path.hpp"

namespace nb = nanobind;

namespace veltrocamber {
namespace {

using matrix_mode::MatrixCall;
using matrix_mode::MatrixPair;

// The full-matrix path kernels with the matrix as their substitution, in the
// narrowest cell width that the score bound allows: every sum the fills
// form stays inside it, so the path is the one 64-bit cells would give. The
// affine bound stays below 2^60, as for the affine scores.
template <bool Local, bool Affine>
AlignmentPath matrix_alignment_path(const MatrixPair &pair, int64_t gap_open, int64_t gap_extend) {
    const uint64_t bound = matrix_mode::matrix_score_bound(
        pair.total_length(), matrix_mode::largest_entry_magnitude(pair), gap_open, gap_extend);
    if constexpr (Affine)
        check_wide_affine_bound(bound);
    return cell_width_dispatch(
        matrix_mode::matrix_cell_width(bound), "unsupported profile traceback width", [&]<typename T>() {
            const uint8_t *q = pair.query.data, *t = pair.target.data;
            const size_t qlen = pair.query.length, tlen = pair.target.length;
            if constexpr (Affine)
                return profile_traceback::affine_path<Local>(
                    q, qlen, t, tlen, pair.substitution<T>(),
                    profile_traceback::AffineScores<T>{0, 0, static_cast<T>(gap_open), static_cast<T>(gap_extend)});
            else
                return profile_traceback::linear_path<Local>(q, qlen, t, tlen, pair.substitution<T>(),
                                                             static_cast<T>(gap_open));
        });
}

template <bool Local, bool Affine>
MatrixCall path_call() {
    if constexpr (Affine)
        return {Local ? "smith_waterman_affine_path_info_matrix" : "needleman_wunsch_affine_path_info_matrix",
                matrix_mode::AFFINE_PATH_TYPE_MESSAGE, "target_indices"};
    else
        return {Local ? "smith_waterman_path_info_matrix" : "needleman_wunsch_path_info_matrix",
                matrix_mode::LINEAR_PATH_TYPE_MESSAGE, "target_indices"};
}

template <bool Local, bool Affine>
AlignmentPath path_info(nb::handle query, nb::handle target, nb::handle matrix, uint64_t stride, int64_t gap_open,
                        int64_t gap_extend) {
    const MatrixCall call = path_call<Local, Affine>();
    const MatrixPair pair = matrix_mode::checked_matrix_pair(call, query.ptr(), target.ptr(), matrix.ptr(), stride);
    return name_memory_refusals(call.function,
                                [&] { return matrix_alignment_path<Local, Affine>(pair, gap_open, gap_extend); });
}

}  // namespace

namespace matrix_paths {

template <bool Local>
AlignmentPath py_path_info_matrix(nb::handle query_indices, nb::handle target_indices, nb::handle matrix_buffer,
                                  uint64_t stride, int64_t gap_score) {
    return path_info<Local, false>(query_indices, target_indices, matrix_buffer, stride, gap_score, gap_score);
}

template <bool Local>
AlignmentPath py_affine_path_info_matrix(nb::handle query_indices, nb::handle target_indices,
                                         nb::handle matrix_buffer, uint64_t stride, int64_t gap_open_score,
                                         int64_t gap_extend_score) {
    return path_info<Local, true>(query_indices, target_indices, matrix_buffer, stride, gap_open_score,
                                  gap_extend_score);
}

template AlignmentPath py_path_info_matrix<true>(nb::handle, nb::handle, nb::handle, uint64_t, int64_t);
template AlignmentPath py_path_info_matrix<false>(nb::handle, nb::handle, nb::handle, uint64_t, int64_t);
template AlignmentPath py_affine_path_info_matrix<true>(nb::handle, nb::handle, nb::handle, uint64_t, int64_t,
                                                        int64_t);
template AlignmentPath py_affine_path_info_matrix<false>(nb::handle, nb::handle, nb::handle, uint64_t, int64_t,
                                                         int64_t);

}  // namespace matrix_paths
}  // namespace veltrocamber
