#include "align/farrar_score_bindings.hpp"

#include "align/alignment_keywords.hpp"
#include "align/alignment_score_bindings.hpp"
#include "align/score_shortcuts.hpp"
#include "align/striped_profile.hpp"
#include "module/farrar_preprocess.hpp"
#include "module/raisers.hpp"

namespace nb = nanobind;

namespace veltrocamber {
namespace {

using backend_swar::detail::local_linear_scalar_score;
using backend_swar::detail::prepared_local_linear_score;

[[noreturn]] void raise_linear_gaps_required() {
    raise_value_error(
        "prepared Farrar scoring currently requires linear gaps; gap_open_score and gap_extend_score must match");
}

// One linear-gap local score through the symbol codes, on the profiles of
// `scratch` (a batch keeps one for all its targets, so a target refills
// storage it already has instead of building and freeing a profile). The
// answer is the prepared object's: width 64 and a positive gap take the
// scalar form; otherwise the shortcut, then the striped local kernel with
// open = extend = gap, which is the very computation the striped linear
// kernel runs for a gap <= 0. With no width given, that kernel may run the
// narrower lanes the affine scores use, which provably hold the pair.
int64_t farrar_linear_pair(PyObject *query, PyObject *target, int64_t match, int64_t mismatch, int64_t gap,
                           uint64_t width, align::StripedAffineScratch &scratch) {
    const FarrarTokenChannel c = preprocess_farrar(query, target, match, mismatch, gap, gap, width);
    if (c.width == 64 || gap > 0)
        return local_linear_scalar_score(c, match, mismatch, gap);
    const align::ShortcutAnswer shortcut = align::local_score_shortcut<uint8_t>(
        c.query.data(), c.query.size(), c.target.data(), c.target.size(), match, mismatch, gap);
    if (shortcut.handled)
        return shortcut.score;
    return smith_waterman_affine_scratch_score(c, match, mismatch, gap, gap, scratch, width == 0);
}

int64_t farrar_pair(PyObject *query, PyObject *target, int64_t match, int64_t mismatch, AffineGaps gaps,
                    uint64_t width, align::StripedAffineScratch &scratch) {
    if (gaps.linear())
        return farrar_linear_pair(query, target, match, mismatch, gaps.open, width, scratch);
    return smith_waterman_affine_pair(query, target, match, mismatch, gaps.open, gaps.extend, width, scratch);
}

PreparedAffineScore prepare_affine_score(const char *function, nb::handle query, nb::handle target, int64_t match,
                                         int64_t mismatch, int64_t gap_score, nb::handle gap_open_score,
                                         nb::handle gap_extend_score, nb::handle width) {
    const AlignmentKeywords keywords =
        convert_alignment_keywords(function, gap_score, gap_open_score, gap_extend_score, width);
    const AffineGaps gaps = keywords.gaps;
    return PreparedAffineScore(
        preprocess_farrar(query.ptr(), target.ptr(), match, mismatch, gaps.open, gaps.extend, keywords.width), match,
        mismatch, gaps.open, gaps.extend, keywords.width == 0);
}

}  // namespace

int64_t py_smith_waterman_farrar_score(nb::handle query, nb::handle target, int64_t match_score,
                                       int64_t mismatch_score, int64_t gap_score, nb::handle gap_open_score,
                                       nb::handle gap_extend_score, nb::handle width) {
    const AlignmentKeywords keywords = convert_alignment_keywords("smith_waterman_farrar_score", gap_score,
                                                                  gap_open_score, gap_extend_score, width);
    align::StripedAffineScratch scratch;
    return farrar_pair(query.ptr(), target.ptr(), match_score, mismatch_score, keywords.gaps, keywords.width,
                       scratch);
}

Int64Array py_smith_waterman_farrar_scores(nb::handle query, nb::handle targets, int64_t match_score,
                                           int64_t mismatch_score, int64_t gap_score, nb::handle gap_open_score,
                                           nb::handle gap_extend_score, nb::handle width) {
    return score_array("smith_waterman_farrar_scores", farrar_pair, query, targets, match_score, mismatch_score,
                       gap_score, gap_open_score, gap_extend_score, width);
}

PreparedSmithWatermanFarrarScore py_prepare_smith_waterman_farrar_score(nb::handle query, nb::handle target,
                                                                        int64_t match_score, int64_t mismatch_score,
                                                                        int64_t gap_score, nb::handle gap_open_score,
                                                                        nb::handle gap_extend_score,
                                                                        nb::handle width) {
    // An explicit extend must equal the resolved open; when it is None the
    // resolution makes it the open value, so the test passes.
    const AlignmentKeywords keywords = convert_alignment_keywords("_prepare_smith_waterman_farrar_score", gap_score,
                                                                  gap_open_score, gap_extend_score, width);
    if (!keywords.gaps.linear())
        raise_linear_gaps_required();
    const int64_t gap = keywords.gaps.open;
    return PreparedSmithWatermanFarrarScore(
        preprocess_farrar(query.ptr(), target.ptr(), match_score, mismatch_score, gap, gap, keywords.width),
        match_score, mismatch_score, gap, keywords.width == 0);
}

int64_t py_smith_waterman_farrar_score_prepared(PreparedSmithWatermanFarrarScore &prepared) {
    return prepared_local_linear_score(prepared);
}

PreparedAffineScore py_prepare_smith_waterman_affine_score(nb::handle query, nb::handle target, int64_t match_score,
                                                           int64_t mismatch_score, int64_t gap_score,
                                                           nb::handle gap_open_score, nb::handle gap_extend_score,
                                                           nb::handle width) {
    return prepare_affine_score("_prepare_smith_waterman_affine_score", query, target, match_score, mismatch_score,
                                gap_score, gap_open_score, gap_extend_score, width);
}

PreparedAffineScore py_prepare_smith_waterman_affine_farrar_score(nb::handle query, nb::handle target,
                                                                  int64_t match_score, int64_t mismatch_score,
                                                                  int64_t gap_score, nb::handle gap_open_score,
                                                                  nb::handle gap_extend_score, nb::handle width) {
    return prepare_affine_score("_prepare_smith_waterman_affine_farrar_score", query, target, match_score,
                                mismatch_score, gap_score, gap_open_score, gap_extend_score, width);
}

PreparedAffineScore py_prepare_needleman_wunsch_affine_score(nb::handle query, nb::handle target,
                                                             int64_t match_score, int64_t mismatch_score,
                                                             int64_t gap_score, nb::handle gap_open_score,
                                                             nb::handle gap_extend_score, nb::handle width) {
    return prepare_affine_score("_prepare_needleman_wunsch_affine_score", query, target, match_score,
                                mismatch_score, gap_score, gap_open_score, gap_extend_score, width);
}

int64_t py_smith_waterman_affine_score_prepared(PreparedAffineScore &prepared) {
    return backend_swar::detail::prepared_local_affine_score(prepared);
}

int64_t py_needleman_wunsch_affine_score_prepared(PreparedAffineScore &prepared) {
    return backend_swar::detail::prepared_global_affine_score(prepared);
}

}  // namespace veltrocamber
