// Python-facing side of the striped Smith-Waterman scores: the one-shot and
// batch Farrar scores, and the prepare and score functions of the two
// prepared score classes (prepared_striped_scores.hpp).
#pragma once

#include <cstdint>

#include <nanobind/nanobind.h>

#include "align/prepared_striped_scores.hpp"
#include "module/result_arrays.hpp"

namespace veltrocamber {

using backend_swar::detail::PreparedAffineScore;
using backend_swar::detail::PreparedSmithWatermanFarrarScore;

int64_t py_smith_waterman_farrar_score(nanobind::handle query, nanobind::handle target, int64_t match_score,
                                       int64_t mismatch_score, int64_t gap_score, nanobind::handle gap_open_score,
                                       nanobind::handle gap_extend_score, nanobind::handle width);
Int64Array py_smith_waterman_farrar_scores(nanobind::handle query, nanobind::handle targets, int64_t match_score,
                                           int64_t mismatch_score, int64_t gap_score,
                                           nanobind::handle gap_open_score, nanobind::handle gap_extend_score,
                                           nanobind::handle width);

PreparedSmithWatermanFarrarScore py_prepare_smith_waterman_farrar_score(
    nanobind::handle query, nanobind::handle target, int64_t match_score, int64_t mismatch_score, int64_t gap_score,
    nanobind::handle gap_open_score, nanobind::handle gap_extend_score, nanobind::handle width);
int64_t py_smith_waterman_farrar_score_prepared(PreparedSmithWatermanFarrarScore &prepared);

// The three affine prepare functions behave alike; each names itself in its
// keyword errors.
PreparedAffineScore py_prepare_smith_waterman_affine_score(nanobind::handle query, nanobind::handle target,
                                                           int64_t match_score, int64_t mismatch_score,
                                                           int64_t gap_score, nanobind::handle gap_open_score,
                                                           nanobind::handle gap_extend_score, nanobind::handle width);
PreparedAffineScore py_prepare_smith_waterman_affine_farrar_score(
    nanobind::handle query, nanobind::handle target, int64_t match_score, int64_t mismatch_score, int64_t gap_score,
    nanobind::handle gap_open_score, nanobind::handle gap_extend_score, nanobind::handle width);
PreparedAffineScore py_prepare_needleman_wunsch_affine_score(nanobind::handle query, nanobind::handle target,
                                                             int64_t match_score, int64_t mismatch_score,
                                                             int64_t gap_score, nanobind::handle gap_open_score,
                                                             nanobind::handle gap_extend_score,
                                                             nanobind::handle width);

// Local (both local scoring functions) and global score of a prepared
// affine object, whichever prepare function made it.
int64_t py_smith_waterman_affine_score_prepared(PreparedAffineScore &prepared);
int64_t py_needleman_wunsch_affine_score_prepared(PreparedAffineScore &prepared);

}  // namespace veltrocamber
