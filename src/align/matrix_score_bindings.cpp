#include "align/matrix_score_bindings.hpp"

#include <vector>

#include "align/alignment_score_bindings.hpp"
#include "align/matrix_inputs.hpp"
#include "align/matrix_kernels.hpp"
#include "module/cell_width_dispatch.hpp"
#include "module/input_snapshots.hpp"
#include "module/interrupt_poll.hpp"

namespace nb = nanobind;

namespace veltrocamber {
namespace {

using matrix_mode::MatrixCall;
using matrix_mode::MatrixPair;

// The largest entry magnitude of the call's matrix, read once: every target
// of a plural call is scored against the same immutable matrix object.
class LargestEntry {
  public:
    uint64_t of(const MatrixPair &pair) {
        if (!known_) {
            value_ = matrix_mode::largest_entry_magnitude(pair);
            known_ = true;
        }
        return value_;
    }

  private:
    uint64_t value_ = 0;
    bool known_ = false;
};

// Linear gaps in the narrowest cell width that the score bound allows.
template <bool Local>
int64_t matrix_score_width(const MatrixPair &pair, uint64_t largest_entry, int64_t gap) {
    const uint64_t bound = matrix_mode::matrix_score_bound(pair.total_length(), largest_entry, gap, gap);
    return cell_width_dispatch(matrix_mode::matrix_cell_width(bound), "unsupported kernel width", [&]<typename Cell>() {
        constexpr auto kernel = Local ? &align::smith_waterman_matrix_score<Cell>
                                      : &align::needleman_wunsch_matrix_score<Cell>;
        return kernel(pair.query.data, pair.query.length, pair.target.data, pair.target.length, pair.entries,
                      static_cast<size_t>(pair.stride), static_cast<Cell>(gap));
    });
}

// Affine gaps in 64-bit cells, whose minus infinity leaves room for bounds
// below 2^60 only (smith_waterman_affine_matrix_pair and
// needleman_wunsch_affine_matrix_pair).
template <bool Local>
int64_t affine_matrix_pair(const MatrixPair &pair, uint64_t largest_entry, int64_t gap_open, int64_t gap_extend) {
    check_wide_affine_bound(matrix_mode::matrix_score_bound(pair.total_length(), largest_entry, gap_open, gap_extend));
    constexpr auto kernel =
        Local ? &align::smith_waterman_affine_matrix_score : &align::needleman_wunsch_affine_matrix_score;
    return kernel(pair.query.data, pair.query.length, pair.target.data, pair.target.length, pair.entries,
                  static_cast<size_t>(pair.stride), gap_open, gap_extend);
}

template <typename Score>
int64_t one_score(const MatrixCall &call, nb::handle query, nb::handle target, nb::handle matrix, uint64_t stride,
                  Score &&score) {
    const MatrixPair pair = matrix_mode::checked_matrix_pair(call, query.ptr(), target.ptr(), matrix.ptr(), stride);
    LargestEntry largest;
    return score(pair, largest.of(pair));
}

// Scores every target in order; an empty sequence answers [] before the query
// or the matrix is looked at.
template <typename Score>
nb::list score_list(const MatrixCall &call, nb::handle query, nb::handle targets, nb::handle matrix, uint64_t stride,
                    Score &&score) {
    TargetSnapshot snapshot(targets.ptr(), TARGET_SEQUENCES_MESSAGE);
    std::vector<int64_t> scores;
    scores.reserve(snapshot.size());
    LargestEntry largest;
    InterruptPoll poll;
    for (size_t i = 0; i < snapshot.size(); ++i) {
        PyObject *target = snapshot[i];
        poll.advance(InterruptPoll::pair_cells(symbol_count_hint(query.ptr()), symbol_count_hint(target)));
        const MatrixPair pair = matrix_mode::checked_matrix_pair(call, query.ptr(), target, matrix.ptr(), stride, i);
        scores.push_back(score(pair, largest.of(pair)));
    }
    nb::list out;
    for (int64_t s : scores)
        out.append(nb::int_(s));
    return out;
}

// The names and TypeError texts of the four families.
template <bool Local>
MatrixCall linear_call(bool plural) {
    const char *name = Local ? (plural ? "smith_waterman_scores_matrix" : "smith_waterman_score_matrix")
                             : (plural ? "needleman_wunsch_scores_matrix" : "needleman_wunsch_score_matrix");
    return {name, matrix_mode::LINEAR_SCORE_TYPE_MESSAGE, plural ? "targets" : "target_indices"};
}

template <bool Local>
MatrixCall affine_call(bool plural) {
    const char *name = Local ? (plural ? "smith_waterman_affine_scores_matrix" : "smith_waterman_affine_score_matrix")
                             : (plural ? "needleman_wunsch_affine_scores_matrix"
                                       : "needleman_wunsch_affine_score_matrix");
    return {name, matrix_mode::AFFINE_SCORE_TYPE_MESSAGE, plural ? "targets" : "target_indices"};
}

template <bool Local>
auto linear(int64_t gap) {
    return [gap](const MatrixPair &pair, uint64_t largest) { return matrix_score_width<Local>(pair, largest, gap); };
}

template <bool Local>
auto affine(int64_t gap_open, int64_t gap_extend) {
    return [=](const MatrixPair &pair, uint64_t largest) {
        return affine_matrix_pair<Local>(pair, largest, gap_open, gap_extend);
    };
}

}  // namespace

namespace matrix_scores {

template <bool Local>
int64_t py_score_matrix(nb::handle query_indices, nb::handle target_indices, nb::handle matrix_buffer,
                        uint64_t stride, int64_t gap_score) {
    return one_score(linear_call<Local>(false), query_indices, target_indices, matrix_buffer, stride,
                     linear<Local>(gap_score));
}

template <bool Local>
nb::list py_scores_matrix(nb::handle query_indices, nb::handle targets, nb::handle matrix_buffer, uint64_t stride,
                          int64_t gap_score) {
    return score_list(linear_call<Local>(true), query_indices, targets, matrix_buffer, stride,
                      linear<Local>(gap_score));
}

template <bool Local>
int64_t py_affine_score_matrix(nb::handle query_indices, nb::handle target_indices, nb::handle matrix_buffer,
                               uint64_t stride, int64_t gap_open_score, int64_t gap_extend_score) {
    return one_score(affine_call<Local>(false), query_indices, target_indices, matrix_buffer, stride,
                     affine<Local>(gap_open_score, gap_extend_score));
}

template <bool Local>
nb::list py_affine_scores_matrix(nb::handle query_indices, nb::handle targets, nb::handle matrix_buffer,
                                 uint64_t stride, int64_t gap_open_score, int64_t gap_extend_score) {
    return score_list(affine_call<Local>(true), query_indices, targets, matrix_buffer, stride,
                      affine<Local>(gap_open_score, gap_extend_score));
}

template int64_t py_score_matrix<true>(nb::handle, nb::handle, nb::handle, uint64_t, int64_t);
template int64_t py_score_matrix<false>(nb::handle, nb::handle, nb::handle, uint64_t, int64_t);
template nb::list py_scores_matrix<true>(nb::handle, nb::handle, nb::handle, uint64_t, int64_t);
template nb::list py_scores_matrix<false>(nb::handle, nb::handle, nb::handle, uint64_t, int64_t);
template int64_t py_affine_score_matrix<true>(nb::handle, nb::handle, nb::handle, uint64_t, int64_t, int64_t);
template int64_t py_affine_score_matrix<false>(nb::handle, nb::handle, nb::handle, uint64_t, int64_t, int64_t);
template nb::list py_affine_scores_matrix<true>(nb::handle, nb::handle, nb::handle, uint64_t, int64_t, int64_t);
template nb::list py_affine_scores_matrix<false>(nb::handle, nb::handle, nb::handle, uint64_t, int64_t, int64_t);

}  // namespace matrix_scores
}  // namespace veltrocamber
