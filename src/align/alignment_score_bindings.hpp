// Python-facing side of the alignment scores: the per-pair dispatchers that
// choose between a closed-form shortcut, a striped SWAR kernel and a scalar
// kernel for the kernel width of the prepared inputs, and the five score
// functions that the binding table registers. Their keywords are converted
// by align/alignment_keywords.hpp, which the traceback entry points share.
#pragma once

#include <Python.h>

#include <cstdint>

#include <nanobind/nanobind.h>

#include "align/alignment_keywords.hpp"
#include "module/farrar_preprocess.hpp"
#include "module/preprocess.hpp"
#include "module/result_arrays.hpp"

namespace veltrocamber {

namespace align {
struct StripedAffineScratch;
}

// The wide 64-bit affine kernels read every value at or below -2^60 as minus
// infinity, so a width-64 affine score bound must stay below 2^60; a larger
// one raises OverflowError "alignment score bound exceeds the 64-bit kernel
// capacity".
void check_wide_affine_bound(uint64_t score_bound);

// Linear-gap scores of a preprocessed pair in its own kernel width: the
// closed-form shortcut first, then the scalar two-row kernel.
int64_t smith_waterman_linear_by_width(const PreprocessedPair &pair, int64_t match, int64_t mismatch, int64_t gap);
int64_t needleman_wunsch_linear_by_width(const PreprocessedPair &pair, int64_t match, int64_t mismatch,
                                         int64_t gap);

// Affine-gap scores of two Python objects (borrowed) through the Farrar
// token channel. Local: positive open or extend on the scalar Gotoh kernels,
// otherwise striped for widths 8/16/32 and the wide kernel for 64. Global:
// striped for 8/16/32 whatever the signs, the wide kernel for 64.
int64_t smith_waterman_affine_pair(PyObject *query, PyObject *target, int64_t match, int64_t mismatch,
                                   int64_t open, int64_t extend, uint64_t width);
// The same on the profiles of `scratch`, refilled in place (a batch keeps
// one scratch for all its targets).
int64_t smith_waterman_affine_pair(PyObject *query, PyObject *target, int64_t match, int64_t mismatch,
                                   int64_t open, int64_t extend, uint64_t width, align::StripedAffineScratch &scratch);
int64_t smith_waterman_affine_scalar_pair(PyObject *query, PyObject *target, int64_t match, int64_t mismatch,
                                          int64_t open, int64_t extend, uint64_t width);
int64_t needleman_wunsch_affine_pair(PyObject *query, PyObject *target, int64_t match, int64_t mismatch,
                                     int64_t open, int64_t extend, uint64_t width);
// The same two scores of a pair already prepared as a channel (whose width
// the caller chose), so that an input is read once.
int64_t smith_waterman_affine_channel_score(const FarrarTokenChannel &channel, int64_t match, int64_t mismatch,
                                            int64_t open, int64_t extend);
int64_t needleman_wunsch_affine_channel_score(const FarrarTokenChannel &channel, int64_t match, int64_t mismatch,
                                              int64_t open, int64_t extend);
// The same two on the profiles of `scratch`, the one-shot scores' own road;
// with `automatic_width` (no width given by the caller) the striped kernels
// may run narrower lanes than the channel's when they provably hold the
// pair, or begin on checked narrower lanes, with the same answer.
int64_t smith_waterman_affine_scratch_score(const FarrarTokenChannel &channel, int64_t match, int64_t mismatch,
                                            int64_t open, int64_t extend, align::StripedAffineScratch &scratch,
                                            bool automatic_width);
int64_t needleman_wunsch_affine_scratch_score(const FarrarTokenChannel &channel, int64_t match, int64_t mismatch,
                                              int64_t open, int64_t extend, align::StripedAffineScratch &scratch,
                                              bool automatic_width);

// One pair of a batch: the scoring values resolved, the scratch shared by
// the batch's targets.
using PairScore = int64_t (*)(PyObject *, PyObject *, int64_t, int64_t, AffineGaps, uint64_t,
                              align::StripedAffineScratch &);

// A batch of one query against `targets`: the keywords converted first
// (errors name `function`), then the targets refused when a single str or
// bytes and taken as one snapshot; the query is read once; the first target
// that fails ends the call.
Int64Array score_array(const char *function, PairScore score, nanobind::handle query, nanobind::handle targets,
                       int64_t match, int64_t mismatch, int64_t gap_score, nanobind::handle gap_open_score,
                       nanobind::handle gap_extend_score, nanobind::handle width);

// Python entry points.
int64_t py_smith_waterman_score(nanobind::handle query, nanobind::handle target, int64_t match_score,
                                int64_t mismatch_score, int64_t gap_score, nanobind::handle gap_open_score,
                                nanobind::handle gap_extend_score, nanobind::handle width);
int64_t py_needleman_wunsch_score(nanobind::handle query, nanobind::handle target, int64_t match_score,
                                  int64_t mismatch_score, int64_t gap_score, nanobind::handle gap_open_score,
                                  nanobind::handle gap_extend_score, nanobind::handle width);
Int64Array py_smith_waterman_scores(nanobind::handle query, nanobind::handle targets, int64_t match_score,
                                    int64_t mismatch_score, int64_t gap_score, nanobind::handle gap_open_score,
                                    nanobind::handle gap_extend_score, nanobind::handle width);
Int64Array py_needleman_wunsch_scores(nanobind::handle query, nanobind::handle targets, int64_t match_score,
                                      int64_t mismatch_score, int64_t gap_score, nanobind::handle gap_open_score,
                                      nanobind::handle gap_extend_score, nanobind::handle width);
nanobind::list py_smith_waterman_top_k(nanobind::handle query, nanobind::handle targets, uint64_t k,
                                       int64_t match_score, int64_t mismatch_score, int64_t gap_score,
                                       nanobind::handle gap_open_score, nanobind::handle gap_extend_score,
                                       nanobind::handle width);

}  // namespace veltrocamber
