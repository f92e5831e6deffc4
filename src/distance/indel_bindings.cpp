#include "distance/indel_bindings.hpp"

#include "distance/batch_byte_query.hpp"
#include "distance/edit_distance_pairs.hpp"
#include "distance/indel.hpp"
#include "distance/normalized_similarity.hpp"
#include "distance/sequence_length.hpp"
#include "module/memory_errors.hpp"

namespace nb = nanobind;

namespace veltrocamber::indel {

const char *const INDEL_SCORE_DOC =
    "Indel distance (insertions + deletions only, no substitutions).\n"
    "\n"
    "Equals ``|query| + |target| - 2 * LCS(query, target)``. Lower is\n"
    "more similar; 0 means identical.";

const char *const INDEL_NORMALIZED_SCORE_DOC =
    "Indel similarity in [0, 1] (1 = identical).\n"
    "\n"
    "``1 - indel_score / (|query| + |target|)``. Bounded above by\n"
    "``2 * min(|q|, |t|) / (|q| + |t|)`` for any pair.";

const char *const INDEL_MISMATCHED_WIDTHS = "indel: mismatched token widths from preprocess";

IndelDistance indel_distance() { return IndelDistance(INDEL_MISMATCHED_WIDTHS); }

uint64_t indel_pair(PyObject *query, PyObject *target) {
    IndelDistance metric = indel_distance();
    return distance::score_pair(query, target, metric);
}

int64_t py_indel_score(nb::handle query, nb::handle target) {
    return name_memory_refusals("indel_score",
                                [&] { return static_cast<int64_t>(indel_pair(query.ptr(), target.ptr())); });
}

double py_indel_normalized_score(nb::handle query, nb::handle target) {
    const uint64_t d =
        name_memory_refusals("indel_normalized_score", [&] { return indel_pair(query.ptr(), target.ptr()); });
    // The query first: its error, if any, wins.
    const uint64_t lq = distance::python_length(query.ptr(), "indel_normalized_score", "query");
    const uint64_t lt = distance::python_length(target.ptr(), "indel_normalized_score", "target");
    return distance::normalized_similarity<distance::NormalizedBy::length_sum>(d, lq, lt);
}

std::vector<int64_t> indel_score_array(PyObject *query, TargetSnapshot &targets) {
    IndelDistance metric = indel_distance();
    return distance::score_targets<int64_t>(query, targets, metric);
}

std::vector<double> indel_normalized_score_array(PyObject *query, TargetSnapshot &targets, const char *function) {
    IndelDistance metric = indel_distance();
    return distance::similarities_by_length<distance::NormalizedBy::length_sum>(query, targets, metric, function);
}

Int64Array py_indel_scores(nb::handle query, nb::handle targets) {
    TargetSnapshot sequence = distance::batch_targets(targets.ptr());
    return to_int64_array(
        name_memory_refusals("indel_scores", [&] { return indel_score_array(query.ptr(), sequence); }));
}

Float64Array py_indel_normalized_scores(nb::handle query, nb::handle targets) {
    TargetSnapshot sequence = distance::batch_targets(targets.ptr());
    return to_float64_array(name_memory_refusals("indel_normalized_scores", [&] {
        return indel_normalized_score_array(query.ptr(), sequence, "indel_normalized_scores");
    }));
}

}  // namespace veltrocamber::indel
