// cdist_top_k_one_query: the k targets most similar to one query under a
// normalised similarity scorer, best first.
//
// Unlike the top-k functions it scores target by target and keeps the best k
// as it goes, in a bounded heap of (score, index) whose root is the worst
// kept score. Before a target is scored its lengths give an upper bound of
// its score (similarity_bounds.hpp): a bound of 0 or less means the pair
// cannot score at all (an empty side against a non-empty one, Hamming
// lengths that differ), and the target is skipped whether pruning is on or
// off; with pruning on, a full heap also skips a target whose bound does not
// beat the root. The bounds are true upper bounds in float64, so pruning
// never changes the answer.
//
// NaN scores (a NaN prefix_weight) rank below every number, in the heap and
// in the final sort alike.
#pragma once

#include <Python.h>

#include <cstdint>

#include <nanobind/nanobind.h>

#include "module/scorer_registry.hpp"

namespace veltrocamber::distance {

extern const char *const CDIST_TOP_K_ONE_QUERY_DOC;

// A list of (score, target) tuples, the score a float, sorted highest first.
nanobind::list py_cdist_top_k_one_query(nanobind::handle query, nanobind::handle targets, ScorerId scorer,
                                        uint64_t k, double prefix_weight, double prefix_threshold,
                                        uint64_t prefix_cap, bool pruning);

}  // namespace veltrocamber::distance
