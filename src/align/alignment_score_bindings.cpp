#include "align/alignment_score_bindings.hpp"

#include <algorithm>
#include <type_traits>
#include <variant>
#include <vector>

#include "align/alignment_keywords.hpp"
#include "align/local_affine_score.hpp"
#include "align/scalar_kernels.hpp"
#include "align/score_shortcuts.hpp"
#include "align/striped_global.hpp"
#include "align/striped_local.hpp"
#include "module/cell_width_dispatch.hpp"
#include "module/farrar_preprocess.hpp"
#include "module/input_snapshots.hpp"
#include "module/input_views.hpp"
#include "module/interrupt_poll.hpp"
#include "module/raisers.hpp"
#include "module/top_k.hpp"

namespace nb = nanobind;

namespace veltrocamber {
namespace {

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
    return cell_width_dispatch(pair.width, "unsupported kernel width", [&]<typename Cell>() {
        return with_pair_tokens<Cell>(
            pair, match, mismatch, gap, [](const auto *q, size_t ql, const auto *t, size_t tl, Cell m, Cell x, Cell g) {
                const align::ShortcutAnswer s = Local ? align::local_score_shortcut(q, ql, t, tl, m, x, g)
                                                      : align::global_score_shortcut(q, ql, t, tl, m, x, g);
                if (s.handled)
                    return s.score;
                if constexpr (Local)
                    return align::smith_waterman_linear_score<Cell>(q, ql, t, tl, m, x, g);
                else
                    return align::needleman_wunsch_linear_score<Cell>(q, ql, t, tl, m, x, g);
            });
    });
}

// ---- affine gaps --------------------------------------------------------------

// The channel's codes with the scoring values narrowed to Cell: the Gotoh
// kernel whose minus infinity is the cell type's minimum.
int64_t local_affine_scalar(const FarrarTokenChannel &c, int64_t match, int64_t mismatch, int64_t open,
                            int64_t extend) {
    return cell_width_dispatch(c.width, "unsupported profile traceback width", [&]<typename Cell>() {
        return align::smith_waterman_affine_scalar<Cell>(c.query.data(), c.query.size(), c.target.data(),
                                                         c.target.size(), Cell(match), Cell(mismatch), Cell(open),
                                                         Cell(extend));
    });
}

// Striped kernels for lanes of 8, 16 or 32 bits; width 64 has no striped
// form and runs `wide` on the codes. `width` is the channel's, or narrower
// lanes known to hold the pair.
template <typename Striped, typename Wide>
int64_t striped_or_wide(const FarrarTokenChannel &c, unsigned width, const char *unsupported, Striped &&striped,
                        Wide &&wide) {
    return cell_width_dispatch(width, unsupported, [&]<typename Cell>() {
        const uint8_t *q = c.query.data();
        const uint8_t *t = c.target.data();
        if constexpr (std::is_same_v<Cell, int64_t>) {
            check_wide_affine_bound(c.score_bound);
            return wide(q, c.query.size(), t, c.target.size());
        } else {
            return striped.template operator()<Cell>(q, c.query.size(), t, c.target.size());
        }
    });
}

// ---- one pair, any gaps ----------------------------------------------------------

// The lanes of the striped kernels. When the caller gave no width, the
// narrowest lanes that provably hold every value of this pair (`narrowest`,
// from align::narrowest_local_affine_lanes or
// align::narrowest_global_affine_lanes), if narrower than the width rule's
// 16 or 32 bits: the same score at two or four times the cells per word.
// Everything the width rule makes observable stays: a given width is
// honoured, a width of 64 keeps its bound check and wide kernel, and the
// answer cannot change. (The local scores then begin on narrower lanes
// still, checked for overflow: see local_affine_channel.)
unsigned automatic_lanes(const FarrarTokenChannel &c, bool automatic_width, unsigned narrowest) noexcept {
    if (!automatic_width || (c.width != 16 && c.width != 32))
        return c.width;
    return std::min<unsigned>(c.width, narrowest);
}

// The affine scores of a prepared channel on the striped profiles of
// `scratch`, refilled in place. With no width given, local lanes of 16 or
// 32 bits go by way of narrower lanes checked for overflow (8 bits, then 16
// under 32: align::striped_local_affine_score_narrow_first), the same
// score; global ones keep the narrowest lanes that hold the pair.
int64_t local_affine_channel(const FarrarTokenChannel &c, int64_t match, int64_t mismatch, int64_t open,
                             int64_t extend, align::StripedAffineScratch &scratch, bool automatic_width = false) {
    if (open > 0 || extend > 0)
        return local_affine_scalar(c, match, mismatch, open, extend);
    return striped_or_wide(
        c,
        automatic_lanes(c, automatic_width,
                        align::narrowest_local_affine_lanes(match, mismatch, open, extend, c.query.size(),
                                                            c.target.size())),
        "unsupported SWAR affine Farrar score width",
        [&]<typename Lane>(const uint8_t *q, size_t ql, const uint8_t *t, size_t tl) {
            if constexpr (!std::is_same_v<Lane, int8_t>) {
                if (automatic_width)
                    return align::striped_local_affine_score_narrow_first<Lane>(scratch, q, ql, t, tl, match,
                                                                               mismatch, open, extend);
            }
            return align::striped_local_affine_score<Lane>(scratch.get<Lane>(), q, ql, t, tl, match, mismatch, open,
                                                           extend);
        },
        [&](const uint8_t *q, size_t ql, const uint8_t *t, size_t tl) {
            return align::smith_waterman_affine_score_wide(q, ql, t, tl, match, mismatch, open, extend);
        });
}

int64_t global_affine_channel(const FarrarTokenChannel &c, int64_t match, int64_t mismatch, int64_t open,
                              int64_t extend, align::StripedAffineScratch &scratch, bool automatic_width = false) {
    return striped_or_wide(
        c,
        automatic_lanes(c, automatic_width,
                        align::narrowest_global_affine_lanes(match, mismatch, open, extend, c.query.size(),
                                                             c.target.size())),
        "unsupported SWAR global affine Farrar score width",
        [&]<typename Lane>(const uint8_t *q, size_t ql, const uint8_t *t, size_t tl) {
            return align::striped_global_affine_score<Lane>(scratch.get<Lane>(), q, ql, t, tl, match, mismatch,
                                                            open, extend);
        },
        [&](const uint8_t *q, size_t ql, const uint8_t *t, size_t tl) {
            return align::needleman_wunsch_affine_score_wide(q, ql, t, tl, match, mismatch, open, extend);
        });
}

int64_t local_affine_pair(PyObject *query, PyObject *target, int64_t match, int64_t mismatch, int64_t open,
                          int64_t extend, uint64_t width, align::StripedAffineScratch &scratch) {
    const FarrarTokenChannel c = preprocess_farrar(query, target, match, mismatch, open, extend, width);
    return local_affine_channel(c, match, mismatch, open, extend, scratch, width == 0);
}

int64_t global_affine_pair(PyObject *query, PyObject *target, int64_t match, int64_t mismatch, int64_t open,
                           int64_t extend, uint64_t width, align::StripedAffineScratch &scratch) {
    const FarrarTokenChannel c = preprocess_farrar(query, target, match, mismatch, open, extend, width);
    return global_affine_channel(c, match, mismatch, open, extend, scratch, width == 0);
}

// Linear gaps: tokens and the shortcut; affine gaps: the Farrar channel.
template <bool Local>
int64_t pair_score(PyObject *query, PyObject *target, int64_t match, int64_t mismatch, AffineGaps gaps,
                   uint64_t width, align::StripedAffineScratch &scratch) {
    if (gaps.linear()) {
        const PreprocessedPair pair = preprocess(query, target, match, mismatch, gaps.open, gaps.open, width);
        return linear_by_width<Local>(pair, match, mismatch, gaps.open);
    }
    return Local ? local_affine_pair(query, target, match, mismatch, gaps.open, gaps.extend, width, scratch)
                 : global_affine_pair(query, target, match, mismatch, gaps.open, gaps.extend, width, scratch);
}

constexpr auto smith_waterman_pair = &pair_score<true>;
constexpr auto needleman_wunsch_pair = &pair_score<false>;

// The targets of a batch as one snapshot; a single str or bytes is refused.
TargetSnapshot batch_targets(nb::handle targets) {
    reject_single_text_targets(targets.ptr());
    return TargetSnapshot(targets.ptr(), TARGET_SEQUENCES_MESSAGE);
}

// The query is read once for all the targets (ReusableInput): a list, an
// iterable or a NumPy array that Python code edits under the call (a signal
// handler, an item's __hash__) gives every pair the same query.
std::vector<int64_t> score_targets(PairScore score, nb::handle query, TargetSnapshot &targets, int64_t match,
                                   int64_t mismatch, AffineGaps gaps, uint64_t width) {
    const size_t n = targets.size();
    ReusableInput reusable_query(query.ptr(), "query");
    std::vector<int64_t> scores;
    scores.reserve(n);
    align::StripedAffineScratch scratch;
    InterruptPoll poll;
    for (size_t i = 0; i < n; ++i) {
        PyObject *target = targets[i];
        poll.advance(InterruptPoll::pair_cells(symbol_count_hint(reusable_query.current()), symbol_count_hint(target)));
        scores.push_back(score(reusable_query.get(), target, match, mismatch, gaps, width, scratch));
    }
    return scores;
}

template <bool Local>
int64_t one_score(const char *function, nb::handle query, nb::handle target, int64_t match, int64_t mismatch,
                  int64_t gap_score, nb::handle gap_open_score, nb::handle gap_extend_score, nb::handle width) {
    const AlignmentKeywords keywords =
        convert_alignment_keywords(function, gap_score, gap_open_score, gap_extend_score, width);
    align::StripedAffineScratch scratch;
    return pair_score<Local>(query.ptr(), target.ptr(), match, mismatch, keywords.gaps, keywords.width, scratch);
}

}  // namespace

