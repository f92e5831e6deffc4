// The Python entry points of the Indel distance and the batch and pairwise
// scorers that the top-k functions, `extract` and the per-query search call.
#pragma once

#include <Python.h>

#include <cstdint>
#include <vector>

#include <nanobind/nanobind.h>

#include "distance/batch_byte_query.hpp"
#include "distance/edit_distance_pairs.hpp"
#include "distance/indel.hpp"
#include "module/input_snapshots.hpp"
#include "module/result_arrays.hpp"

namespace veltrocamber::indel {

// RuntimeError text of the off-diagonal entries of the token width table.
extern const char *const INDEL_MISMATCHED_WIDTHS;
extern const char *const INDEL_SCORE_DOC;
extern const char *const INDEL_NORMALIZED_SCORE_DOC;

int64_t py_indel_score(nanobind::handle query, nanobind::handle target);
double py_indel_normalized_score(nanobind::handle query, nanobind::handle target);
Int64Array py_indel_scores(nanobind::handle query, nanobind::handle targets);
Float64Array py_indel_normalized_scores(nanobind::handle query, nanobind::handle targets);

// The distance of one pair or of every pair of a batch; in a batch the byte
// query's pattern masks are built once.
using IndelDistance = distance::BitParallelDistance<IndelRecurrence>;
IndelDistance indel_distance();

// The distance of one pair, by either road.
uint64_t indel_pair(PyObject *query, PyObject *target);

// Batch cores, one value per target in order. The normalized form divides by
// len(query) + len(target), the lengths of the very items that were scored
// (the query's before any target, each target's right after its distance),
// and names `function` when one of them has no length.
std::vector<int64_t> indel_score_array(PyObject *query, TargetSnapshot &targets);
std::vector<double> indel_normalized_score_array(PyObject *query, TargetSnapshot &targets, const char *function);

}  // namespace veltrocamber::indel
