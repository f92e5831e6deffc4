// Smith-Waterman CIGAR entry points: smith_waterman_cigar, its twin
// smith_waterman_trace_cigar (the same answers under its own name) and
// _smith_waterman_cigar_digest, and their common front.
#pragma once

#include <Python.h>

#include <cstdint>
#include <string>

#include <nanobind/nanobind.h>

#include "module/farrar_preprocess.hpp"
#include "traceback/affine_cigar_by_width.hpp"

namespace veltrocamber {

// Resolved gaps: open != extend takes the banded-then-full affine CIGAR;
// open == extend > 0 the full linear path (keeping its CIGAR); open ==
// extend <= 0 the linear CIGAR kernels.
std::string smith_waterman_cigar_pair(PyObject *query, PyObject *target, int64_t match, int64_t mismatch,
                                      int64_t gap_open, int64_t gap_extend, uint32_t width);

std::string smith_waterman_linear_cigar_by_width(const FarrarTokenChannel &channel, int64_t match, int64_t mismatch,
                                                 int64_t gap);

// The Python bodies (query, target, match_score, mismatch_score, gap_score,
// gap_open_score, gap_extend_score, width).
std::string py_smith_waterman_cigar(nanobind::handle query, nanobind::handle target, int64_t match,
                                    int64_t mismatch, int64_t gap, nanobind::handle gap_open,
                                    nanobind::handle gap_extend, nanobind::handle width);
std::string py_smith_waterman_trace_cigar(nanobind::handle query, nanobind::handle target, int64_t match,
                                          int64_t mismatch, int64_t gap, nanobind::handle gap_open,
                                          nanobind::handle gap_extend, nanobind::handle width);
uint64_t py_smith_waterman_cigar_digest(nanobind::handle query, nanobind::handle target, int64_t match,
                                        int64_t mismatch, int64_t gap, nanobind::handle gap_open,
                                        nanobind::handle gap_extend, nanobind::handle width);

}  // namespace veltrocamber
