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
// below 2^60 only.
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

auto linear(int64_t gap, auto width) {
    return [gap, width](const MatrixPair &pair, uint64_t largest) { return width(pair, largest, gap); };
}

auto affine(int64_t open, int64_t extend, auto pair_score) {
    return [=](const MatrixPair &pair, uint64_t largest) { return pair_score(pair, largest, open, extend); };
}

constexpr auto local_linear = &matrix_score_width<true>;
constexpr auto global_linear = &matrix_score_width<false>;
constexpr auto smith_waterman_affine_matrix_pair = &affine_matrix_pair<true>;
constexpr auto needleman_wunsch_affine_matrix_pair = &affine_matrix_pair<false>;

}  // namespace

int64_t py_smith_waterman_score_matrix(nb::handle query_indices, nb::handle target_indices, nb::handle matrix_buffer,
                                       uint64_t stride, int64_t gap_score) {
    const MatrixCall call{"smith_waterman_score_matrix", matrix_mode::LINEAR_SCORE_TYPE_MESSAGE, "target_indices"};
    return one_score(call, query_indices, target_indices, matrix_buffer, stride, linear(gap_score, local_linear));
}

nb::list py_smith_waterman_scores_matrix(nb::handle query_indices, nb::handle targets, nb::handle matrix_buffer,
                                         uint64_t stride, int64_t gap_score) {
    const MatrixCall call{"smith_waterman_scores_matrix", matrix_mode::LINEAR_SCORE_TYPE_MESSAGE, "targets"};
    return score_list(call, query_indices, targets, matrix_buffer, stride, linear(gap_score, local_linear));
}

int64_t py_smith_waterman_affine_score_matrix(nb::handle query_indices, nb::handle target_indices,
                                              nb::handle matrix_buffer, uint64_t stride, int64_t gap_open_score,
                                              int64_t gap_extend_score) {
    const MatrixCall call{"smith_waterman_affine_score_matrix", matrix_mode::AFFINE_SCORE_TYPE_MESSAGE,
                          "target_indices"};
    return one_score(call, query_indices, target_indices, matrix_buffer, stride,
                     affine(gap_open_score, gap_extend_score, smith_waterman_affine_matrix_pair));
}

nb::list py_smith_waterman_affine_scores_matrix(nb::handle query_indices, nb::handle targets,
                                                nb::handle matrix_buffer, uint64_t stride, int64_t gap_open_score,
                                                int64_t gap_extend_score) {
    const MatrixCall call{"smith_waterman_affine_scores_matrix", matrix_mode::AFFINE_SCORE_TYPE_MESSAGE, "targets"};
    return score_list(call, query_indices, targets, matrix_buffer, stride,
                      affine(gap_open_score, gap_extend_score, smith_waterman_affine_matrix_pair));
}

int64_t py_needleman_wunsch_score_matrix(nb::handle query_indices, nb::handle target_indices,
                                         nb::handle matrix_buffer, uint64_t stride, int64_t gap_score) {
    const MatrixCall call{"needleman_wunsch_score_matrix", matrix_mode::LINEAR_SCORE_TYPE_MESSAGE, "target_indices"};
    return one_score(call, query_indices, target_indices, matrix_buffer, stride, linear(gap_score, global_linear));
}

nb::list py_needleman_wunsch_scores_matrix(nb::handle query_indices, nb::handle targets, nb::handle matrix_buffer,
                                           uint64_t stride, int64_t gap_score) {
    const MatrixCall call{"needleman_wunsch_scores_matrix", matrix_mode::LINEAR_SCORE_TYPE_MESSAGE, "targets"};
    return score_list(call, query_indices, targets, matrix_buffer, stride, linear(gap_score, global_linear));
}

int64_t py_needleman_wunsch_affine_score_matrix(nb::handle query_indices, nb::handle target_indices,
                                                nb::handle matrix_buffer, uint64_t stride, int64_t gap_open_score,
                                                int64_t gap_extend_score) {
    const MatrixCall call{"needleman_wunsch_affine_score_matrix", matrix_mode::AFFINE_SCORE_TYPE_MESSAGE,
                          "target_indices"};
    return one_score(call, query_indices, target_indices, matrix_buffer, stride,
                     affine(gap_open_score, gap_extend_score, needleman_wunsch_affine_matrix_pair));
}

nb::list py_needleman_wunsch_affine_scores_matrix(nb::handle query_indices, nb::handle targets,
                                                  nb::handle matrix_buffer, uint64_t stride, int64_t gap_open_score,
                                                  int64_t gap_extend_score) {
    const MatrixCall call{"needleman_wunsch_affine_scores_matrix", matrix_mode::AFFINE_SCORE_TYPE_MESSAGE,
                          "targets"};
    return score_list(call, query_indices, targets, matrix_buffer, stride,
                      affine(gap_open_score, gap_extend_score, needleman_wunsch_affine_matrix_pair));
}

}  // namespace veltrocamber
