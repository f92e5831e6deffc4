// The Python entry points of the optimal string alignment distance (named
// damerau_levenshtein in Python) and the batch and pairwise scorers that the
// top-k functions and `extract` call.
#pragma once

#include <Python.h>

#include <cstdint>
#include <vector>

#include <nanobind/nanobind.h>

#include "distance/batch_byte_query.hpp"
#include "distance/edit_distance_pairs.hpp"
#include "distance/osa.hpp"
#include "module/input_snapshots.hpp"
#include "module/result_arrays.hpp"

namespace veltrocamber::osa {

// RuntimeError text of the off-diagonal entries of the token width table.
extern const char *const OSA_MISMATCHED_WIDTHS;
extern const char *const DAMERAU_LEVENSHTEIN_SCORE_DOC;
extern const char *const DAMERAU_LEVENSHTEIN_NORMALIZED_SCORE_DOC;

int64_t py_damerau_levenshtein_score(nanobind::handle query, nanobind::handle target);
double py_damerau_levenshtein_normalized_score(nanobind::handle query, nanobind::handle target);
Int64Array py_damerau_levenshtein_scores(nanobind::handle query, nanobind::handle targets);
Float64Array py_damerau_levenshtein_normalized_scores(nanobind::handle query, nanobind::handle targets);

// The distance of one pair or of every pair of a batch (in a batch the byte
// query's pattern masks are built once), and its similarity normalised by
// the longer length in symbols.
using OsaDistance = distance::BitParallelDistance<OsaRecurrence>;
using OsaSimilarity = distance::MaxLengthSimilarity<OsaDistance>;
OsaDistance osa_distance();

// Batch cores (one value per target, in order) and the pairwise similarity.
std::vector<int64_t> damerau_levenshtein_score_array(PyObject *query, TargetSnapshot &targets);
std::vector<double> damerau_levenshtein_normalized_score_array(PyObject *query, TargetSnapshot &targets);
double damerau_levenshtein_normalized_pair(PyObject *query, PyObject *target);

}  // namespace veltrocamber::osa
