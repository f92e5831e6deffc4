// The process-wide map from a scoring function object, by identity, to its
// ScorerId.
//
// Every registered object is held by a strong reference for the life of the
// registry, so an address can never be reused by another object while its
// entry stands. The registry is created on first use and lives until process
// exit; it is reached only with the interpreter lock held.
#pragma once

#include <Python.h>

#include <cstdint>
#include <optional>

namespace veltrocamber {

using ScorerId = int32_t;

// The built-in scorers: the batch function of the module that is registered
// under each id, in registration order. The Python package's `Scorer`
// enumeration names the same ids; a test holds the two together.
struct BuiltinScorer {
    const char *function;
    ScorerId id;
};

inline constexpr BuiltinScorer BUILTIN_SCORERS[] = {
    {"levenshtein_scores", 0},
    {"levenshtein_normalized_scores", 1},
    {"damerau_levenshtein_scores", 2},
    {"damerau_levenshtein_normalized_scores", 3},
    {"hamming_scores", 4},
    {"hamming_normalized_scores", 5},
    {"indel_scores", 8},
    {"indel_normalized_scores", 9},
    {"true_damerau_levenshtein_scores", 10},
    {"true_damerau_levenshtein_normalized_scores", 11},
    {"jaro_similarities", 6},
    {"jaro_winkler_similarities", 7},
};

// Stores (or replaces) the id for `fn`.
void register_scorer(PyObject *fn, ScorerId id);

std::optional<ScorerId> lookup_scorer(PyObject *fn);

}  // namespace veltrocamber
