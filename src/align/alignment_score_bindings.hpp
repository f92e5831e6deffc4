// Python-facing side of the alignment scores: gap resolution shared with the
// traceback entry points, the per-pair dispatchers that choose between a
// closed-form shortcut, a striped SWAR kernel and a scalar kernel for the
// kernel width of the prepared inputs, and the five score functions that the
// binding table registers.
#pragma once

#include <Python.h>

#include <cstdint>

#include <nanobind/nanobind.h>

#include "module/preprocess.hpp"
#include "module/raisers.hpp"
#include "module/result_arrays.hpp"

namespace veltrocamber {

// Calls f.template operator()<Cell>() with the signed cell type of a kernel
// width (8, 16, 32, 64); any other width raises RuntimeError `unsupported`.
template <typename F>
decltype(auto) with_cell_type(unsigned width, const char *unsupported, F &&f) {
    switch (width) {
    case 8: return f.template operator()<int8_t>();
    case 16: return f.template operator()<int16_t>();
    case 32: return f.template operator()<int32_t>();
    case 64: return f.template operator()<int64_t>();
    default: raise_runtime_error(unsupported);
    }
}

// The resolved gap scoring: linear when open == extend.
struct AffineGaps {
    int64_t open;
    int64_t extend;
    bool linear() const noexcept { return open == extend; }
};

// open = gap_open_score unless it is None, else gap_score; extend =
// gap_extend_score unless it is None, else the resolved open (not gap_score).
// Each value that is not None converts to a signed 64-bit integer through
// the keyword conversion (its errors name `function` and the argument).
AffineGaps resolve_affine_gaps(const char *function, int64_t gap_score, nanobind::handle gap_open_score,
                               nanobind::handle gap_extend_score);

// The `width` keyword: None is 0 (automatic), anything else must convert to
// an unsigned 32-bit integer (errors name `function`); input preparation
// validates the value.
uint32_t kernel_width_argument(const char *function, nanobind::handle width);

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
int64_t smith_waterman_affine_scalar_pair(PyObject *query, PyObject *target, int64_t match, int64_t mismatch,
                                          int64_t open, int64_t extend, uint64_t width);
int64_t needleman_wunsch_affine_pair(PyObject *query, PyObject *target, int64_t match, int64_t mismatch,
                                     int64_t open, int64_t extend, uint64_t width);

// Python entry points.
int64_t smith_waterman_score(nanobind::handle query, nanobind::handle target, int64_t match_score,
                             int64_t mismatch_score, int64_t gap_score, nanobind::handle gap_open_score,
                             nanobind::handle gap_extend_score, nanobind::handle width);
int64_t needleman_wunsch_score(nanobind::handle query, nanobind::handle target, int64_t match_score,
                               int64_t mismatch_score, int64_t gap_score, nanobind::handle gap_open_score,
                               nanobind::handle gap_extend_score, nanobind::handle width);
Int64Array smith_waterman_scores(nanobind::handle query, nanobind::handle targets, int64_t match_score,
                                 int64_t mismatch_score, int64_t gap_score, nanobind::handle gap_open_score,
                                 nanobind::handle gap_extend_score, nanobind::handle width);
Int64Array needleman_wunsch_scores(nanobind::handle query, nanobind::handle targets, int64_t match_score,
                                   int64_t mismatch_score, int64_t gap_score, nanobind::handle gap_open_score,
                                   nanobind::handle gap_extend_score, nanobind::handle width);
nanobind::list smith_waterman_top_k(nanobind::handle query, nanobind::handle targets, uint64_t k,
                                    int64_t match_score, int64_t mismatch_score, int64_t gap_score,
                                    nanobind::handle gap_open_score, nanobind::handle gap_extend_score,
                                    nanobind::handle width);

}  // namespace veltrocamber
