// The Python entry points of the unrestricted Damerau-Levenshtein distance
// and the batch and pairwise pieces that the top-k functions, `extract` and
// the per-query search call.
#pragma once

#include <Python.h>

#include <cstdint>
#include <vector>

#include <nanobind/nanobind.h>

#include "module/input_snapshots.hpp"
#include "module/result_arrays.hpp"

namespace veltrocamber::true_damerau_levenshtein {

// RuntimeError text of the off-diagonal entries of the token width table.
extern const char *const TRUE_DAMERAU_LEVENSHTEIN_MISMATCHED_WIDTHS;
extern const char *const TRUE_DAMERAU_LEVENSHTEIN_SCORE_DOC;
extern const char *const TRUE_DAMERAU_LEVENSHTEIN_NORMALIZED_SCORE_DOC;

int64_t py_true_damerau_levenshtein_score(nanobind::handle query, nanobind::handle target);
double py_true_damerau_levenshtein_normalized_score(nanobind::handle query, nanobind::handle target);
Int64Array py_true_damerau_levenshtein_scores(nanobind::handle query, nanobind::handle targets);
Float64Array py_true_damerau_levenshtein_normalized_scores(nanobind::handle query, nanobind::handle targets);

// The distance of one pair, by either road.
uint64_t true_damerau_levenshtein_pair(PyObject *query, PyObject *target);
// 1 - d / max(len(query), len(target)) for one pair.
double true_damerau_levenshtein_normalized_pair(PyObject *query, PyObject *target);

// Batch cores, one value per target in order.
std::vector<int64_t> true_damerau_levenshtein_score_array(PyObject *query, TargetSnapshot &targets);
// The normalized form names `function` when an input has no length.
std::vector<double> true_damerau_levenshtein_normalized_score_array(PyObject *query, TargetSnapshot &targets,
                                                                    const char *function);

}  // namespace veltrocamber::true_damerau_levenshtein