Int64Array score_array(const char *function, PairScore score, nb::handle query, nb::handle targets, int64_t match,
                       int64_t mismatch, int64_t gap_score, nb::handle gap_open_score, nb::handle gap_extend_score,
                       nb::handle width) {
    const AlignmentKeywords keywords =
        convert_alignment_keywords(function, gap_score, gap_open_score, gap_extend_score, width);
    TargetSnapshot snapshot = batch_targets(targets);
    return to_int64_array(score_targets(score, query, snapshot, match, mismatch, keywords.gaps, keywords.width));
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
    align::StripedAffineScratch scratch;
    return local_affine_pair(query, target, match, mismatch, open, extend, width, scratch);
}

int64_t smith_waterman_affine_pair(PyObject *query, PyObject *target, int64_t match, int64_t mismatch,
                                   int64_t open, int64_t extend, uint64_t width, align::StripedAffineScratch &scratch) {
    return local_affine_pair(query, target, match, mismatch, open, extend, width, scratch);
}

int64_t smith_waterman_affine_scalar_pair(PyObject *query, PyObject *target, int64_t match, int64_t mismatch,
                                          int64_t open, int64_t extend, uint64_t width) {
    const FarrarTokenChannel c = preprocess_farrar(query, target, match, mismatch, open, extend, width);
    return local_affine_scalar(c, match, mismatch, open, extend);
}

