#include "distance/osa_bindings.hpp"

#include "distance/batch_byte_query.hpp"
#include "distance/edit_distance_pairs.hpp"
#include "distance/osa.hpp"
#include "module/memory_errors.hpp"

namespace nb = nanobind;

namespace veltrocamber::osa {

const char *const DAMERAU_LEVENSHTEIN_SCORE_DOC =
    "Optimal String Alignment (OSA) distance between two sequences.\n"
    "\n"
    "Like Levenshtein but adjacent transpositions cost 1 instead of 2\n"
    "substitutions. Restricted in the OSA sense: each character can\n"
    "participate in at most one edit.";

const char *const DAMERAU_LEVENSHTEIN_NORMALIZED_SCORE_DOC =
    "Length-normalized OSA similarity in [0, 1] (1 = identical).";

const char *const OSA_MISMATCHED_WIDTHS = "damerau_levenshtein: mismatched token widths from preprocess";

OsaDistance osa_distance() { return OsaDistance(OSA_MISMATCHED_WIDTHS); }

int64_t py_damerau_levenshtein_score(nb::handle query, nb::handle target) {
    OsaDistance metric = osa_distance();
    return name_memory_refusals("damerau_levenshtein_score", [&] {
        return static_cast<int64_t>(distance::score_pair(query.ptr(), target.ptr(), metric));
    });
}

double damerau_levenshtein_normalized_pair(PyObject *query, PyObject *target) {
    OsaSimilarity metric{osa_distance()};
    return distance::score_pair(query, target, metric);
}

double py_damerau_levenshtein_normalized_score(nb::handle query, nb::handle target) {
    return name_memory_refusals("damerau_levenshtein_normalized_score",
                                [&] { return damerau_levenshtein_normalized_pair(query.ptr(), target.ptr()); });
}

std::vector<int64_t> damerau_levenshtein_score_array(PyObject *query, TargetSnapshot &targets) {
    OsaDistance metric = osa_distance();
    return distance::score_targets<int64_t>(query, targets, metric);
}

std::vector<double> damerau_levenshtein_normalized_score_array(PyObject *query, TargetSnapshot &targets) {
    OsaSimilarity metric{osa_distance()};
    return distance::score_targets<double>(query, targets, metric);
}

Int64Array py_damerau_levenshtein_scores(nb::handle query, nb::handle targets) {
    TargetSnapshot sequence = distance::batch_targets(targets.ptr());
    return to_int64_array(name_memory_refusals("damerau_levenshtein_scores",
                                               [&] { return damerau_levenshtein_score_array(query.ptr(), sequence); }));
}

Float64Array py_damerau_levenshtein_normalized_scores(nb::handle query, nb::handle targets) {
    TargetSnapshot sequence = distance::batch_targets(targets.ptr());
    return to_float64_array(name_memory_refusals("damerau_levenshtein_normalized_scores", [&] {
        return damerau_levenshtein_normalized_score_array(query.ptr(), sequence);
    }));
}

}  // namespace veltrocamber::osa
