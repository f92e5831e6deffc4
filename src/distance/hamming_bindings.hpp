// The Python entry points of the Hamming distance and the batch and pairwise
// scorers that the top-k functions, `extract` and the per-query search call.
#pragma once

#include <Python.h>

#include <cstdint>
#include <vector>

#include <nanobind/nanobind.h>

#include "module/input_snapshots.hpp"
#include "module/result_arrays.hpp"

namespace veltrocamber::hamming {

// RuntimeError text of the off-diagonal entries of the token width table.
extern const char *const HAMMING_MISMATCHED_WIDTHS;
extern const char *const HAMMING_SCORE_DOC;

int64_t py_hamming_score(nanobind::handle query, nanobind::handle target);
double py_hamming_normalized_score(nanobind::handle query, nanobind::handle target);
Int64Array py_hamming_scores(nanobind::handle query, nanobind::handle targets);
Float64Array py_hamming_normalized_scores(nanobind::handle query, nanobind::handle targets);

// 1 - d / len(query) for one pair, by either road; a query without a
// length raises TypeError naming `function`.
double hamming_normalized_pair(PyObject *query, PyObject *target, const char *function);

// Batch cores, one value per target in order; unequal lengths raise
// ValueError for the first offending target. The normalized form measures
// the query by len(), and names `function` when it has none.
std::vector<int64_t> hamming_score_array(PyObject *query, TargetSnapshot &targets);
std::vector<double> hamming_normalized_score_array(PyObject *query, TargetSnapshot &targets, const char *function);

}  // namespace veltrocamber::hamming