int64_t needleman_wunsch_affine_pair(PyObject *query, PyObject *target, int64_t match, int64_t mismatch,
                                     int64_t open, int64_t extend, uint64_t width) {
    align::StripedAffineScratch scratch;
    return global_affine_pair(query, target, match, mismatch, open, extend, width, scratch);
}

int64_t smith_waterman_affine_channel_score(const FarrarTokenChannel &channel, int64_t match, int64_t mismatch,
                                            int64_t open, int64_t extend) {
    align::StripedAffineScratch scratch;
    return local_affine_channel(channel, match, mismatch, open, extend, scratch);
}

int64_t smith_waterman_affine_scratch_score(const FarrarTokenChannel &channel, int64_t match, int64_t mismatch,
                                            int64_t open, int64_t extend, align::StripedAffineScratch &scratch,
                                            bool automatic_width) {
    return local_affine_channel(channel, match, mismatch, open, extend, scratch, automatic_width);
}

int64_t needleman_wunsch_affine_channel_score(const FarrarTokenChannel &channel, int64_t match, int64_t mismatch,
                                              int64_t open, int64_t extend) {
    align::StripedAffineScratch scratch;
    return global_affine_channel(channel, match, mismatch, open, extend, scratch);
}

int64_t needleman_wunsch_affine_scratch_score(const FarrarTokenChannel &channel, int64_t match, int64_t mismatch,
                                              int64_t open, int64_t extend, align::StripedAffineScratch &scratch,
                                              bool automatic_width) {
    return global_affine_channel(channel, match, mismatch, open, extend, scratch, automatic_width);
}

