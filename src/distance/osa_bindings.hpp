// The Python entry points of the optimal string alignment distance (named
// damerau_levenshtein in Python) and the batch and pairwise scorers that the
// top-k functions and `extract` call.
#pragma once

#include <Python.h>

#include <cstdint>
#include <vector>

#include <nanobind/nanobind.h>

#include "module/input_snapshots.hpp"
#include "module/result_arrays.hpp"

namespace veltrocamber::osa {

// RuntimeError text of the off-diagonal entries of the token width table.
extern const char *const OSA_MISMATCHED_WIDTHS;
extern const char *const DAMERAU_LEVENSHTEIN_SCORE_DOC;
extern const char *const DAMERAU_LEVENSHTEIN_NORMALIZED_SCORE_DOC;

int64_t damerau_levenshtein_score(nanobind::handle query, nanobind::handle target);
double damerau_levenshtein_normalized_score(nanobind::handle query, nanobind::handle target);
Int64Array damerau_levenshtein_scores(nanobind::handle query, nanobind::handle targets);
Float64Array damerau_levenshtein_normalized_scores(nanobind::handle query, nanobind::handle targets);

// Batch cores (one value per target, in order) and the pairwise similarity.
std::vector<int64_t> damerau_levenshtein_score_array(PyObject *query, TargetSnapshot &targets);
std::vector<double> damerau_levenshtein_normalized_score_array(PyObject *query, TargetSnapshot &targets);
double damerau_levenshtein_normalized_pair(PyObject *query, PyObject *target);

}  // namespace veltrocamber::osa
