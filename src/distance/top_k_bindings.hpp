// The twelve edit-distance top-k functions and `extract`: one query ranked
// against its targets by one of the twelve batch scorers.
//
// Each computes the scores of every target with the scorer's batch core (the
// very numbers of its batch function, levenshtein_scores, jaro_similarities
// and the others) and keeps the k best with the shared top-k selection:
// distances as ints, lowest best; similarities as floats, highest best. The
// list comes in the selection heap's array order, the worst kept entry first.
// The targets are read into one snapshot, which both the scoring and the
// selection read, so nothing that Python code does to the caller's list
// under the call changes the answer.
#pragma once

#include <Python.h>

#include <cstdint>

#include <nanobind/nanobind.h>

#include "distance/jaro.hpp"
#include "module/scorer_registry.hpp"

namespace veltrocamber::distance {

extern const char *const LEVENSHTEIN_TOP_K_DOC;

// The k best targets of `query` under scorer `id` (0 to 11), as the top-k
// function of that scorer answers them (and names itself in its errors).
// `boost` holds the Jaro-Winkler keywords; no other scorer reads it.
nanobind::list top_k_of_scorer(ScorerId id, PyObject *query, PyObject *targets, uint64_t k,
                               const jaro::WinklerBoost &boost);

// levenshtein_top_k (id 0) to true_damerau_levenshtein_normalized_top_k
// (id 11): the scorer's id is all that tells the functions apart.
template <ScorerId Id>
nanobind::list py_top_k(nanobind::handle query, nanobind::handle targets, uint64_t k) {
    return top_k_of_scorer(Id, query.ptr(), targets.ptr(), k, jaro::WinklerBoost{});
}

nanobind::list py_jaro_winkler_top_k(nanobind::handle query, nanobind::handle targets, uint64_t k,
                                     double prefix_weight, double prefix_threshold, uint64_t prefix_cap);

// Any id; an id outside 0 to 11 raises ValueError "unknown Scorer value"
// once `targets` is known to be a sequence. Jaro-Winkler (id 7) with its
// default keywords: `extract` has none.
nanobind::list py_extract(nanobind::handle query, nanobind::handle targets, ScorerId scorer, uint64_t k);

}  // namespace veltrocamber::distance
