// Prepared affine CIGAR objects: one query-target pair in its coded form
// with its scoring values and its optimal score, computed once, so that each
// later CIGAR request skips the score pass and goes straight to the banded
// attempt (and, when that declines, to the full-matrix traceback).
#pragma once

#include <cstdint>
#include <string>

#include <nanobind/nanobind.h>

#include "module/farrar_preprocess.hpp"
#include "traceback/affine_cigar_by_width.hpp"

namespace veltrocamber {
namespace profile_traceback {

// The record behind _PreparedAffineCigar. It owns its two code vectors (a
// copy duplicates them) and keeps no reference to the Python inputs; it is
// never changed after preparation. `score` is the optimal score of `mode`
// (best local or global affine score) computed from `channel` itself;
// `has_score` is true in every object the prepare functions build. `mode`
// records which prepare function built it: a stored score only serves as the
// expected score of its own mode.
struct PreparedAffineCigar {
    FarrarTokenChannel channel;
    int64_t match = 0;
    int64_t mismatch = 0;
    int64_t gap_open = 0;
    int64_t gap_extend = 0;
    int64_t score = 0;
    bool has_score = false;
    AlignmentMode mode = AlignmentMode::smith_waterman;
};

}  // namespace profile_traceback

// The CIGAR text of the prepared pair in each mode. The affine drivers run
// whatever the gaps (also with open == extend). An object of the other mode
// is accepted: its score is not an expectation for this mode, so the driver
// runs its own score pass.
std::string smith_waterman_affine_cigar_prepared_by_width(const profile_traceback::PreparedAffineCigar &prepared);
std::string needleman_wunsch_affine_cigar_prepared_by_width(const profile_traceback::PreparedAffineCigar &prepared);

// The Python bodies: the prepare functions (query, target, match_score,
// mismatch_score, gap_score, gap_open_score, gap_extend_score, width) and the
// prepared calls. A prepare function raises the MemoryError, naming itself,
// that its prepared call would raise for a traceback matrix that cannot be
// held, and does so before its score pass.
profile_traceback::PreparedAffineCigar py_prepare_smith_waterman_affine_cigar(
    nanobind::handle query, nanobind::handle target, int64_t match, int64_t mismatch, int64_t gap,
    nanobind::handle gap_open, nanobind::handle gap_extend, nanobind::handle width);
profile_traceback::PreparedAffineCigar py_prepare_needleman_wunsch_affine_cigar(
    nanobind::handle query, nanobind::handle target, int64_t match, int64_t mismatch, int64_t gap,
    nanobind::handle gap_open, nanobind::handle gap_extend, nanobind::handle width);
std::string py_smith_waterman_affine_cigar_prepared(const profile_traceback::PreparedAffineCigar &prepared);
std::string py_needleman_wunsch_affine_cigar_prepared(const profile_traceback::PreparedAffineCigar &prepared);

}  // namespace veltrocamber
