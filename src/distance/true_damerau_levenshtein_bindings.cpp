#include "distance/true_damerau_levenshtein_bindings.hpp"

#include "distance/edit_distance_pairs.hpp"
#include "distance/normalized_similarity.hpp"
#include "distance/sequence_length.hpp"
#include "distance/true_damerau_levenshtein.hpp"
#include "module/interrupt_poll.hpp"
#include "module/memory_errors.hpp"

namespace nb = nanobind;

namespace veltrocamber::true_damerau_levenshtein {

const char *const TRUE_DAMERAU_LEVENSHTEIN_SCORE_DOC =
    "True Damerau-Levenshtein edit distance (unrestricted).\n"
    "\n"
    "Allows insertion, deletion, substitution, and transposition of\n"
    "adjacent characters; characters may participate in multiple edits.";

const char *const TRUE_DAMERAU_LEVENSHTEIN_NORMALIZED_SCORE_DOC =
    "True Damerau-Levenshtein similarity in [0, 1] (1 = identical).\n"
    "\n"
    "Normalized as ``1 - distance / max(|query|, |target|)``, same\n"
    "shape as Levenshtein.";

// Unlike the other metrics' text, this one has no " from preprocess" ending.
const char *const TRUE_DAMERAU_LEVENSHTEIN_MISMATCHED_WIDTHS = "true_damerau_levenshtein: mismatched token widths";

namespace {

struct TrueDamerauLevenshteinDistance {
    const char *mismatch_message = TRUE_DAMERAU_LEVENSHTEIN_MISMATCHED_WIDTHS;

    uint64_t bytes(const distance::ByteText &q, const distance::ByteText &t, InterruptPoll &poll) const {
        return true_damerau_levenshtein_bytes(q.data, q.size, t.data, t.size, poll);
    }

    template <typename Tokens>
    uint64_t on_tokens(const Tokens &a, const Tokens &b, InterruptPoll &poll) const {
        return true_damerau_levenshtein_tokens(a, b, poll);
    }

    uint64_t tokens(PyObject *q, PyObject *t, InterruptPoll &poll) const {
        return distance::tokens_by_kernel(*this, q, t, poll);
    }
};

}  // namespace

uint64_t true_damerau_levenshtein_pair(PyObject *query, PyObject *target) {
    TrueDamerauLevenshteinDistance metric;
    return distance::score_pair(query, target, metric);
}

// Normalised by the longer len() of the two objects, taken after the
// distance on either road (len() is not the symbol count for a str or bytes
// subclass with its own __len__).
double true_damerau_levenshtein_normalized_pair(PyObject *query, PyObject *target) {
    const uint64_t d = true_damerau_levenshtein_pair(query, target);
    // The query first: its error, if any, wins.
    const uint64_t lq = distance::python_length(query, "true_damerau_levenshtein_normalized_score", "query");
    const uint64_t lt = distance::python_length(target, "true_damerau_levenshtein_normalized_score", "target");
    return distance::normalized_similarity<distance::NormalizedBy::longer_length>(d, lq, lt);
}

// The Python bodies name themselves in the MemoryError of a table that
// cannot be held.
int64_t py_true_damerau_levenshtein_score(nb::handle query, nb::handle target) {
    return name_memory_refusals("true_damerau_levenshtein_score", [&] {
        return static_cast<int64_t>(true_damerau_levenshtein_pair(query.ptr(), target.ptr()));
    });
}

double py_true_damerau_levenshtein_normalized_score(nb::handle query, nb::handle target) {
    return name_memory_refusals("true_damerau_levenshtein_normalized_score",
                                [&] { return true_damerau_levenshtein_normalized_pair(query.ptr(), target.ptr()); });
}

std::vector<int64_t> true_damerau_levenshtein_score_array(PyObject *query, TargetSnapshot &targets) {
    TrueDamerauLevenshteinDistance metric;
    return distance::score_targets<int64_t>(query, targets, metric);
}

std::vector<double> true_damerau_levenshtein_normalized_score_array(PyObject *query, TargetSnapshot &targets,
                                                                    const char *function) {
    TrueDamerauLevenshteinDistance metric;
    return distance::similarities_by_length<distance::NormalizedBy::longer_length>(query, targets, metric,
                                                                                  function);
}

Int64Array py_true_damerau_levenshtein_scores(nb::handle query, nb::handle targets) {
    return to_int64_array(name_memory_refusals("true_damerau_levenshtein_scores", [&] {
        TargetSnapshot sequence = distance::batch_targets(targets.ptr());
        return true_damerau_levenshtein_score_array(query.ptr(), sequence);
    }));
}

Float64Array py_true_damerau_levenshtein_normalized_scores(nb::handle query, nb::handle targets) {
    return to_float64_array(name_memory_refusals("true_damerau_levenshtein_normalized_scores", [&] {
        TargetSnapshot sequence = distance::batch_targets(targets.ptr());
        return true_damerau_levenshtein_normalized_score_array(query.ptr(), sequence,
                                                               "true_damerau_levenshtein_normalized_scores");
    }));
}

}  // namespace veltrocamber::true_damerau_levenshtein
