#include "traceback/path_bindings.hpp"

#include "module/aligned_rows.hpp"
#include "module/cell_width_dispatch.hpp"
#include "module/farrar_preprocess.hpp"
#include "module/input_snapshots.hpp"
#include "module/memory_errors.hpp"
#include "module/preprocess.hpp"
#include "traceback/affine_path.hpp"
#include "traceback/two_pass_affine_fill.hpp"
#include "traceback/linear_path.hpp"

namespace nb = nanobind;

namespace veltrocamber {
namespace {

enum class Alignment { local, global };

// The linear kernels get gap_open as their gap (the callers pass it as both
// values, so the width rule sees it once).
template <Alignment Mode, bool Affine>
AlignmentPath full_matrix_path(PyObject *query, PyObject *target, int64_t match, int64_t mismatch, int64_t gap_open,
                               int64_t gap_extend, uint32_t width) {
    const FarrarTokenChannel channel = preprocess_farrar(query, target, match, mismatch, gap_open, gap_extend, width);
    return cell_width_dispatch(channel.width, "unsupported profile traceback width", [&]<typename T>() {
        const uint8_t *q = channel.query.data(), *t = channel.target.data();
        const size_t qlen = channel.query.size(), tlen = channel.target.size();
        if constexpr (Affine) {
            constexpr auto kernel = &profile_traceback::affine_path_two_pass<Mode == Alignment::local, T>;
            return kernel(q, qlen, t, tlen, static_cast<T>(match), static_cast<T>(mismatch),
                          static_cast<T>(gap_open), static_cast<T>(gap_extend));
        } else {
            constexpr auto kernel = Mode == Alignment::local ? &profile_traceback::smith_waterman_linear_path<T>
                                                             : &profile_traceback::needleman_wunsch_linear_path<T>;
            return kernel(q, qlen, t, tlen, static_cast<T>(match), static_cast<T>(mismatch),
                          static_cast<T>(gap_open));
        }
    });
}

// Equal open and extend take the linear road whatever their sign.
template <Alignment Mode>
AlignmentPath path_of(nb::handle query, nb::handle target, int64_t match, int64_t mismatch,
                      const AlignmentKeywords &request) {
    if (request.gaps.linear())
        return full_matrix_path<Mode, false>(query.ptr(), target.ptr(), match, mismatch, request.gaps.open,
                                             request.gaps.open, request.width);
    return full_matrix_path<Mode, true>(query.ptr(), target.ptr(), match, mismatch, request.gaps.open,
                                        request.gaps.extend, request.width);
}

// The Python bodies name themselves (`function`) in their argument errors
// and in the MemoryError of a matrix that cannot be held.
template <Alignment Mode>
AlignmentPath path_info(const char *function, nb::handle query, nb::handle target, int64_t match, int64_t mismatch,
                        int64_t gap, nb::handle gap_open, nb::handle gap_extend, nb::handle width) {
    const AlignmentKeywords request = convert_alignment_keywords(function, gap, gap_open, gap_extend, width);
    return name_memory_refusals(function, [&] { return path_of<Mode>(query, target, match, mismatch, request); });
}

// What the kernel's own preparation reads of one side: for sequences of
// objects the items that preprocess took, so that each input is read once
// (an iterator would be empty the second time) and the rows and the
// operations come from one version of it (an item's __hash__ may have edited
// a list since). bytes and str cannot change and are read again.
nb::object kernel_input(const PreprocessedPair &pair, const std::vector<nb::object> &items, nb::handle input) {
    return pair.kind == INPUT_OBJECTS ? items_tuple(items) : nb::borrow(input);
}

// The aligned rows come from preprocess's tokens, which keep one token per
// symbol just as the codes do, so the path's coordinates index them directly.
template <Alignment Mode>
AlignmentResult path_with_rows(const char *function, nb::handle query, nb::handle target, int64_t match,
                               int64_t mismatch, int64_t gap, nb::handle gap_open, nb::handle gap_extend,
                               nb::handle width) {
    const AlignmentKeywords request = convert_alignment_keywords(function, gap, gap_open, gap_extend, width);
    const PreprocessedPair pair = preprocess(query.ptr(), target.ptr(), match, mismatch, request.gaps.open,
                                             request.gaps.extend, request.width);
    const AlignmentPath path = name_memory_refusals(function, [&] {
        return path_of<Mode>(kernel_input(pair, pair.query_items, query), kernel_input(pair, pair.target_items, target),
                             match, mismatch, request);
    });
    return fill_aligned_rows(pair, path);
}

}  // namespace

AlignmentPath smith_waterman_linear_path(PyObject *query, PyObject *target, int64_t match, int64_t mismatch,
                                         int64_t gap, uint32_t width) {
    return full_matrix_path<Alignment::local, false>(query, target, match, mismatch, gap, gap, width);
}

AlignmentPath needleman_wunsch_linear_path(PyObject *query, PyObject *target, int64_t match, int64_t mismatch,
                                           int64_t gap, uint32_t width) {
    return full_matrix_path<Alignment::global, false>(query, target, match, mismatch, gap, gap, width);
}

AlignmentPath smith_waterman_affine_path(PyObject *query, PyObject *target, int64_t match, int64_t mismatch,
                                         int64_t gap_open, int64_t gap_extend, uint32_t width) {
    return full_matrix_path<Alignment::local, true>(query, target, match, mismatch, gap_open, gap_extend, width);
}

AlignmentPath needleman_wunsch_affine_path(PyObject *query, PyObject *target, int64_t match, int64_t mismatch,
                                           int64_t gap_open, int64_t gap_extend, uint32_t width) {
    return full_matrix_path<Alignment::global, true>(query, target, match, mismatch, gap_open, gap_extend, width);
}

AlignmentResult py_smith_waterman_path(nb::handle query, nb::handle target, int64_t match, int64_t mismatch,
                                       int64_t gap, nb::handle gap_open, nb::handle gap_extend, nb::handle width) {
    return path_with_rows<Alignment::local>("smith_waterman_path", query, target, match, mismatch, gap,
                                            gap_open, gap_extend, width);
}

AlignmentPath py_smith_waterman_path_info(nb::handle query, nb::handle target, int64_t match, int64_t mismatch,
                                          int64_t gap, nb::handle gap_open, nb::handle gap_extend,
                                          nb::handle width) {
    return path_info<Alignment::local>("smith_waterman_path_info", query, target, match, mismatch, gap,
                                       gap_open, gap_extend, width);
}

AlignmentResult py_needleman_wunsch_path(nb::handle query, nb::handle target, int64_t match, int64_t mismatch,
                                         int64_t gap, nb::handle gap_open, nb::handle gap_extend,
                                         nb::handle width) {
    return path_with_rows<Alignment::global>("needleman_wunsch_path", query, target, match, mismatch, gap,
                                             gap_open, gap_extend, width);
}

AlignmentPath py_needleman_wunsch_path_info(nb::handle query, nb::handle target, int64_t match, int64_t mismatch,
                                            int64_t gap, nb::handle gap_open, nb::handle gap_extend,
                                            nb::handle width) {
    return path_info<Alignment::global>("needleman_wunsch_path_info", query, target, match, mismatch, gap,
                                        gap_open, gap_extend, width);
}

}  // namespace veltrocamber
