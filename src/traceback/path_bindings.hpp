// Alignment path entry points: smith_waterman_path(_info) and
// needleman_wunsch_path(_info), and the four width dispatchers behind them,
// which the CIGAR entry points also use for a positive linear gap.
#pragma once

#include <Python.h>

#include <cstdint>

#include <nanobind/nanobind.h>

#include "align/alignment_keywords.hpp"
#include "module/result_classes.hpp"

namespace veltrocamber {

// Dispatchers: prepare the pair as 8-bit symbol codes (the linear ones pass
// the gap as both open and extend, so the width rule sees it once), narrow
// the scores to the channel's cell width and run the full-matrix kernel.
AlignmentPath smith_waterman_linear_path(PyObject *query, PyObject *target, int64_t match, int64_t mismatch,
                                         int64_t gap, uint32_t width);
AlignmentPath needleman_wunsch_linear_path(PyObject *query, PyObject *target, int64_t match, int64_t mismatch,
                                           int64_t gap, uint32_t width);
AlignmentPath smith_waterman_affine_path(PyObject *query, PyObject *target, int64_t match, int64_t mismatch,
                                         int64_t gap_open, int64_t gap_extend, uint32_t width);
AlignmentPath needleman_wunsch_affine_path(PyObject *query, PyObject *target, int64_t match, int64_t mismatch,
                                           int64_t gap_open, int64_t gap_extend, uint32_t width);

// The Python bodies (query, target, match_score, mismatch_score, gap_score,
// gap_open_score, gap_extend_score, width).
AlignmentResult py_smith_waterman_path(nanobind::handle query, nanobind::handle target, int64_t match,
                                       int64_t mismatch, int64_t gap, nanobind::handle gap_open,
                                       nanobind::handle gap_extend, nanobind::handle width);
AlignmentPath py_smith_waterman_path_info(nanobind::handle query, nanobind::handle target, int64_t match,
                                          int64_t mismatch, int64_t gap, nanobind::handle gap_open,
                                          nanobind::handle gap_extend, nanobind::handle width);
AlignmentResult py_needleman_wunsch_path(nanobind::handle query, nanobind::handle target, int64_t match,
                                         int64_t mismatch, int64_t gap, nanobind::handle gap_open,
                                         nanobind::handle gap_extend, nanobind::handle width);
AlignmentPath py_needleman_wunsch_path_info(nanobind::handle query, nanobind::handle target, int64_t match,
                                            int64_t mismatch, int64_t gap, nanobind::handle gap_open,
                                            nanobind::handle gap_extend, nanobind::handle width);

}  // namespace veltrocamber
