// Needleman-Wunsch CIGAR entry points: needleman_wunsch_cigar and its twins
// needleman_wunsch_trace_cigar and needleman_wunsch_trade_cigar (one body
// under three names), _needleman_wunsch_cigar_digest, and their common front.
#pragma once

#include <Python.h>

#include <cstdint>
#include <string>

#include <nanobind/nanobind.h>

namespace veltrocamber {

// Resolved gaps: open == extend > 0 takes the full-matrix linear path
// (keeping its CIGAR); open == extend <= 0 the trade driver (the full code
// matrix below 2^24 cells, the divide-and-conquer split above); open !=
// extend the banded-then-full affine CIGAR.
std::string needleman_wunsch_cigar_pair(PyObject *query, PyObject *target, int64_t match, int64_t mismatch,
                                        int64_t gap_open, int64_t gap_extend, uint32_t width);

// The Python bodies (query, target, match_score, mismatch_score, gap_score,
// gap_open_score, gap_extend_score, width).
std::string py_needleman_wunsch_cigar(nanobind::handle query, nanobind::handle target, int64_t match,
                                      int64_t mismatch, int64_t gap, nanobind::handle gap_open,
                                      nanobind::handle gap_extend, nanobind::handle width);
std::string py_needleman_wunsch_trace_cigar(nanobind::handle query, nanobind::handle target, int64_t match,
                                            int64_t mismatch, int64_t gap, nanobind::handle gap_open,
                                            nanobind::handle gap_extend, nanobind::handle width);
std::string py_needleman_wunsch_trade_cigar(nanobind::handle query, nanobind::handle target, int64_t match,
                                            int64_t mismatch, int64_t gap, nanobind::handle gap_open,
                                            nanobind::handle gap_extend, nanobind::handle width);
uint64_t py_needleman_wunsch_cigar_digest(nanobind::handle query, nanobind::handle target, int64_t match,
                                          int64_t mismatch, int64_t gap, nanobind::handle gap_open,
                                          nanobind::handle gap_extend, nanobind::handle width);

}  // namespace veltrocamber
