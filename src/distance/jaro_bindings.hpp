// The Python entry points of the Jaro and Jaro-Winkler similarities and the
// batch and pairwise pieces that the top-k functions, `extract` and the
// per-query search call.
#pragma once

#include <Python.h>

#include <cstdint>
#include <vector>

#include <nanobind/nanobind.h>

#include "distance/jaro.hpp"
#include "module/input_snapshots.hpp"
#include "module/result_arrays.hpp"

namespace veltrocamber::jaro {

// RuntimeError text of the off-diagonal entries of the token width tables (the Jaro and the prefix table).
extern const char *const JARO_MISMATCHED_WIDTHS;
extern const char *const JARO_SIMILARITY_DOC;
extern const char *const JARO_WINKLER_SIMILARITY_DOC;

double jaro_similarity(nanobind::handle query, nanobind::handle target);
double jaro_winkler_similarity(nanobind::handle query, nanobind::handle target, double prefix_weight,
                               double prefix_threshold, uint64_t prefix_cap);
Float64Array jaro_similarities(nanobind::handle query, nanobind::handle targets);
Float64Array jaro_winkler_similarities(nanobind::handle query, nanobind::handle targets, double prefix_weight,
                                       double prefix_threshold, uint64_t prefix_cap);

// The Jaro similarity of one pair, by either road.
double jaro_pair(PyObject *query, PyObject *target);
// The common prefix of one pair, at most `cap` symbols, by either road.
uint64_t common_prefix_pair(PyObject *query, PyObject *target, uint64_t cap);

// Batch cores, one value per target in order.
std::vector<double> jaro_similarity_array(PyObject *query, TargetSnapshot &targets);
std::vector<double> jaro_winkler_similarity_array(PyObject *query, TargetSnapshot &targets, const WinklerBoost &boost);

}  // namespace veltrocamber::jaro
