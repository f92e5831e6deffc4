#include "align/alignment_score_bindings.hpp"

#include <type_traits>
#include <variant>
#include <vector>

#include "align/scalar_kernels.hpp"
#include "align/score_shortcuts.hpp"
#include "align/striped_global.hpp"
#include "align/striped_local.hpp"
#include "module/farrar_preprocess.hpp"
#include "module/input_views.hpp"
#include "module/raisers.hpp"
#include "module/top_k.hpp"

namespace nb = nanobind;

namespace veltrocamber {
namespace {

template <typename T>
T convert_or_raise(nb::handle value) {
    T out{};
    if (!nb::try_cast(value, out))
        nb::detail::raise_python_or_cast_error();
    return out;
}

// ---- linear gaps ------------------------------------------------------------

// Runs `score` on the pair's token vectors as Cell-width tokens, with the
// scoring values narrowed to Cell and sign-extended again (as the kernels
// will see them).
template <typename Cell, typename Score>
int64_t with_pair_tokens(const PreprocessedPair &pair, int64_t match, int64_t mismatch, int64_t gap,
                         Score &&score) {
    using Token = std::make_unsigned_t<Cell>;
    const auto *q = std::get_if<std::vector<Token>>(&pair.query);
    const auto *t = std::get_if<std::vector<Token>>(&pair.target);
    if (q == nullptr || t == nullptr)
        raise_runtime_error("unsupported kernel width");
    return score(q->data(), q->size(), t->data(), t->size(), static_cast<Cell>(match), static_cast<Cell>(mismatch),
                 static_cast<Cell>(gap));
}

template <bool Local>
int64_t linear_by_width(const PreprocessedPair &pair, int64_t match, int64_t mismatch, int64_t gap) {
    auto run = [&]<typename Cell>() {
        return with_pair_tokens<Cell>(pair, match, mismatch, gap,
                                      [](const auto *q, size_t ql, const auto *t, size_t tl, Cell m, Cell x, Cell g) {
                                          const align::ShortcutAnswer s =
                                              Local ? align::local_score_shortcut(q, ql, t, tl, m, x, g)
                                                    : align::global_score_shortcut(q, ql, t, tl, m, x, g);
                                          if (s.handled)
                                              return s.score;
                                          return Local ? align::smith_waterman_linear_score<Cell>(q, ql, t, tl, m, x, g)
                                                       : align::needleman_wunsch_linear_score<Cell>(q, ql, t, tl, m,
                                                                                                    x, g);
                                      });
    };
    switch (pair.width) {
    case 8: return run.template operator()<int8_t>();
    case 16: return run.template operator()<int16_t>();
    case 32: return run.template operator()<int32_t>();
    case 64: return run.template operator()<int64_t>();
    default: raise_runtime_error("unsupported kernel width");
    }
}

// ---- affine gaps --------------------------------------------------------------

int64_t local_affine_scalar(const FarrarTokenChannel &c, int64_t match, int64_t mismatch, int64_t open,
                            int64_t extend) {
    const uint8_t *q = c.query.data();
    const uint8_t *t = c.target.data();
    const size_t ql = c.query.size(), tl = c.target.size();
    switch (c.width) {
    case 8:
        return align::smith_waterman_affine_scalar_i8(q, ql, t, tl, int8_t(match), int8_t(mismatch), int8_t(open),
                                                      int8_t(extend));
    case 16:
        return align::smith_waterman_affine_scalar_i16(q, ql, t, tl, int16_t(match), int16_t(mismatch),
                                                       int16_t(open), int16_t(extend));
    case 32:
        return align::smith_waterman_affine_scalar_i32(q, ql, t, tl, int32_t(match), int32_t(mismatch),
                                                       int32_t(open), int32_t(extend));
    case 64: return align::smith_waterman_affine_scalar_i64(q, ql, t, tl, match, mismatch, open, extend);
    default: raise_runtime_error("unsupported profile traceback width");
    }
}

int64_t local_affine_striped(const FarrarTokenChannel &c, int64_t match, int64_t mismatch, int64_t open,
                             int64_t extend) {
    const uint8_t *q = c.query.data();
    const uint8_t *t = c.target.data();
    const size_t ql = c.query.size(), tl = c.target.size();
    switch (c.width) {
    case 8: return align::striped_local_affine_score<int8_t>(q, ql, t, tl, match, mismatch, open, extend);
    case 16: return align::striped_local_affine_score<int16_t>(q, ql, t, tl, match, mismatch, open, extend);
    case 32: return align::striped_local_affine_score<int32_t>(q, ql, t, tl, match, mismatch, open, extend);
    case 64:
        check_wide_affine_bound(c.score_bound);
        return align::smith_waterman_affine_score_wide(q, ql, t, tl, match, mismatch, open, extend);
    default: raise_runtime_error("unsupported SWAR affine Farrar score width");
    }
}

// ---- one pair, any gaps ----------------------------------------------------------

int64_t smith_waterman_pair(PyObject *query, PyObject *target, int64_t match, int64_t mismatch, AffineGaps gaps,
                            uint64_t width) {
    if (gaps.linear()) {
        const PreprocessedPair pair = preprocess(query, target, match, mismatch, gaps.open, gaps.open, width);
        return smith_waterman_linear_by_width(pair, match, mismatch, gaps.open);
    }
    return smith_waterman_affine_pair(query, target, match, mismatch, gaps.open, gaps.extend, width);
}

int64_t needleman_wunsch_pair(PyObject *query, PyObject *target, int64_t match, int64_t mismatch, AffineGaps gaps,
                              uint64_t width) {
    if (gaps.linear()) {
        const PreprocessedPair pair = preprocess(query, target, match, mismatch, gaps.open, gaps.open, width);
        return needleman_wunsch_linear_by_width(pair, match, mismatch, gaps.open);
    }
    return needleman_wunsch_affine_pair(query, target, match, mismatch, gaps.open, gaps.extend, width);
}

using PairScore = int64_t (*)(PyObject *, PyObject *, int64_t, int64_t, AffineGaps, uint64_t);

// The targets of a batch as a fast sequence; a single str or bytes is refused.
nb::object fast_targets(nb::handle targets) {
    reject_single_text_targets(targets.ptr());
    nb::object fast = nb::steal(PySequence_Fast(targets.ptr(), "targets must be a sequence of target sequences"));
    if (!fast.is_valid())
        raise_pending();
    return fast;
}

std::vector<int64_t> score_targets(PairScore score, nb::handle query, nb::handle fast, int64_t match,
                                   int64_t mismatch, AffineGaps gaps, uint64_t width) {
    const Py_ssize_t n = PySequence_Fast_GET_SIZE(fast.ptr());
    PyObject **items = PySequence_Fast_ITEMS(fast.ptr());
    std::vector<int64_t> scores;
    scores.reserve(static_cast<size_t>(n));
    for (Py_ssize_t i = 0; i < n; ++i)
        scores.push_back(score(query.ptr(), items[i], match, mismatch, gaps, width));
    return scores;
}

Int64Array score_array(PairScore score, nb::handle query, nb::handle targets, int64_t match, int64_t mismatch,
                       int64_t gap_score, nb::handle gap_open_score, nb::handle gap_extend_score,
                       nb::handle width) {
    const uint32_t w = kernel_width_argument(width);
    const AffineGaps gaps = resolve_affine_gaps(gap_score, gap_open_score, gap_extend_score);
    const nb::object fast = fast_targets(targets);
    return to_int64_array(score_targets(score, query, fast, match, mismatch, gaps, w));
}

}  // namespace

AffineGaps resolve_affine_gaps(int64_t gap_score, nb::handle gap_open_score, nb::handle gap_extend_score) {
    AffineGaps gaps{};
    gaps.open = gap_open_score.is_none() ? gap_score : convert_or_raise<int64_t>(gap_open_score);
    gaps.extend = gap_extend_score.is_none() ? gaps.open : convert_or_raise<int64_t>(gap_extend_score);
    return gaps;
}

uint32_t kernel_width_argument(nb::handle width) {
    return width.is_none() ? 0u : convert_or_raise<uint32_t>(width);
}

void check_wide_affine_bound(uint64_t score_bound) {
    if (score_bound >= (uint64_t(1) << 60))
        raise_overflow_error("alignment score bound exceeds the 64-bit kernel capacity");
}

int64_t smith_waterman_linear_by_width(const PreprocessedPair &pair, int64_t match, int64_t mismatch, int64_t gap) {
    return linear_by_width<true>(pair, match, mismatch, gap);
}

int64_t needleman_wunsch_linear_by_width(const PreprocessedPair &pair, int64_t match, int64_t mismatch,
                                         int64_t gap) {
    return linear_by_width<false>(pair, match, mismatch, gap);
}

int64_t smith_waterman_affine_pair(PyObject *query, PyObject *target, int64_t match, int64_t mismatch,
                                   int64_t open, int64_t extend, uint64_t width) {
    const FarrarTokenChannel c = preprocess_farrar(query, target, match, mismatch, open, extend, width);
    if (open > 0 || extend > 0)
        return local_affine_scalar(c, match, mismatch, open, extend);
    return local_affine_striped(c, match, mismatch, open, extend);
}

int64_t smith_waterman_affine_scalar_pair(PyObject *query, PyObject *target, int64_t match, int64_t mismatch,
                                          int64_t open, int64_t extend, uint64_t width) {
    const FarrarTokenChannel c = preprocess_farrar(query, target, match, mismatch, open, extend, width);
    return local_affine_scalar(c, match, mismatch, open, extend);
}

int64_t needleman_wunsch_affine_pair(PyObject *query, PyObject *target, int64_t match, int64_t mismatch,
                                     int64_t open, int64_t extend, uint64_t width) {
    const FarrarTokenChannel c = preprocess_farrar(query, target, match, mismatch, open, extend, width);
    const uint8_t *q = c.query.data();
    const uint8_t *t = c.target.data();
    const size_t ql = c.query.size(), tl = c.target.size();
    switch (c.width) {
    case 8: return align::striped_global_affine_score<int8_t>(q, ql, t, tl, match, mismatch, open, extend);
    case 16: return align::striped_global_affine_score<int16_t>(q, ql, t, tl, match, mismatch, open, extend);
    case 32: return align::striped_global_affine_score<int32_t>(q, ql, t, tl, match, mismatch, open, extend);
    case 64:
        check_wide_affine_bound(c.score_bound);
        return align::needleman_wunsch_affine_score_wide(q, ql, t, tl, match, mismatch, open, extend);
    default: raise_runtime_error("unsupported SWAR global affine Farrar score width");
    }
}

int64_t smith_waterman_score(nb::handle query, nb::handle target, int64_t match_score, int64_t mismatch_score,
                             int64_t gap_score, nb::handle gap_open_score, nb::handle gap_extend_score,
                             nb::handle width) {
    const uint32_t w = kernel_width_argument(width);
    const AffineGaps gaps = resolve_affine_gaps(gap_score, gap_open_score, gap_extend_score);
    return smith_waterman_pair(query.ptr(), target.ptr(), match_score, mismatch_score, gaps, w);
}

int64_t needleman_wunsch_score(nb::handle query, nb::handle target, int64_t match_score, int64_t mismatch_score,
                               int64_t gap_score, nb::handle gap_open_score, nb::handle gap_extend_score,
                               nb::handle width) {
    const uint32_t w = kernel_width_argument(width);
    const AffineGaps gaps = resolve_affine_gaps(gap_score, gap_open_score, gap_extend_score);
    return needleman_wunsch_pair(query.ptr(), target.ptr(), match_score, mismatch_score, gaps, w);
}

Int64Array smith_waterman_scores(nb::handle query, nb::handle targets, int64_t match_score, int64_t mismatch_score,
                                 int64_t gap_score, nb::handle gap_open_score, nb::handle gap_extend_score,
                                 nb::handle width) {
    return score_array(&smith_waterman_pair, query, targets, match_score, mismatch_score, gap_score, gap_open_score,
                       gap_extend_score, width);
}

Int64Array needleman_wunsch_scores(nb::handle query, nb::handle targets, int64_t match_score,
                                   int64_t mismatch_score, int64_t gap_score, nb::handle gap_open_score,
                                   nb::handle gap_extend_score, nb::handle width) {
    return score_array(&needleman_wunsch_pair, query, targets, match_score, mismatch_score, gap_score,
                       gap_open_score, gap_extend_score, width);
}

nb::list smith_waterman_top_k(nb::handle query, nb::handle targets, uint64_t k, int64_t match_score,
                              int64_t mismatch_score, int64_t gap_score, nb::handle gap_open_score,
                              nb::handle gap_extend_score, nb::handle width) {
    const nb::object fast = fast_targets(targets);
    const uint32_t w = kernel_width_argument(width);
    const AffineGaps gaps = resolve_affine_gaps(gap_score, gap_open_score, gap_extend_score);
    const std::vector<int64_t> scores =
        score_targets(&smith_waterman_pair, query, fast, match_score, mismatch_score, gaps, w);
    return select_top_k(scores, PySequence_Fast_ITEMS(fast.ptr()), k, true);
}

}  // namespace veltrocamber