int64_t py_smith_waterman_score(nb::handle query, nb::handle target, int64_t match_score, int64_t mismatch_score,
                                int64_t gap_score, nb::handle gap_open_score, nb::handle gap_extend_score,
                                nb::handle width) {
    return one_score<true>("smith_waterman_score", query, target, match_score, mismatch_score, gap_score,
                           gap_open_score, gap_extend_score, width);
}

int64_t py_needleman_wunsch_score(nb::handle query, nb::handle target, int64_t match_score, int64_t mismatch_score,
                                  int64_t gap_score, nb::handle gap_open_score, nb::handle gap_extend_score,
                                  nb::handle width) {
    return one_score<false>("needleman_wunsch_score", query, target, match_score, mismatch_score, gap_score,
                            gap_open_score, gap_extend_score, width);
}

Int64Array py_smith_waterman_scores(nb::handle query, nb::handle targets, int64_t match_score, int64_t mismatch_score,
                                    int64_t gap_score, nb::handle gap_open_score, nb::handle gap_extend_score,
                                    nb::handle width) {
    return score_array("smith_waterman_scores", smith_waterman_pair, query, targets, match_score, mismatch_score,
                       gap_score, gap_open_score, gap_extend_score, width);
}

Int64Array py_needleman_wunsch_scores(nb::handle query, nb::handle targets, int64_t match_score, int64_t mismatch_score,
                                      int64_t gap_score, nb::handle gap_open_score, nb::handle gap_extend_score,
                                      nb::handle width) {
    return score_array("needleman_wunsch_scores", needleman_wunsch_pair, query, targets, match_score,
                       mismatch_score, gap_score, gap_open_score, gap_extend_score, width);
}

nb::list py_smith_waterman_top_k(nb::handle query, nb::handle targets, uint64_t k, int64_t match_score,
                                 int64_t mismatch_score, int64_t gap_score, nb::handle gap_open_score,
                                 nb::handle gap_extend_score, nb::handle width) {
    TargetSnapshot snapshot = batch_targets(targets);
    const AlignmentKeywords keywords =
        convert_alignment_keywords("smith_waterman_top_k", gap_score, gap_open_score, gap_extend_score, width);
    const std::vector<int64_t> scores = score_targets(smith_waterman_pair, query, snapshot, match_score,
                                                      mismatch_score, keywords.gaps, keywords.width);
    return select_top_k(scores, snapshot.items(), k, true);
}

}  // namespace veltrocamber
